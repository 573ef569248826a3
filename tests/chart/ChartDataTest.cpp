// The data of a chart as text: one column pair per visible series, error bars with a third column.
#include <gtest/gtest.h>
#include <string>

#include "chart/ChartData.h"

using namespace morvane;

namespace {

ChartSeries Line(const std::string& title, int tag = -1)
{
    ChartSeries s;
    s.Title = title;
    s.Tag = tag;
    return s;
}

} // namespace

TEST(ChartData, VisibleSeriesSideBySide)
{
    ChartModel chart;
    chart.Bottom.Title = "s*";
    chart.Left.Title = "g";
    ChartSeries hidden = Line("Hidden");
    hidden.Add(1, 1);
    hidden.Active = false;
    ChartSeries fit = Line("1.23 S");
    fit.Add(0, 0.5);
    fit.Add(0.25, -1.5e-7);
    fit.Add(2.5, 1e20);
    ChartSeries bars = Line("StdError");
    bars.Kind = SeriesKind::ErrorBars;
    bars.Add(1.5, 2);
    bars.Points.back().Error = 0.125;
    ChartSeries empty = Line("Empty");
    chart.Series = { Line("Template"), hidden, fit, bars, empty };

    EXPECT_EQ(ChartDataText(chart),
        "1.23 S: s*\t1.23 S: g\tStdError: s*\tStdError: g\tStdError: error\r\n"
        "0\t0.5\t1.5\t2\t0.125\r\n"
        "0.25\t-1.5E-7\t\t\t\r\n"
        "2.5\t1E20\t\t\t\r\n");
}

TEST(ChartData, NamesWhereTitlesDoNotTell)
{
    ChartModel chart;
    ChartSeries a = Line("Template", 3); // clones of a template, named by their sets
    ChartSeries b = Line("Template", 12);
    ChartSeries c = Line("", -1);
    ChartSeries d = Line("Same"); // one title twice, no set: named by place
    ChartSeries e = Line("Same");
    for (ChartSeries* s : { &a, &b, &c, &d, &e })
        s->Add(1, 2);
    ChartSeries right = Line("Bars", 0);
    right.OnRightAxis = true;
    right.Add(6, 1);
    chart.Right.Title = "marker";
    chart.Series = { a, b, c, d, e, right };
    const std::string text = ChartDataText(chart);
    EXPECT_EQ(text.substr(0, text.find("\r\n")),
        "set 3: x\tset 3: y\tset 12: x\tset 12: y\tseries 2: x\tseries 2: y\tseries 3: x\tseries 3: y\t"
        "series 4: x\tseries 4: y\tBars: x\tBars: marker");
}

TEST(ChartData, NothingVisibleIsEmpty)
{
    ChartModel chart;
    EXPECT_EQ(ChartDataText(chart), "");
    chart.Series = { Line("Nothing yet") };
    EXPECT_EQ(ChartDataText(chart), "");
}
