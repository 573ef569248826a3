#include "dataview/ChannelFollower.h"

#include <algorithm>

#include "scanfiles/BeckmanFile.h"
#include "scanfiles/FileSystem.h"

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

bool ChannelFollower::LoadFiles(const std::string& directory)
{
    DataDirectory = directory;
    FileList = ListFiles(directory, Mask());
    SortNamesIgnoringCase(FileList);
    if (FileList.empty()) {
        HasData = false;
        return false;
    }
    ShowProgress("Found " + std::to_string(FileList.size()) + " files to process");

    BeckmanFile reader;
    reader.Header.UseApparentTime = Engine->Settings.ComputeApparentStartTime;
    const int32_t mode = IntensityMode();
    size_t first = 0;
    for (; first < FileList.size(); ++first) {
        if (reader.ReadScanFile(JoinPath(directory, FileList[first]), mode, 0) > 0
            && reader.NumberOfPoints >= Engine->Settings.MinimumDataSetSize)
            break;
    }
    if (first == FileList.size())
        return false;

    RealTimeGofS& e = *Engine;
    if (e.CreateX(reader.Radius.data(), reader.NumberOfPoints) != 0)
        return false;
    e.RawStore->AddSet(
        reader.Radius.data(), reader.Value.data(), nullptr, reader.NumberOfPoints, reader.Header, reader.Header.Time);
    for (size_t j = first + 1; j < FileList.size(); ++j) {
        if (j % 50 == 0)
            ShowProgress("Processing file  " + std::to_string(j));
        if (reader.ReadScanFile(JoinPath(directory, FileList[j]), mode, 0) >= 0)
            e.RawStore->AddSet(reader.Radius.data(), reader.Value.data(), nullptr, reader.NumberOfPoints, reader.Header,
                reader.Header.Time);
    }
    HasData = e.RawStore->GetNumberOfSets() >= 1;
    e.RefreshStages(true);
    return true;
}

int32_t ChannelFollower::RefreshChannel()
{
    RealTimeGofS& e = *Engine;
    if (!e.RawStore)
        return 0;
    NewFileList = ListFiles(DataDirectory, Mask());
    SortNamesIgnoringCase(NewFileList);

    // Names arriving in order share a prefix with the known list: skip it in one walk.
    size_t j = 0;
    for (size_t i = 0; i < FileList.size() && j < NewFileList.size(); ++i)
        if (NewFileList[j] == FileList[i])
            ++j;
    AddedFiles.clear();
    std::vector<std::string> known = FileList;
    std::sort(known.begin(), known.end());
    for (size_t i = j; i < NewFileList.size(); ++i)
        if (!std::binary_search(known.begin(), known.end(), NewFileList[i]))
            AddedFiles.push_back(NewFileList[i]);
    if (AddedFiles.empty())
        return 0;
    FileList = std::move(NewFileList);
    NewFileList.clear();
    std::sort(AddedFiles.begin(), AddedFiles.end());

    const int32_t mode = IntensityMode();
    const double expectedRpm = e.RawStore->Headers[0].Rpm;
    int32_t added = 0;
    for (const std::string& name : AddedFiles) {
        BeckmanFile reader;
        if (reader.ReadScanFile(JoinPath(DataDirectory, name), mode, expectedRpm) < 0)
            continue;
        const int32_t idx = e.RawStore->AddSet(reader.Radius.data(), reader.Value.data(), nullptr,
            reader.NumberOfPoints, reader.Header, reader.Header.Time);
        if (idx >= 0)
            ++added;
        if (idx > 0) {
            if (e.CorrectJitter)
                e.RawStore->ZeroAtRadius(idx, e.JitterRadius, 0);
            if (e.CorrectFringes)
                e.RawStore->RemoveFringeJump(idx, e.FringeRadius);
            NewScanAdded(idx);
            e.AddOnedcdtvss(idx);
        }
    }
    e.RefreshAveragedStages();
    RefreshDone();
    return added;
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
