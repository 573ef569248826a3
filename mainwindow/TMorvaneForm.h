#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/CustomSettings.h"
#include "dataview/TSedDataView.h"
#include "mainwindow/DirectoryChannels.h"
#include "recomposewindow/Trecompose.h"
#include "settings/GUISettings.h"
#include "settings/SpeciesSettings.h"
#include "settingswindow/TMorvaneSettings.h"
#include "windows/Controls.h"
#include "windows/TMorvaneCompare.h"
#include "windows/TViewAScan.h"
#include "windows/WindowHost.h"

namespace morvane {

inline constexpr const char* NoChannelSelectedMessage = "No Channel selected, cannot launch viewing window";

// One entry of a list of open windows: the window's name and the view it refers to.
struct OpenWindowEntry {
    std::string Name;
    TSedDataView* View = nullptr;
};

// The main window: directory discovery and channels (DirectoryChannels), plus the launch and
// tracking of data views and the two periodic refreshes. Dialogs and the windows it shows go
// through its WindowHost.
class TMorvaneForm : public DirectoryChannels, private DataViewOwner {
public:
    // A directory chooser: a root that holds only date directories has no file to pick.
    static constexpr const char* RootDialogTitle = "Choose the root data directory";
    static constexpr const char* RootDialogFilter = "XLA-XLI Scan Files|*.scn|all files|*.*";

    explicit TMorvaneForm(WindowHost* host = nullptr);
    ~TMorvaneForm();
    TMorvaneForm(const TMorvaneForm&) = delete;
    TMorvaneForm& operator=(const TMorvaneForm&) = delete;

    std::string Caption = "Morvane";
    GUISettings DisplaySettings;
    CustomSettings AnalysisSettings;
    SpeciesSettings SpeciesDefaults; // the species fit's solvent and the convergence thresholds
    // Where each launch finds the positions last used for its run and channel, and the view keeps
    // them; no file (the default): nothing is remembered.
    PositionMemory Positions;
    Timer Timer1 { 987, true }; // channel detection
    Timer Timer2 { 5000, true }; // the root's scan again, or its runs followed (FollowRootDir)

    // "List of open windows -->", unsorted; -1: none selected.
    std::vector<OpenWindowEntry> ListBoxOpenWindows;
    int32_t ListBoxOpenWindowsItemIndex = -1;
    // The comparison window's list: the same entries, kept in step with the comparison window's own.
    std::vector<OpenWindowEntry> ComparisonWindows;
    // The program's comparison window, made at start-up; none: "Show Comparison" does nothing.
    TMorvaneCompare* ComparisonWindow = nullptr;

    // "&Settings" > "&Program Settings" is offered: it shows the settings in use and changes them.
    bool ProgramSettings1Visible = true;
    // The program's one settings window, made at start-up; none: the menu item does nothing.
    TMorvaneSettings* SettingsWindow = nullptr;
    // "&Action" > "&Recompose" is offered.
    bool Action1Visible = true;
    // The program's recompose tool and single-scan viewer, made at start-up; none: their menu
    // item and button do nothing.
    Trecompose* RecomposeTool = nullptr;
    TViewAScan* ScanViewer = nullptr;

    // The name of a new view of `channel`: dir + delimiter + channel, made unique by "#n ".
    std::string WindowName(const std::string& channel) const { return WindowName(EditDataDir, channel); }
    std::string WindowName(const std::string& dir, const std::string& channel) const;

    // "Launch a Window" and "&Scans": the new view, or null when no channel is selected.
    TSedDataView* ButtonLaunchClick();
    TSedDataView* Scans1Click() { return ButtonLaunchClick(); }
    // The view to give the focus to, or null when no entry is selected.
    TSedDataView* ButtonFocusWindowClick() const;
    // A double click on an entry of the open-window list: selects it and gives that view the focus
    // as "Focus on this window" does; null for no entry.
    TSedDataView* ListBoxOpenWindowsDblClick(int32_t index);
    // "Open analysis…": a record chosen in the open dialog, then OpenAnalysis.
    static constexpr const char* OpenAnalysisTitle = "Open an analysis from its record";
    static constexpr const char* RecordFilter = "Records (*.json)|*.json|All Files (*.*)|*.*|";
    std::vector<TSedDataView*> OpenAnalysisClick();
    // A data view of each channel of the record at `path` (its sidecar): launched on the recorded run
    // directory with the recorded channel entry, positions, averaging rule and analysis settings and
    // the display settings the output read, showing the output's tab and controls (nothing of them
    // is remembered as the user's positions). Which recorded scan files changed, are missing or
    // were added since is checked as reproduce checks them and said in a message and above the
    // view's tabs. A run directory that no longer exists is asked for. A record that cannot be read
    // is said in a message, and no view opens.
    std::vector<TSedDataView*> OpenAnalysis(const std::string& path);
    // "Set root input directory": the directory chooser (a file picked in the directory also
    // does), then the scan of the chosen root.
    void btnSetInputDirClick();

    void Timer1Timer();
    void Timer2Timer();
    // The window's one clock, every Timer1.Interval: the channel detection at each tick, and the
    // root's follow (Timer2Timer) at the tick after which the next would pass Timer2.Interval, so
    // the root is looked at within every Timer2.Interval. One clock, which nothing restarts.
    void Tick();
    // "&Program Settings": fills the settings window from this window's settings, which it may change
    // for the views launched afterwards, and shows it.
    void S11Click();
    // "&Recompose": the recompose tool, modally, on the current data directory.
    void Recompose1Click();
    // "Show This File": the single-scan viewer on the file chosen in the file list (EditDateTimeDir).
    void ButtonShowFileClick();
    // "Show Comparison": the comparison window, not modally, whether or not views are open.
    void ButtonLaunchComparisonClick();

    // Frees the views that have been closed since the last call (a view is freed after its close).
    void ReleaseClosedViews();
    int32_t ViewCount() const { return static_cast<int32_t>(views_.size()); }

private:
    // A new view of `launch`'s channel in `dir`, shown, loaded and listed. The positions remembered
    // for the run and channel take the place of the launch's when `recall` is set.
    TSedDataView& LaunchView(const std::string& dir, LaunchParameters launch, const CustomSettings& analysis,
        const GUISettings& display, bool recall);
    // Drops a closing view from both open-window lists and from the comparison window's, which
    // then redraws without it.
    void DataViewClosed(TSedDataView& view) override;

    int32_t sinceFollowMs_ = 0; // ticks' time since the root was last followed
    SilentHost silentHost_;
    WindowHost* host_;
    std::vector<std::unique_ptr<TSedDataView>> views_;
};

} // namespace morvane
