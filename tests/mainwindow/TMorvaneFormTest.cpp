#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "mainwindow/TMorvaneForm.h"
#include "scanfiles/FileSystem.h"
#include "testutil/ScanFileWriter.h"

namespace fs = std::filesystem;
using testutil::TempDir;

namespace {

class RecordingPrompts : public Prompts {
public:
    std::vector<std::string> messages;
    std::vector<FileDialogRequest> openRequests;
    std::string openAnswer; // empty: cancel

    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool SaveDialog(FileDialogRequest&) override { return false; }
    bool OpenDialog(FileDialogRequest& request) override
    {
        openRequests.push_back(request);
        if (openAnswer.empty())
            return false;
        request.FileName = openAnswer;
        return true;
    }
    bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
};

testutil::RunSpec ChannelRun(const std::string& extension, int scans = 6)
{
    testutil::RunSpec spec;
    spec.extension = extension;
    spec.scans = scans;
    spec.points = 60;
    return spec;
}

// A main window whose root holds the run's files itself, so the root is the data directory.
struct FormOnRoot {
    RecordingPrompts prompts;
    TMorvaneForm form { &prompts };
    explicit FormOnRoot(const std::string& root)
    {
        form.ChangeWorkingDirectory = false;
        EXPECT_EQ(form.ScanRootDir(root), "");
    }
    void Select(const std::string& entry)
    {
        const auto& items = form.RadioGroupChannelsItems;
        const auto it = std::find(items.begin(), items.end(), entry);
        ASSERT_NE(it, items.end()) << entry;
        form.RadioGroupChannelsItemIndex = static_cast<int32_t>(it - items.begin());
        form.RadioGroupChannelsClick();
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& e : form.ListBoxOpenWindows)
            names.push_back(e.Name);
        return names;
    }
};

} // namespace

TEST(MorvaneForm, LaunchNamesAreMadeUniqueAndReusedAfterAClose)
{
    TempDir root;
    testutil::WriteRun(root.path(), ChannelRun("RA1"));
    FormOnRoot f(root.path());
    ASSERT_EQ(f.form.SelectedChannel(), "0*.RA1");
    const std::string base = JoinPath(root.path(), "0*.RA1");

    TSedDataView* first = f.form.ButtonLaunchClick();
    TSedDataView* second = f.form.ButtonLaunchClick();
    TSedDataView* third = f.form.ButtonLaunchClick();
    ASSERT_TRUE(first && second && third);
    EXPECT_EQ(f.Names(), (std::vector<std::string> { base, base + "#1 ", base + "#2 " }));
    EXPECT_EQ(second->Caption, base + "#1 ");
    EXPECT_EQ(f.form.ComparisonWindows.size(), 3u);
    EXPECT_TRUE(first->Visible);
    EXPECT_TRUE(first->HasData);
    EXPECT_EQ(first->Engine->RawStore->GetNumberOfSets(), 6);

    first->FormClose();
    EXPECT_EQ(f.Names(), (std::vector<std::string> { base + "#1 ", base + "#2 " }));
    EXPECT_EQ(f.form.ComparisonWindows.size(), 2u);
    TSedDataView* fourth = f.form.ButtonLaunchClick();
    ASSERT_NE(fourth, nullptr);
    EXPECT_EQ(f.Names().back(), base);
    EXPECT_EQ(f.form.ViewCount(), 3) << "the closed view was freed";
    EXPECT_TRUE(f.prompts.messages.empty());
}

TEST(MorvaneForm, LaunchWithoutAChannelSaysSo)
{
    TempDir root;
    FormOnRoot f(root.path());
    ASSERT_EQ(f.form.SelectedChannel(), "");
    EXPECT_EQ(f.form.ButtonLaunchClick(), nullptr);
    EXPECT_EQ(f.prompts.messages, (std::vector<std::string> { "No Channel selected, cannot launch viewing window" }));
    EXPECT_EQ(f.form.ViewCount(), 0);
    EXPECT_TRUE(f.form.ListBoxOpenWindows.empty());
}

