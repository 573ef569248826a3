#include "realtime/TimeCourse.h"

#include <algorithm>
#include <cmath>

#include "analysis/Rounding.h"

namespace morvane {

namespace {

const ChannelDataStore* StoreOf(const RealTimeGofS& engine, int32_t item)
{
    switch (item) {
    case TimeCourseCvsR:
        return engine.RawStore.get();
    case TimeCourseDcdtVsSStar:
        return engine.AvgDcdtStore.get();
    case TimeCourseGofsVsSStar:
        return engine.GofsStore.get();
    default:
        return nullptr;
    }
}

} // namespace

TimeCourseView ChooseTimeCourse(const RealTimeGofS& engine, int32_t item, double padFraction)
{
    TimeCourseView v;
    if (item == TimeCourseNone)
        return v;
    if (item < TimeCourseCvsR || item > TimeCourseGofsVsSStar) {
        v.Message = "Unexpected error choosing data.";
        return v;
    }
    v.LogarithmicBottom = item != TimeCourseCvsR;
    v.OutputButtonVisible = item == TimeCourseGofsVsSStar;
    v.Store = StoreOf(engine, item);
    if (!v.Store)
        return v;
    v.BottomTitle = v.Store->XTitle;
    v.LeftTitle = v.Store->YTitle;
    if (v.Store->GetNumberOfSets() < 1)
        return v;
    const StoreExtents x = v.Store->GetExtents(-1, true);
    // Without a valid point the extents are still infinite: no range to fix.
    if (!std::isfinite(x.MinX) || !std::isfinite(x.MaxX) || !std::isfinite(x.MinY) || !std::isfinite(x.MaxY))
        return v;
    if (v.LogarithmicBottom) {
        v.BottomMin = PadDown(std::exp(x.MinX), padFraction) * 1e13;
        v.BottomMax = PadUp(std::exp(x.MaxX), padFraction) * 1e13;
    } else {
        v.BottomMin = PadDown(x.MinX, padFraction);
        v.BottomMax = PadUp(x.MaxX, padFraction);
    }
    v.LeftMin = PadDown(x.MinY, padFraction);
    v.LeftMax = PadUp(x.MaxY, padFraction);
    v.ScrollBarMax = v.Store->GetNumberOfSets() - 1;
    v.HasData = true;
    return v;
}

double TimeCourseBottomValue(const TimeCourseView& view, double x)
{
    return view.LogarithmicBottom ? std::exp(x) * 1e13 : x;
}

int32_t PlaybackIntervalMs(int32_t speed)
{
    speed = std::clamp(speed, 1, 100);
    return static_cast<int32_t>(std::exp((100 - speed) * 0.1));
}

std::vector<int32_t> SampledDcdtSets(int32_t first, int32_t last)
{
    std::vector<int32_t> sets;
    const int32_t step = last - first > 25 ? (last - first) / 5 : 1;
    for (int64_t j = first; j <= last; j += step)
        sets.push_back(static_cast<int32_t>(j));
    return sets;
}

} // namespace morvane
