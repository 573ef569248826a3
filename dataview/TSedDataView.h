#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "analysis/ChannelDataStore.h"
#include "chart/ChartModel.h"
#include "dataview/ChannelFollower.h"
#include "settings/GUISettings.h"
#include "windows/Controls.h"
#include "windows/Prompts.h"
#include "windows/TScanSelector.h"
#include "windows/TWaitWorking.h"

class TSedDataView;

// Who keeps data views in its lists: told when one closes, so that it can drop it.
class DataViewOwner {
public:
    virtual ~DataViewOwner() = default;
    virtual void DataViewClosed(TSedDataView& view) = 0;
};

// The analysis window of one channel: loading and following come from ChannelFollower; this
// class adds what the window shows (the charts as models, the texts of its edits, the enabled
// flags of its buttons) and its handlers. A Qt widget binds it; tests drive it directly.
// The handlers live in one file per concern, TSedDataView<Concern>.cpp, each with its section
// below: a new tab brings its own file and section (its tests: tests/dataview/, same name + Test).
class TSedDataView : public ChannelFollower {
public:
    // Modes of the raw chart's exclusive button group.
    enum class RawMode { ZoomIn, Jitter, Meniscus, DisplayXY, IntegralFringe };
    // Modes of the two-button groups of the other charts.
    enum class PointerMode { ZoomIn, DisplayXY };

    static constexpr const char* TabCaptions[5]
        = { "Raw Data c(r)", "Average  t (dc/dt)", "Corrected t (dc/dt)", "Extrapolation", "Time Course" };
    static constexpr const char* RescaleHint = "Rescale (you may also select backwards to rescale)";
    static constexpr const char* SaveDialogTitle = "Save s*g(s*)";
    static constexpr const char* TextFileFilter = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|";

    // One flag for all data views: a choice made in one view puts every view's next redraw into
    // the user's-choice mode; any full load clears it.
    static inline bool ManualScanChoice = false;

    // prompts: the host that answers this window's requests; null: nobody (see SetPrompts).
    explicit TSedDataView(Prompts* prompts = nullptr);
    // Hands the window's requests to another host from now on (the Qt layer gives each view its
    // own, so its dialogs belong to it); null: nobody, messages dropped and dialogs cancelled.
    void SetPrompts(Prompts* prompts);

    // Window.
    std::string Caption; // the name the main window gave it
    bool InputEnabled = true;
    bool Visible = false;
    bool Closed = false;
    int32_t PageControl1ActivePage = 0;
    bool Timer1Enabled = true; // interval: ChannelFollower::Timer1Interval
    Timer TimerPlayBack { 1000, false };
    int32_t PlayPercentSpeed = 50;

    // Controls outside the tabs.
    std::string LabelDir = "Directory";
    std::string EditFullPath = "*.*";
    std::string EditTargetChannel;
    std::string Label6 = "Enter MW for data span";
    bool CheckBoxMWGuess = false;
    std::string EditMWGuess;
    std::string SaveDialog1InitialDir; // empty until an export of scan files sets it

    // Raw-data tab.
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

    // Extrapolation controls kept in step by loads and refreshes.
    ScrollBarControl ScrollBarExtrapolation;
    ScrollBarControl ScrollBarStartExtrapolation;
    UpDownControl UpDownExtrapolationGraphNumber { 0, 100, 1 };
    std::string EditExtSetsToShow;

    // Members.
    SetCursor ColourCursor;
    static constexpr std::array<ChartColour, 5> SeriesColours
        = { Colours::Red, Colours::Blue, Colours::Green, Colours::Fuchsia, Colours::Purple };
    TWaitWorking WaitWindow;
    const ChannelDataStore* TimeCourseStore = nullptr;
    int32_t DisplayStride = 1;
    int32_t IncrementalCount = 0;
    GUISettings DisplaySettings;
    TScanSelector ScanSelector;

    // Told when the window closes; null: nobody keeps it in a list.
    DataViewOwner* Owner = nullptr;

    // ---- Loading and live refresh (TSedDataViewLoading.cpp) ----
    // The refresh tick; nothing after the window was closed or its timer stopped.
    void Timer1Timer();
    void FormClose();

    // ---- Raw-data tools (TSedDataViewRawTools.cpp) ----
    // Scan display.
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

    // ---- Average and corrected views (TSedDataViewAverageCorrected.cpp) ----
    void SBZoomInAvgClick() { AvgMode = PointerMode::ZoomIn; }
    void SBDisplayXYAvgClick() { AvgMode = PointerMode::DisplayXY; }
    void SBZoomInCorClick() { CorMode = PointerMode::ZoomIn; }
    void SBDisplayXYCorClick() { CorMode = PointerMode::DisplayXY; }
    void ChartAverageClickBackground(double x, double y);
    void dcdtChartClickBackground(double x, double y);
    // 0, or -1 when a store it needs does not exist.
    int32_t ShowAverageAndCorrected();

    // ---- Output (TSedDataViewOutput.cpp) ----
    // Writes the newest corrected set with the composite's gaps filled, through the save dialog.
    void ButtonOutputAsciiClick();

    // ---- Shared by the tabs (TSedDataView.cpp) ----
    // "X = " x "  Y = " y, the read-out text of a click.
    static std::string ReadOutText(double x, double y);
    // Raw scans the engine needs before it makes its first averaged and g(s*) sets.
    static constexpr int32_t ScansForFirstResult = 4;
    // What the average and corrected charts say while they have nothing to draw.
    static std::string NoResultText(int32_t scansRead);

protected:
    // Loading hooks (TSedDataViewLoading.cpp).
    void ShowProgress(const std::string& text) override;
    void BeginLoad() override;
    void EndLoad(bool loaded) override;
    void NewScanAdded(int32_t index) override;
    void RefreshDone() override;

private:
    // A line series that draws nothing until it is filled and made active.
    static ChartSeries InactiveLine();
    // Shows the rounded click in `edit` and in a message, when the chart has series to read.
    void ReadOut(ChartModel& chart, std::string& edit, double x, double y);

    // Raw-data tools.
    void SetUpRawChart();
    // Clears series s and fills it with the valid points of raw set k.
    void DrawRawSet(int32_t s, int32_t k);
    // Index of the last active series above the template (1 when none is drawn).
    int32_t LastDrawnSeries() const;
    // The series right after the last drawn one, cloned from the template when missing.
    int32_t SeriesAfterLastDrawn();
    // Draws raw set k into series s, advances the colour cursor and colours s with its new value.
    void DrawInto(int32_t s, int32_t k);
    // Scales c(r) to the drawn points between the meniscus and the end of the analysed range, so
    // the pile-up at the cell bottom does not flatten the boundaries; those points stay drawn.
    void FitRawValueAxis();
    void RebuildAfterMarker(bool transform);

    // Average and corrected views.
    void SetUpResultCharts();

    SilentPrompts silentPrompts_;
    Prompts* prompts_;
};
