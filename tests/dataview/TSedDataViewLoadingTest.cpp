// Loading, live refresh and closing of the data view.
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "DataViewFixture.h"
#include "simulator/RunWriter.h"
#include "testutil/ScriptedHost.h"

using namespace morvane;

namespace fs = std::filesystem;
using namespace dataviewtest;
using testutil::ScriptedHost;
using testutil::TempDir;

TEST_F(SedDataView, TickDuringALoadDoesNothing)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(120));
    ScriptedHost host;
    TSedDataView view(&host);
    ConfigureForLaunch(*view.Engine, LaunchParameters::Defaults("0*.RA1"), CustomSettings());
    // A window that lets its wait window paint delivers timer ticks from inside the load.
    std::vector<std::string> texts;
    host.WaitWindowScript = [&](TWaitWorking& wait) {
        EXPECT_EQ(&wait, &view.WaitWindow);
        texts.push_back(wait.Edit1);
        EXPECT_FALSE(view.InputEnabled);
        view.Timer1Timer();
    };
    view.LoadChannel(dir.path(), "watch");
    EXPECT_EQ(texts,
        (std::vector<std::string> {
            "Loading files", "Found 120 files to process", "Processing file  50", "Processing file  100" }));
    EXPECT_EQ(view.LoadCount, 1) << "no second load began";
    EXPECT_EQ(view.Engine->RawStore->GetNumberOfSets(), 120);
    EXPECT_TRUE(view.InputEnabled);

    // The next tick, after the load, refreshes as usual.
    host.WaitWindowScript = nullptr;
    testutil::WriteRun(dir.path(), SmallRun(121));
    view.Timer1Timer();
    EXPECT_EQ(view.Engine->RawStore->GetNumberOfSets(), 121);
}

TEST_F(SedDataView, EmptyChartsSayWhy)
{
    TempDir dir;
    TSedDataView view;
    Launch(view, dir.path());
    EXPECT_EQ(view.Raw.Chart1.EmptyText, "No scan files of 0*.RA1 here yet: looking again every 10 s");
    EXPECT_EQ(view.Results.dcdtChart.EmptyText, "No g(s*) yet: at least 4 scans are needed (0 scans read so far)");
    testutil::WriteTextFile(dir / "00001.RA1", "Test sample\r\nR 1 20.0 50000 600 1.6E+10 280 1\r\n 6.1000    1.2");
    view.Timer1Timer();
    EXPECT_EQ(view.Raw.Chart1.EmptyText, "The scan files of 0*.RA1 are still being written: looking again every 10 s");
    EXPECT_EQ(view.LabelScanCount, "0 scans read, 0 used, 1 not yet complete (00001.RA1)");
    testutil::RunSpec tooShort = SmallRun(1);
    tooShort.points = 10;
    testutil::WriteRun(dir.path(), tooShort);
    view.Timer1Timer();
    EXPECT_EQ(
        view.Raw.Chart1.EmptyText, "No readable scan of 0*.RA1 with at least 20 points yet: looking again every 10 s");
    EXPECT_EQ(ResultTabs::NoResultText(1), "No g(s*) yet: at least 4 scans are needed (1 scan read so far)");

    // One scan short of the first result the result charts stay empty and say so; then they fill.
    testutil::WriteRun(dir.path(), SmallRun(ResultTabs::ScansForFirstResult - 1));
    view.Timer1Timer();
    EXPECT_TRUE(view.Results.dcdtChart.ActiveSeries().empty());
    EXPECT_EQ(view.Results.ChartAverage.EmptyText, ResultTabs::NoResultText(ResultTabs::ScansForFirstResult - 1));
    testutil::WriteRun(dir.path(), SmallRun(ResultTabs::ScansForFirstResult));
    view.Timer1Timer();
    EXPECT_FALSE(view.Results.ChartAverage.ActiveSeries().empty());
}

TEST_F(SedDataView, BadInputNeverCrashesNorChangesAFile)
{
    TempDir root;
    const std::string run = root / "run";
    fs::create_directory(run);
    ScriptedHost host;
    TSedDataView view(&host);

    // Clicks, a refresh and an output before any data exists.
    Launch(view, run);
    EXPECT_FALSE(view.HasData);
    for (auto mode : { TSedDataView::RawMode::Meniscus, TSedDataView::RawMode::Jitter,
             TSedDataView::RawMode::IntegralFringe, TSedDataView::RawMode::DisplayXY }) {
        view.Raw.SBGroup1Click(mode);
        view.Raw.RawChartClick(6.1, 0.5);
    }
    view.Results.dcdtChartClickBackground(4.0, 1.0);
    view.Timer1Timer();
    view.ButtonOutputAsciiClick();
    EXPECT_EQ(host.Messages.back(), "Not enough Data");
    EXPECT_TRUE(host.SaveRequests.empty());

    // A half-written newest scan waits until it is whole, and the view says so; the files stay as
    // they were.
    testutil::WriteRun(run, SmallRun(8));
    const std::string last = testutil::ReadTextFile(run + "/00008.RA1");
    testutil::WriteTextFile(run + "/00008.RA1", last.substr(0, CutInsideDataLine(last, 0.5)));
    const auto before = fs::last_write_time(run + "/00008.RA1");
    view.Timer1Timer();
    ASSERT_TRUE(view.HasData);
    EXPECT_EQ(view.Engine->RawStore->GetNumberOfSets(), 7);
    EXPECT_EQ(view.LabelScanCount, "7 scans read, 7 used, 1 not yet complete (00008.RA1)");
    EXPECT_EQ(fs::last_write_time(run + "/00008.RA1"), before);
    testutil::WriteTextFile(run + "/00008.RA1", last);
    view.Timer1Timer();
    EXPECT_EQ(view.Engine->RawStore->GetNumberOfSets(), 8);
    EXPECT_EQ(view.LabelScanCount, "8 scans read, 8 used");

    // The channel's files disappear, then the whole run: ticks find nothing and keep what was loaded.
    for (const auto& entry : fs::directory_iterator(run))
        fs::remove(entry.path());
    view.Timer1Timer();
    fs::remove_all(run);
    view.Timer1Timer();
    EXPECT_EQ(view.Engine->RawStore->GetNumberOfSets(), 8);
    EXPECT_FALSE(DrawnSets(view).empty());

    // Closed: the timer stops, and neither a late tick nor a late click reaches the freed engine.
    view.FormClose();
    EXPECT_FALSE(view.Timer1Enabled);
    view.Timer1Timer();
    view.Raw.SBGroup1Click(TSedDataView::RawMode::Meniscus);
    view.Raw.RawChartClick(6.1, 0.5);
    view.ButtonOutputAsciiClick();
}
