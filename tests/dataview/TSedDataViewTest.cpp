#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <vector>

#include "analysis/NumberText.h"
#include "dataview/ChannelSession.h"
#include "dataview/GofsOutput.h"
#include "dataview/TSedDataView.h"
#include "testutil/ScanFileWriter.h"

namespace fs = std::filesystem;
using testutil::TempDir;

namespace {

// Answers dialogs as scripted and records what the window said.
class ScriptedPrompts : public SilentPrompts {
public:
    std::vector<std::string> messages;
    std::vector<FileDialogRequest> saveRequests;
    std::string savePath; // empty: cancel

    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool SaveDialog(FileDialogRequest& request) override
    {
        saveRequests.push_back(request);
        request.FileName = savePath;
        return !savePath.empty();
    }
};

// Resets the program-wide choice flag around each test.
class SedDataView : public ::testing::Test {
protected:
    void SetUp() override { TSedDataView::ManualScanChoice = false; }
    void TearDown() override { TSedDataView::ManualScanChoice = false; }
};

void Launch(TSedDataView& view, const std::string& dir, const std::string& channel = "0*.RA1")
{
    ConfigureForLaunch(*view.Engine, LaunchParameters::Defaults(channel), CustomSettings());
    view.LoadChannel(dir, "watch");
}

testutil::RunSpec SmallRun(int scans)
{
    testutil::RunSpec spec;
    spec.scans = scans;
    spec.points = 60;
    return spec;
}

// Copies the staged scans [from, to) into the watched directory, as a run writes them.
void Publish(const TempDir& staging, const std::vector<std::string>& names, const TempDir& dir, int from, int to)
{
    for (int k = from; k < to; ++k)
        fs::copy_file(staging / names[static_cast<size_t>(k)], dir / names[static_cast<size_t>(k)]);
}

// Raw sets shown on Chart1: what the active series above the template hold, ascending.
std::vector<int> DrawnSets(const TSedDataView& view)
{
    std::vector<int> sets;
    for (int s = 2; s < view.Chart1.SeriesCount(); ++s) {
        const ChartSeries& series = view.Chart1.Series[static_cast<size_t>(s)];
        if (series.Active && !series.Points.empty())
            sets.push_back(series.Tag);
    }
    std::sort(sets.begin(), sets.end());
    return sets;
}

std::vector<int> Sets(std::initializer_list<int> first, int from, int step, int below, std::initializer_list<int> tail)
{
    std::vector<int> out(first);
    for (int k = from; k < below; k += step)
        out.push_back(k);
    out.insert(out.end(), tail);
    return out;
}

} // namespace

TEST_F(SedDataView, AutomaticScanDisplayFollowsTheCutoffAndStride)
{
    const struct {
        int scans;
        int stride;
        std::vector<int> drawn;
    } cases[] = {
        { 19, 1, Sets({}, 0, 1, 19, {}) },
        { 20, 2, { 0, 1, 2, 3, 4, 8, 10, 12, 14, 16, 18, 19 } },
        { 100, 10, { 0, 1, 2, 3, 4, 16, 26, 36, 46, 56, 66, 76, 86, 96, 99 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scans);
        TempDir dir;
        testutil::WriteRun(dir.path(), SmallRun(c.scans));
        TSedDataView view;
        Launch(view, dir.path());
        EXPECT_EQ(DrawnSets(view), c.drawn);
        EXPECT_EQ(view.DisplayStride, c.stride);
    }
}

TEST_F(SedDataView, ScanColoursCycleAndAreNeverReset)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(7));
    TSedDataView view;
    Launch(view, dir.path());
    const ChartColour cycle[] = { Colours::Red, Colours::Blue, Colours::Green, Colours::Fuchsia, Colours::Purple };
    for (int s = 2; s < 9; ++s) {
        SCOPED_TRACE(s);
        EXPECT_EQ(view.Chart1.Series[static_cast<size_t>(s)].Colour, cycle[(s - 2) % 5]);
    }
    // Seven colours used: the next redraw starts at the eighth, green.
    view.RedrawRawScans();
    EXPECT_EQ(view.Chart1.Series[2].Colour, Colours::Green);
}

