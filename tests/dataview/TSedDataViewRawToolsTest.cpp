// The raw-data tools: the scan display, the user's choice of scans, markers and clicks.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "DataViewFixture.h"
#include "follower/GofsOutput.h"
#include "testutil/ScriptedHost.h"

using namespace morvane;

using namespace dataviewtest;
using testutil::ScriptedHost;
using testutil::TempDir;

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
        EXPECT_EQ(view.Raw.DisplayStride, c.stride);
    }
}

TEST_F(SedDataView, ScanColoursStayWithTheirScans)
{
    TempDir staging, dir;
    const auto names = testutil::WriteRun(staging.path(), SmallRun(8));
    Publish(staging, names, dir, 0, 7);
    TSedDataView view;
    Launch(view, dir.path());
    const ChartColour cycle[] = { Colours::Red, Colours::Blue, Colours::Green, Colours::Fuchsia, Colours::Purple };
    // Through a redraw (a moved marker) and a scan that came during the run, scan k keeps its colour.
    view.Raw.EditPositionDone(TSedDataView::Position::Meniscus, "5.91");
    Publish(staging, names, dir, 7, 8);
    view.Timer1Timer();
    ASSERT_EQ(DrawnSets(view).size(), 8u);
    for (int s = 2; s < 10; ++s) {
        const ChartSeries& series = view.Raw.Chart1.Series[static_cast<size_t>(s)];
        SCOPED_TRACE(series.Tag);
        EXPECT_EQ(series.Colour, cycle[series.Tag % 5]);
    }
}

TEST_F(SedDataView, NewScansAreDrawnOneByOneUntilAThirdThenRedrawn)
{
    TempDir staging, dir;
    const auto names = testutil::WriteRun(staging.path(), SmallRun(45));
    Publish(staging, names, dir, 0, 40);
    TSedDataView view;
    Launch(view, dir.path());
    ASSERT_EQ(view.Raw.DisplayStride, 4);
    EXPECT_EQ(DrawnSets(view), Sets({ 0, 1, 2, 3, 4 }, 10, 4, 40, { 39 }));
    const int dcdtAt40 = view.Engine->DcdtStore->GetNumberOfSets();

    // Scans 41 to 44: the newest scan and the one a stride before it slide along.
    for (int k = 40; k < 44; ++k) {
        SCOPED_TRACE(k + 1);
        Publish(staging, names, dir, k, k + 1);
        view.Timer1Timer();
        EXPECT_EQ(view.Raw.IncrementalCount, k - 39);
        EXPECT_EQ(DrawnSets(view), Sets({ 0, 1, 2, 3, 4 }, 10, 4, 35, { k - 4, k }));
    }
    EXPECT_GT(view.Engine->DcdtStore->GetNumberOfSets(), dcdtAt40) << "the dc/dt stage grows scan by scan";

    // Scan 45: 4 x 4 = 16 > 0.33 x 45, so the display is chosen afresh.
    Publish(staging, names, dir, 44, 45);
    view.Timer1Timer();
    EXPECT_EQ(view.Raw.IncrementalCount, 0);
    EXPECT_EQ(DrawnSets(view), Sets({ 0, 1, 2, 3, 4 }, 10, 4, 45, { 44 }));
}

TEST_F(SedDataView, UsersChoiceKeepsTicksAndAddsNewScansByStride)
{
    TempDir staging, dir;
    const auto names = testutil::WriteRun(staging.path(), SmallRun(34));
    Publish(staging, names, dir, 0, 30);
    ScriptedHost host;
    TSedDataView view(&host);
    Launch(view, dir.path());
    host.ScanSelectorScript = [](TScanSelector& selector) {
        selector.ButtonUnselectAllClick();
        selector.UpDownStartClick(2);
        selector.UpDownStepClick(3);
        selector.UpDownEndClick(30);
        selector.ButtonOKClick();
    };
    view.Raw.ButtonChooseScansClick();
    EXPECT_EQ(host.ScanSelectorsShown, 1);
    EXPECT_TRUE(RawTab::ManualScanChoice);
    const std::vector<int> chosen { 1, 4, 7, 10, 13, 16, 19, 22, 25, 28 };
    EXPECT_EQ(DrawnSets(view), chosen);

    // Four new scans, then a full redraw in the user's-choice mode: above the selector's end (30)
    // every third set counting back from the newest.
    Publish(staging, names, dir, 30, 34);
    view.Timer1Timer();
    view.Raw.RedrawRawScans();
    std::vector<int> want = chosen;
    want.push_back(33);
    EXPECT_EQ(DrawnSets(view), want);
}

