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
class ScriptedPrompts : public Prompts {
public:
    std::vector<std::string> messages;
    std::vector<FileDialogRequest> saveRequests;
    bool confirmSave = true;
    std::string savePath;

    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool SaveDialog(FileDialogRequest& request) override
    {
        saveRequests.push_back(request);
        if (confirmSave)
            request.FileName = savePath;
        return confirmSave;
    }
    bool OpenDialog(FileDialogRequest&) override { return false; }
    bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
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

testutil::RunSpec SmallRun(int scans, const std::string& extension = "RA1")
{
    testutil::RunSpec spec;
    spec.scans = scans;
    spec.points = 60;
    spec.extension = extension;
    return spec;
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

std::vector<int> FlaggedSets(const TSedDataView& view)
{
    std::vector<int> sets;
    const ChannelDataStore& raw = *view.Engine->RawStore;
    for (int k = 0; k < raw.GetNumberOfSets(); ++k)
        if (raw.Visible[static_cast<size_t>(k)] > 0)
            sets.push_back(k);
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
    std::vector<int> all19;
    for (int k = 0; k < 19; ++k)
        all19.push_back(k);
    const struct {
        int scans;
        int stride;
        std::vector<int> drawn;
    } cases[] = {
        { 19, 1, all19 },
        { 20, 2, { 0, 1, 2, 3, 4, 8, 10, 12, 14, 16, 18, 19 } },
        { 100, 10, { 0, 1, 2, 3, 4, 16, 26, 36, 46, 56, 66, 76, 86, 96, 99 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scans);
        TempDir dir;
        testutil::WriteRun(dir.path(), SmallRun(c.scans));
        TSedDataView view;
        Launch(view, dir.path());
        ASSERT_TRUE(view.HasData);
        EXPECT_EQ(DrawnSets(view), c.drawn);
        EXPECT_EQ(FlaggedSets(view), c.drawn);
        EXPECT_EQ(view.DisplayStride, c.stride);
        // Every drawn scan has all its points at radii within the scanned range.
        const ChartSeries& first = view.Chart1.Series[2];
        EXPECT_EQ(first.Points.size(), 60u);
        EXPECT_NEAR(first.Points.front().X, 5.85, 1e-9);
        EXPECT_FALSE(view.Chart1.Series[1].Active) << "the template stays empty and inactive";
        EXPECT_TRUE(view.Chart1.Series[1].Points.empty());
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
    EXPECT_EQ(view.Chart1.Series[3].Colour, Colours::Fuchsia);
}

TEST_F(SedDataView, NewScansAreDrawnOneByOneUntilAThirdThenRedrawn)
{
    TempDir staging, dir;
    const auto names = testutil::WriteRun(staging.path(), SmallRun(45));
    for (int k = 0; k < 40; ++k)
        fs::copy_file(staging / names[static_cast<size_t>(k)], dir / names[static_cast<size_t>(k)]);
    TSedDataView view;
    Launch(view, dir.path());
    ASSERT_EQ(view.DisplayStride, 4);
    ASSERT_EQ(view.IncrementalCount, 0);
    EXPECT_EQ(DrawnSets(view), Sets({ 0, 1, 2, 3, 4 }, 10, 4, 40, { 39 }));
    const int dcdtAt40 = view.Engine->DcdtStore->GetNumberOfSets();

    // Scans 41 to 44: the newest scan and the one a stride before it slide along.
    for (int k = 40; k < 44; ++k) {
        SCOPED_TRACE(k + 1);
        fs::copy_file(staging / names[static_cast<size_t>(k)], dir / names[static_cast<size_t>(k)]);
        view.Timer1Timer();
        ASSERT_EQ(view.Engine->RawStore->GetNumberOfSets(), k + 1);
        EXPECT_EQ(view.IncrementalCount, k - 39);
        EXPECT_EQ(DrawnSets(view), Sets({ 0, 1, 2, 3, 4 }, 10, 4, 35, { k - 4, k }));
    }
    EXPECT_GT(view.Engine->DcdtStore->GetNumberOfSets(), dcdtAt40) << "the dc/dt stage grows scan by scan";

    // Scan 45: 4 x 4 = 16 > 0.33 x 45, so the display is chosen afresh.
    fs::copy_file(staging / names[44], dir / names[44]);
    view.Timer1Timer();
    EXPECT_EQ(view.IncrementalCount, 0);
    EXPECT_EQ(view.DisplayStride, 4);
    EXPECT_EQ(DrawnSets(view), Sets({ 0, 1, 2, 3, 4 }, 10, 4, 45, { 44 }));
    EXPECT_EQ(FlaggedSets(view), DrawnSets(view));
}

TEST_F(SedDataView, SurplusSeriesDoNotHideTheNewestScan)
{
    // 100 scans draw 15 series; a reload of a shorter run leaves surplus inactive series behind.
    TempDir big, dir;
    testutil::WriteRun(big.path(), SmallRun(100));
    TempDir staging;
    const auto names = testutil::WriteRun(staging.path(), SmallRun(42));
    for (int k = 0; k < 40; ++k)
        fs::copy_file(staging / names[static_cast<size_t>(k)], dir / names[static_cast<size_t>(k)]);
    TSedDataView view;
    Launch(view, big.path());
    view.LoadChannel(dir.path(), "watch");
    ASSERT_GT(view.Chart1.SeriesCount(), 2 + 15 - 1);
    fs::copy_file(staging / names[40], dir / names[40]);
    view.Timer1Timer();
    const std::vector<int> drawn = DrawnSets(view);
    EXPECT_EQ(drawn, Sets({ 0, 1, 2, 3, 4 }, 10, 4, 35, { 36, 40 }));
}

TEST_F(SedDataView, FewScansArriveEachInANewSeries)
{
    TempDir staging, dir;
    const auto names = testutil::WriteRun(staging.path(), SmallRun(6));
    for (int k = 0; k < 5; ++k)
        fs::copy_file(staging / names[static_cast<size_t>(k)], dir / names[static_cast<size_t>(k)]);
    TSedDataView view;
    Launch(view, dir.path());
    fs::copy_file(staging / names[5], dir / names[5]);
    view.Timer1Timer();
    EXPECT_EQ(DrawnSets(view), (std::vector<int> { 0, 1, 2, 3, 4, 5 }));
    EXPECT_EQ(view.IncrementalCount, 1);
    // Five colours went to the load; the cursor steps before colouring the new scan: blue.
    EXPECT_EQ(view.Chart1.Series[7].Colour, Colours::Blue);
}

TEST_F(SedDataView, UsersChoiceKeepsTicksAndAddsNewScansByStride)
{
    TempDir staging, dir;
    const auto names = testutil::WriteRun(staging.path(), SmallRun(34));
    for (int k = 0; k < 30; ++k)
        fs::copy_file(staging / names[static_cast<size_t>(k)], dir / names[static_cast<size_t>(k)]);
    TSedDataView view;
    Launch(view, dir.path());
    view.ShowScanSelector = [](TScanSelector& selector) {
        EXPECT_EQ(selector.CheckListBox1Items.size(), 30u);
        EXPECT_EQ(selector.CheckListBox1Items[9], "10");
        selector.ButtonUnselectAllClick();
        selector.UpDownStartClick(2);
        selector.UpDownStepClick(3);
        selector.UpDownEndClick(30);
        selector.ButtonOKClick();
    };
    view.ButtonChooseScansClick();
    EXPECT_TRUE(TSedDataView::ManualScanChoice);
    EXPECT_EQ(view.DisplayStride, 3);
    const std::vector<int> chosen { 1, 4, 7, 10, 13, 16, 19, 22, 25, 28 };
    EXPECT_EQ(DrawnSets(view), chosen);

    // Four new scans, then a full redraw in the user's-choice mode: above the selector's end (30)
    // every third set counting back from the newest.
    for (int k = 30; k < 34; ++k)
        fs::copy_file(staging / names[static_cast<size_t>(k)], dir / names[static_cast<size_t>(k)]);
    view.Timer1Timer();
    view.RedrawRawScans();
    std::vector<int> want = chosen;
    want.push_back(33);
    EXPECT_EQ(DrawnSets(view), want);

    // "Reset Automatic" then Cancel returns to the automatic display.
    view.ShowScanSelector = [](TScanSelector& selector) {
        selector.ButtonAutomaticClick();
        selector.ButtonCancelClick();
    };
    view.ButtonChooseScansClick();
    EXPECT_FALSE(TSedDataView::ManualScanChoice);
    EXPECT_EQ(DrawnSets(view), Sets({ 0, 1, 2, 3, 4 }, 9, 3, 33, { 33 }));
}

TEST_F(SedDataView, MeniscusClickRoundsAndRebuildsFromTheDcdtStage)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(30));
    TSedDataView view;
    Launch(view, dir.path());
    const uint64_t avgBefore = view.ChartAverage.Changed;

    // In zoom mode a click changes nothing.
    view.Chart1ClickSeries(6.2, 0.5);
    EXPECT_DOUBLE_EQ(view.Engine->Meniscus, 5.9);

    view.SBGroup1Click(TSedDataView::RawMode::Meniscus);
    view.Chart1ClickBackground(5.912345, 0.31);
    EXPECT_DOUBLE_EQ(view.Engine->Meniscus, 5.9123);
    EXPECT_EQ(view.EditMeniscus, "5.9123");
    const ChartSeries& bars = view.Chart1.Series[0];
    ASSERT_EQ(bars.Points.size(), 1u) << "absorbance: the meniscus bar only";
    EXPECT_DOUBLE_EQ(bars.Points[0].X, 5.9123);
    EXPECT_EQ(bars.Points[0].Label, "5.9123");
    EXPECT_EQ(bars.Points[0].Colour, Colours::Red);
    EXPECT_TRUE(view.InputEnabled);
    EXPECT_GT(view.ChartAverage.Changed, avgBefore);

    // The engine now holds what a fresh load with that meniscus computes.
    TSedDataView fresh;
    LaunchParameters p = LaunchParameters::Defaults("0*.RA1");
    p.Meniscus = 5.9123;
    ConfigureForLaunch(*fresh.Engine, p, CustomSettings());
    fresh.LoadChannel(dir.path());
    const ChannelDataStore& a = *view.Engine->GofsStore;
    const ChannelDataStore& b = *fresh.Engine->GofsStore;
    ASSERT_EQ(a.GetNumberOfSets(), b.GetNumberOfSets());
    ASSERT_GT(a.GetNumberOfSets(), 0);
    const int last = a.GetNumberOfSets() - 1;
    for (int j = 0; j < a.GetNumberOfPoints(); ++j) {
        ASSERT_EQ(a.GetE(last, j) >= 0, b.GetE(last, j) >= 0) << j;
        if (a.GetE(last, j) >= 0) {
            ASSERT_DOUBLE_EQ(a.GetY(last, j), b.GetY(last, j)) << j;
        }
    }
    EXPECT_EQ(view.dcdtChart.Series[1].Points.size(), fresh.dcdtChart.Series[1].Points.size());
}

TEST_F(SedDataView, ReadOutShowsTheRoundedClickAndInterferenceMarkers)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(8, "IP1"));
    ScriptedPrompts prompts;
    TSedDataView view(&prompts);
    Launch(view, dir.path(), "0*.IP1");
    EXPECT_TRUE(view.SBJitterEnabled);
    EXPECT_TRUE(view.SBIntegralFringeEnabled);
    const ChartSeries& bars = view.Chart1.Series[0];
    ASSERT_EQ(bars.Points.size(), 3u);
    EXPECT_EQ(bars.Points[1].Colour, Colours::Purple);
    EXPECT_EQ(bars.Points[2].Colour, Colours::Teal);
    EXPECT_EQ(bars.Points[2].Label, "6.9");