TEST_F(SedDataView, NewScansAreDrawnOneByOneUntilAThirdThenRedrawn)
{
    TempDir staging, dir;
    const auto names = testutil::WriteRun(staging.path(), SmallRun(45));
    Publish(staging, names, dir, 0, 40);
    TSedDataView view;
    Launch(view, dir.path());
    ASSERT_EQ(view.DisplayStride, 4);
    EXPECT_EQ(DrawnSets(view), Sets({ 0, 1, 2, 3, 4 }, 10, 4, 40, { 39 }));
    const int dcdtAt40 = view.Engine->DcdtStore->GetNumberOfSets();

    // Scans 41 to 44: the newest scan and the one a stride before it slide along.
    for (int k = 40; k < 44; ++k) {
        SCOPED_TRACE(k + 1);
        Publish(staging, names, dir, k, k + 1);
        view.Timer1Timer();
        EXPECT_EQ(view.IncrementalCount, k - 39);
        EXPECT_EQ(DrawnSets(view), Sets({ 0, 1, 2, 3, 4 }, 10, 4, 35, { k - 4, k }));
    }
    EXPECT_GT(view.Engine->DcdtStore->GetNumberOfSets(), dcdtAt40) << "the dc/dt stage grows scan by scan";

    // Scan 45: 4 x 4 = 16 > 0.33 x 45, so the display is chosen afresh.
    Publish(staging, names, dir, 44, 45);
    view.Timer1Timer();
    EXPECT_EQ(view.IncrementalCount, 0);
    EXPECT_EQ(DrawnSets(view), Sets({ 0, 1, 2, 3, 4 }, 10, 4, 45, { 44 }));
}

TEST_F(SedDataView, UsersChoiceKeepsTicksAndAddsNewScansByStride)
{
    TempDir staging, dir;
    const auto names = testutil::WriteRun(staging.path(), SmallRun(34));
    Publish(staging, names, dir, 0, 30);
    TSedDataView view;
    Launch(view, dir.path());
    view.ShowScanSelector = [](TScanSelector& selector) {
        selector.ButtonUnselectAllClick();
        selector.UpDownStartClick(2);
        selector.UpDownStepClick(3);
        selector.UpDownEndClick(30);
        selector.ButtonOKClick();
    };
    view.ButtonChooseScansClick();
    EXPECT_TRUE(TSedDataView::ManualScanChoice);
    const std::vector<int> chosen { 1, 4, 7, 10, 13, 16, 19, 22, 25, 28 };
    EXPECT_EQ(DrawnSets(view), chosen);

    // Four new scans, then a full redraw in the user's-choice mode: above the selector's end (30)
    // every third set counting back from the newest.
    Publish(staging, names, dir, 30, 34);
    view.Timer1Timer();
    view.RedrawRawScans();
    std::vector<int> want = chosen;
    want.push_back(33);
    EXPECT_EQ(DrawnSets(view), want);
}

TEST_F(SedDataView, MeniscusClickRoundsAndRebuildsFromTheDcdtStage)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(30));
    ScriptedPrompts prompts;
    TSedDataView view(&prompts);
    Launch(view, dir.path());
    const uint64_t avgBefore = view.ChartAverage.Changed;

    // In zoom mode a click changes nothing.
    view.Chart1ClickSeries(6.2, 0.5);
    EXPECT_DOUBLE_EQ(view.Engine->Meniscus, 5.9);

    view.SBGroup1Click(TSedDataView::RawMode::Meniscus);
    view.Chart1ClickBackground(5.912345, 0.31);
    EXPECT_DOUBLE_EQ(view.Engine->Meniscus, 5.9123);
    EXPECT_EQ(view.EditMeniscus, "5.9123");
    EXPECT_DOUBLE_EQ(view.Chart1.Series[0].Points.at(0).X, 5.9123) << "the meniscus bar moved";
    EXPECT_GT(view.ChartAverage.Changed, avgBefore);

    // The engine now holds what a fresh load with that meniscus computes.
    TSedDataView fresh;
    LaunchParameters p = LaunchParameters::Defaults("0*.RA1");
    p.Meniscus = 5.9123;
    ConfigureForLaunch(*fresh.Engine, p, CustomSettings());
    fresh.LoadChannel(dir.path());
    ASSERT_GT(fresh.Engine->GofsStore->GetNumberOfSets(), 0);
    EXPECT_EQ(GofsFileText(*view.Engine, "g.txt", 0, true), GofsFileText(*fresh.Engine, "g.txt", 0, true));

    // The read-out mode shows the rounded click in a message.
    view.SBGroup1Click(TSedDataView::RawMode::DisplayXY);
    view.Chart1ClickBackground(6.5000004, 0.25);
    EXPECT_EQ(prompts.messages, (std::vector<std::string> { "X = 6.5  Y = 0.25" }));
}