TEST_F(SedDataView, MeniscusClickRoundsAndRebuildsFromTheDcdtStage)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(30));
    ScriptedHost host;
    TSedDataView view(&host);
    Launch(view, dir.path());
    const uint64_t avgBefore = view.Results.ChartAverage.Changed;

    // In zoom mode a click changes nothing.
    view.Raw.Chart1ClickSeries(6.2, 0.5);
    EXPECT_DOUBLE_EQ(view.Engine->Cell.Meniscus, 5.9);

    view.Raw.SBGroup1Click(TSedDataView::RawMode::Meniscus);
    view.Raw.Chart1ClickBackground(5.912345, 0.31);
    EXPECT_DOUBLE_EQ(view.Engine->Cell.Meniscus, 5.9123);
    EXPECT_EQ(view.Raw.EditMeniscus, "5.9123");
    EXPECT_DOUBLE_EQ(view.Raw.Chart1.Series[0].Points.at(0).X, 5.9123) << "the meniscus bar moved";
    EXPECT_GT(view.Results.ChartAverage.Changed, avgBefore);

    // The engine now holds what a fresh load with that meniscus computes.
    TSedDataView fresh;
    LaunchParameters p = LaunchParameters::Defaults("0*.RA1");
    p.Cell.Meniscus = 5.9123;
    ConfigureForLaunch(*fresh.Engine, p, CustomSettings());
    fresh.LoadChannel(dir.path());
    ASSERT_GT(fresh.Engine->GofsStore->GetNumberOfSets(), 0);
    EXPECT_EQ(GofsFileText(*view.Engine, "g.txt", 0, true), GofsFileText(*fresh.Engine, "g.txt", 0, true));

    // The read-out mode shows the rounded click in a message.
    view.Raw.SBGroup1Click(TSedDataView::RawMode::DisplayXY);
    view.Raw.Chart1ClickBackground(6.5000004, 0.25);
    EXPECT_EQ(host.Messages, (std::vector<std::string> { "X = 6.5  Y = 0.25" }));
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
    const ChartAxis& c = view.Raw.Chart1.Left;
    EXPECT_GT(c.Maximum, 0.9);
    EXPECT_LT(c.Maximum, 1.05);
    EXPECT_NEAR(c.Minimum, -(c.Maximum - c.Minimum) / 22, 1e-3);

    // A new scan with a higher plateau widens the scale; its pile-up does not.
    write(6, 2100, [](double r) { return r < 6.0 ? 0.0 : 3.0; });
    view.Timer1Timer();
    EXPECT_NEAR(c.Maximum, 3.15, 0.01);
}

// What a fresh load of the run with these positions writes as its newest g(s*).
static std::string FreshGofs(const std::string& dir, const CellPositions& positions)
{
    TSedDataView fresh;
    LaunchParameters p = LaunchParameters::Defaults("0*.RA1");
    SetPositions(p.Cell, positions);
    ConfigureForLaunch(*fresh.Engine, p, CustomSettings());
    fresh.LoadChannel(dir);
    return GofsFileText(*fresh.Engine, "g.txt", 0, true);
}

