#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/ChannelDataStore.h"
#include "realtime/RealTimeGofS.h"

namespace morvane {

// The families the time course replays, by item of its radio group.
enum TimeCourseItem : int32_t {
    TimeCourseNone = -1, // nothing chosen yet
    TimeCourseCvsR = 0, // "c vs r": raw scans, radius in cm
    TimeCourseDcdtVsSStar = 1, // "tdc/dt vs s*": averaged dc/dt, s* in Svedbergs on a log axis
    TimeCourseGofsVsSStar = 2, // "s g(s) vs s*": g(s*), s* in Svedbergs on a log axis
};

// How the time course shows a chosen family: its store, fixed axes and scroll range.
struct TimeCourseView {
    bool HasData = false; // false: draw nothing, leave the window enabled
    std::string Message; // for the user when not empty
    const ChannelDataStore* Store = nullptr; // the family's store, when the engine has it
    bool LogarithmicBottom = false; // base e; the bottom values are s* in Svedbergs
    double BottomMin = 0, BottomMax = 0;
    double LeftMin = 0, LeftMax = 0;
    bool OutputButtonVisible = false; // "Output Ascii" belongs to "s g(s) vs s*" only
    int32_t ScrollBarMax = 0; // last set; the scroll bar runs from 0
    std::string BottomTitle, LeftTitle;
};

// The view of family `item` of the engine, with the axes fixed to the extents of all its valid
// points widened by padFraction ("graphPadPercent"). Nothing to show (HasData false) when no item
// is chosen, the engine has no such store, the store holds no set or no valid point; an unknown
// item also says "Unexpected error choosing data.".
TimeCourseView ChooseTimeCourse(const RealTimeGofS& engine, int32_t item, double padFraction);

// The bottom-axis value of grid value x: the radius itself, or s* = exp(x) 1e13 on a log axis.
double TimeCourseBottomValue(const TimeCourseView& view, double x);

// Interval of the playback timer in ms: trunc(exp((100 - speed) / 10)), the speed in percent
// limited to 1 .. 100 (100 gives 1 ms, 50 gives 148 ms, 1 gives 19930 ms).
int32_t PlaybackIntervalMs(int32_t speed);

// The dc/dt sets drawn under an averaged set made of dc/dt sets first .. last: every one when
// last - first <= 25, otherwise every (last - first) / 5-th from first on (10 .. 40: 10, 16, .., 40).
std::vector<int32_t> SampledDcdtSets(int32_t first, int32_t last);

} // namespace morvane
