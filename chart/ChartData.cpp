#include "chart/ChartData.h"

#include <algorithm>
#include <vector>

#include "analysis/NumberText.h"

namespace morvane {

namespace {

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string NameOf(const ChartModel& chart, const std::vector<int32_t>& visible, int32_t s)
{
    const ChartSeries& series = chart.Series[static_cast<size_t>(s)];
    const std::string& title = series.Title;
    const bool shared = std::count_if(visible.begin(), visible.end(), [&](int32_t other) {
        return chart.Series[static_cast<size_t>(other)].Title == title;
    }) > 1;
    if (!title.empty() && !shared && !EndsWith(title, "Template"))
        return title;
    if (series.Tag >= 0)
        return "set " + std::to_string(series.Tag);
    return "series " + std::to_string(s);
}

std::string AxisTitle(const ChartAxis& axis, const char* fallback)
{
    return axis.Title.empty() ? fallback : axis.Title;
}

} // namespace

std::string ChartDataText(const ChartModel& chart)
{
    const std::vector<int32_t> visible = chart.ActiveSeries();
    if (visible.empty())
        return {};
    std::string text;
    size_t rows = 0;
    for (int32_t s : visible) {
        const ChartSeries& series = chart.Series[static_cast<size_t>(s)];
        const std::string name = NameOf(chart, visible, s) + ": ";
        if (!text.empty())
            text += '\t';
        text += name + AxisTitle(chart.Bottom, "x") + '\t' + name
            + AxisTitle(series.OnRightAxis ? chart.Right : chart.Left, "y");
        if (series.Kind == SeriesKind::ErrorBars)
            text += '\t' + name + "error";
        rows = std::max(rows, series.Points.size());
    }
    text += "\r\n";
    for (size_t row = 0; row < rows; ++row) {
        bool first = true;
        for (int32_t s : visible) {
            const ChartSeries& series = chart.Series[static_cast<size_t>(s)];
            const bool bars = series.Kind == SeriesKind::ErrorBars;
            if (!first)
                text += '\t';
            first = false;
            if (row >= series.Points.size()) {
                text += bars ? "\t\t" : "\t";
                continue;
            }
            const ChartPoint& p = series.Points[row];
            text += FloatToStr(p.X) + '\t' + FloatToStr(p.Y);
            if (bars)
                text += '\t' + FloatToStr(p.Error);
        }
        text += "\r\n";
    }
    return text;
}

} // namespace morvane