TEST_F(SedDataView, AverageAndCorrectedViews)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(30));
    TSedDataView view;
    Launch(view, dir.path());
    const RealTimeGofS& e = *view.Engine;
    const int L = e.AvgDcdtStore->GetNumberOfSets() - 1;
    ASSERT_GE(L, 0);
    const ScanHeader& h = e.AvgDcdtStore->Headers[static_cast<size_t>(L)];
    const int pairs = h.LastScan - h.FirstScan + 1;
    EXPECT_EQ(view.EditNumberOfdcdt, std::to_string(pairs) + " pairs");
    EXPECT_TRUE(
        std::regex_match(view.EditTimeRange, std::regex("From: [0-9]{1,3}(,[0-9]{3})* to [0-9]{1,3}(,[0-9]{3})* sec")))
        << view.EditTimeRange;

    // One curve per pair, then their mean.
    EXPECT_EQ(static_cast<int>(view.ChartAverage.ActiveSeries().size()), pairs + 1);
    EXPECT_EQ(view.ChartAverage.Bottom.Title, "s* in Svedburg Units plotted on a log scale");

    // One point per grid point of the newest g(s*) set, or of the composite where the set has none.
    int expected = 0;
    for (int p = 0; p < e.GofsStore->GetNumberOfPoints(); ++p)
        if (e.GofsStore->GetE(L, p) >= 0 || e.CompositeE[static_cast<size_t>(p)] > 0)
            ++expected;
    EXPECT_GT(expected, 0);
    EXPECT_EQ(static_cast<int>(view.dcdtChart.Series[1].Points.size()), expected);
}

TEST_F(SedDataView, OutputAsciiThroughTheSaveDialog)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(30));
    ScriptedPrompts prompts;
    TSedDataView view(&prompts);
    Launch(view, dir.path());

    // Cancelled: no file, no message.
    view.ButtonOutputAsciiClick();
    ASSERT_EQ(prompts.saveRequests.size(), 1u);
    EXPECT_EQ(prompts.saveRequests[0].Title, "Save s*g(s*)");
    EXPECT_EQ(prompts.saveRequests[0].FileName, "t dcdt vs sStar for Test sample.txt");
    EXPECT_TRUE(prompts.messages.empty());

    // Confirmed over an existing file: replaced whole.
    prompts.savePath = dir / "out.txt";
    testutil::WriteTextFile(prompts.savePath, "old contents");
    view.ButtonOutputAsciiClick();
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(testutil::ReadTextFile(prompts.savePath), GofsFileText(*view.Engine, prompts.savePath, 0, true));

    // A directory that does not exist: the write-error message, nothing else.
    prompts.savePath = (fs::path(dir.path()) / "missing" / "out.txt").string();
    view.ButtonOutputAsciiClick();
    EXPECT_EQ(prompts.messages, (std::vector<std::string> { WriteErrorMessage }));
    EXPECT_FALSE(fs::exists(prompts.savePath));
}

TEST_F(SedDataView, TickDuringALoadDoesNothing)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(120));
    TSedDataView view;
    ConfigureForLaunch(*view.Engine, LaunchParameters::Defaults("0*.RA1"), CustomSettings());
    // A window that lets its wait window paint delivers timer ticks from inside the load.
    std::vector<std::string> texts;
    view.WaitWindow.OnRepaint = [&] {
        texts.push_back(view.WaitWindow.Edit1);
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
    view.WaitWindow.OnRepaint = nullptr;
    testutil::WriteRun(dir.path(), SmallRun(121));
    view.Timer1Timer();
    EXPECT_EQ(view.Engine->RawStore->GetNumberOfSets(), 121);
}

