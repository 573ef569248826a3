// The extrapolation tab: the range handlers, the pending/done rule and what both views draw.
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "DataViewFixture.h"
#include "realtime/Extrapolation.h"
#include "testutil/ScriptedHost.h"

using namespace morvane;

using namespace dataviewtest;

namespace {

// Smoothed set k at 1/sqrt(t) = X_k = 0.02 - 0.002 k (t_0 = 2500 s, t_1 = 3086.4 s, ...), so that
// a Z linear in X is linear in k and the box-car leaves it as it is.
double XOf(int k) { return 0.02 - 0.002 * k; }

// 30 grid points at s* = 1.23456 (p + 1) S. At point p, set k holds s g(s) = c_p exp(B X_k) with
// c_p = 1 + 0.01 p (a tenth of it at both ends, so that the curve is whole), B = -10:
// ln g = (ln c_p - x_p) + B X, extrapolated to c_p exactly. noise(k, p) is added to ln(s g(s)).
double C(int p) { return (1 + 0.01 * p) * (p == 0 || p == 29 ? 0.1 : 1); }

void FillStores(TSedDataView& view, int sets, const std::function<double(int, int)>& noise = nullptr)
{
    RealTimeGofS& e = *view.Engine;
    std::vector<double> grid;
    for (int p = 0; p < 30; ++p)
        grid.push_back(std::log(1.23456 * (p + 1) * 1e-13));
    const int n = static_cast<int>(grid.size());
    e.SmoothGofsStore = std::make_unique<ChannelDataStore>(e.Settings, grid.data(), n);
    e.GofsStore = std::make_unique<ChannelDataStore>(e.Settings, grid.data(), n);
    for (int k = 0; k < sets; ++k) {
        std::vector<double> y, err(grid.size(), 1e-10);
        for (int p = 0; p < n; ++p)
            y.push_back(C(p) * std::exp(-10 * XOf(k) + (noise ? noise(k, p) : 0.0)));
        ScanHeader h;
        h.Time = 1 / (XOf(k) * XOf(k));
        e.SmoothGofsStore->AddSet(grid.data(), y.data(), err.data(), n, h, h.Time);
        e.GofsStore->AddSet(grid.data(), y.data(), err.data(), n, h, h.Time);
    }
    e.Created = true;
}

std::vector<int> DrawnFitPoints(const TSedDataView& view)
{
    std::vector<int> points;
    for (int s = 2; s < view.Extrapolation.ChartExtrapolation.SeriesCount(); s += 2)
        if (view.Extrapolation.ChartExtrapolation.Series[static_cast<size_t>(s)].Active)
            points.push_back(view.Extrapolation.ChartExtrapolation.Series[static_cast<size_t>(s)].Tag);
    return points;
}

} // namespace

TEST_F(SedDataView, ExtrapolationRangeHandlers)
{
    TSedDataView view;
    FillStores(view, 8);
    view.Extrapolation.ScrollBarExtrapolation.Max = 7;

    // Moving the end to 6 with the start at 4 keeps five sets: the start goes to 2.
    view.Extrapolation.ScrollBarStartExtrapolation.Max = 4;
    view.Extrapolation.ScrollBarStartExtrapolation.Position = 4;
    view.Extrapolation.ScrollBarExtrapolation.Position = 6;
    view.Extrapolation.ScrollBarExtrapolationChange();
    EXPECT_EQ(view.Extrapolation.ScrollBarStartExtrapolation.Position, 2);
    EXPECT_EQ(view.Extrapolation.ScrollBarStartExtrapolation.Max, 2);
    EXPECT_EQ(view.Extrapolation.EditExtrapolationStartSet, "Set 2, mean time 3906"); // 1 / 0.016^2 = 3906.25 s
    EXPECT_EQ(view.Extrapolation.EditExtrapolationDescribe, "Set 6, mean time 15625");

    // An end below 5: the start goes to 0, shown as a plain number; its maximum stays.
    view.Extrapolation.ScrollBarExtrapolation.Position = 3;
    view.Extrapolation.ScrollBarExtrapolationChange();
    EXPECT_EQ(view.Extrapolation.ScrollBarStartExtrapolation.Position, 0);
    EXPECT_EQ(view.Extrapolation.EditExtrapolationStartSet, "0");
    EXPECT_EQ(view.Extrapolation.ScrollBarStartExtrapolation.Max, 2);

    view.Extrapolation.ScrollBarStartExtrapolation.Position = 1;
    view.Extrapolation.ScrollBarStartExtrapolationChange();
    EXPECT_EQ(view.Extrapolation.EditExtrapolationStartSet, "Set 1, mean time 3086");
}

