#pragma once
#include <string>

#include "chart/ChartModel.h"

namespace morvane {

// The data of a chart as tab-separated text, so that any curve it shows can be plotted elsewhere:
// one column pair (x, y) per visible series (active, with points), an error-bar series with a third
// column for the error, in the chart's order. The first line names the columns: "<series>: <axis
// title>"; a series is named by its title, or, when that is empty, shared with another visible
// series or a template's ("...Template"), by its set ("set 12") or its place ("series 3").
// Shorter columns end in empty cells. Numbers as FloatToStr writes them ("." decimals); CR LF.
// A chart without a visible series gives an empty text.
std::string ChartDataText(const ChartModel& chart);

} // namespace morvane
