#include "mainwindow/TMorvaneForm.h"

#include <algorithm>
#include <filesystem>

#include "analysis/NumberText.h"
#include "follower/ChannelSession.h"
#include "provenance/RecordText.h"
#include "provenance/RecordedAnalysis.h"
#include "scanfiles/FileSystem.h"

namespace morvane {

TMorvaneForm::TMorvaneForm(WindowHost* host)
    : host_(host ? host : &silentHost_)
{
}

TMorvaneForm::~TMorvaneForm()
{
    // Views go with the main window; they must not call back into it on the way.
    for (auto& v : views_)
        v->Owner = nullptr;
}

std::string TMorvaneForm::WindowName(const std::string& dir, const std::string& channel) const
{
    const std::string base = JoinPath(dir, channel);
    auto listed = [this](const std::string& name) {
        return std::any_of(ListBoxOpenWindows.begin(), ListBoxOpenWindows.end(),
            [&](const OpenWindowEntry& e) { return e.Name == name; });
    };
    if (!listed(base))
        return base;
    for (int32_t n = 1;; ++n) {
        const std::string name = base + "#" + std::to_string(n) + " ";
        if (!listed(name))
            return name;
    }
}

TSedDataView* TMorvaneForm::ButtonLaunchClick()
{
    const ChannelEntry channel = SelectedChannel();
    if (channel.empty()) {
        host_->ShowMessage(NoChannelSelectedMessage);
        return nullptr;
    }
    return &LaunchView(EditDataDir, LaunchParameters::Defaults(channel, DisplaySettings, AnalysisSettings),
        AnalysisSettings, DisplaySettings, true);
}

TSedDataView& TMorvaneForm::LaunchView(const std::string& dir, LaunchParameters launch, const CustomSettings& analysis,
    const GUISettings& display, bool recall)
{
    ReleaseClosedViews();
    auto owned = std::make_unique<TSedDataView>(host_);
    TSedDataView& view = *owned;
    views_.push_back(std::move(owned));
    const std::string name = WindowName(dir, launch.Channel);
    view.Raw.RecallPositions(recall ? &Positions : nullptr, dir, launch);
    ConfigureForLaunch(*view.Engine, launch, analysis);
    view.Caption = name;
    // Before the first load, which draws by them: a view would otherwise start on the built-in values.
    view.UseDisplaySettings(display);
    view.Species.UseSpeciesSettings(SpeciesDefaults);
    host_->ShowDataView(view);
    view.LoadChannel(dir, "watch");
    view.EditMWGuess = FloatToStr(view.Engine->Cell.AssumedMW);
    view.CheckBoxMWGuess = view.Engine->Cell.WindowByMW;
    view.Caption = name;
    view.Owner = this;
    ListBoxOpenWindows.push_back({ name, &view });
    ComparisonWindows.push_back({ name, &view });
    if (ComparisonWindow)
        ComparisonWindow->AddEntry(name, &view);
    view.Visible = true;
    return view;
}

std::vector<TSedDataView*> TMorvaneForm::OpenAnalysisClick()
{
    FileDialogRequest request;
    request.Title = OpenAnalysisTitle;
    request.Filter = RecordFilter;
    request.InitialDir = EditDataDir;
    if (!host_->OpenDialog(request))
        return {};
    return OpenAnalysis(request.FileName);
}

std::vector<TSedDataView*> TMorvaneForm::OpenAnalysis(const std::string& path)
{
    RecordedAnalysis analysis;
    if (const std::string failure = ReadRecordedAnalysis(path, analysis); !failure.empty()) {
        host_->ShowMessage(failure);
        return {};
    }
    std::vector<RecordedInputs> inputs;
    for (ChannelRecord& c : analysis.Record.Channels) {
        std::error_code ec;
        if (!std::filesystem::is_directory(c.RunDirectory, ec)) {
            FileDialogRequest request;
            request.Title = "The run directory " + Printable(c.RunDirectory) + " of " + Printable(c.Channel)
                + " does not exist (moved?): where is the run now?";
            request.InitialDir = EditInputDir;
            if (host_->SelectDirectory(request))
                c.RunDirectory = request.FileName;
        }
        inputs.push_back(CompareRecordedInputs(c));
    }
    const std::string report = RecordedAnalysisReport(analysis, inputs);
    const std::string name = std::filesystem::path(path).filename().string();
    const GUISettings display = RecordedDisplay(analysis.Record, DisplaySettings);
    std::vector<TSedDataView*> views;
    for (size_t i = 0; i < analysis.Record.Channels.size(); ++i) {
        const ChannelRecord& c = analysis.Record.Channels[i];
        std::error_code ec;
        if (!std::filesystem::is_directory(c.RunDirectory, ec))
            continue;
        TSedDataView& view = LaunchView(c.RunDirectory, LaunchOfRecord(c), c.Analysis, display, false);
        view.LabelOpenedFrom = "Opened from " + Printable(name) + ": " + inputs[i].Verdict;
        view.LabelOpenedFromHint = report;
        view.UseRecordedOutput(analysis.Record);
        views.push_back(&view);
    }
    host_->ShowMessage(views.empty() ? report + "\nNo run directory of the record was found: nothing opened." : report);
    return views;
}

TSedDataView* TMorvaneForm::ButtonFocusWindowClick() const
{
    if (ListBoxOpenWindowsItemIndex < 0
        || ListBoxOpenWindowsItemIndex >= static_cast<int32_t>(ListBoxOpenWindows.size()))
        return nullptr;
    return ListBoxOpenWindows[static_cast<size_t>(ListBoxOpenWindowsItemIndex)].View;
}

TSedDataView* TMorvaneForm::ListBoxOpenWindowsDblClick(int32_t index)
{
    if (index < 0 || index >= static_cast<int32_t>(ListBoxOpenWindows.size()))
        return nullptr;
    ListBoxOpenWindowsItemIndex = index;
    return ButtonFocusWindowClick();
}

void TMorvaneForm::DataViewClosed(TSedDataView& view)
{
    auto drop = [&view](std::vector<OpenWindowEntry>& list) {
        std::erase_if(list, [&view](const OpenWindowEntry& e) { return e.View == &view; });
    };
    drop(ComparisonWindows);
    // The entry goes before the redraw, so that no redraw reads the closing view's engine.
    if (ComparisonWindow && ComparisonWindow->RemoveEntry(&view))
        ComparisonWindow->PlotComparison();
    const auto before = ListBoxOpenWindows.size();
    drop(ListBoxOpenWindows);
    if (ListBoxOpenWindows.size() != before)
        ListBoxOpenWindowsItemIndex = -1;
}

void TMorvaneForm::ReleaseClosedViews()
{
    std::erase_if(views_, [](const std::unique_ptr<TSedDataView>& v) { return v->Closed; });
}

void TMorvaneForm::btnSetInputDirClick()
{
    Timer2.Enabled = false;
    FileDialogRequest request;
    request.Title = RootDialogTitle;
    request.Filter = RootDialogFilter;
    request.InitialDir = EditInputDir;
    if (host_->SelectDirectory(request)) {
        const std::string failure = RootDirChosen(request.FileName);
        if (!failure.empty())
            host_->ShowMessage(failure);
    }
    // On again in any case: it retries a root that could not be listed, or follows a listed one.
    Timer2.Enabled = true;
}

void TMorvaneForm::Timer1Timer()
{
    if (Timer1.Enabled)
        UpdateDirChannels(EditDataDir);
}

void TMorvaneForm::Timer2Timer()
{
    if (!Timer2.Enabled || EditInputDir.empty())
        return;
    // Retries quietly: a root that stays unreadable would otherwise raise a message box every 5 s.
    if (ListBoxDataDirs.empty())
        ScanRootDir(EditInputDir);
    else
        FollowRootDir();
}

void TMorvaneForm::Tick()
{
    Timer1Timer();
    sinceFollowMs_ += Timer1.Interval;
    if (sinceFollowMs_ + Timer1.Interval > Timer2.Interval) {
        sinceFollowMs_ = 0;
        Timer2Timer();
    }
}

void TMorvaneForm::S11Click()
{
    if (!SettingsWindow)
        return;
    SettingsWindow->FormShow(DisplaySettings, AnalysisSettings, SpeciesDefaults, host_);
    SettingsWindow->Visible = true;
    host_->ShowSettingsWindow(*SettingsWindow);
    SettingsWindow->Visible = false;
}

void TMorvaneForm::Recompose1Click()
{
    if (!RecomposeTool)
        return;
    RecomposeTool->FormShow(EditDataDir);
    RecomposeTool->Visible = true;
    host_->ShowRecomposeTool(*RecomposeTool);
    RecomposeTool->Visible = false;
    RecomposeTool->FormClose();
}

void TMorvaneForm::ButtonShowFileClick()
{
    if (!ScanViewer)
        return;
    ScanViewer->Visible = false;
    ScanViewer->EditFileName = EditDateTimeDir;
    ScanViewer->ShowScanFile();
    ScanViewer->Visible = true;
    host_->ShowScanViewer(*ScanViewer);
}

void TMorvaneForm::ButtonLaunchComparisonClick()
{
    if (!ComparisonWindow)
        return;
    ComparisonWindow->Visible = true;
    host_->ShowComparisonWindow(*ComparisonWindow);
}

} // namespace morvane
