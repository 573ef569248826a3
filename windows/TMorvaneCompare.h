#pragma once
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analysis/ChannelDataStore.h"
#include "chart/ChartModel.h"
#include "windows/Controls.h"
#include "windows/WindowHost.h"

namespace morvane {

class ChannelFollower;

// One entry of the comparison window's list: the data view's name and the view whose engine a
// redraw reads. The main window adds it at a launch and removes it when the view closes.
struct ComparisonEntry {
    std::string Text;
    const ChannelFollower* View = nullptr;
    bool Selected = false;
};

// The comparison window: the composite g(s*) curves of the selected data views on one chart, as
// they are ("Regular") or each divided by its own total concentration Co ("Normalized"). It holds
// no data of its own; every redraw reads the views' engines. The program makes one at start-up.
class TMorvaneCompare {
public:
    enum class PointerMode { ZoomIn, DisplayXY };

    static constexpr const char* RescaleHint = "Rescale (you may also select backwards to rescale)";
    static constexpr const char* RegularLeftTitle = "t dc/dt corrected";
    static constexpr const char* NormalizedLeftTitle = "(t dc/dt)/Co corrected";
    // What a selected view that is not drawn says in LabelNote, after its legend title.
    static constexpr const char* NoGofsNote = ": no g(s*) yet";
    static constexpr const char* NothingToWriteText = "Select data sets that have a g(s*) to write them";
    static constexpr const char* LoadingNote = ": loading, drawn when it is done";
    // black, red, blue, green, fuchsia, teal, lime, navy, yellow, purple, aqua, maroon, olive, silver
    static constexpr std::array<ChartColour, 14> CurveColours = { Colours::Black, Colours::Red, Colours::Blue,
        Colours::Green, Colours::Fuchsia, Colours::Teal, Colours::Lime, Colours::Navy, Colours::Yellow, Colours::Purple,
        Colours::Aqua, Colours::Maroon, Colours::Olive, Colours::Silver };

    // host: the host of the read-out's message box; null: nobody (see SetHost).
    explicit TMorvaneCompare(WindowHost* host = nullptr);
    void SetHost(WindowHost* host);

    std::string Caption = "Comparison Form";
    int32_t Width = 696;
    int32_t Height = 480;
    bool Visible = false;
    bool InputEnabled = true;

    std::string Label2 = "Select Data Sets to Compare ->";
    // Multiple selection: each entry keeps its own Selected flag.
    std::vector<ComparisonEntry> ListBoxOpenWindows;
    std::string EditRefreshTime; // date and time of the last "Refresh"
    std::string ButtonRefreshCaption = "Refresh";
    std::string Label1 = "^ Last Refresh Time";
    std::string SBDisplayXYCorCaption = "Display X, Y";
    PointerMode CorMode = PointerMode::ZoomIn; // SBZoomInCor is down at start
    std::string EditDisplayXYCor;
    std::string RadioButtonUnNormalizedCaption = "Regular";
    std::string RadioButtonNormalizedCaption = "Normalized";
    bool RadioButtonNormalizedChecked = false; // "Regular" is checked at start
    // Series 0 is the inactive template that every curve's series is cloned from.
    ChartModel dcdtChart;
    // The selected views the last redraw left out, and why; empty when it drew them all.
    std::string LabelNote;
    SetCursor ColourCursor;
    // Runs while a selected view was left out because it was loading: its tick redraws once no
    // selected view is loading any more.
    Timer TimerBusyViews { 500, false };
    // The time "Refresh" shows.
    std::function<std::chrono::system_clock::time_point()> Clock = [] { return std::chrono::system_clock::now(); };

    // ---- The list, kept by the main window ----
    void AddEntry(const std::string& text, const ChannelFollower* view);
    // Removes the entry of `view`; false when it is not listed.
    bool RemoveEntry(const ChannelFollower* view);

    // ---- Handlers ----
    void ButtonRefreshClick();
    // Writes the selected views' curves (those the chart can draw) as a comparison file, through the
    // save dialog, with its record beside it (TMorvaneCompareOutput.cpp).
    void ButtonOutputAsciiClick();
    void RadioButtonUnNormalizedClick();
    void RadioButtonNormalizedClick();
    void SBZoomInCorClick() { CorMode = PointerMode::ZoomIn; }
    void SBDisplayXYCorClick() { CorMode = PointerMode::DisplayXY; }
    // A click on the chart in chart values (the view converts pixels); a read-out in coordinate mode.
    void dcdtChartClickBackground(double x, double y);
    // The redraw: one series per selected view that has a composite curve and is not loading.
    void PlotComparison();
    void TimerBusyViewsTimer();

    // "YYYY-MM-DD hh:mm:ss" in local time.
    static std::string DateTimeText(std::chrono::system_clock::time_point t);
    // The legend title of an entry: the last six characters of its text.
    static std::string SeriesTitle(const std::string& text);

private:
    void SetUpChart();
    void ListChanged();
    // Whether a selected view is in the middle of a load or a refresh.
    bool AnySelectedViewBusy() const;

    SilentHost silentHost_;
    WindowHost* host_;
};

} // namespace morvane
