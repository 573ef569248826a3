#pragma once
#include <cstdint>
#include <string>

#include "analysis/ChannelDataStore.h"
#include "chart/ChartModel.h"
#include "dataview/ViewContext.h"
#include "windows/Controls.h"

namespace morvane {

// The data view's "Time Course" tab: one family of the engine's curves replayed set by set, by
// the scroll bar or the playback timer, with the shown set's time and label.
class TimeCourseTab {
public:
    static constexpr const char* TimeCourseItems[3] = { "c vs r", "tdc/dt vs s*", "s g(s) vs s*" };

    explicit TimeCourseTab(ViewContext& view);

    int32_t RadioGroupChooseTimeCourse = -1; // index into TimeCourseItems; -1: none chosen
    ScrollBarControl ScrollBarTime { 0, 50000000, 1 };
    bool SBPlayDown = false; // SBPause is down otherwise
    std::string Label1 = "Play Speed";
    UpDownControl UpDownPlaySpeed { 1, 100, 50 }; // percent
    std::string EditPlayBackSpeed = "50%";
    Timer TimerPlayBack { 1000, false };
    std::string EditTimeCourse1; // mean time of the shown set
    std::string EditTimeCourse2; // short label of the shown set
    std::string EditTimeCourse2Hint; // its long label
    ChartModel TimeCourseChart; // series 0 and 1 templates; 1 shows the set, 2 on the dc/dt sets under it
    bool ButtonTCOutputAsciiVisible = false;
    std::string EditTDisplayXY;
    PointerMode TimeCourseMode = PointerMode::ZoomIn;
    const ChannelDataStore* TimeCourseStore = nullptr;

    void RadioGroupChooseTimeCourseClick();
    void ButtonRefreshPlaybackDataClick();
    // Chooses the store of the chosen family, fixes the axes and the scroll bar, shows set 0.
    void SetupTimeCourse();
    // Draws set k of the shown family into series `series`; 0, or -1 with nothing to show.
    int32_t ShowTimeCourseSet(int32_t k, int32_t series);
    void ScrollBarTimeChange();
    void SBPlayClick();
    void SBPauseClick();
    void TimerPlayBackTimer();
    void UpDownPlaySpeedClick();
    // Focus left the tab: playback stops.
    void TabTimeCourseExit();
    void SBTZoominClick(PointerMode mode) { TimeCourseMode = mode; }
    void TimeCourseChartClickBackground(double x, double y);
    // The family's store, while it is still one of the engine's; null otherwise.
    const ChannelDataStore* ShownTimeCourseStore() const;
    // The engine's stores are about to go (the window closes): playback stops, nothing is shown.
    void Forget();

private:
    ViewContext& view_;
};

} // namespace morvane
