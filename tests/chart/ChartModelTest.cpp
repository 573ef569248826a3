#include <gtest/gtest.h>

#include "chart/ChartModel.h"

using namespace morvane;

TEST(ChartModel, CloneCopiesTheStyleButNotThePoints)
{
    ChartModel chart;
    ChartSeries tmpl;
    tmpl.Kind = SeriesKind::Points;
    tmpl.Colour = Colours::Navy;
    tmpl.LineWidth = 3;
    tmpl.Add(1, 2, "a");
    tmpl.Tag = 7;
    chart.Series.push_back(tmpl);

    EXPECT_EQ(chart.CloneSeries(0), 1);
    const ChartSeries& c = chart.Series[1];
    EXPECT_EQ(c.Kind, SeriesKind::Points);
    EXPECT_EQ(c.Colour, Colours::Navy);
    EXPECT_EQ(c.LineWidth, 3);
    EXPECT_TRUE(c.Points.empty());
    EXPECT_EQ(c.Tag, -1);
    EXPECT_EQ(chart.Series[0].Points.size(), 1u) << "the original keeps its points";

    EXPECT_EQ(chart.CloneSeries(-1), -1);
    EXPECT_EQ(chart.CloneSeries(2), -1);
    EXPECT_EQ(chart.SeriesCount(), 2);
}

TEST(ChartModel, ClearFromKeepsEarlierSeriesAndActiveSeriesNeedPoints)
{
    ChartModel chart;
    for (int i = 0; i < 4; ++i) {
        ChartSeries s;
        s.Add(i, i);
        chart.Series.push_back(s);
    }
    chart.Series[1].Active = false;
    chart.Series[3].Points.clear();
    EXPECT_EQ(chart.ActiveSeries(), (std::vector<int32_t> { 0, 2 })) << "hidden or empty series are not active";
    chart.ClearSeriesFrom(2);
    EXPECT_EQ(chart.ActiveSeries(), (std::vector<int32_t> { 0 }));
    EXPECT_TRUE(chart.Series[3].Points.empty());
    EXPECT_FALSE(chart.Series[3].Active);
    chart.ClearSeriesFrom(-3);
    EXPECT_TRUE(chart.ActiveSeries().empty());
}
