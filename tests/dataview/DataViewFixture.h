#pragma once
// What the data view's tests share: a launch on a directory, small runs, a run published scan by
// scan, and the raw sets a chart draws.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "dataview/TSedDataView.h"
#include "follower/ChannelSession.h"
#include "testutil/ScanFileWriter.h"
#include "testutil/ScriptedHost.h"

using namespace morvane;

namespace dataviewtest {

// Resets the program-wide choice flag around each test.
class SedDataView : public ::testing::Test {
protected:
    void SetUp() override { RawTab::ManualScanChoice = false; }
    void TearDown() override { RawTab::ManualScanChoice = false; }
};

// Launches with a clock long after the tests write their files: every file has settled.
inline void Launch(TSedDataView& view, const std::string& dir, const std::string& channel = "0*.RA1")
{
    view.Now = [] { return FileTime(std::chrono::hours(24 * 365 * 100)); };
    LaunchParameters launch = LaunchParameters::Defaults(channel);
    view.Raw.RecallPositions(nullptr, dir, launch);
    ConfigureForLaunch(*view.Engine, launch, CustomSettings());
    view.LoadChannel(dir, "watch");
}

// What one tab needs of a window, without the data view: a channel loaded by a follower, host
// that record their messages, the display settings; rebuilds are counted.
class TabHost : public ViewContext {
public:
    ChannelFollower Follower;
    testutil::ScriptedHost Asked;
    GUISettings Settings;
    bool Input = true;
    bool Shut = false;
    int Rebuilds = 0;

    void Load(const std::string& dir, const std::string& channel = "0*.RA1")
    {
        Follower.Now = [] { return FileTime(std::chrono::hours(24 * 365 * 100)); };
        ConfigureForLaunch(*Follower.Engine, LaunchParameters::Defaults(channel), CustomSettings());
        Follower.LoadChannel(dir, "watch");
    }
    const RealTimeGofS* CurrentEngine() const override { return Follower.Engine.get(); }
    RealTimeGofS* EngineToChange() override { return Follower.Engine.get(); }
    WindowHost& Ask() override { return Asked; }
    const GUISettings& Display() const override { return Settings; }
    bool WindowClosed() const override { return Shut; }
    void EnableInput(bool enabled) override { Input = enabled; }
    void RebuildStages(bool transform) override
    {
        Follower.Engine->RefreshStages(transform);
        ++Rebuilds;
    }
};

inline testutil::RunSpec SmallRun(int scans)
{
    testutil::RunSpec spec;
    spec.scans = scans;
    spec.points = 60;
    return spec;
}

// Copies the staged scans [from, to) into the watched directory, as a run writes them.
inline void Publish(const testutil::TempDir& staging, const std::vector<std::string>& names,
    const testutil::TempDir& dir, int from, int to)
{
    for (int k = from; k < to; ++k)
        std::filesystem::copy_file(staging / names[static_cast<size_t>(k)], dir / names[static_cast<size_t>(k)]);
}

// Raw sets shown on Chart1: what the active series above the template hold, ascending.
inline std::vector<int> DrawnSets(const TSedDataView& view)
{
    std::vector<int> sets;
    for (int s = 2; s < view.Raw.Chart1.SeriesCount(); ++s) {
        const ChartSeries& series = view.Raw.Chart1.Series[static_cast<size_t>(s)];
        if (series.Active && !series.Points.empty())
            sets.push_back(series.Tag);
    }
    std::sort(sets.begin(), sets.end());
    return sets;
}

// The sets `first`, then from, from + step, ... below `below`, then `tail`.
inline std::vector<int> Sets(
    std::initializer_list<int> first, int from, int step, int below, std::initializer_list<int> tail)
{
    std::vector<int> out(first);
    for (int k = from; k < below; k += step)
        out.push_back(k);
    out.insert(out.end(), tail);
    return out;
}

} // namespace dataviewtest
