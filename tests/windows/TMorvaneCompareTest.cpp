#include <chrono>
#include <cmath>
#include <ctime>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "testutil/ScriptedHost.h"
#include "windows/HandMadeView.h"
#include "windows/TMorvaneCompare.h"

using namespace morvane;

using testutil::HandMadeView;

namespace {

struct CompareFixture {
    testutil::ScriptedHost host;
    TMorvaneCompare compare { &host };
    std::vector<std::unique_ptr<HandMadeView>> views;

    // A listed view named dir/<channel>, selected or not, with the constant composite c on
    // grid points first .. first + m - 1 (m = 0: no g(s*) yet).
    HandMadeView& Add(const std::string& channel, bool selected, double c = 1, int32_t first = 100, int32_t m = 50)
    {
        views.push_back(std::make_unique<HandMadeView>());
        HandMadeView& v = *views.back();
        if (m > 0)
            v.SetConstant(c, first, m);
        compare.AddEntry("/data/010207/000005/" + channel, &v.view);
        compare.ListBoxOpenWindows.back().Selected = selected;
        return v;
    }
    const ChartSeries& Series(int32_t i) const { return compare.dcdtChart.Series[static_cast<size_t>(i)]; }
};

} // namespace

TEST(MorvaneCompare, NormalizedConstantCurveIsOneOverItsSpan)
{
    // Co = c d (m - 2), so every plotted value is 1 / (d (m - 2)); s* = exp(ln s) 1e13.
    CompareFixture f;
    const int32_t first = 120, m = 40;
    HandMadeView& v = f.Add("0*.RA1", true, 2.5, first, m);
    const double d = v.Spacing();
    f.compare.RadioButtonNormalizedClick();
    EXPECT_EQ(f.compare.dcdtChart.Left.Title, "(t dc/dt)/Co corrected");
    ASSERT_EQ(f.compare.dcdtChart.SeriesCount(), 2);
    const ChartSeries& s = f.Series(1);
    EXPECT_EQ(s.Title, "0*.RA1");
    ASSERT_EQ(s.Points.size(), static_cast<size_t>(m));
    for (const ChartPoint& p : s.Points)
        EXPECT_NEAR(p.Y, 1.0 / (d * (m - 2)), 1e-9 / (d * (m - 2)));
    EXPECT_DOUBLE_EQ(s.Points.front().X, std::exp(v.Gofs().GetX(first)) * 1e13);

    f.compare.RadioButtonUnNormalizedClick();
    EXPECT_EQ(f.compare.dcdtChart.Left.Title, "t dc/dt corrected");
    EXPECT_DOUBLE_EQ(f.Series(1).Points[7].Y, 2.5);
}

TEST(MorvaneCompare, PointsWithNegativeEAreLeftOutAndEZeroIsDrawn)
{
    CompareFixture f;
    HandMadeView& v = f.Add("0*.RA1", true, 1, 0, 0);
    //                         e: valid  zero   -1     tag    valid
    v.SetComposite({ 1, 2, 3, 4, 5 }, { 1e-10, 0.0, -1.0, -1e10, 1e-10 });
    f.compare.PlotComparison();
    const ChartSeries& s = f.Series(1);
    ASSERT_EQ(s.Points.size(), 3u);
    EXPECT_EQ(s.Points[0].Y, 1);
    EXPECT_EQ(s.Points[1].Y, 2) << "e = 0 holds data";
    EXPECT_EQ(s.Points[2].Y, 5);
}

