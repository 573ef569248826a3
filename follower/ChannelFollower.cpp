#include "follower/ChannelFollower.h"

#include <algorithm>

#include "scanfiles/ChannelWavelength.h"
#include "scanfiles/FileSystem.h"
#include "scanfiles/ScanData.h"

namespace morvane {

ChannelFollower::ChannelFollower()
    : Engine(std::make_unique<RealTimeGofS>())
{
}

std::string ChannelFollower::Mask() const { return Engine->ChannelName.substr(0, 6); }

int32_t ChannelFollower::IntensityMode() const
{
    const std::string& c = Engine->ChannelName;
    if (c.find("Ref") != std::string::npos)
        return IntensityReference;
    if (c.find("Sam") != std::string::npos)
        return IntensitySample;
    return IntensityRatio;
}

void ChannelFollower::LoadChannel(std::string directory, const std::string& mode)
{
    (void)mode;
    if (Loading)
        return;
    Loading = true;
    BeginLoad();
    if (LoadCount < 10)
        ++LoadCount;
    else
        Timer1Interval = SlowRefreshIntervalMs;
    if (LoadCount < 10)
        ShowProgress("Loading files");
    const bool loaded = LoadFiles(directory);
    EndLoad(loaded);
    Loading = false;
}

void ChannelFollower::Reload()
{
    const bool wasLoading = Loading;
    Loading = true;
    ++reloads_;
    BeginLoad();
    if (LoadCount < 10)
        ShowProgress("Loading files");
    const bool loaded = LoadFiles(DataDirectory);
    EndLoad(loaded);
    Loading = wasLoading;
}

bool ChannelFollower::LoadFiles(const std::string& directory)
{
    bool listed = false;
    const std::vector<FileLook> looks = LookAtFiles(directory, Mask(), listed);
    // The looks of the former load of this directory tell which files have stopped changing since.
    std::vector<FileRecord> previous;
    if (directory == DataDirectory)
        previous = std::move(files_);
    files_.clear();
    chosen_.clear();
    reloadNeeded_ = false;
    DataDirectory = directory;
    FileList.clear();
    for (const FileLook& look : looks)
        FileList.push_back(look.Name);
    if (looks.empty()) {
        HasData = false;
        CountFiles();
        return false;
    }
    ShowProgress("Found " + std::to_string(looks.size()) + " files to process");

    const FileTime now = Now();
    std::unique_ptr<ChannelDataStore> raw;
    std::vector<int32_t> chosen;
    if (!ReadListedFiles(looks, previous, now, true, raw, chosen))
        ReadListedFiles(looks, previous, now, false, raw, chosen);
    RealTimeGofS& e = *Engine;
    // The store filled while reading becomes the engine's.
    if (chosen.empty() || !raw || e.CreateX(std::move(raw)) != 0) {
        // No scan to build on (or no memory for the stores): as if none had been taken.
        for (const int32_t i : chosen) {
            files_[static_cast<size_t>(i)].Used = false;
            files_[static_cast<size_t>(i)].Reason = ScanReason::TimeOrder;
        }
        reloadNeeded_ = HasData; // the store holds scans the files no longer give
        CountFiles();
        return false;
    }
    chosen_ = chosen;
    HasData = e.RawStore->GetNumberOfSets() >= 1;
    e.Threads = ReadThreads; // the dc/dt pairs of the stage are made on as many
    e.RefreshStages(false); // the raw sets were corrected as they were taken
    ++DataRevision;
    CountFiles();
    return true;
}

bool ChannelFollower::ReadListedFiles(const std::vector<FileLook>& looks, const std::vector<FileRecord>& previous,
    FileTime now, bool speculate, std::unique_ptr<ChannelDataStore>& raw, std::vector<int32_t>& chosen)
{
    files_.clear();
    files_.resize(looks.size());
    raw.reset();
    chosen.clear();
    apparentTime_ = Engine->Settings.ComputeApparentStartTime;
    expectedRpm_ = 0;
    wavelength_ = EntryWavelength(Engine->ChannelName);
    std::vector<char> wanted(looks.size(), 0);
    std::vector<ScanReadJob> jobs;
    size_t p = 0;
    for (size_t j = 0; j < looks.size(); ++j) {
        FileRecord& record = files_[j];
        record.Look = looks[j];
        while (p < previous.size() && NameBefore(previous[p].Look.Name, record.Look.Name))
            ++p;
        const bool seen = p < previous.size() && previous[p].Look.Name == record.Look.Name;
        wanted[j] = ReadyToRead(record, seen ? &previous[p].Look : nullptr, j + 1 < looks.size(), now);
        if (wanted[j])
            jobs.push_back({ JoinPath(DataDirectory, record.Look.Name), record.Look.Size });
    }

    // The files are read ahead on the reading threads; this thread judges them in name order.
    ScanReadQueue queue(
        std::move(jobs), IntensityMode(), ReadThreads > 0 ? ReadThreads : ReadingThreadsFromEnvironment());
    RunSoFar run;
    if (speculate)
        run.Queue = &queue;
    for (size_t j = 0; j < looks.size(); ++j) {
        if (j > 0 && j % 50 == 0)
            ShowProgress("Processing file  " + std::to_string(j));
        if (!wanted[j])
            continue;
        ScanRead read = queue.Next();
        Judge(files_[j], read);
        if (speculate && files_[j].Candidate && !run.Failed) {
            if (run.Pending >= 0)
                SettlePending(run, static_cast<int32_t>(j));
            run.Pending = static_cast<int32_t>(j);
        }
    }
    if (speculate && run.Pending >= 0 && !run.Failed)
        SettlePending(run, -1);

    chosen = ChooseScans();
    if (speculate) {
        if (run.Failed || chosen != run.Taken)
            return false;
        raw = std::move(run.Raw);
        return true;
    }
    if (!chosen.empty()) {
        raw = MakeRawStore(files_[static_cast<size_t>(chosen[0])].Scan->Radius);
        for (size_t k = 0; raw && k < chosen.size(); ++k)
            TakeScan(files_[static_cast<size_t>(chosen[k])], *raw);
    }
    return true;
}

void ChannelFollower::SettlePending(RunSoFar& run, int32_t next)
{
    FileRecord& record = files_[static_cast<size_t>(run.Pending)];
    const bool first = run.Taken.empty();
    const double last = first ? 0 : files_[static_cast<size_t>(run.Taken.back())].Time;
    bool take = first ? record.CanStart : record.Time > last;
    // A next scan that would continue the run before this one but not after it: this one is
    // likely a stray with a late time, which the choice of scans leaves out.
    if (take && next >= 0) {
        const double t = files_[static_cast<size_t>(next)].Time;
        take = !((first || t > last) && t < record.Time);
    }
    if (!take) {
        record.Scan.reset();
        return;
    }
    if (!run.Raw) {
        // Read before any store existed, the first scan taken holds its points.
        run.Raw = record.Scan->Radius.empty() ? nullptr : MakeRawStore(record.Scan->Radius);
        if (!run.Raw) {
            run.Failed = true;
            return;
        }
        // The scans read from now on are placed into the store by the reading threads.
        if (run.Queue)
            run.Queue->PlaceInto(run.Raw.get());
    }
    TakeScan(record, *run.Raw);
    run.Taken.push_back(run.Pending);
}

std::unique_ptr<ChannelDataStore> ChannelFollower::MakeRawStore(const std::vector<double>& radius) const
{
    try {
        auto store
            = std::make_unique<ChannelDataStore>(Engine->Settings, radius.data(), static_cast<int32_t>(radius.size()));
        if (store->GetNumberOfPoints() > 0)
            return store;
    } catch (const std::bad_alloc&) {
    }
    return nullptr;
}

void ChannelFollower::Complete(FileRecord& record, ScanReason reason)
{
    record.Complete = true;
    record.ReadLook = record.Look;
    record.Reason = reason;
}

bool ChannelFollower::ReadyToRead(FileRecord& record, const FileLook* previous, bool laterFileExists, FileTime now)
{
    record.Complete = record.Candidate = record.CanStart = record.Used = false;
    record.OtherWavelength = 0;
    record.Scan.reset();
    record.ReadSize = -1;
    record.Sha256.clear();
    if (!record.Look.Regular) {
        // A directory, a pipe, a device; or a file that vanished or cannot be examined.
        Complete(record, record.Look.Size >= 0 ? ScanReason::NotRegularFile : ScanReason::Unreadable);
        return false;
    }
    return HasSettled(record.Look, previous, laterFileExists, now);
}

void ChannelFollower::Judge(FileRecord& record, ScanRead& read)
{
    if (read.Count < 0) {
        Complete(record, ReasonOfRefusal(read.Refusal));
        return;
    }
    // A file that is no longer what the listing saw, or that stops inside a line, is still being written.
    const bool beyondLimit = record.Look.Size > static_cast<int64_t>(ScanFileMaxBytes);
    if (!read.Parsed || (!read.EndedWithLineEnd && !beyondLimit))
        return;
    if (!read.Sha256.empty()) {
        record.ReadSize = read.Count;
        record.Sha256 = std::move(read.Sha256);
    }
    int32_t result = read.Result;
    ScanRefusal refusal = read.Refusal;
    if (read.HeaderParsed && apparentTime_ != 0)
        result = ReadUnderTimeRule(result, refusal, read.Header, apparentTime_, expectedRpm_);
    if (result < 0) {
        Complete(record, ReasonOfRefusal(refusal));
        return;
    }
    if (!read.HeaderParsed) {
        Complete(record, ScanReason::BadHeader); // a name of no scan kind: no header was parsed
        return;
    }
    const ScanHeader& h = read.Header;
    if (!OfChannelWavelength(h.Wavelength)) {
        Complete(record, ScanReason::Unreadable);
        record.OtherWavelength = WholeNanometres(h.Wavelength);
        return;
    }
    if (!PlausibleScanTimes(h.RecordedTime, h.Omega2t, h.Rpm, h.Time)) {
        Complete(record, ScanReason::ImplausibleHeader);
        return;
    }
    if (!read.RadiiUsable) {
        Complete(record, ScanReason::UnusableRadii);
        return;
    }
    Complete(record, ScanReason::TimeOrder);
    record.Candidate = true;
    record.CanStart = read.Points >= Engine->Settings.MinimumDataSetSize;
    record.Time = h.Time;
    // Only a scan the channel can use carries the reader's time rule on to the next file.
    apparentTime_ = h.UseApparentTime;
    if (expectedRpm_ == 0)
        expectedRpm_ = h.Rpm;
    auto scan = std::make_unique<HeldScan>();
    scan->Radius = std::move(read.Radius);
    scan->Value = std::move(read.Value);
    scan->Header = std::move(read.Header);
    scan->PlacedIn = read.PlacedIn;
    scan->Slot = read.Slot;
    scan->Placed = read.Placed;
    record.Scan = std::move(scan);
}

bool ChannelFollower::OfChannelWavelength(double wavelength)
{
    const int32_t nm = WholeNanometres(wavelength);
    if (nm == 0 || !ScannedAtWavelengths(Engine->ChannelName))
        return true; // nothing tells it apart
    if (wavelength_ == 0)
        wavelength_ = nm;
    if (nm == wavelength_)
        return true;
    if (EntryWavelength(Engine->ChannelName) == 0)
        Engine->ChannelName = EntryWithWavelength(Engine->ChannelName, wavelength_);
    return false;
}

std::vector<int32_t> ChannelFollower::ChooseScans()
{
    std::vector<int32_t> candidates;
    std::vector<double> times;
    std::vector<bool> canStart;
    for (size_t i = 0; i < files_.size(); ++i) {
        if (files_[i].Candidate) {
            candidates.push_back(static_cast<int32_t>(i));
            times.push_back(files_[i].Time);
            canStart.push_back(files_[i].CanStart);
        }
    }
    const std::vector<int32_t> picked = ScansInTimeOrder(times, canStart);
    std::vector<int32_t> chosen;
    size_t next = 0;
    for (size_t c = 0; c < candidates.size(); ++c) {
        FileRecord& record = files_[static_cast<size_t>(candidates[c])];
        if (next < picked.size() && picked[next] == static_cast<int32_t>(c)) {
            chosen.push_back(candidates[c]);
            ++next;
            continue;
        }
        const bool beforeFirst = picked.empty() || static_cast<int32_t>(c) < picked[0];
        record.Reason = beforeFirst && !record.CanStart ? ScanReason::TooFewPoints : ScanReason::TimeOrder;
        record.Used = false;
        record.Scan.reset();
    }
    return chosen;
}

int32_t ChannelFollower::TakeScan(FileRecord& record, ChannelDataStore& raw)
{
    const RealTimeGofS& e = *Engine;
    if (!record.Scan) {
        record.Reason = ScanReason::Unreadable;
        return -1;
    }
    const HeldScan& s = *record.Scan;
    int32_t idx = -1;
    if (s.Slot < 0)
        idx = raw.AddSet(
            s.Radius.data(), s.Value.data(), nullptr, static_cast<int32_t>(s.Radius.size()), s.Header, s.Header.Time);
    else if (s.PlacedIn == &raw && s.Slot >= raw.GetNumberOfSets())
        idx = raw.KeepPlacedSet(s.Slot, s.Placed, s.Header);
    else
        record.Scan.reset(); // placed into another store, or overwritten since: cannot happen
    if (!record.Scan) {
        record.Reason = ScanReason::Unreadable;
        return -1;
    }
    record.Scan.reset();
    if (idx < 0) {
        record.Reason
            = raw.GetNumberOfSets() >= ChannelDataStore::MaxSets ? ScanReason::SetLimit : ScanReason::NotOnGrid;
        return -1;
    }
    record.Used = true;
    if (e.CorrectJitter || e.CorrectFringes)
        raw.KeepAsAdded(idx);
    // Each scan corrected on its own, as IPtransform corrects the whole store: the jitter baseline
    // over JitterWindow + 1 points, then whole fringes against the already corrected scan before it.
    if (e.CorrectJitter)
        raw.ZeroAtRadius(idx, e.Cell.JitterRadius, e.Settings.JitterWindow);
    if (e.CorrectFringes)
        raw.RemoveFringeJump(idx, e.Cell.FringeRadius);
    return idx;
}

bool ChannelFollower::MatchListing(
    const std::vector<FileLook>& looks, std::vector<FileLook>& previous, std::vector<int32_t>& listedAt)
{
    // Both lists are in name order: one walk pairs each file with its record. A record whose file
    // vanished is kept (what was loaded stays until the channel is reloaded); a file read before
    // that has changed since was read too early.
    std::vector<FileRecord> old = std::move(files_);
    files_.clear();
    AddedFiles.clear();
    std::vector<int32_t> moved(old.size(), -1); // where each record went
    bool changed = false;
    size_t p = 0;
    for (size_t q = 0; p < old.size() || q < looks.size();) {
        const bool vanished = q == looks.size() || (p < old.size() && NameBefore(old[p].Look.Name, looks[q].Name));
        if (vanished) {
            if (old[p].Complete) {
                old[p].Gone = true;
                moved[p] = static_cast<int32_t>(files_.size());
                files_.push_back(std::move(old[p]));
            }
            ++p;
            continue;
        }
        const bool known = p < old.size() && old[p].Look.Name == looks[q].Name;
        FileRecord record;
        FileLook before;
        if (known) {
            moved[p] = static_cast<int32_t>(files_.size());
            record = std::move(old[p++]);
            before = record.Look;
            changed = changed || (record.Complete && !looks[q].SameAs(record.ReadLook));
        } else {
            AddedFiles.push_back(looks[q].Name);
        }
        record.Look = looks[q++];
        record.Gone = false;
        listedAt.push_back(static_cast<int32_t>(files_.size()));
        previous.push_back(before);
        files_.push_back(std::move(record));
    }
    for (int32_t& i : chosen_)
        i = moved[static_cast<size_t>(i)]; // a chosen file was read: its record stays
    FileList = NewFileList;
    return changed;
}

bool ChannelFollower::ExamineWaitingFiles(const std::vector<FileLook>& previous, const std::vector<int32_t>& listedAt)
{
    // New and pending files, in name order, as a full load would take them. A scan read before
    // candidates already read would be read there with another time rule and change the choice
    // of scans: only a reload is exact then. A file refused by the reader changes neither.
    int32_t lastCandidate = -1;
    for (size_t i = 0; i < files_.size(); ++i)
        if (files_[i].Candidate)
            lastCandidate = static_cast<int32_t>(i);
    const FileTime now = Now();
    for (size_t l = 0; l < listedAt.size(); ++l) {
        FileRecord& record = files_[static_cast<size_t>(listedAt[l])];
        if (record.Complete)
            continue;
        const FileLook* before = previous[l].Name.empty() ? nullptr : &previous[l];
        if (ReadyToRead(record, before, l + 1 < listedAt.size(), now)) {
            ScanRead read;
            ReadScan({ JoinPath(DataDirectory, record.Look.Name), record.Look.Size }, IntensityMode(), reader_, bytes_,
                read);
            Judge(record, read);
        }
        if (record.Candidate && listedAt[l] < lastCandidate)
            return false;
    }
    return true;
}

int32_t ChannelFollower::RefreshChannel()
{
    RealTimeGofS& e = *Engine;
    if (!e.RawStore)
        return 0;
    auto reload = [&] {
        Reload();
        return e.RawStore ? e.RawStore->GetNumberOfSets() : 0;
    };
    if (reloadNeeded_)
        return reload();
    bool listed = false;
    const std::vector<FileLook> looks = LookAtFiles(DataDirectory, Mask(), listed);
    if (!listed)
        return 0; // the directory is gone or cannot be read: keep what was loaded
    NewFileList.clear();
    for (const FileLook& look : looks)
        NewFileList.push_back(look.Name);

    std::vector<FileLook> previous; // the look before this one, of each listed file
    std::vector<int32_t> listedAt; // index into files_ of each listed file
    if (MatchListing(looks, previous, listedAt) || !ExamineWaitingFiles(previous, listedAt))
        return reload();

    const std::vector<int32_t> chosen = ChooseScans();
    bool extends = chosen.size() >= chosen_.size() && std::equal(chosen_.begin(), chosen_.end(), chosen.begin());
    for (size_t k = chosen_.size(); extends && k < chosen.size(); ++k)
        extends = files_[static_cast<size_t>(chosen[k])].Scan != nullptr;
    if (!extends)
        return reload();

    int32_t added = 0;
    for (size_t k = chosen_.size(); k < chosen.size(); ++k) {
        const int32_t idx = TakeScan(files_[static_cast<size_t>(chosen[k])], *e.RawStore);
        chosen_.push_back(chosen[k]);
        if (idx < 0)
            continue;
        ++added;
        if (idx > 0) {
            NewScanAdded(idx);
            e.AddOnedcdtvss(idx);
        }
    }
    if (added > 0) {
        e.RefreshAveragedStages();
        ++DataRevision;
        RefreshDone();
    }
    CountFiles();
    return added;
}

void ChannelFollower::CountFiles()
{
    ScanCounts c;
    c.Reloads = reloads_;
    for (const FileRecord& record : files_) {
        if (!record.Complete) {
            c.Wait(record.Look.Name);
        } else if (record.OtherWavelength > 0) {
            c.AtOtherWavelength(record.OtherWavelength);
        } else if (record.Used) {
            ++c.Used;
            ++c.Read;
        } else {
            c.Refuse(record.Reason, record.Look.Name);
        }
    }
    Counts = c;
}

void ChannelFollower::Timer1Timer()
{
    if (InTimer || Loading)
        return;
    InTimer = true;
    if (HasData)
        RefreshChannel();
    else
        LoadChannel(DataDirectory, "watch");
    InTimer = false;
}

std::vector<ChannelFollower::FileOutcome> ChannelFollower::FileOutcomes() const
{
    std::vector<FileOutcome> outcomes;
    for (const FileRecord& record : files_)
        if (record.Complete && record.OtherWavelength == 0)
            outcomes.push_back({ .Name = record.Look.Name,
                .Used = record.Used,
                .Reason = record.Reason,
                .Size = record.Gone ? -1 : record.ReadSize,
                .Sha256 = record.Gone ? std::string() : record.Sha256,
                .Gone = record.Gone });
    return outcomes;
}

std::vector<FileLook> ChannelFollower::WaitingFiles() const
{
    std::vector<FileLook> waiting;
    for (const FileRecord& record : files_)
        if (!record.Complete)
            waiting.push_back(record.Look);
    return waiting;
}

} // namespace morvane
