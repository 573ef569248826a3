#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <regex>

#include "chart/SvgChart.h"

using namespace morvane;

namespace {

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

} // namespace

TEST(SvgChart, TicksFallOnRoundValues)
{
    EXPECT_EQ(AxisTicks(0, 1, false, 5), (std::vector<double> { 0, 0.2, 0.4, 0.6, 0.8, 1.0 }));
    EXPECT_EQ(AxisTicks(-0.13, 0.27, false, 4), (std::vector<double> { -0.1, 0, 0.1, 0.2 }));
    EXPECT_EQ(AxisTicks(0.05, 200, true), (std::vector<double> { 0.1, 1, 10, 100 })) << "decades";
    EXPECT_EQ(AxisTicks(0.5, 12, true), (std::vector<double> { 0.5, 1, 2, 5, 10 })) << "one decade: 2 and 5 too";
    EXPECT_EQ(AxisTicks(3, 7, true, 4), (std::vector<double> { 3, 4, 5, 6, 7 })) << "within a decade: linear";
    EXPECT_TRUE(AxisTicks(1, 1, false).empty());
}

// The drawing of a chart model: what is drawn, in which colour, with text escaped, a legend below
// the plot, and no curve thicker than its pixels.
TEST(SvgChart, DrawsTheActiveSeriesWithTheirLegendAndEscapedText)
{
    ChartModel chart;
    chart.Title = "g(s*) <of> \"A & B\"";
    chart.Bottom.Title = "s* (S)";
    ChartSeries line;
    line.Title = "scan 1 <x>";
    line.Colour = Colours::Fuchsia;
    for (int i = 0; i < 20000; ++i) // smooth: a point per pixel column remains
        line.Add(0.5 + i * 1e-3, std::sin(i * 1e-4));
    ChartSeries bars;
    bars.Kind = SeriesKind::ErrorBars;
    bars.Title = "standard error";
    bars.Add(2, 0.5);
    bars.Points.back().Error = 0.1;
    ChartSeries hidden = line;
    hidden.Title = "inactive";
    hidden.Active = false;
    ChartSeries unnamed = bars;
    unnamed.Title.clear();
    chart.Series = { line, bars, hidden, unnamed };

    const std::string svg = ChartSvg(chart);
    EXPECT_EQ(svg.rfind("<svg ", 0), 0u);
    EXPECT_NE(svg.find("g(s*) &lt;of&gt; &quot;A &amp; B&quot;"), std::string::npos);
    EXPECT_NE(svg.find(">scan 1 &lt;x&gt;</text>"), std::string::npos);
    EXPECT_EQ(svg.find("inactive"), std::string::npos);
    EXPECT_EQ(Count(svg, "<polyline"), 1u);
    EXPECT_EQ(Count(svg, "stroke=\"#ff00ff\""), 2u) << "the curve and its legend mark";
    EXPECT_EQ(Count(svg, ">standard error</text>"), 1u) << "a series without a title has no entry";
    const size_t points = Count(svg.substr(svg.find("<polyline")), ",");
    EXPECT_LT(points, 700u) << "a point per pixel column of a smooth curve";
    EXPECT_GT(points, 500u);
    // Locale-free coordinates, no outside reference.
    EXPECT_FALSE(std::regex_search(svg, std::regex("[0-9],[0-9]+,[0-9]"))) << "no decimal commas";
    EXPECT_EQ(svg.find("http"), std::string::npos);

    ChartModel empty;
    empty.EmptyText = "The extrapolation of sets 0 to 6 is no result: the sets' times are too close <together>";
    const std::string none = ChartSvg(empty);
    EXPECT_EQ(Count(none, "<polyline"), 0u);
    EXPECT_NE(none.find("&lt;together&gt;"), std::string::npos);
}