TEST(MorvaneForm, LaunchHandsTheViewItsChannelPositionsAndSettings)
{
    TempDir root;
    testutil::WriteRun(root.path(), ChannelRun("IP4"));
    testutil::WriteRun(root.path(), ChannelRun("RA4"));
    testutil::WriteRun(root.path(), ChannelRun("RI2"));
    FormOnRoot f(root.path());
    f.form.DisplaySettings.DefaultMeniscus = 5.95;
    f.form.DisplaySettings.DrawAllSetsCutoff = 3;
    f.form.AnalysisSettings.DefaultCellBottom = 7.1;
    const struct {
        const char* entry;
        bool interference;
    } cases[] = { { "0*.IP4", true }, { "0*.RA4", false }, { "0*.RI2Sam", false }, { "0*.RI2Ref", false } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        f.Select(c.entry);
        TSedDataView* view = f.form.ButtonLaunchClick();
        ASSERT_NE(view, nullptr);
        const RealTimeGofS& e = *view->Engine;
        EXPECT_EQ(e.ChannelName, c.entry);
        EXPECT_EQ(e.CorrectJitter, c.interference);
        EXPECT_EQ(e.CorrectFringes, c.interference);
        EXPECT_EQ(view->SBJitterEnabled, c.interference);
        EXPECT_DOUBLE_EQ(e.Meniscus, 5.95);
        EXPECT_DOUBLE_EQ(e.JitterRadius, 5.85);
        EXPECT_DOUBLE_EQ(e.FringeRadius, 6.9);
        EXPECT_DOUBLE_EQ(e.Bottom, 7.1);
        EXPECT_DOUBLE_EQ(e.Settings.DefaultCellBottom, 7.1);
        EXPECT_EQ(view->DisplaySettings.DrawAllSetsCutoff, 3) << "the view holds the main window's copy";
        EXPECT_EQ(view->EditMWGuess, "150000");
        EXPECT_EQ(view->EditTargetChannel, c.entry);
        EXPECT_TRUE(view->HasData);
    }
}

TEST(MorvaneForm, FocusNeedsASelectedEntry)
{
    TempDir root;
    testutil::WriteRun(root.path(), ChannelRun("RA1"));
    FormOnRoot f(root.path());
    TSedDataView* view = f.form.ButtonLaunchClick();
    EXPECT_EQ(f.form.ButtonFocusWindowClick(), nullptr);
    f.form.ListBoxOpenWindowsItemIndex = 0;
    EXPECT_EQ(f.form.ButtonFocusWindowClick(), view);
    view->FormClose();
    EXPECT_EQ(f.form.ButtonFocusWindowClick(), nullptr) << "the closed view's entry is gone";
}

TEST(MorvaneForm, TimersDetectChannelsAndRescanTheRoot)
{
    TempDir root;
    RecordingPrompts prompts;
    TMorvaneForm form(&prompts);
    form.ChangeWorkingDirectory = false;
    EXPECT_EQ(form.Timer1.Interval, 987);
    EXPECT_EQ(form.Timer2.Interval, 5000);
    form.Timer2Timer(); // no root chosen: nothing
    EXPECT_TRUE(form.ListBoxDataDirs.empty());

    // The root dialog: cancelled changes nothing; confirmed scans the chosen file's directory.
    form.btnSetInputDirClick();
    ASSERT_EQ(prompts.openRequests.size(), 1u);
    EXPECT_EQ(prompts.openRequests[0].Title, "Choose the scan (*.scn) file in the root data directory");
    EXPECT_EQ(prompts.openRequests[0].Filter, "XLA-XLI Scan Files|*.scn|all files|*.*");
    EXPECT_EQ(prompts.openRequests[0].FileName, "anyfile.scn");
    EXPECT_TRUE(form.Timer2.Enabled);
    prompts.openAnswer = JoinPath(root.path(), "anyfile.scn");
    form.btnSetInputDirClick();
    EXPECT_EQ(form.EditInputDir, root.path());
    EXPECT_EQ(form.EditDataDir, root.path());
    EXPECT_FALSE(form.Timer2.Enabled) << "the root is listed: no re-scan";
    EXPECT_TRUE(form.RadioGroupChannelsItems.empty());

    // A channel that starts writing later appears at the next detection tick.
    testutil::WriteRun(root.path(), ChannelRun("RA2", 1));
    form.Timer1Timer();
    EXPECT_EQ(form.RadioGroupChannelsItems, (std::vector<std::string> { "0*.RA2" }));
    EXPECT_EQ(form.SelectedChannel(), "0*.RA2");
    EXPECT_TRUE(prompts.messages.empty());
}

