#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "chart/ChartModel.h"

namespace morvane {

// A chart model drawn as an SVG element, for documents that must stand alone (a run report):
// the title, both axes with ticks labelled as TickLabels labels them, the active series that hold
// points (lines, points, bars, error bars; series InFront last), and below the plot a legend of
// the series shown in it. A chart without such a series shows its EmptyText. Numbers use "."
// whatever the locale. A line of many points keeps, per pixel column of the plot, its first,
// lowest, highest and last point, or their mean where they lie within a pixel of each other, so a
// scan of thousands of points costs a few hundred. The element is meant for an HTML document
// (no XML namespace declaration: nothing in it refers outside).

struct SvgChartSize {
    int32_t Width = 720; // the drawing's units (pixels at 100 %); the plot takes what the axes leave
    int32_t Height = 340; // without the legend, which adds a row for every few series
};

std::string ChartSvg(const ChartModel& chart, const SvgChartSize& size = {});

// Text as XML (and HTML) content or attribute value: & < > " ' as character references.
std::string XmlEscaped(std::string_view text);

// Tick values for an axis from low to high (low < high): at 1, 2 or 5 times a power of ten apart on a
// linear axis, about `wanted` of them; on a logarithmic axis (low > 0) the powers of ten, with 2 and 5
// times them where fewer than three powers fall inside, and the linear ticks within one decade.
std::vector<double> AxisTicks(double low, double high, bool logarithmic, int32_t wanted = 6);

} // namespace morvane
