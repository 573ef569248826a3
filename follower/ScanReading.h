#pragma once
// The reading and parsing of a channel's scan files, on the calling thread or on a few threads of
// their own. Reading touches nothing but the files and the results: the caller judges each file
// from its result, in name order, on its own thread.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "analysis/ChannelDataStore.h"
#include "scanfiles/BeckmanFile.h"

namespace morvane {

// One file to read: its path and the size its listing saw.
struct ScanReadJob {
    std::string Path;
    int64_t ListedSize = -1;
};

// What one file gave. The text is parsed with recorded times (ReadUnderTimeRule gives any other
// rule's result), and only when it is all the listing saw.
struct ScanRead {
    int64_t Count = -1; // bytes read (at most ScanFileMaxBytes + 1); < 0 when the file cannot be read
    bool Parsed = false;
    int32_t Result = -1; // ParseScanText's
    ScanRefusal Refusal = ScanRefusal::Unreadable;
    bool EndedWithLineEnd = false;
    bool HeaderParsed = false;
    ScanHeader Header;
    std::vector<double> Radius, Value; // the points read; empty when placed
    int32_t Points = 0; // points read
    bool RadiiUsable = false; // RadiiUsableAsGrid of the radii
    // The points placed by the reading thread into slot Slot of store PlacedIn (ChannelDataStore::PlaceSet,
    // true), or a store's refusal (false); Slot -1 when not placed, the points then in Radius, Value.
    ChannelDataStore* PlacedIn = nullptr;
    int32_t Slot = -1;
    bool Placed = false;
    // SHA-256 of exactly the bytes parsed (the whole file, as the listing saw it); empty when the
    // file was not parsed or is over the reader's limit (then it was not read to its end).
    std::string Sha256;
};

// Reads and parses one file with `reader`; `bytes` is the buffer for its text. With a store,
// a scan whose radii are usable as a grid is placed into its slot `slot` instead of copied out.
void ReadScan(const ScanReadJob& job, int32_t intensityMode, BeckmanFile& reader, std::string& bytes, ScanRead& out,
    ChannelDataStore* store = nullptr, int32_t slot = -1);

// The threads a full load reads with: MORVANE_THREADS when it holds a positive number, otherwise the
// processors of the machine; at least 1.
int32_t ReadingThreadsFromEnvironment();

// Reads a list of files and hands the results out in the order of the list. With more than one
// thread the files are read ahead on threads of its own, never more than a bounded number ahead
// of the caller; with one, each file is read when its result is asked for.
class ScanReadQueue {
public:
    ScanReadQueue(std::vector<ScanReadJob> jobs, int32_t intensityMode, int32_t threads);
    ~ScanReadQueue();
    ScanReadQueue(const ScanReadQueue&) = delete;
    ScanReadQueue& operator=(const ScanReadQueue&) = delete;

    // The result of the next file of the list; waits until it is read. Not past the end.
    ScanRead Next();
    // From now on the reading threads place each scan of file i of the list (i < the store's
    // slots) into slot i of `store`, which the caller leaves alone but to keep sets below that
    // slot (ChannelDataStore::KeepPlacedSet); null stops that.
    void PlaceInto(ChannelDataStore* store);

    // Files read ahead at most, for each reading thread.
    static constexpr size_t AheadPerThread = 16;

private:
    void Work();

    const std::vector<ScanReadJob> jobs_;
    const int32_t intensityMode_;
    std::mutex mutex_;
    std::condition_variable readyChanged_, roomChanged_;
    size_t claimed_ = 0; // files a thread has started
    size_t taken_ = 0; // results handed out
    // The results of files taken_ to taken_ + ahead - 1, file i at i % ahead.
    std::vector<ScanRead> ring_;
    std::vector<char> ready_;
    bool stopping_ = false;
    ChannelDataStore* target_ = nullptr; // PlaceInto's, under mutex_
    std::vector<std::thread> threads_;
    // Reading on the caller's thread.
    BeckmanFile reader_;
    std::string bytes_;
};

} // namespace morvane
