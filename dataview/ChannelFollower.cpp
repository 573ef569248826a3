#include "dataview/ChannelFollower.h"

#include <algorithm>

#include "scanfiles/FileSystem.h"
#include "scanfiles/ScanData.h"

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
    std::vector<FileLook> looks = LookAtFiles(directory, Mask(), listed);
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

    apparentTime_ = Engine->Settings.ComputeApparentStartTime;
    expectedRpm_ = 0;
    const FileTime now = Now();
    size_t p = 0;
    for (size_t j = 0; j < looks.size(); ++j) {
        if (j > 0 && j % 50 == 0)
            ShowProgress("Processing file  " + std::to_string(j));
        FileRecord record;
        record.Look = std::move(looks[j]);
        while (p < previous.size() && NameBefore(previous[p].Look.Name, record.Look.Name))
            ++p;
        const bool seen = p < previous.size() && previous[p].Look.Name == record.Look.Name;
        Examine(record, seen ? &previous[p].Look : nullptr, j + 1 < looks.size(), now);
        files_.push_back(std::move(record));
    }

    const std::vector<int32_t> chosen = ChooseScans();
    RealTimeGofS& e = *Engine;
    if (chosen.empty()) {
        reloadNeeded_ = HasData; // the store holds scans the files no longer give
        CountFiles();
        return false;
    }
    const HeldScan& first = *files_[static_cast<size_t>(chosen[0])].Scan;
    if (e.CreateX(first.Radius.data(), static_cast<int32_t>(first.Radius.size())) != 0) {
        reloadNeeded_ = HasData;
        CountFiles();
        return false;
    }
    for (const int32_t i : chosen)
        TakeScan(files_[static_cast<size_t>(i)]);
    chosen_ = chosen;
    HasData = e.RawStore->GetNumberOfSets() >= 1;
    e.RefreshStages(false); // the raw sets were corrected as they were taken
    ++DataRevision;
    CountFiles();
    return true;
}

void ChannelFollower::Examine(FileRecord& record, const FileLook* previous, bool laterFileExists, FileTime now)
{
    record.Complete = record.Candidate = record.CanStart = record.Used = false;
    record.Scan.reset();
    // A complete file is refused for `reason`, or a candidate (whose reason, should the channel not
    // use it, ChooseScans gives).
    auto complete = [&](ScanReason reason) {
        record.Complete = true;
        record.ReadLook = record.Look;
        record.Reason = reason;
    };
    if (!record.Look.Regular) {
        complete(ScanReason::Unreadable); // a directory, a pipe, a file that vanished or cannot be examined
        return;
    }
    if (!HasSettled(record.Look, previous, laterFileExists, now))
        return;
    const std::string path = JoinPath(DataDirectory, record.Look.Name);
    int64_t count = -1;
    try {
        count = ReadWholeFile(path, bytes_, ScanFileMaxBytes);
    } catch (...) {
        count = -1; // no memory for the bytes: as good as unreadable
    }
    if (count < 0) {
        complete(ScanReason::Unreadable);
        return;
    }
    // A file that is no longer what the listing saw is still being written.
    const bool beyondLimit = record.Look.Size > static_cast<int64_t>(ScanFileMaxBytes);
    if (count != std::min<int64_t>(record.Look.Size, static_cast<int64_t>(ScanFileMaxBytes)))
        return;
    reader_.Header.UseApparentTime = apparentTime_;
    const int32_t read = reader_.ParseScanText(path, bytes_, IntensityMode(), expectedRpm_);
    if (!reader_.EndedWithLineEnd && !beyondLimit)
        return;
    if (read < 0) {
        complete(ReasonOfRefusal(reader_.Refusal));
        return;
    }
    const ScanHeader& h = reader_.Header;
    if (h.FilePath != path) {
        complete(ScanReason::BadHeader); // a name of no scan kind: no header was parsed
        return;
    }
    if (!PlausibleScanTimes(h.RecordedTime, h.Omega2t, h.Rpm, h.Time)) {
        complete(ScanReason::ImplausibleHeader);
        return;
    }
    const int32_t n = reader_.NumberOfPoints;
    if (!RadiiUsableAsGrid(reader_.Radius.data(), n)) {
        complete(ScanReason::UnusableRadii);
        return;
    }
    complete(ScanReason::TimeOrder);
    record.Candidate = true;
    record.CanStart = n >= Engine->Settings.MinimumDataSetSize;
    record.Time = h.Time;
    // Only a scan the channel can use carries the reader's time rule on to the next file.
    apparentTime_ = h.UseApparentTime;
    if (expectedRpm_ == 0)
        expectedRpm_ = h.Rpm;
    auto scan = std::make_unique<HeldScan>();
    scan->Radius.assign(reader_.Radius.begin(), reader_.Radius.begin() + n);
    scan->Value.assign(reader_.Value.begin(), reader_.Value.begin() + n);
    scan->Header = h;
    record.Scan = std::move(scan);
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

int32_t ChannelFollower::TakeScan(FileRecord& record)
{
    RealTimeGofS& e = *Engine;
    if (!record.Scan) {
        record.Reason = ScanReason::Unreadable;
        return -1;
    }
    const HeldScan& s = *record.Scan;
    const int32_t idx = e.RawStore->AddSet(
        s.Radius.data(), s.Value.data(), nullptr, static_cast<int32_t>(s.Radius.size()), s.Header, s.Header.Time);
    record.Scan.reset();
    if (idx < 0) {
        record.Reason
            = e.RawStore->GetNumberOfSets() >= ChannelDataStore::MaxSets ? ScanReason::SetLimit : ScanReason::NotOnGrid;
        return -1;
    }
    record.Used = true;
    // Each scan corrected on its own, as IPtransform corrects the whole store: the jitter baseline
    // over JitterWindow + 1 points, then whole fringes against the already corrected scan before it.
    if (e.CorrectJitter)
        e.RawStore->ZeroAtRadius(idx, e.JitterRadius, e.Settings.JitterWindow);
    if (e.CorrectFringes)
        e.RawStore->RemoveFringeJump(idx, e.FringeRadius);
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
        Examine(record, before, l + 1 < listedAt.size(), now);
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
        const int32_t idx = TakeScan(files_[static_cast<size_t>(chosen[k])]);
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
        if (record.Complete)
            outcomes.push_back({ record.Look.Name, record.Used, record.Reason });
    return outcomes;
}
