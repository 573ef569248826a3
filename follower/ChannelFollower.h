#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "follower/ScanCounts.h"
#include "follower/ScanIntake.h"
#include "follower/ScanReading.h"
#include "realtime/RealTimeGofS.h"
#include "scanfiles/BeckmanFile.h"

namespace morvane {

// The loading and following of one channel: a full load of the data directory into the engine,
// then, while the run goes on, incremental refreshes that read only the scan files that have
// appeared or completed since. The data view window and the headless command both build on it;
// the window overrides the hooks to show progress and draw.
//
// Following a run holds, at every moment, what a full load of the complete files present then
// gives: both paths take the files in name order through one reader and one routine, a refresh
// appends only where that is exact (new files after every file read so far, the same scans chosen
// as before plus new ones), and reloads the channel in full otherwise.
class ChannelFollower {
public:
    static constexpr int32_t RefreshIntervalMs = 10000;
    static constexpr int32_t SlowRefreshIntervalMs = 30000; // after ten full loads that found nothing

    ChannelFollower();
    virtual ~ChannelFollower() = default;
    ChannelFollower(const ChannelFollower&) = delete;
    ChannelFollower& operator=(const ChannelFollower&) = delete;

    std::vector<std::string> FileList; // names of the channel's files at the latest look, in name order
    std::vector<std::string> NewFileList; // the latest listing of a refresh
    std::vector<std::string> AddedFiles; // names the latest refresh found new
    std::string DataDirectory;
    // The settings file the analysis settings were read from (for the record); empty: built-in values.
    std::string SettingsFile;
    bool HasData = false;
    int32_t LoadCount = 0; // full loads so far, counted up to 10
    bool InTimer = false;
    bool Loading = false; // a full load is running (the launch's, or a tick's)
    int32_t Timer1Interval = RefreshIntervalMs;
    std::unique_ptr<RealTimeGofS> Engine;

    // What became of the channel's files at the latest look (ScanCountText gives its line).
    ScanCounts Counts;
    // Grows whenever the stores change: a load, a reload, scans appended.
    int32_t DataRevision = 0;
    // The clock against which a file's age is measured (tests set their own).
    std::function<FileTime()> Now = [] { return std::chrono::system_clock::now(); };
    // The threads that read the files of a full load; 0: ReadingThreadsFromEnvironment(). Whatever
    // their number, the files are judged and taken in name order: the stores come out the same.
    int32_t ReadThreads = 0;

    // The full load of a directory (re-listing, re-reading and rebuilding every stage). The
    // directory is taken by value: the window that names it may change its own text meanwhile.
    void LoadChannel(std::string directory, const std::string& mode = "watch");
    // Takes the files that appeared or completed since the last look; returns how many scans were
    // added to the store (after a reload: the scans the store holds).
    int32_t RefreshChannel();
    // The refresh tick: a full load while no data was found, otherwise an incremental refresh.
    // A tick that arrives while a load or a refresh of this channel runs (a window that lets its
    // wait window paint delivers timer ticks meanwhile) does nothing.
    void Timer1Timer();

    // The file mask of the channel: the first six characters of the channel entry.
    std::string Mask() const;
    // Which value intensity files give: 1 for a "Ref" entry, 2 for "Sam", else 0.
    int32_t IntensityMode() const;

    // The complete files of the latest look, in name order: used (in the raw store) or refused,
    // with the reason. Files still being written, and scans of the cell's other wavelengths, are
    // not among them.
    struct FileOutcome {
        std::string Name;
        bool Used = false;
        ScanReason Reason = ScanReason::Unreadable; // when not used
        // The size and SHA-256 of the bytes the file was parsed from; -1 and empty when it was not
        // parsed (never read, unreadable, over the reader's limit) or the latest look no longer saw it.
        int64_t Size = -1;
        std::string Sha256;
        bool Gone = false; // the latest look did not see the file
    };
    std::vector<FileOutcome> FileOutcomes() const;
    // The files of the latest look that are not complete yet, in name order, as that look saw them.
    std::vector<FileLook> WaitingFiles() const;
    // The wavelength (whole nm) whose scans the channel takes; 0 while none is known or the
    // channel's scans have none (interference, fluorescence). The entry's, or else the first scan's.
    int32_t Wavelength() const { return wavelength_; }

protected:
    // Hooks for a window: progress texts of a full load, its begin and end, each new scan of a
    // refresh (already corrected and in the raw store, before its dc/dt set is made), the end of a refresh.
    virtual void ShowProgress(const std::string& text) { (void)text; }
    virtual void BeginLoad() { }
    virtual void EndLoad(bool loaded) { (void)loaded; }
    virtual void NewScanAdded(int32_t index) { (void)index; }
    virtual void RefreshDone() { }

private:
    // A scan as read, held from its reading until it is stored or refused.
    struct HeldScan {
        std::vector<double> Radius, Value; // empty when placed
        ScanHeader Header;
        ChannelDataStore* PlacedIn = nullptr; // placed by a reading thread into this store's slot Slot
        int32_t Slot = -1;
        bool Placed = false; // PlaceSet's result
    };
    // One file of the channel, in name order.
    struct FileRecord {
        FileLook Look; // at the latest look
        FileLook ReadLook; // when it was read complete
        bool Complete = false; // read: a candidate scan, or refused
        bool Candidate = false; // read as a scan fit for the channel
        bool CanStart = false; // enough points to give the radial grid
        bool Used = false; // in the raw store
        int32_t OtherWavelength = 0; // complete, a scan of this other wavelength (nm): another channel's
        double Time = 0;
        ScanReason Reason = ScanReason::Unreadable; // when complete and not used
        int64_t ReadSize = -1; // bytes parsed, when complete from a parse
        std::string Sha256; // of those bytes
        bool Gone = false; // not seen by the latest look (kept: it was read)
        std::unique_ptr<HeldScan> Scan;
    };

