#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace morvane {

// A chart as data: axes and an ordered list of series. Window logic performs its chart
// operations on the model (clone the template, clear, add points, colour, activate, repaint);
// a view draws it and hands clicks back as chart values.

struct ChartColour {
    uint8_t Red = 0;
    uint8_t Green = 0;
    uint8_t Blue = 0;
    bool operator==(const ChartColour&) const = default;
};

namespace Colours {
inline constexpr ChartColour Black { 0, 0, 0 };
inline constexpr ChartColour Red { 255, 0, 0 };
inline constexpr ChartColour Blue { 0, 0, 255 };
inline constexpr ChartColour Green { 0, 128, 0 };
inline constexpr ChartColour Fuchsia { 255, 0, 255 };
inline constexpr ChartColour Purple { 128, 0, 128 };
inline constexpr ChartColour Teal { 0, 128, 128 };
inline constexpr ChartColour Lime { 0, 255, 0 };
inline constexpr ChartColour Navy { 0, 0, 128 };
inline constexpr ChartColour Yellow { 255, 255, 0 };
inline constexpr ChartColour Aqua { 0, 255, 255 };
inline constexpr ChartColour Maroon { 128, 0, 0 };
inline constexpr ChartColour Olive { 128, 128, 0 };
inline constexpr ChartColour Silver { 192, 192, 192 };

// The colour cycle of charts that tell many curves apart by colour.
inline constexpr std::array<ChartColour, 14> Cycle
    = { Black, Red, Blue, Green, Fuchsia, Teal, Lime, Navy, Yellow, Purple, Aqua, Maroon, Olive, Silver };
}

enum class SeriesKind { Line, Points, Bars, ErrorBars };

struct ChartPoint {
    double X = 0;
    double Y = 0;
    std::string Label; // shown as the point's mark when the series shows marks
    bool OwnColour = false; // true: drawn in Colour instead of the series' colour
    ChartColour Colour;
    double Error = 0; // half height of an error bar (ErrorBars series)
};

struct ChartAxis {
    std::string Title;
    bool Logarithmic = false;
    double LogBase = 10;
    bool Automatic = true; // range from the data; otherwise Minimum..Maximum
    double Minimum = 0;
    double Maximum = 1;
    std::string LabelFormat; // the toolkit-style format, e.g. "0.0"
    double Increment = 0; // label step; 0: the view chooses
    int32_t LabelAngle = 0; // degrees
    bool Visible = true;
};

struct ChartSeries {
    SeriesKind Kind = SeriesKind::Line;
    std::string Title;
    ChartColour Colour = Colours::Black;
    int32_t LineWidth = 1; // pixels
    bool Active = true;
    bool InLegend = true;
    bool ShowMarks = false; // labels of the points drawn beside them
    bool XAscending = true; // the view may sort by x; false keeps the order of adding
    bool OnRightAxis = false;
    bool InFront = false; // drawn over the series without it (otherwise later series cover earlier ones)
    int32_t Tag = -1; // what the owner drew into it (a set index), -1: nothing
    std::vector<ChartPoint> Points;

    void Clear();
    void Add(double x, double y, const std::string& label = "");
    void AddColoured(double x, double y, const std::string& label, ChartColour colour);
};

class ChartModel {
public:
    std::string Title;
    bool LegendVisible = false;
    // Where the legend stands: over the curves (top right), or off them, right of the axes (a
    // legend of many entries) or under them (a narrow chart).
    enum class LegendPlace { Inside, Right, Below };
    LegendPlace Legend = LegendPlace::Inside;
    ChartAxis Bottom;
    ChartAxis Left;
    ChartAxis Right;
    std::vector<ChartSeries> Series;
    // Said in the middle of the chart while no active series holds points, so an empty chart
    // tells why it is empty.
    std::string EmptyText;
    // Counts repaints: a view redraws when it differs from the value it last drew.
    uint64_t Changed = 0;

    int32_t SeriesCount() const { return static_cast<int32_t>(Series.size()); }
    bool HasSeries(int32_t index) const { return index >= 0 && index < SeriesCount(); }
    // Appends a copy of series `index` without its points; returns the new index, -1 when there
    // is no such series.
    int32_t CloneSeries(int32_t index);
    // Clears the points of every series from `first` on and makes them inactive.
    void ClearSeriesFrom(int32_t first);
    void Repaint() { ++Changed; }
    // Indices of the active series that hold points, in order.
    std::vector<int32_t> ActiveSeries() const;
};

} // namespace morvane