    view.SBGroup1Click(TSedDataView::RawMode::DisplayXY);
    view.Chart1ClickBackground(6.5000004, 0.25);
    EXPECT_EQ(view.EditDisplayXY, "X = 6.5  Y = 0.25");
    EXPECT_EQ(prompts.messages, (std::vector<std::string> { "X = 6.5  Y = 0.25" }));

    view.SBGroup1Click(TSedDataView::RawMode::Jitter);
    view.Chart1ClickSeries(6.012349, 0);
    EXPECT_DOUBLE_EQ(view.Engine->JitterRadius, 6.0123);
    EXPECT_EQ(view.EditJitter, "6.0123");

    // The other charts read out only in their display mode.
    view.ChartAverageClickBackground(12.345678, 1.5);
    EXPECT_EQ(view.EditDisplayXYAvg, "");
    view.SBDisplayXYAvgClick();
    view.ChartAverageClickBackground(12.345678, 1.5);
    EXPECT_EQ(view.EditDisplayXYAvg, "X = 12.346  Y = 1.5");
}

TEST_F(SedDataView, AverageAndCorrectedViews)
{
    TSedDataView empty;
    EXPECT_EQ(empty.ShowAverageAndCorrected(), -1) << "no stores before a load";

    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(30));
    TSedDataView view;
    Launch(view, dir.path());
    EXPECT_EQ(view.ShowAverageAndCorrected(), 0);
    const RealTimeGofS& e = *view.Engine;
    const int L = e.AvgDcdtStore->GetNumberOfSets() - 1;
    ASSERT_GE(L, 0);
    const ScanHeader& h = e.AvgDcdtStore->Headers[static_cast<size_t>(L)];
    const int pairs = h.LastScan - h.FirstScan + 1;
    EXPECT_EQ(view.EditNumberOfdcdt, std::to_string(pairs) + " pairs");
    EXPECT_TRUE(
        std::regex_match(view.EditTimeRange, std::regex("From: [0-9]{1,3}(,[0-9]{3})* to [0-9]{1,3}(,[0-9]{3})* sec")))
        << view.EditTimeRange;

    // pairs blue curves of width 1, then one red of width 3; series 0 stays the template.
    const auto active = view.ChartAverage.ActiveSeries();
    ASSERT_EQ(static_cast<int>(active.size()), pairs + 1);
    EXPECT_EQ(active.front(), 1);
    for (int i = 0; i < pairs; ++i) {
        const ChartSeries& s = view.ChartAverage.Series[static_cast<size_t>(active[static_cast<size_t>(i)])];
        EXPECT_EQ(s.Colour, Colours::Blue);
        EXPECT_EQ(s.LineWidth, 1);
        EXPECT_EQ(s.Tag, h.FirstScan + i);
    }
    const ChartSeries& mean = view.ChartAverage.Series[static_cast<size_t>(active.back())];
    EXPECT_EQ(mean.Colour, Colours::Red);
    EXPECT_EQ(mean.LineWidth, 3);
    for (const ChartPoint& p : mean.Points) {
        ASSERT_GT(p.X, 0.1) << "s* in Svedbergs";
        ASSERT_LT(p.X, 1e5);
    }

    const ChartSeries& corrected = view.dcdtChart.Series[1];
    EXPECT_EQ(corrected.Colour, Colours::Green);
    EXPECT_EQ(corrected.LineWidth, 3);
    // One point per grid point of the newest g(s*) set, or of the composite where the set has none.
    int expected = 0;
    for (int p = 0; p < e.GofsStore->GetNumberOfPoints(); ++p)
        if (e.GofsStore->GetE(L, p) >= 0 || e.CompositeE[static_cast<size_t>(p)] > 0)
            ++expected;
    EXPECT_EQ(static_cast<int>(corrected.Points.size()), expected);
    EXPECT_GT(expected, 0);
    EXPECT_TRUE(view.ChartAverage.Bottom.Logarithmic);
    EXPECT_EQ(view.ChartAverage.Bottom.Title, "s* in Svedburg Units plotted on a log scale");
    EXPECT_EQ(view.ScrollBarExtrapolation.Position, e.GofsStore->GetNumberOfSets() - 1);
}