    // The scans a full load takes into a raw store of its own while it reads the files.
    struct RunSoFar {
        std::unique_ptr<ChannelDataStore> Raw;
        std::vector<int32_t> Taken; // record indices of the scans offered to Raw, in order
        int32_t Pending = -1; // the newest candidate: taken or passed over once the next one is known
        bool Failed = false; // no store could be made
        ScanReadQueue* Queue = nullptr; // told to place the scans it reads into Raw once it exists
    };

    // Steps of the full load that find, read and process the files; false when nothing was loaded.
    bool LoadFiles(const std::string& directory);
    // Reads the listed files into records, in name order, and chooses the channel's scans, taken
    // into `raw`. With `speculate` each scan is taken as soon as the next candidate shows that it
    // continues the run; false when the choice turns out otherwise (the files are then read again
    // without). Nothing of the engine is touched.
    bool ReadListedFiles(const std::vector<FileLook>& looks, const std::vector<FileRecord>& previous, FileTime now,
        bool speculate, std::unique_ptr<ChannelDataStore>& raw, std::vector<int32_t>& chosen);
    // Takes the pending candidate into the run, or passes over it; `next` is the candidate after it, or -1.
    void SettlePending(RunSoFar& run, int32_t next);
    // A raw store on the radii of the channel's first scan; null when there is no memory for it.
    std::unique_ptr<ChannelDataStore> MakeRawStore(const std::vector<double>& radius) const;
    // A full load of the same directory, for a refresh that cannot append exactly.
    void Reload();
    // Marks a file read complete: refused for `reason`, or a candidate (whose reason, should the
    // channel not use it, ChooseScans gives).
    static void Complete(FileRecord& record, ScanReason reason);
    // Whether a file is to be read now: not while it may still change; a file that is no regular
    // file is complete at once (unreadable).
    static bool ReadyToRead(FileRecord& record, const FileLook* previous, bool laterFileExists, FileTime now);
    // Judges a file from what was read of it, in name order: still being written, refused, or a
    // candidate under the channel's time rule, which it carries on to the next file.
    void Judge(FileRecord& record, ScanRead& read);
    // Pairs the records with a new listing (new files get records, vanished ones keep theirs if
    // read); fills the look before this one and the record of each listed file. True when a file
    // read before has changed since.
    bool MatchListing(
        const std::vector<FileLook>& looks, std::vector<FileLook>& previous, std::vector<int32_t>& listedAt);
    // Reads the listed files not yet complete, on this thread; false when one became a candidate
    // before candidates read before.
    bool ExamineWaitingFiles(const std::vector<FileLook>& previous, const std::vector<int32_t>& listedAt);
    // Whether a scan whose header names this wavelength belongs to the channel: one of its wavelength,
    // or of none. The first wavelength met fixes a plain entry's, which on meeting another takes its
    // wavelength into the entry, so that outputs and records say which.
    bool OfChannelWavelength(double wavelength);
    // The scans the channel uses among the candidates, as record indices; gives the others their reason.
    std::vector<int32_t> ChooseScans();
    // The one way a scan enters a raw store: appended, then corrected as IPtransform would
    // correct it. Returns its index, or -1 with the record's reason set.
    int32_t TakeScan(FileRecord& record, ChannelDataStore& raw);
    void CountFiles();

    std::vector<FileRecord> files_;
    std::vector<int32_t> chosen_; // record indices of the scans taken into the store, in order
    bool reloadNeeded_ = false; // a reload found no scan to build on: the store no longer fits the files
    int32_t reloads_ = 0;
    BeckmanFile reader_; // a refresh's, which reads on this thread
    std::string bytes_; // the text of the file being read
    // The reader's time rule, carried from file to file in name order: apparent times (as the
    // settings ask) until a scan at another speed than the first scan read switches them off.
    int32_t apparentTime_ = 1;
    double expectedRpm_ = 0;
    int32_t wavelength_ = 0; // nm, see Wavelength()
};

} // namespace morvane
