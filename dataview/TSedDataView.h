#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "dataview/CsPanel.h"
#include "dataview/ExtrapolationTab.h"
#include "dataview/RawTab.h"
#include "dataview/ResultTabs.h"
#include "dataview/SpeciesTab.h"
#include "dataview/TimeCourseTab.h"
#include "dataview/ViewContext.h"
#include "follower/CellChange.h"
#include "follower/ChannelFollower.h"
#include "follower/ScanExport.h"
#include "provenance/Sidecar.h"
#include "settings/GUISettings.h"
#include "windows/TWaitWorking.h"
#include "windows/WindowHost.h"

namespace morvane {

class TSedDataView;

// Who keeps data views in its lists: told when one closes, so that it can drop it.
class DataViewOwner {
public:
    virtual ~DataViewOwner() = default;
    virtual void DataViewClosed(TSedDataView& view) = 0;
};

// The analysis window of one channel: loading and following come from ChannelFollower; each tab
// is an object of its own (Raw, Results, Extrapolation, TimeCourse, Species, Cs) with its state,
// its charts as models and its handlers, which reads the window through ViewContext. The window
// holds what is outside the tabs: the loading hooks, the rebuild after a change, the outputs
// (each a TSedDataView<Output>.cpp), the molecular-weight span. A Qt widget binds it; tests drive it.
class TSedDataView : public ChannelFollower, private ViewContext {
public:
    using RawMode = RawTab::RawMode;
    using Position = RawTab::Position;
    using PointerMode = morvane::PointerMode;

    static constexpr const char* TabCaptions[5]
        = { "Raw Data c(r)", "Average  t (dc/dt)", "Corrected t (dc/dt)", "Extrapolation", "Time Course" };
    static constexpr const char* RescaleHint = "Rescale (you may also select backwards to rescale)";
    static constexpr const char* SaveDialogTitle = "Save s*g(s*)";
    static constexpr const char* ExportDialogTitle = "Export the scans as scan files: the first file's name";
    static constexpr const char* TextFileFilter = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|";

    // host: the host that answers this window's requests; null: nobody (see SetHost).
    explicit TSedDataView(WindowHost* host = nullptr);
    // Hands the window's requests to another host from now on (the Qt layer gives each view its
    // own, so its dialogs belong to it); null: nobody, messages dropped and dialogs cancelled.
    void SetHost(WindowHost* host);

    std::string Caption; // the window's: the name the main window gave it
    bool InputEnabled = true;
    bool Visible = false;
    bool Closed = false;
    int32_t PageControl1ActivePage = 0;
    bool Timer1Enabled = true; // interval: ChannelFollower::Timer1Interval

    // Controls outside the tabs.
    std::string LabelDir = "Directory";
    std::string EditFullPath = "*.*";
    std::string EditTargetChannel;
    std::string LabelScanCount; // what became of the channel's files: ScanCountText of the latest look
    std::string Label6 = "Enter MW for data span";
    bool CheckBoxMWGuess = false; // set: the data span follows AssumedMW
    std::string EditMWGuess; // read-only; a click asks for a new weight
    std::string SaveDialog1InitialDir; // empty until an export of scan files sets it

    TWaitWorking WaitWindow;
    GUISettings DisplaySettings;

    // Told when the window closes; null: nobody keeps it in a list.
    DataViewOwner* Owner = nullptr;

    // ---- Loading and live refresh (TSedDataViewLoading.cpp) ----
    // The refresh tick; nothing after the window was closed or its timer stopped.
    void Timer1Timer();
    void FormClose();

    // ---- Raw data (RawTab.h) ----
    RawTab Raw { static_cast<ViewContext&>(*this) };

    // ---- Average and corrected tabs (ResultTabs.h) ----
    ResultTabs Results { static_cast<ViewContext&>(*this) };
    // Draws both tabs' newest sets, then what follows them (the extrapolation's end, the species
    // fit and the convergence measure); 0, or -1 when a store it needs does not exist.
    int32_t ShowAverageAndCorrected();

    // ---- Output (TSedDataViewOutput.cpp) ----
    // Said after a g(s*) file was written, followed by its full path.
    static constexpr const char* OutputWrittenMessage = "s*g(s*) written to ";
    // Writes the newest corrected set with the composite's gaps filled, through the save dialog.
    void ButtonOutputAsciiClick();
    // Writes the corrected set the time course shows, alone.
    void ButtonTCOutputAsciiClick();

    // ---- Export of scan files (TSedDataViewExport.cpp) ----
    // The date and time an export reads once when it starts (tests set their own).
    std::function<LocalDateTime()> ExportClock = CurrentLocalDateTime;
    // Writes every raw scan as a scan file, numbered from the name chosen in the save dialog, which
    // proposes a new directory below the run's root named for the date and time; that directory
    // then becomes the g(s*) output's initial directory.
    void ButtonExportFilesClick();

