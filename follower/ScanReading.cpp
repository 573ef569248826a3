#include "follower/ScanReading.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

#include "analysis/Threads.h"
#include "scanfiles/ScanData.h"
#include "scanfiles/ScanText.h"
#include "scanfiles/Sha256.h"

namespace morvane {

void ReadScan(const ScanReadJob& job, int32_t intensityMode, BeckmanFile& reader, std::string& bytes, ScanRead& out,
    ChannelDataStore* store, int32_t slot)
{
    out = ScanRead {};
    try {
        // One byte past the reader's limit tells a file over it, which the parse refuses.
        constexpr auto limit = static_cast<int64_t>(ScanFileMaxBytes) + 1;
        out.Count = ReadWholeFile(job.Path, bytes, static_cast<size_t>(limit));
        if (out.Count < 0) {
            out.Refusal = out.Count == NotARegularFile ? ScanRefusal::NotRegularFile : ScanRefusal::Unreadable;
            return;
        }
        // Fewer or more bytes than the listing saw: the file is still being written.
        if (out.Count != std::min(job.ListedSize, limit))
            return;
        // A fresh header for each file: nothing of the file before carries over, on whichever thread.
        reader.Header = ScanHeader {};
        reader.Header.UseApparentTime = 0;
        // The record of a result takes this hash: each input is read once, and what it names is
        // exactly what was parsed.
        if (out.Count <= static_cast<int64_t>(ScanFileMaxBytes))
            out.Sha256 = Sha256Hex(bytes);
        out.Result = reader.ParseScanText(job.Path, bytes, intensityMode, 0);
        out.Parsed = true;
        out.Refusal = reader.Refusal;
        out.EndedWithLineEnd = reader.EndedWithLineEnd;
        out.HeaderParsed = reader.HeaderParsed;
        out.Header = reader.Header;
        if (out.HeaderParsed && out.Result >= 0) {
            const int32_t n = reader.NumberOfPoints;
            out.Points = n;
            out.RadiiUsable = RadiiUsableAsGrid(reader.Radius.data(), n);
            // Placed here, on the reading thread, the points need no copy.
            if (store && out.RadiiUsable && slot >= 0 && slot < ChannelDataStore::Slots) {
                out.Placed = store->PlaceSet(slot, reader.Radius.data(), reader.Value.data(), nullptr, n);
                out.PlacedIn = store;
                out.Slot = slot;
                return;
            }
            const auto u = static_cast<std::ptrdiff_t>(n);
            out.Radius.assign(reader.Radius.begin(), reader.Radius.begin() + u);
            out.Value.assign(reader.Value.begin(), reader.Value.begin() + u);
        }
    } catch (...) {
        out = ScanRead {}; // no memory for the bytes or the points: as good as unreadable
    }
}

int32_t ReadingThreadsFromEnvironment() { return ThreadsFromEnvironment(); }

ScanReadQueue::ScanReadQueue(std::vector<ScanReadJob> jobs, int32_t intensityMode, int32_t threads)
    : jobs_(std::move(jobs))
    , intensityMode_(intensityMode)
{
    const size_t n = std::min(static_cast<size_t>(std::max(threads, 1)), jobs_.size());
    if (n <= 1)
        return;
    ring_.resize(n * AheadPerThread);
    ready_.assign(ring_.size(), 0);
    try {
        for (size_t t = 0; t < n; ++t)
            threads_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
        // Fewer threads than asked for; with none at all the caller's thread reads.
    }
}

ScanReadQueue::~ScanReadQueue()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    roomChanged_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

void ScanReadQueue::Work()
{
    BeckmanFile reader;
    std::string bytes;
    ScanRead read;
    for (;;) {
        size_t i = 0;
        ChannelDataStore* target = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            roomChanged_.wait(
                lock, [&] { return stopping_ || claimed_ == jobs_.size() || claimed_ < taken_ + ring_.size(); });
            if (stopping_ || claimed_ == jobs_.size())
                return;
            i = claimed_++;
            target = target_;
        }
        ReadScan(jobs_[i], intensityMode_, reader, bytes, read, target, static_cast<int32_t>(i));
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            ring_[i % ring_.size()] = std::move(read);
            ready_[i % ring_.size()] = 1;
        }
        readyChanged_.notify_one();
    }
}

ScanRead ScanReadQueue::Next()
{
    ScanRead read;
    if (threads_.empty()) {
        ReadScan(jobs_[taken_++], intensityMode_, reader_, bytes_, read);
        return read;
    }
    {
        std::unique_lock<std::mutex> lock(mutex_);
        const size_t slot = taken_ % ring_.size();
        readyChanged_.wait(lock, [&] { return ready_[slot] != 0; });
        read = std::move(ring_[slot]);
        ready_[slot] = 0;
        ++taken_;
    }
    roomChanged_.notify_all();
    return read;
}

void ScanReadQueue::PlaceInto(ChannelDataStore* store)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    target_ = store;
}

} // namespace morvane