TEST(MorvaneCompare, SelectedViewsTakeSeriesOneAndTwoInBlackThenRed)
{
    CompareFixture f;
    f.Add("0*.RA1", true);
    f.Add("0*.RA2", false);
    f.Add("A*.IP2#1 ", true);
    f.compare.PlotComparison();
    ASSERT_EQ(f.compare.dcdtChart.SeriesCount(), 3) << "no series for the unselected view";
    EXPECT_FALSE(f.Series(0).Active);
    EXPECT_TRUE(f.Series(0).Points.empty()) << "the template carries no data";
    EXPECT_EQ(f.Series(1).Colour, Colours::Black);
    EXPECT_EQ(f.Series(2).Colour, Colours::Red);
    EXPECT_EQ(f.Series(1).Title, "0*.RA1");
    EXPECT_EQ(f.Series(2).Title, "IP2#1 ") << "the last six characters";
    EXPECT_EQ(f.Series(2).LineWidth, 3);
    EXPECT_EQ(f.compare.dcdtChart.ActiveSeries(), (std::vector<int32_t> { 1, 2 }));
    EXPECT_EQ(f.compare.LabelNote, "");

    // Redrawn: the colour cycle starts at black again.
    f.compare.ListBoxOpenWindows[0].Selected = false;
    f.compare.PlotComparison();
    EXPECT_EQ(f.compare.dcdtChart.ActiveSeries(), (std::vector<int32_t> { 1 }));
    EXPECT_EQ(f.Series(1).Colour, Colours::Black);
    EXPECT_FALSE(f.Series(2).Active);
}

TEST(MorvaneCompare, NothingSelectedLeavesNoActiveSeries)
{
    CompareFixture f;
    EXPECT_EQ(f.compare.dcdtChart.EmptyText, "No data view is open: launch one from the main window");
    f.Add("0*.RA1", true);
    EXPECT_EQ(f.compare.dcdtChart.EmptyText, "Select the data sets to compare, then press Refresh");
    f.compare.PlotComparison();
    EXPECT_TRUE(f.compare.dcdtChart.LegendVisible);
    f.compare.ListBoxOpenWindows[0].Selected = false;
    const uint64_t before = f.compare.dcdtChart.Changed;
    f.compare.RadioButtonNormalizedClick();
    EXPECT_TRUE(f.compare.dcdtChart.ActiveSeries().empty());
    EXPECT_EQ(f.compare.dcdtChart.Left.Title, "(t dc/dt)/Co corrected");
    EXPECT_GT(f.compare.dcdtChart.Changed, before);
    EXPECT_EQ(f.compare.dcdtChart.EmptyText, "Select the data sets to compare, then press Refresh");
    EXPECT_FALSE(f.compare.dcdtChart.LegendVisible) << "no empty legend box";
}

