#pragma once
#include <cstdint>
#include <string>

#include "chart/ChartModel.h"
#include "dataview/ViewContext.h"

namespace morvane {

// The data view's "Average" and "Corrected" tabs: the dc/dt curves of the newest averaged set with
// their mean, and the newest g(s*) set (its gaps filled from the composite), with their pointer tools.
class ResultTabs {
public:
    // Raw scans the engine needs before it makes its first averaged and g(s*) sets.
    static constexpr int32_t ScansForFirstResult = 4;
    // What the two charts say while they have nothing to draw.
    static std::string NoResultText(int32_t scansRead);

    explicit ResultTabs(ViewContext& view);

    // Average tab.
    ChartModel ChartAverage;
    std::string EditNumberOfdcdt;
    std::string EditTimeRange;
    std::string EditDisplayXYAvg;
    PointerMode AvgMode = PointerMode::ZoomIn;

    // Corrected tab.
    ChartModel dcdtChart;
    std::string EditDisplayXYCor;
    PointerMode CorMode = PointerMode::ZoomIn;

    void SBZoomInAvgClick() { AvgMode = PointerMode::ZoomIn; }
    void SBDisplayXYAvgClick() { AvgMode = PointerMode::DisplayXY; }
    void SBZoomInCorClick() { CorMode = PointerMode::ZoomIn; }
    void SBDisplayXYCorClick() { CorMode = PointerMode::DisplayXY; }
    void ChartAverageClickBackground(double x, double y);
    void dcdtChartClickBackground(double x, double y);
    // Draws the newest averaged and g(s*) sets: 1 when both were drawn, 0 while the run has made
    // none yet (the charts say so), -1 when a store they need does not exist.
    int32_t Draw();

private:
    ViewContext& view_;
};

} // namespace morvane