TEST_F(SedDataView, TypedPositionsAreCheckedAndRebuiltAsClicksAre)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(30));
    ScriptedHost host;
    TSedDataView view(&host);
    Launch(view, dir.path());
    using P = TSedDataView::Position;

    view.Raw.EditPositionDone(P::Meniscus, " 5.912345 ");
    view.Raw.EditPositionDone(P::Bottom, "7.15");
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_EQ(view.Raw.EditMeniscus, "5.9123") << "rounded as a click is";
    EXPECT_EQ(view.Raw.EditBottom, "7.15");
    EXPECT_EQ(GofsFileText(*view.Engine, "g.txt", 0, true), FreshGofs(dir.path(), { 5.9123, 7.15, 5.85, 6.9 }));
    EXPECT_TRUE(view.Raw.ButtonDefaultPositionsEnabled);

    // Refused: no number, no radius, a bottom at the meniscus, a meniscus past the bottom. The
    // edits give way to the positions in force.
    const struct {
        P which;
        const char* text;
        const char* message;
    } refused[] = {
        { P::Jitter, "5.8x", "The jitter reference needs a radius in cm, e.g. 5.95: \"5.8x\" was not taken" },
        { P::Fringe, "-6", "The fringe reference needs a radius in cm, e.g. 5.95: \"-6\" was not taken" },
        { P::Bottom, "5.9123", "The cell bottom must lie past the meniscus (5.9123 cm): 5.9123 cm was not taken" },
        { P::Meniscus, "7.2", "The meniscus must lie before the cell bottom (7.15 cm): 7.2 cm was not taken" },
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.text);
        host.Messages.clear();
        view.Raw.EditJitter = view.Raw.EditBottom = view.Raw.EditMeniscus = view.Raw.EditIntegralFringe = r.text;
        view.Raw.EditPositionDone(r.which, r.text);
        EXPECT_EQ(host.Messages, std::vector<std::string> { r.message });
        EXPECT_EQ(view.Raw.EditMeniscus, "5.9123");
        EXPECT_EQ(view.Raw.EditBottom, "7.15");
        EXPECT_EQ(view.Raw.EditJitter, "5.85");
    }

    view.Raw.ButtonDefaultPositionsClick();
    EXPECT_EQ(PositionsOf(view.Engine->Cell), (CellPositions { 5.9, 7.2, 5.85, 6.9 }));
    EXPECT_EQ(GofsFileText(*view.Engine, "g.txt", 0, true), FreshGofs(dir.path(), { 5.9, 7.2, 5.85, 6.9 }));
    EXPECT_FALSE(view.Raw.ButtonDefaultPositionsEnabled);
}

TEST_F(SedDataView, PositionsAreRememberedPerRunAndChannelAndRestoredOnTheNextLaunch)
{
    TempDir dir, config;
    testutil::WriteRun(dir.path(), SmallRun(12));
    PositionMemory memory;
    memory.File = config / "morvane/positions.json";
    const auto launch = [&](TSedDataView& view, const std::string& channel = "0*.RA1") {
        LaunchParameters p = LaunchParameters::Defaults(channel);
        view.Raw.RecallPositions(&memory, dir.path(), p);
        view.Now = [] { return FileTime(std::chrono::hours(24 * 365 * 100)); };
        OpenChannel(view, dir.path(), p);
    };
    CellPositions used;
    {
        TSedDataView first;
        launch(first);
        EXPECT_EQ(first.Raw.LabelPositionsRestored, "");
        first.Raw.SBGroup1Click(TSedDataView::RawMode::Meniscus);
        first.Raw.Chart1ClickBackground(5.93, 0.2);
        first.Raw.EditPositionDone(TSedDataView::Position::Bottom, "7.1");
        used = PositionsOf(first.Engine->Cell);
        EXPECT_NEAR(used.Meniscus, 5.93, 1e-12);
    }
    TSedDataView second;
    launch(second);
    EXPECT_EQ(PositionsOf(second.Engine->Cell), used);
    EXPECT_EQ(second.Raw.LabelPositionsRestored, RawTab::RestoredText);
    EXPECT_TRUE(second.Raw.ButtonDefaultPositionsEnabled);
    TSedDataView other;
    launch(other, "0*.RA2");
    EXPECT_EQ(other.Engine->Cell.Meniscus, 5.9) << "another channel of the run keeps its own";

    // One click back to the defaults, which the next launch then starts from.
    second.Raw.ButtonDefaultPositionsClick();
    EXPECT_EQ(second.Raw.LabelPositionsRestored, "");
    TSedDataView third;
    launch(third);
    EXPECT_EQ(third.Engine->Cell.Meniscus, 5.9);
    EXPECT_EQ(third.Raw.LabelPositionsRestored, "");
}