    // ---- Extrapolation (ExtrapolationTab.h) ----
    ExtrapolationTab Extrapolation { static_cast<ViewContext&>(*this) };
    static constexpr const char* SaveExtrapolationDialogTitle = "Save extrapolation";
    // Writes the extrapolation of the chosen range as a file, through the save dialog
    // (TSedDataViewExtrapolationOutput.cpp).
    void ButtonOutputExtrapolationClick();

    // ---- Time course (TimeCourseTab.h) ----
    TimeCourseTab TimeCourse { static_cast<ViewContext&>(*this) };

    // ---- Molecular-weight span (TSedDataViewMWSpan.cpp) ----
    static constexpr const char* MWInputCaption = "Input a molecular Weight in Daltons";
    static constexpr const char* MWInputPrompt = "Weight in Daltons";
    static constexpr const char* MWInputError = MWRefusal;
    // The data span from the check box's rule; recomputes every stage and redraws.
    void CheckBoxMWGuessClick();
    // Asks for a new weight (MWAccepted); recomputes at once while the span follows it, else later.
    void EditMWGuessClick();

    // ---- Species and convergence (SpeciesTab.h) ----
    using SpeciesSource = SpeciesTab::SpeciesSource;
    using SpeciesPanel = SpeciesTab::SpeciesPanel;
    static constexpr const char* SaveSpeciesTableCaption = "Save table..."; // corrected tab only
    static constexpr const char* SaveSpeciesTableTitle = "Save species table";
    SpeciesTab Species { static_cast<ViewContext&>(*this), Results.dcdtChart, Extrapolation };
    // The display settings the view draws by, and the play speed they give.
    void UseDisplaySettings(const GUISettings& settings);
    // Writes the corrected panel's table (the command line's text) where the user chooses, with its
    // sidecar, from which morvane-cli reproduce fits the same set again.
    void ButtonSaveSpeciesTableClick();

    // ---- c(s) (TSedDataViewCs.cpp; the tab's logic in CsPanel.h) ----
    CsPanel Cs; // follows the run once fitted; reloads and moved positions fit afresh
    // "Fit c(s)" with the tab's choices and the species panels' solvent; a refused choice is told.
    void ButtonFitCsClick();
    // Takes a finished background fit into the tab (the window polls it); true when it changed.
    bool PollCs();

    // ---- Run report (TSedDataViewReport.cpp) ----
    static constexpr const char* SaveReportTitle = "Save the run report";
    static constexpr const char* HtmlFileFilter = "HTML Files (*.html)|*.html|All Files (*.*)|*.*|";
    // Writes the run report of the channel (report/RunReport.h) where the user chooses, with its
    // record: the extrapolation of the chosen range (every set while the range is the default), the
    // species table of the corrected panel's fit when one was made, the verdict by the view's settings.
    void ButtonReportClick();

    // ---- Opened from a record (TSedDataViewRecord.cpp) ----
    // Said above the tabs of a view opened from a record: which record, and whether the run's scan
    // files are still those it lists (the whole report is LabelOpenedFromHint); empty otherwise.
    std::string LabelOpenedFrom;
    std::string LabelOpenedFromHint;
    // After the first load of a view opened from `record`: the tab of its output and the controls
    // that output took (the extrapolation's range, the time course's set, the species fit's
    // choices). A parameter this channel cannot take now is named in LabelOpenedFromHint instead.
    void UseRecordedOutput(const Sidecar& record);

protected:
    // Loading hooks (TSedDataViewLoading.cpp).
    void ShowProgress(const std::string& text) override;
    void BeginLoad() override;
    void EndLoad(bool loaded) override;
    void NewScanAdded(int32_t index) override;
    void RefreshDone() override;

private:
    // Takes the window rule or weight through the cell's one change path; false (told) when refused.
    bool ChangeWindowRule(const CellParameters& wanted);
    // What the tabs read from the window.
    const RealTimeGofS* CurrentEngine() const override { return Engine.get(); }
    WindowHost& Ask() override { return *host_; }
    const GUISettings& Display() const override { return DisplaySettings; }
    bool WindowClosed() const override { return Closed; }
    void EnableInput(bool enabled) override { InputEnabled = enabled; }
    RealTimeGofS* EngineToChange() override { return Engine.get(); }
    void RebuildStages(bool transform) override;
    // The value axes' titles with the channel's signal unit (before a load draws by them).
    void ShowUnitsInTitles();

    // Output: runs the save dialog for a g(s*) file and writes it (set: see WriteGofsFile).
    void SaveGofsFile(int32_t set, bool newestWithComposite);
    // The save dialog of a text output, from the proposed name; a name over, or among, the scan
    // files of a run is refused with a message. The chosen name, or empty (cancelled or refused).
    std::string AskTextOutputName(const char* title, const std::string& proposed);
    // Where a written file went, in full (a proposed name alone does not tell the directory).
    static std::string ShownPath(const std::string& path);

    SilentHost silentHost_;
    WindowHost* host_;
};

} // namespace morvane