TEST(MorvaneCompare, CurvesThatCannotBeNormalizedAreDrawnAsTheyAreAndSaySo)
{
    const struct {
        const char* name;
        double c;
        int32_t m;
    } cases[] = { { "Co = 0", 0.0, 30 }, { "two points", 3.0, 2 }, { "one point", 3.0, 1 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CompareFixture f;
        f.Add("0*.RA1", true, c.c, 100, c.m);
        f.compare.RadioButtonNormalizedClick();
        ASSERT_EQ(f.compare.dcdtChart.SeriesCount(), 2);
        EXPECT_EQ(f.Series(1).Title, "0*.RA1 (not normalized)");
        ASSERT_EQ(f.Series(1).Points.size(), static_cast<size_t>(c.m));
        for (const ChartPoint& p : f.Series(1).Points)
            EXPECT_EQ(p.Y, c.c);
    }
}

TEST(MorvaneCompare, AViewWithoutResultsIsNamedInTheNote)
{
    CompareFixture f;
    f.Add("0*.RA1", true, 1, 100, 0);
    f.Add("0*.RA2", true);
    f.compare.PlotComparison();
    EXPECT_EQ(f.compare.dcdtChart.ActiveSeries(), (std::vector<int32_t> { 1 }));
    EXPECT_EQ(f.compare.LabelNote, "0*.RA1: no g(s*) yet");
    EXPECT_EQ(f.Series(1).Colour, Colours::Red) << "the view left out keeps its colour";
    EXPECT_FALSE(f.compare.TimerBusyViews.Enabled) << "nothing to wait for";
}

TEST(MorvaneCompare, AViewThatIsLoadingIsReadOnlyWhenItIsDone)
{
    for (const bool refresh : { false, true }) {
        SCOPED_TRACE(refresh ? "refresh running" : "full load running");
        CompareFixture f;
        f.Add("0*.RA1", true);
        HandMadeView& busy = f.Add("0*.RA2", true, 7);
        bool& flag = refresh ? busy.view.InTimer : busy.view.Loading;
        flag = true;
        // Half way through a load the stores are empty: a redraw must not read them.
        busy.view.Engine->GofsStore->ClearSets();
        f.compare.ButtonRefreshClick();
        EXPECT_EQ(f.compare.dcdtChart.ActiveSeries(), (std::vector<int32_t> { 1 }));
        EXPECT_EQ(f.compare.LabelNote, "0*.RA2: loading, drawn when it is done");
        EXPECT_TRUE(f.compare.TimerBusyViews.Enabled);

        const uint64_t drawn = f.compare.dcdtChart.Changed;
        f.compare.TimerBusyViewsTimer();
        EXPECT_EQ(f.compare.dcdtChart.Changed, drawn) << "still loading: no redraw";

        flag = false;
        busy.SetConstant(7, 100, 50);
        f.compare.TimerBusyViewsTimer();
        EXPECT_EQ(f.compare.dcdtChart.ActiveSeries(), (std::vector<int32_t> { 1, 2 }));
        EXPECT_EQ(f.Series(2).Points.front().Y, 7);
        EXPECT_EQ(f.Series(2).Colour, Colours::Red);
        EXPECT_FALSE(f.compare.TimerBusyViews.Enabled);
        EXPECT_EQ(f.compare.LabelNote, "");
    }
}

TEST(MorvaneCompare, ReadOutOnlyInCoordinateModeAndOnlyWithACurveSeries)
{
    CompareFixture f;
    f.compare.SBDisplayXYCorClick();
    f.compare.dcdtChartClickBackground(1.5, 2.5);
    EXPECT_TRUE(f.host.Messages.empty()) << "only the template";
    EXPECT_EQ(f.compare.EditDisplayXYCor, "");

    f.Add("0*.RA1", true);
    f.compare.PlotComparison();
    f.compare.SBZoomInCorClick();
    f.compare.dcdtChartClickBackground(1.5, 2.5);
    EXPECT_TRUE(f.host.Messages.empty()) << "zoom mode";

    f.compare.SBDisplayXYCorClick();
    f.compare.dcdtChartClickBackground(1.2345678, 0.000123456789);
    EXPECT_EQ(f.compare.EditDisplayXYCor, "X = 1.2346  Y = 0.00012346");
    EXPECT_EQ(f.host.Messages, (std::vector<std::string> { "X = 1.2346  Y = 0.00012346" }));
}

TEST(MorvaneCompare, RefreshShowsItsTimeAndTheListIsKeptByTheMainWindow)
{
    CompareFixture f;
    std::tm local {};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 7;
    local.tm_hour = 9;
    local.tm_min = 5;
    local.tm_sec = 3;
    local.tm_isdst = -1;
    const auto at = std::chrono::system_clock::from_time_t(std::mktime(&local));
    f.compare.Clock = [at] { return at; };
    HandMadeView& a = f.Add("0*.RA1", true);
    f.Add("0*.RA2", true);
    f.compare.ButtonRefreshClick();
    EXPECT_EQ(f.compare.EditRefreshTime, "2026-12-07 09:05:03");
    EXPECT_TRUE(f.compare.InputEnabled);
    EXPECT_EQ(f.compare.dcdtChart.ActiveSeries().size(), 2u);

    EXPECT_TRUE(f.compare.RemoveEntry(&a.view));
    EXPECT_FALSE(f.compare.RemoveEntry(&a.view));
    ASSERT_EQ(f.compare.ListBoxOpenWindows.size(), 1u);
    EXPECT_TRUE(f.compare.ListBoxOpenWindows[0].Selected) << "the selection stays with its entry";
}