TEST_F(SedDataView, EmptyChartsSayWhy)
{
    TempDir dir;
    TSedDataView view;
    Launch(view, dir.path());
    EXPECT_EQ(view.Chart1.EmptyText, "No scan files of 0*.RA1 here yet: looking again every 10 s");
    EXPECT_EQ(view.dcdtChart.EmptyText, "No g(s*) yet: at least 4 scans are needed (0 scans read so far)");
    testutil::RunSpec tooShort = SmallRun(1);
    tooShort.points = 10;
    testutil::WriteRun(dir.path(), tooShort);
    view.Timer1Timer();
    EXPECT_EQ(
        view.Chart1.EmptyText, "No readable scan of 0*.RA1 with at least 20 points yet: looking again every 10 s");
    EXPECT_EQ(TSedDataView::NoResultText(1), "No g(s*) yet: at least 4 scans are needed (1 scan read so far)");

    // One scan short of the first result the result charts stay empty and say so; then they fill.
    testutil::WriteRun(dir.path(), SmallRun(TSedDataView::ScansForFirstResult - 1));
    view.Timer1Timer();
    EXPECT_TRUE(view.dcdtChart.ActiveSeries().empty());
    EXPECT_EQ(view.ChartAverage.EmptyText, TSedDataView::NoResultText(TSedDataView::ScansForFirstResult - 1));
    testutil::WriteRun(dir.path(), SmallRun(TSedDataView::ScansForFirstResult));
    view.Timer1Timer();
    EXPECT_FALSE(view.ChartAverage.ActiveSeries().empty());
}

TEST_F(SedDataView, RawValuesAreScaledToTheAnalysedRadiiNotTheBottomPileUp)
{
    // Scans whose last points, past the end of the analysed range (bottom 7.2 less 0.1 cm), pile up
    // to 100.
    TempDir dir;
    auto write = [&](int number, double seconds, auto plateau) {
        testutil::ScanSpec scan;
        scan.seconds = seconds;
        for (int i = 0; i <= 130; ++i) {
            const double r = 5.85 + 0.01 * i;
            scan.radius.push_back(r);
            scan.value.push_back(r > 7.125 ? 100.0 : plateau(r));
            scan.third.push_back(0.01);
        }
        testutil::WriteTextFile(dir / ("0000" + std::to_string(number) + ".RA1"), testutil::ScanFileText(scan));
    };
    for (int k = 0; k < 5; ++k) {
        const double t = 600 + 300 * k;
        write(k + 1, t, [t](double r) { return testutil::BoundaryValue(r, t, 50000, 5.9, 4.4e-13, 1.0, 0.03); });
    }
    TSedDataView view;
    Launch(view, dir.path());
    ASSERT_EQ(DrawnSets(view).size(), 5u);
    // From 0 before the boundaries to the first scan's plateau (below 1: radial dilution), widened
    // by 5 % of the span at each end.
    const ChartAxis& c = view.Chart1.Left;
    EXPECT_GT(c.Maximum, 0.9);
    EXPECT_LT(c.Maximum, 1.05);
    EXPECT_NEAR(c.Minimum, -(c.Maximum - c.Minimum) / 22, 1e-3);

    // A new scan with a higher plateau widens the scale; its pile-up does not.
    write(6, 2100, [](double r) { return r < 6.0 ? 0.0 : 3.0; });
    view.Timer1Timer();
    EXPECT_NEAR(c.Maximum, 3.15, 0.01);
}

TEST_F(SedDataView, BadInputNeverCrashesNorChangesAFile)
{
    TempDir root;
    const std::string run = root / "run";
    fs::create_directory(run);
    ScriptedPrompts prompts;
    TSedDataView view(&prompts);

    // Clicks, a refresh and an output before any data exists.
    Launch(view, run);
    EXPECT_FALSE(view.HasData);
    for (auto mode : { TSedDataView::RawMode::Meniscus, TSedDataView::RawMode::Jitter,
             TSedDataView::RawMode::IntegralFringe, TSedDataView::RawMode::DisplayXY }) {
        view.SBGroup1Click(mode);
        view.RawChartClick(6.1, 0.5);
    }
    view.dcdtChartClickBackground(4.0, 1.0);
    view.Timer1Timer();
    view.ButtonOutputAsciiClick();
    EXPECT_EQ(prompts.messages.back(), "Not enough Data");
    EXPECT_TRUE(prompts.saveRequests.empty());

    // A half-written newest scan is taken as it was read; the files stay as they were.
    testutil::WriteRun(run, SmallRun(8));
    const std::string last = testutil::ReadTextFile(run + "/00008.RA1");
    testutil::WriteTextFile(run + "/00008.RA1", last.substr(0, last.size() / 2));
    const auto before = fs::last_write_time(run + "/00008.RA1");
    view.Timer1Timer();
    ASSERT_TRUE(view.HasData);
    EXPECT_EQ(view.Engine->RawStore->GetNumberOfSets(), 8);
    EXPECT_EQ(fs::last_write_time(run + "/00008.RA1"), before);

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
    view.SBGroup1Click(TSedDataView::RawMode::Meniscus);
    view.RawChartClick(6.1, 0.5);
    view.ButtonOutputAsciiClick();
}
