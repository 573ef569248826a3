#include "chart/ChartModel.h"

namespace morvane {

void ChartSeries::Clear()
{
    Points.clear();
    Tag = -1;
}

void ChartSeries::Add(double x, double y, const std::string& label)
{
    ChartPoint p;
    p.X = x;
    p.Y = y;
    p.Label = label;
    Points.push_back(std::move(p));
}

void ChartSeries::AddColoured(double x, double y, const std::string& label, ChartColour colour)
{
    Add(x, y, label);
    Points.back().OwnColour = true;
    Points.back().Colour = colour;
}

int32_t ChartModel::CloneSeries(int32_t index)
{
    if (!HasSeries(index))
        return -1;
    ChartSeries copy = Series[static_cast<size_t>(index)];
    copy.Clear();
    Series.push_back(std::move(copy));
    return SeriesCount() - 1;
}

void ChartModel::ClearSeriesFrom(int32_t first)
{
    for (int32_t s = first < 0 ? 0 : first; s < SeriesCount(); ++s) {
        Series[static_cast<size_t>(s)].Clear();
        Series[static_cast<size_t>(s)].Active = false;
    }
}

std::vector<int32_t> ChartModel::ActiveSeries() const
{
    std::vector<int32_t> out;
    for (int32_t s = 0; s < SeriesCount(); ++s)
        if (Series[static_cast<size_t>(s)].Active && !Series[static_cast<size_t>(s)].Points.empty())
            out.push_back(s);
    return out;
}

} // namespace morvane