TEST_F(SedDataView, ExtrapolationIsPendingUntilTheButton)
{
    TSedDataView view;
    FillStores(view, 8);
    view.Extrapolation.ScrollBarExtrapolation.Max = view.Extrapolation.ScrollBarExtrapolation.Position = 7;
    view.Extrapolation.ButtonRefreshExtrapolationEnabled = false;

    // With the default settings the handlers only enable the button.
    const std::function<void()> handlers[] = { [&] { view.Extrapolation.ScrollBarExtrapolationChange(); },
        [&] { view.Extrapolation.ScrollBarStartExtrapolationChange(); },
        [&] { view.Extrapolation.UpDownExtrapolationGraphNumberClick(); } };
    for (const auto& handler : handlers) {
        view.Extrapolation.ButtonRefreshExtrapolationEnabled = false;
        handler();
        EXPECT_TRUE(view.Extrapolation.ButtonRefreshExtrapolationEnabled);
        EXPECT_TRUE(view.Extrapolation.ChartSExtrapolation.ActiveSeries().empty());
        EXPECT_TRUE(view.Extrapolation.ChartExtrapolation.ActiveSeries().empty());
    }

    view.Extrapolation.ButtonRefreshExtrapolationClick();
    EXPECT_FALSE(view.Extrapolation.ButtonRefreshExtrapolationEnabled);
    EXPECT_EQ(view.Extrapolation.ChartSExtrapolation.ActiveSeries(), (std::vector<int32_t> { 1, 2, 3 }));

    // A moved scroll bar marks it pending again; the charts keep the last drawing meanwhile.
    view.Extrapolation.ScrollBarStartExtrapolation.Position = 1;
    view.Extrapolation.ScrollBarStartExtrapolationChange();
    EXPECT_TRUE(view.Extrapolation.ButtonRefreshExtrapolationEnabled);
    EXPECT_EQ(view.Extrapolation.ChartSExtrapolation.ActiveSeries().size(), 3u);

    // Asked to plot always, a handler computes at once.
    view.DisplaySettings.bAlwaysPlotExtrapolation = true;
    view.Extrapolation.ScrollBarStartExtrapolationChange();
    EXPECT_FALSE(view.Extrapolation.ButtonRefreshExtrapolationEnabled);
}

TEST_F(SedDataView, ExtrapolationNeedsFiveSetsAndAnEngine)
{
    TSedDataView view;
    FillStores(view, 8);
    const struct {
        int end, start, want;
    } cases[] = { { 4, 0, 0 }, { 3, 0, -1 }, { 7, 3, 0 }, { 7, 4, -1 }, { 20, 3, 0 }, { 2, -5, -1 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.start) + " .. " + std::to_string(c.end));
        view.Extrapolation.ButtonRefreshExtrapolationEnabled = true;
        EXPECT_EQ(view.Extrapolation.DrawExtrapolation(c.end, c.start, true), c.want);
        EXPECT_EQ(view.Extrapolation.ButtonRefreshExtrapolationEnabled, c.want != 0);
    }
    view.Engine->Created = false;
    EXPECT_EQ(view.Extrapolation.DrawExtrapolation(7, 0, true), -1);
}

