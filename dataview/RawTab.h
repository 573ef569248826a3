#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "chart/ChartModel.h"
#include "dataview/PositionMemory.h"
#include "dataview/ViewContext.h"
#include "follower/ChannelSession.h"
#include "windows/TScanSelector.h"

namespace morvane {

// The data view's "Raw Data" tab: the raw scans (all, a stride of them, or the user's choice), the
// markers of the cell's positions and the clicks that set them, the positions typed, remembered
// and restored, and the meniscus proposed from the data.
class RawTab {
public:
    // Modes of the raw chart's exclusive button group.
    enum class RawMode { ZoomIn, Jitter, Meniscus, DisplayXY, IntegralFringe };
    enum class Position { Meniscus, Bottom, Jitter, Fringe };
    static constexpr const char* DefaultPositionsCaption = "Defaults";
    static constexpr const char* RestoredText = "restored";
    static constexpr const char* FindMeniscusCaption = "Find meniscus";
    static constexpr const char* AcceptMeniscusCaption = "Accept";
    static constexpr ChartColour ProposedMeniscusColour = Colours::Olive;
    static constexpr std::array<ChartColour, 5> SeriesColours
        = { Colours::Red, Colours::Blue, Colours::Green, Colours::Fuchsia, Colours::Purple };
    // The colour of raw scan k: its own through every redraw (a live run, a moved marker).
    static ChartColour ScanColour(int32_t k) { return SeriesColours[static_cast<size_t>(k) % SeriesColours.size()]; }
    // One flag for all data views: a choice made in one view puts every view's next redraw into
    // the user's-choice mode; any full load clears it.
    static inline bool ManualScanChoice = false;

    explicit RawTab(ViewContext& view);

    ChartModel Chart1; // series 0 BarSeries (markers), series 1 Template
    std::string EditDisplayXY;
    std::string EditJitter;
    std::string EditMeniscus;
    std::string EditIntegralFringe;
    // Read-only text beside the three position edits: what PositionWarnings finds, or empty.
    std::string EditPositionWarning;
    RawMode RawChartMode = RawMode::ZoomIn;
    bool SBJitterEnabled = false;
    bool SBIntegralFringeEnabled = false;
    bool Chart1BackgroundClickInstalled = false;
    // The meniscus proposed from the data (ButtonFindMeniscusClick), drawn as a marker until taken.
    std::optional<double> ProposedMeniscus;
    std::string EditMeniscusProposal; // what the search found, or why it found nothing
    bool ButtonAcceptMeniscusEnabled = false;
    std::string EditBottom;
    // Beside the positions while they are those remembered from an earlier launch of the run and
    // channel (RestoredText); empty once the user changes one, or for positions not remembered.
    std::string LabelPositionsRestored;
    bool ButtonDefaultPositionsEnabled = false; // the positions differ from the launch's defaults
    // The launch's, before any remembered ones took their place (none before RecallPositions).
    std::optional<CellPositions> DefaultPositions;
    int32_t DisplayStride = 1;
    int32_t IncrementalCount = 0;
    TScanSelector ScanSelector;

    // Scan display (RawTab.cpp).
    void RedrawRawScans();
    void DrawNewestScan();
    void ButtonChooseScansClick();
    // Markers and raw-chart clicks.
    void ShowMarkers();
    void ShowMarkerPositions();
    void SBGroup1Click(RawMode mode);
    // Chart values of a click (the view converts pixels); rounded to 5 significant digits here.
    void Chart1ClickSeries(double x, double y);
    void Chart1ClickBackground(double x, double y);
    void RawChartClick(double x, double y);

    // Positions (RawTabPositions.cpp).
    // Before the first load: keeps the launch's positions as the defaults and puts those that
    // `memory` holds for the run and channel in their place, marked as restored. Every position the
    // user sets afterwards is remembered there. A memory file that cannot be used is said in a
    // message. Null memory: nothing is recalled or remembered.
    void RecallPositions(PositionMemory* memory, const std::string& run, LaunchParameters& launch);
    // A radius typed into a position's edit (".", or the user's decimal separator), taken as a
    // click at it is: rounded to 5 significant digits, refused where a click is (a meniscus at or
    // past the bottom, and so a bottom at or before the meniscus), the same rebuild. A text that is
    // no radius in cm is refused with a message; a refused text gives way to the position in force.
    void EditPositionDone(Position which, const std::string& text);
    // Back to the launch's default positions, rebuilt; the remembered ones are forgotten.
    void ButtonDefaultPositionsClick();

    // The meniscus proposed from the data.
    // Looks for the meniscus artefact in the first raw scans and proposes its radius; nothing is
    // changed until ButtonAcceptMeniscusClick.
    void ButtonFindMeniscusClick();
    // Takes the proposal as a click in the meniscus mode would, with the same check.
    void ButtonAcceptMeniscusClick();

private:
    RealTimeGofS* Engine() const { return view_.EngineToChange(); }
    void SetUpRawChart();
    // Clears series s and fills it with the valid points of raw set k.
    void DrawRawSet(int32_t s, int32_t k);
    // Index of the last active series above the template (1 when none is drawn).
    int32_t LastDrawnSeries() const;
    // The series right after the last drawn one, cloned from the template when missing.
    int32_t SeriesAfterLastDrawn();
    // Draws raw set k into series s, in the scan's colour.
    void DrawInto(int32_t s, int32_t k);
    // Scales c(r) to the drawn points between the meniscus and the end of the analysed range, so
    // the pile-up at the cell bottom does not flatten the boundaries; those points stay drawn.
    void FitRawValueAxis();
    // The one way a position changes (a click, a typed radius, an accepted proposal, the
    // defaults): checked, set, drawn, rebuilt and remembered. False (and a message) when refused.
    bool SetPosition(Position which, double x);
    // After the positions changed: remembered, the restored mark gone, the defaults button updated.
    void PositionsChanged();

    ViewContext& view_;
    // Where the positions are remembered, under which run and channel entry (the launch's).
    PositionMemory* positionMemory_ = nullptr;
    std::string memoryRun_, memoryChannel_;
    bool memoryFailureShown_ = false; // a memory that cannot be written is said once
};

} // namespace morvane
