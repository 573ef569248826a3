#include <gtest/gtest.h>

#include "chart/ChartModel.h"

TEST(ChartModel, CloneCopiesTheStyleButNotThePoints)
{
    ChartModel chart;
    ChartSeries tmpl;
    tmpl.Kind = SeriesKind::Points;
    tmpl.Colour = Colours::Navy;
    tmpl.LineWidth = 3;
    tmpl.InLegend = false;
    tmpl.Add(1, 2, "a");
    tmpl.Tag = 7;
    chart.Series.push_back(tmpl);

    EXPECT_EQ(chart.CloneSeries(0), 1);
    const ChartSeries& c = chart.Series[1];
    EXPECT_EQ(c.Kind, SeriesKind::Points);
    EXPECT_EQ(c.Colour, Colours::Navy);
    EXPECT_EQ(c.LineWidth, 3);
    EXPECT_FALSE(c.InLegend);
    EXPECT_TRUE(c.Points.empty());
    EXPECT_EQ(c.Tag, -1);
    EXPECT_EQ(chart.Series[0].Points.size(), 1u) << "the original keeps its points";

    const int missing[] = { -1, 2, 100 };
    for (int m : missing) {
        SCOPED_TRACE(m);
        EXPECT_EQ(chart.CloneSeries(m), -1);
    }
    EXPECT_EQ(chart.SeriesCount(), 2);
}

TEST(ChartModel, ClearFromKeepsEarlierSeries)
{
    ChartModel chart;
    for (int i = 0; i < 4; ++i) {
        ChartSeries s;
        s.Add(i, i);
        chart.Series.push_back(s);
    }
    chart.ClearSeriesFrom(2);
    EXPECT_EQ(chart.ActiveSeries(), (std::vector<int32_t> { 0, 1 }));
    EXPECT_TRUE(chart.Series[3].Points.empty());
    EXPECT_FALSE(chart.Series[3].Active);
    chart.ClearSeriesFrom(-3);
    EXPECT_TRUE(chart.ActiveSeries().empty());
}

TEST(ChartModel, ActiveSeriesNeedPointsAndRepaintCounts)
{
    ChartModel chart;
    chart.Series.resize(3);
    chart.Series[1].Add(0, 1);
    chart.Series[2].Add(0, 1);
    chart.Series[2].Active = false;
    EXPECT_EQ(chart.ActiveSeries(), (std::vector<int32_t> { 1 }));
    const auto before = chart.Changed;
    chart.Repaint();
    chart.Repaint();
    EXPECT_EQ(chart.Changed, before + 2);
}

TEST(ChartModel, ColouredPointsKeepTheirOwnColour)
{
    ChartSeries bars;
    bars.Colour = Colours::Black;
    bars.AddColoured(5.9, 1, "5.9", Colours::Red);
    bars.Add(6.0, 1);
    EXPECT_TRUE(bars.Points[0].OwnColour);
    EXPECT_EQ(bars.Points[0].Colour, Colours::Red);
    EXPECT_FALSE(bars.Points[1].OwnColour);
}