TEST_F(SedDataView, ExtrapolationSAxisView)
{
    TSedDataView view;
    FillStores(view, 8);
    ASSERT_EQ(view.Extrapolation.DrawExtrapolation(7, 0, true), 0);
    const ChartModel& c = view.Extrapolation.ChartSExtrapolation;

    const ChartSeries& newest = c.Series[1];
    EXPECT_EQ(newest.Colour, Colours::Green);
    EXPECT_EQ(newest.LineWidth, 3);
    ASSERT_EQ(newest.Points.size(), 30u);
    EXPECT_NEAR(newest.Points[4].X, 1.23456 * 5, 1e-9);
    EXPECT_NEAR(newest.Points[4].Y, 1.04 * std::exp(-10 * XOf(7)), 1e-12);

    // The extrapolated curve reaches c_p = 1 + 0.01 p; an exact fit has no error.
    const ChartSeries& curve = c.Series[2];
    const ChartSeries& bars = c.Series[3];
    EXPECT_EQ(curve.Colour, Colours::Fuchsia);
    EXPECT_EQ(bars.Colour, Colours::Fuchsia);
    EXPECT_EQ(bars.Kind, SeriesKind::ErrorBars);
    ASSERT_EQ(curve.Points.size(), 30u);
    ASSERT_EQ(bars.Points.size(), 30u);
    for (int p = 0; p < 30; ++p) {
        EXPECT_NEAR(curve.Points[static_cast<size_t>(p)].Y, C(p), 1e-9);
        EXPECT_NEAR(bars.Points[static_cast<size_t>(p)].Error, 0, 1e-9);
    }

    // Every third point carries a bar.
    view.DisplaySettings.ExtErrorBarPerPoints = 3;
    view.Extrapolation.DrawExtrapolation(7, 0, true);
    EXPECT_EQ(c.Series[3].Points.size(), 10u);
    EXPECT_EQ(c.Series[3].Points[1].X, c.Series[2].Points[3].X);
}

TEST_F(SedDataView, ExtrapolationErrorBarsNeverExceedTheValue)
{
    TSedDataView view;
    // Scatter at every fifth point inside, strong enough that its standard error exceeds its
    // value; those points a thousandth of the others (and taken above 0.1 % of the highest), so
    // that the curve stays a result.
    const double scatter[] = { 0, 4, -4, 0, 4, -4, 0, 4 };
    FillStores(view, 8,
        [&](int k, int p) { return std::log(1000.0) + (p % 5 == 0 && p > 0 ? std::log(0.001) + scatter[k] : 0.0); });
    view.DisplaySettings.ExtrapolationCutoff = 0.001;
    ASSERT_EQ(view.Extrapolation.DrawExtrapolation(7, 0, true), 0);
    ASSERT_EQ(view.Extrapolation.ExtrapolationRefusalText, "");
    const ChartSeries& bars = view.Extrapolation.ChartSExtrapolation.Series[3];
    int clipped = 0;
    for (const ChartPoint& b : bars.Points) {
        EXPECT_LE(b.Error, b.Y);
        EXPECT_GE(b.Error, 0);
        clipped += b.Error == b.Y;
    }
    EXPECT_GT(clipped, 0);
}