TEST_F(SedDataView, OutputAsciiThroughTheSaveDialog)
{
    TempDir dir;
    ScriptedPrompts prompts;
    {
        TSedDataView view(&prompts);
        view.ButtonOutputAsciiClick();
        EXPECT_EQ(prompts.messages, (std::vector<std::string> { "Not enough Data" }));
        EXPECT_TRUE(prompts.saveRequests.empty());
    }
    prompts.messages.clear();

    testutil::WriteRun(dir.path(), SmallRun(30));
    TSedDataView view(&prompts);
    Launch(view, dir.path());

    // Cancelled: no file, no message.
    prompts.confirmSave = false;
    view.ButtonOutputAsciiClick();
    ASSERT_EQ(prompts.saveRequests.size(), 1u);
    EXPECT_EQ(prompts.saveRequests[0].Title, "Save s*g(s*)");
    EXPECT_EQ(prompts.saveRequests[0].FileName, "t dcdt vs sStar for Test sample.txt");
    EXPECT_TRUE(prompts.saveRequests[0].OverwritePrompt);
    EXPECT_TRUE(prompts.messages.empty());

    // Confirmed over an existing file: replaced whole.
    prompts.confirmSave = true;
    prompts.savePath = dir / "out.txt";
    testutil::WriteTextFile(prompts.savePath, "old contents");
    view.ButtonOutputAsciiClick();
    EXPECT_TRUE(prompts.messages.empty());
    const std::string text = testutil::ReadTextFile(prompts.savePath);
    EXPECT_EQ(text.rfind("Output file from Morvane originally named " + prompts.savePath + "\r\n", 0), 0u);
    EXPECT_EQ(text, GofsFileText(*view.Engine, prompts.savePath, 0, true));

    // A directory that does not exist: the write-error message, nothing else.
    prompts.savePath = (fs::path(dir.path()) / "missing" / "out.txt").string();
    view.ButtonOutputAsciiClick();
    EXPECT_EQ(prompts.messages, (std::vector<std::string> { WriteErrorMessage }));
    EXPECT_FALSE(fs::exists(prompts.savePath));
}