TEST(MorvaneForm, ViewsOutliveNoMainWindow)
{
    TempDir root;
    testutil::WriteRun(root.path(), ChannelRun("RA1"));
    TSedDataView* view = nullptr;
    {
        FormOnRoot f(root.path());
        view = f.form.ButtonLaunchClick();
        ASSERT_NE(view, nullptr);
    }
    SUCCEED() << "destroying the main window frees its views without calling back into it";
}

TEST(MorvaneForm, ProgramSettingsShowTheValuesInUseAndChangeNothing)
{
    TMorvaneForm form;
    EXPECT_TRUE(form.ProgramSettings1Visible);
    form.S11Click(); // no settings window made: nothing happens

    TMorvaneSettings window;
    window.FormCreate("/opt/morvane/bin/morvane");
    form.SettingsWindow = &window;
    form.DisplaySettings.DefaultMeniscus = 5.95;
    form.AnalysisSettings.MinimumDataSetSize = 30;
    int shown = 0;
    form.ShowSettingsWindow = [&](TMorvaneSettings& w) {
        EXPECT_EQ(&w, &window);
        EXPECT_TRUE(w.Visible);
        // What the user may type into the grids goes nowhere.
        w.ValueListGUISettings.Rows[0].Value = "6.5";
        ++shown;
    };
    form.S11Click();
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(window.Visible);
    EXPECT_EQ(window.ValueListGUISettings.Rows[0], (ValueListRow { "DefaultMeniscus", "6.5" }));
    EXPECT_EQ(window.ValueListCustomSettings.Rows[16], (ValueListRow { "MinimumDataSetSize", "30" }));
    EXPECT_EQ(form.DisplaySettings.DefaultMeniscus, 5.95);
    form.ShowSettingsWindow = nullptr;
    form.S11Click();
    EXPECT_EQ(window.ValueListGUISettings.Rows[0], (ValueListRow { "DefaultMeniscus", "5.95" })) << "filled afresh";
}

TEST(MorvaneForm, VanishedRootAndRunKeepTheWindowUsable)
{
    TempDir top;
    const std::string root = top / "root";
    const std::string run = root + "/XLIDATA/010207/000012";
    fs::create_directories(run);
    testutil::WriteRun(run, ChannelRun("RA1"));
    FormOnRoot f(root);
    f.form.EditInputDir = root;
    ASSERT_EQ(f.form.EditDataDir, run);
    ASSERT_NE(f.form.ButtonLaunchClick(), nullptr);

    fs::remove_all(root);
    const std::vector<std::string> listed = f.form.ListBoxDataDirs;
    f.form.Timer1Timer(); // detection on a vanished run finds nothing and changes nothing
    EXPECT_EQ(f.form.RadioGroupChannelsItems, std::vector<std::string> { "0*.RA1" });
    EXPECT_EQ(f.form.ButtonRefreshSubdirectoriesClick(), "Unexpected error setting directory");
    f.form.Timer2Timer();
    TSedDataView* view = f.form.ListBoxOpenWindows.front().View;
    view->Timer1Timer(); // the open view keeps what it loaded
    EXPECT_GT(view->Engine->RawStore->GetNumberOfSets(), 0);
}