TEST_F(SedDataView, ExtrapolationTimeAxisView)
{
    TSedDataView view;
    FillStores(view, 8);
    const ChartModel& c = view.Extrapolation.ChartExtrapolation;
    EXPECT_EQ(c.Series[0].Title, "LineTemplate");
    EXPECT_EQ(c.Series[1].Title, "PointTemplate");
    EXPECT_TRUE(c.LegendVisible);

    // By default as many fits as read apart in a legend: of the 30 points every 4th, 8 fits.
    view.Extrapolation.ScrollBarExtrapolation.Max = view.Extrapolation.ScrollBarExtrapolation.Position = 7;
    view.Extrapolation.ButtonRefreshExtrapolationClick();
    EXPECT_EQ(DrawnFitPoints(view), (std::vector<int> { 0, 4, 8, 12, 16, 20, 24, 28 }));
    EXPECT_EQ(view.Extrapolation.EditExtSetsToShow, "4");
    EXPECT_EQ(c.Legend, ChartModel::LegendPlace::Right);

    // At 10, the user's: the fits of grid points 0, 10 and 20, titled with s* to 3 digits.
    view.Extrapolation.UpDownExtrapolationGraphNumber.SetPosition(10);
    view.Extrapolation.UpDownExtrapolationGraphNumberClick();
    view.Extrapolation.ButtonRefreshExtrapolationClick();
    EXPECT_EQ(DrawnFitPoints(view), (std::vector<int> { 0, 10, 20 }));
    EXPECT_EQ(c.Series[2].Title, "1.23 S");
    EXPECT_EQ(c.Series[4].Title, "13.6 S");
    EXPECT_EQ(c.Series[6].Title, "25.9 S");

    // The fit of point 10: from (0, A) with A = ln 1.1 - x_10, ascending in 1/sqrt(t); its points
    // are the entries (X_k, Z_k) in the same colour, squares outside the legend.
    const double a = std::log(1.1) - std::log(1.23456 * 11 * 1e-13);
    const ChartSeries& fit = c.Series[4];
    const ChartSeries& points = c.Series[5];
    ASSERT_EQ(fit.Points.size(), 20u + 8u);
    EXPECT_EQ(fit.Points.front().X, 0);
    EXPECT_NEAR(fit.Points.front().Y, a, 1e-9);
    EXPECT_NEAR(fit.Points.back().X, XOf(0), 1e-12);
    EXPECT_NEAR(fit.Points.back().Y, a - 10 * XOf(0), 1e-9);
    for (size_t i = 1; i < fit.Points.size(); ++i)
        EXPECT_LE(fit.Points[i - 1].X, fit.Points[i].X);
    ASSERT_EQ(points.Points.size(), 8u);
    EXPECT_EQ(points.Kind, SeriesKind::Points);
    EXPECT_FALSE(points.InLegend);
    EXPECT_NEAR(points.Points[3].X, XOf(3), 1e-12);
    EXPECT_NEAR(points.Points[3].Y, a - 10 * XOf(3), 1e-9);
    EXPECT_EQ(fit.Colour, Colours::Red);
    EXPECT_EQ(points.Colour, Colours::Red);

    // Every point: the 14 colours from black, then black again.
    view.Extrapolation.UpDownExtrapolationGraphNumber.SetPosition(1);
    view.Extrapolation.UpDownExtrapolationGraphNumberClick();
    EXPECT_EQ(view.Extrapolation.EditExtSetsToShow, "1");
    view.Extrapolation.ButtonRefreshExtrapolationClick();
    EXPECT_EQ(DrawnFitPoints(view).size(), 30u);
    EXPECT_EQ(c.Series[2].Colour, Colours::Black);
    EXPECT_EQ(c.Series[2 + 2 * 13].Colour, Colours::Silver);
    EXPECT_EQ(c.Series[2 + 2 * 14].Colour, Colours::Black);

    // Back to 10: the clones beyond the three fits are inactive again.
    view.Extrapolation.UpDownExtrapolationGraphNumber.SetPosition(10);
    view.Extrapolation.ButtonRefreshExtrapolationClick();
    EXPECT_EQ(DrawnFitPoints(view), (std::vector<int> { 0, 10, 20 }));
}

// A load sets the ranges; the end stands on the newest set and follows the sets that come.
TEST_F(SedDataView, ExtrapolationFollowsTheNewestSet)
{
    testutil::TempDir staging, dir;
    const auto names = testutil::WriteRun(staging.path(), SmallRun(30));
    Publish(staging, names, dir, 0, 3);
    TSedDataView view;
    EXPECT_EQ(view.Extrapolation.UpDownExtrapolationGraphNumber.Min, 1);
    EXPECT_EQ(view.Extrapolation.UpDownExtrapolationGraphNumber.Max, 500);
    EXPECT_EQ(view.Extrapolation.EditExtSetsToShow, "10");
    Launch(view, dir.path());
    EXPECT_EQ(view.Extrapolation.UpDownExtrapolationGraphNumber.Max, 100);
    EXPECT_EQ(view.Extrapolation.UpDownExtrapolationGraphNumber.Position, 1);
    EXPECT_EQ(view.Extrapolation.EditExtSetsToShow, "1");
    EXPECT_EQ(view.Extrapolation.ScrollBarExtrapolation.Position, view.Extrapolation.ScrollBarExtrapolation.Max);

    Publish(staging, names, dir, 3, 20);
    view.Timer1Timer();
    const int newest = view.Engine->GofsStore->GetNumberOfSets() - 1;
    ASSERT_GE(newest, 5);
    EXPECT_EQ(view.Extrapolation.ScrollBarExtrapolation.Position, newest);
    EXPECT_EQ(view.Extrapolation.ScrollBarStartExtrapolation.Max, newest - 4);
    EXPECT_EQ(
        view.Extrapolation.EditExtrapolationDescribe.rfind("Set " + std::to_string(newest) + ", mean time ", 0), 0u);
    EXPECT_TRUE(view.Extrapolation.ButtonRefreshExtrapolationEnabled);

    // Moved away from the end, it stays where the user left it.
    view.Extrapolation.ScrollBarExtrapolation.Position = newest - 1;
    view.Extrapolation.ScrollBarExtrapolationChange();
    Publish(staging, names, dir, 20, 30);
    view.Timer1Timer();
    EXPECT_EQ(view.Extrapolation.ScrollBarExtrapolation.Position, newest - 1);
}