TEST_F(SedDataView, WaitWindowDuringTheFirstLoadsOnly)
{
    TempDir dir;
    TSedDataView view;
    ConfigureForLaunch(*view.Engine, LaunchParameters::Defaults("0*.RA1"), CustomSettings());
    std::vector<std::string> shown;
    view.WaitWindow.OnRepaint = [&] {
        if (view.WaitWindow.Visible)
            shown.push_back(view.WaitWindow.Edit1);
    };
    view.LoadChannel(dir.path(), "watch");
    EXPECT_EQ(shown, (std::vector<std::string> { "Loading files" }));
    EXPECT_FALSE(view.WaitWindow.Visible);
    EXPECT_TRUE(view.InputEnabled);
    EXPECT_EQ(view.EditFullPath, dir.path());
    EXPECT_EQ(view.EditTargetChannel, "0*.RA1");
    for (int tick = 2; tick <= 10; ++tick)
        view.Timer1Timer();
    shown.clear();
    view.Timer1Timer();
    EXPECT_EQ(view.Timer1Interval, 30000);
    EXPECT_TRUE(shown.empty()) << "the eleventh load shows no wait window";
}

TEST_F(SedDataView, ClosingStopsTheTimerAndTellsTheOwner)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(5));
    TSedDataView view;
    Launch(view, dir.path());
    int closes = 0;
    view.OnClose = [&](TSedDataView& v) {
        EXPECT_EQ(&v, &view);
        ++closes;
    };
    view.FormClose();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(view.Timer1Enabled);
    EXPECT_EQ(view.Engine, nullptr);
    testutil::WriteRun(dir.path(), SmallRun(8));
    view.Timer1Timer(); // no tick reaches a closed view
    view.FormClose();
    EXPECT_EQ(closes, 1);
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
        EXPECT_TRUE(view.WaitWindow.Visible);
        view.Timer1Timer();
    };
    view.LoadChannel(dir.path(), "watch");
    EXPECT_EQ(texts,
        (std::vector<std::string> {
            "Loading files", "Found 120 files to process", "Processing file  50", "Processing file  100" }));
    EXPECT_EQ(view.LoadCount, 1) << "no second load began";
    EXPECT_EQ(view.Engine->RawStore->GetNumberOfSets(), 120);
    EXPECT_TRUE(view.InputEnabled);
    EXPECT_FALSE(view.Loading);

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

    // Below the scans the engine needs, the result charts stay empty and say how far the run is.
    for (int scans = 1; scans <= TSedDataView::ScansForFirstResult; ++scans) {
        SCOPED_TRACE(scans);
        testutil::WriteRun(dir.path(), SmallRun(scans));
        view.Timer1Timer();
        ASSERT_EQ(view.Engine->RawStore->GetNumberOfSets(), scans);
        const bool result = scans >= TSedDataView::ScansForFirstResult;
        EXPECT_EQ(view.Engine->AvgDcdtStore->GetNumberOfSets() > 0, result);
        EXPECT_EQ(view.dcdtChart.ActiveSeries().empty(), !result);
        EXPECT_EQ(view.ChartAverage.ActiveSeries().empty(), !result);
        if (!result) {
            EXPECT_EQ(view.ChartAverage.EmptyText, TSedDataView::NoResultText(scans));
        }
    }
    EXPECT_EQ(TSedDataView::NoResultText(1), "No g(s*) yet: at least 4 scans are needed (1 scan read so far)");
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
    ASSERT_EQ(DrawnSets(view), (std::vector<int> { 0, 1, 2, 3, 4 }));
    double highestDrawn = 0;
    for (const ChartSeries& s : view.Chart1.Series)
        if (s.Kind == SeriesKind::Line)
            for (const ChartPoint& p : s.Points)
                highestDrawn = std::max(highestDrawn, p.Y);
    EXPECT_EQ(highestDrawn, 100.0) << "the pile-up is still drawn";
    // From 0 before the boundaries to the first scan's plateau (below 1: radial dilution), widened
    // by 5 % of the span at each end.
    const ChartAxis& c = view.Chart1.Left;
    EXPECT_FALSE(c.Automatic);
    EXPECT_GT(c.Maximum, 0.9);
    EXPECT_LT(c.Maximum, 1.05);
    EXPECT_NEAR(c.Minimum, -(c.Maximum - c.Minimum) / 22, 1e-3);

    // A new scan with a higher plateau widens the scale; its pile-up does not.
    write(6, 2100, [](double r) { return r < 6.0 ? 0.0 : 3.0; });
    view.Timer1Timer();
    ASSERT_EQ(DrawnSets(view).size(), 6u);
    EXPECT_NEAR(c.Maximum, 3.15, 0.01);
    EXPECT_NEAR(c.Minimum, -0.15, 0.01);
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
    view.ChartAverageClickBackground(4.0, 1.0);
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
}
