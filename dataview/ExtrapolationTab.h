#pragma once
#include <cstdint>
#include <string>

#include "chart/ChartModel.h"
#include "dataview/ViewContext.h"
#include "windows/Controls.h"

namespace morvane {

struct ExtrapolationResult;

// The data view's "Extrapolation" tab: a range of smoothed g(s*) sets extrapolated to infinite
// time, drawn against s* with error bars ("s* axis") or as the fits of single grid points against
// 1/sqrt(t) ("time axis"), or the reason why the range gives no result.
class ExtrapolationTab {
public:
    static constexpr const char* ExtrapolationViewItems[2] = { "s* axis", "time axis" };
    static constexpr const char* RefreshExtrapolationCaption = "Refresh Extrapolation Needed";
    // Until the user sets "Every nth", the stride is chosen so that the time axis view draws about
    // this many fits (the settings' stride, or more), each one read in its legend.
    static constexpr int32_t ReadableFitCount = 8;

    explicit ExtrapolationTab(ViewContext& view);

    std::string StaticText1 = "Choose mode";
    int32_t RadioGroupExtapolationView = 0; // index into ExtrapolationViewItems
    ChartModel ChartSExtrapolation; // series 0 template, 1 newest g(s*), 2 extrapolated, 3 error bars
    ChartModel ChartExtrapolation; // 0 LineTemplate, 1 PointTemplate, then a fit and its points per s*
    bool ChartSExtrapolationVisible = true; // the two charts share one place
    bool ChartExtrapolationVisible = false;
    std::string Label4 = "End Set";
    ScrollBarControl ScrollBarExtrapolation;
    std::string EditExtrapolationDescribe;
    std::string Label2 = "Start Set";
    ScrollBarControl ScrollBarStartExtrapolation;
    std::string EditExtrapolationStartSet = "0";
    std::string Label3 = "Every nth Set";
    UpDownControl UpDownExtrapolationGraphNumber { 1, 500, 10 };
    std::string EditExtSetsToShow = "10";
    bool ExtStrideChosen = false;
    bool ButtonRefreshExtrapolationEnabled = true; // enabled: a computation is pending
    // Why the last computed extrapolation is no result and which range would give one; empty
    // when it was drawn as one (JudgeExtrapolation).
    std::string ExtrapolationRefusalText;
    std::string EditDisplayXYExt;
    PointerMode ExtMode = PointerMode::ZoomIn;

    // Extrapolates the smoothed g(s*) sets start .. end to infinite time and draws both views.
    // Unforced (and "bAlwaysPlotExtrapolation" clear) it only marks the computation as pending.
    // A curve that is no result is not drawn on the s* axis view, which says why instead; a
    // forced computation also says it in a message.
    // 0 when drawn, -1 otherwise.
    int32_t DrawExtrapolation(int32_t end, int32_t start, bool forced);
    void ScrollBarExtrapolationChange();
    void ScrollBarStartExtrapolationChange();
    void UpDownExtrapolationGraphNumberClick();
    void ButtonRefreshExtrapolationClick();
    void RadioGroupExtapolationViewClick();
    void SBZoomInExtClick() { ExtMode = PointerMode::ZoomIn; }
    void SBDisplayXYExtClick() { ExtMode = PointerMode::DisplayXY; }
    // On either chart: reads the visible one.
    void ChartExtrapolationClickBackground(double x, double y);
    // The ranges of the extrapolation's controls after a full load.
    void SetUpExtrapolationAfterLoad();
    // After the stages changed: the end follows the newest set while it stands on the last one;
    // otherwise the chosen range is drawn (or marked pending) again.
    void FollowNewestExtrapolationSet();

private:
    const RealTimeGofS* Engine() const { return view_.CurrentEngine(); }
    // "Set k, mean time t" of smoothed g(s*) set k, t in whole seconds.
    std::string ExtrapolationSetText(int32_t k) const;
    // The "time axis" curve of grid point p: its fit and its entries, in the palette's colour.
    void DrawExtrapolationFit(const ExtrapolationResult& r, int32_t p, int32_t line, ChartColour colour);
    void DrawExtrapolationSAxis(const ExtrapolationResult& r);

    ViewContext& view_;
};

} // namespace morvane