// A grid too small for a stride keeps the stride at 1.
TEST_F(SedDataView, ExtrapolationStrideIsNeverZero)
{
    testutil::TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(8));
    TSedDataView view;
    CustomSettings settings;
    settings.sGridNumberOfPoints = 4;
    ConfigureForLaunch(*view.Engine, LaunchParameters::Defaults("0*.RA1"), settings);
    view.DisplaySettings.DefaultExtSetsToPlot = 0;
    view.LoadChannel(dir.path(), "watch");
    EXPECT_EQ(view.Extrapolation.UpDownExtrapolationGraphNumber.Max, 1);
    EXPECT_EQ(view.Extrapolation.UpDownExtrapolationGraphNumber.Position, 1);
}

// A curve that is no result (here it rises 6.42 times above the newest set: exp(310 x 0.006)) is not
// drawn on the s* axis view: a pressed button says why in a message, a computation on its own on
// the chart.
TEST_F(SedDataView, ExtrapolationThatIsNoResultIsNotDrawn)
{
    testutil::ScriptedHost host;
    TSedDataView view(&host);
    FillStores(view, 8, [](int k, int) { return std::log(100.0) - 300 * XOf(k); });
    view.Extrapolation.ScrollBarExtrapolation.Max = view.Extrapolation.ScrollBarExtrapolation.Position = 7;
    view.Extrapolation.ButtonRefreshExtrapolationClick();
    ASSERT_EQ(host.Messages.size(), 1u);
    const std::string& why = host.Messages[0];
    EXPECT_EQ(why.rfind("The extrapolation of sets 0 to 7 (2500 s to 27778 s) is no result: the extrapolated values "
                        "run away from the sets: the highest is 6.42 times the highest of set 7",
                  0),
        0u)
        << why;
    EXPECT_NE(why.find("No range of this channel's sets gives a sound extrapolation."), std::string::npos);
    EXPECT_TRUE(view.Extrapolation.ChartSExtrapolation.ActiveSeries().empty());
    EXPECT_EQ(view.Extrapolation.ChartSExtrapolation.EmptyText, why);
    EXPECT_EQ(view.Extrapolation.ExtrapolationRefusalText, why);
    EXPECT_FALSE(DrawnFitPoints(view).empty()) << "the fits of single points show why";
    EXPECT_FALSE(view.Extrapolation.ButtonRefreshExtrapolationEnabled);
    view.Species.ButtonFitSpeciesClick(TSedDataView::SpeciesSource::Extrapolated);
    EXPECT_TRUE(view.Species.ExtrapolatedSpecies.Failed);
    EXPECT_NE(view.Species.ExtrapolatedSpecies.LabelSpeciesFit.find(why), std::string::npos)
        << "the species panel says why";

    view.DisplaySettings.bAlwaysPlotExtrapolation = true;
    view.Extrapolation.ScrollBarStartExtrapolationChange();
    EXPECT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(view.Extrapolation.ChartSExtrapolation.EmptyText, why);
}
