#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "mainwindow/TMorvaneForm.h"
#include "scanfiles/FileSystem.h"
#include "testutil/ScanFileWriter.h"
#include "testutil/ScriptedHost.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::ScriptedHost;
using testutil::TempDir;

namespace {

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
    ScriptedHost host;
    TMorvaneForm form { &host };
    explicit FormOnRoot(const std::string& root)
    {
        form.ChangeWorkingDirectory = false;
        EXPECT_EQ(form.ScanRootDir(root), "");
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
    const std::string base = JoinPath(root.path(), "0*.RA1");

    TSedDataView* first = f.form.ButtonLaunchClick();
    TSedDataView* second = f.form.ButtonLaunchClick();
    ASSERT_TRUE(first && second && f.form.ButtonLaunchClick());
    EXPECT_EQ(f.Names(), (std::vector<std::string> { base, base + "#1 ", base + "#2 " }));
    EXPECT_EQ(second->Caption, base + "#1 ");

    first->FormClose();
    EXPECT_EQ(f.Names(), (std::vector<std::string> { base + "#1 ", base + "#2 " }));
    EXPECT_EQ(f.form.ComparisonWindows.size(), 2u);
    ASSERT_NE(f.form.ButtonLaunchClick(), nullptr);
    EXPECT_EQ(f.Names().back(), base);
    EXPECT_EQ(f.form.ViewCount(), 3) << "the closed view was freed";
    EXPECT_TRUE(f.host.Messages.empty());
}

TEST(MorvaneForm, LaunchWithoutAChannelSaysSo)
{
    TempDir root;
    FormOnRoot f(root.path());
    EXPECT_EQ(f.form.ButtonLaunchClick(), nullptr);
    EXPECT_EQ(f.host.Messages, (std::vector<std::string> { "No Channel selected, cannot launch viewing window" }));
    EXPECT_EQ(f.form.ViewCount(), 0);
}

TEST(MorvaneForm, LaunchHandsTheViewItsChannelPositionsAndSettings)
{
    TempDir root;
    testutil::WriteRun(root.path(), ChannelRun("IP4"));
    testutil::WriteRun(root.path(), ChannelRun("RI2"));
    FormOnRoot f(root.path());
    f.form.DisplaySettings.DefaultMeniscus = 5.95;
    f.form.DisplaySettings.DrawAllSetsCutoff = 3;
    f.form.DisplaySettings.DefaultExtSetsToPlot = 2;
    f.form.DisplaySettings.PlayPercentSpeed = 80;
    f.form.AnalysisSettings.DefaultCellBottom = 7.1;
    for (const std::string entry : { "0*.IP4", "0*.RI2Ref" }) {
        SCOPED_TRACE(entry);
        const auto& items = f.form.RadioGroupChannelsItems;
        const auto at = std::find(items.begin(), items.end(), entry);
        ASSERT_NE(at, items.end());
        f.form.RadioGroupChannelsItemIndex = static_cast<int32_t>(at - items.begin());
        f.form.RadioGroupChannelsClick();
        TSedDataView* view = f.form.ButtonLaunchClick();
        ASSERT_NE(view, nullptr);
        const RealTimeGofS& e = *view->Engine;
        EXPECT_EQ(e.ChannelName, entry);
        EXPECT_EQ(e.CorrectJitter && e.CorrectFringes, entry == "0*.IP4") << "interference only";
        EXPECT_DOUBLE_EQ(e.Cell.Meniscus, 5.95);
        EXPECT_DOUBLE_EQ(e.Cell.Bottom, 7.1);
        EXPECT_EQ(view->DisplaySettings.DrawAllSetsCutoff, 3) << "the view holds the main window's copy";
        EXPECT_EQ(view->Extrapolation.UpDownExtrapolationGraphNumber.Position, 2) << "and its first load used it";
        EXPECT_EQ(view->TimeCourse.UpDownPlaySpeed.Position, 80);
        EXPECT_EQ(view->TimeCourse.EditPlayBackSpeed, "80%");
    }
}

TEST(MorvaneForm, RootDialogAndDetectionTick)
{
    TempDir root;
    ScriptedHost host;
    TMorvaneForm form(&host);
    form.ChangeWorkingDirectory = false;
    // The root dialog: cancelled changes nothing; confirmed scans the chosen directory.
    form.btnSetInputDirClick();
    ASSERT_EQ(host.DirectoryRequests.size(), 1u);
    EXPECT_EQ(host.DirectoryRequests[0].Title, "Choose the root data directory");
    EXPECT_TRUE(form.Timer2.Enabled);
    EXPECT_TRUE(form.EditInputDir.empty());
    host.DirectoryAnswers = { root.path() };
    form.btnSetInputDirClick();
    EXPECT_EQ(form.EditInputDir, root.path());
    EXPECT_EQ(form.EditDataDir, root.path());
    EXPECT_TRUE(form.Timer2.Enabled) << "it follows the root for runs that start later";
    EXPECT_EQ(host.DirectoryRequests.back().InitialDir, "") << "no root before";

    // A channel that starts writing later appears at the next detection tick.
    testutil::WriteRun(root.path(), ChannelRun("RA2", 1));
    form.Timer1Timer();
    EXPECT_EQ(form.RadioGroupChannelsItems, (std::vector<std::string> { "0*.RA2" }));
    EXPECT_EQ(form.SelectedChannel(), "0*.RA2");
}

TEST(MorvaneForm, RootDialogTakesARootOfDateDirectoriesOnly)
{
    // No file to pick in the root: only date directories, one run with its scans.
    TempDir top;
    const std::string root = top / "root";
    const std::string run = root + "/010207/000012";
    fs::create_directories(run);
    testutil::WriteRun(run, ChannelRun("RA1"));
    const struct {
        const char* name;
        std::string chosen;
    } cases[] = {
        { "the directory", root },
        { "the directory with a trailing delimiter", root + "/" },
        { "a file picked in it, as before", root + "/anyfile.scn" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedHost host;
        TMorvaneForm form(&host);
        form.ChangeWorkingDirectory = false;
        host.DirectoryAnswers = { c.chosen };
        form.btnSetInputDirClick();
        EXPECT_TRUE(host.Messages.empty());
        EXPECT_EQ(form.EditInputDir, root);
        EXPECT_EQ(form.EditDataDir, run);
        EXPECT_EQ(form.SelectedChannel(), "0*.RA1");
        // The next choice starts where this one ended.
        form.btnSetInputDirClick();
        EXPECT_EQ(host.DirectoryRequests.back().InitialDir, root);
    }
}

TEST(MorvaneForm, ViewsOutliveNoMainWindow)
{
    TempDir root;
    testutil::WriteRun(root.path(), ChannelRun("RA1"));
    FormOnRoot f(root.path());
    ASSERT_NE(f.form.ButtonLaunchClick(), nullptr);
    // Leaving scope destroys the main window: it frees its views without their calling back into it.
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
    f.form.Timer1Timer(); // detection on a vanished run finds nothing and changes nothing
    EXPECT_EQ(f.form.RadioGroupChannelsItems, std::vector<std::string> { "0*.RA1" });
    EXPECT_EQ(f.form.ButtonRefreshSubdirectoriesClick(), "Unexpected error setting directory");
    f.form.Timer2Timer();
    TSedDataView* view = f.form.ListBoxOpenWindows.front().View;
    view->Timer1Timer(); // the open view keeps what it loaded
    EXPECT_GT(view->Engine->RawStore->GetNumberOfSets(), 0);
}

TEST(MorvaneForm, WindowsAreShownThroughItsHost)
{
    TempDir root;
    testutil::WriteRun(root.path(), ChannelRun("RA1"));
    FormOnRoot f(root.path());
    // A new view is shown before its first load, named, and with the form's settings in its engine.
    f.form.DisplaySettings.DefaultMeniscus = 5.95;
    f.host.DataViewScript = [](TSedDataView& view) {
        EXPECT_EQ(view.LoadCount, 0);
        EXPECT_FALSE(view.Caption.empty());
        EXPECT_DOUBLE_EQ(view.Engine->Cell.Meniscus, 5.95);
    };
    ASSERT_NE(f.form.ButtonLaunchClick(), nullptr);
    EXPECT_EQ(f.host.DataViewsShown, 1);

    // "&Program Settings": nothing without the program's settings window; with it, filled and shown.
    f.form.S11Click();
    EXPECT_EQ(f.host.SettingsWindowsShown, 0);
    TMorvaneSettings settings;
    f.form.SettingsWindow = &settings;
    f.host.SettingsWindowScript = [](TMorvaneSettings& shown) {
        EXPECT_TRUE(shown.Visible);
        EXPECT_FALSE(shown.ValueListGUISettings.Rows.empty());
    };
    f.form.S11Click();
    EXPECT_EQ(f.host.SettingsWindowsShown, 1);
    EXPECT_FALSE(settings.Visible);
}

TEST(MorvaneForm, ARunStartedAfterTheProgramBecomesCurrentAtTheNextRootTick)
{
    TempDir top;
    const std::string root = top / "root";
    fs::create_directories(root);
    FormOnRoot f(root);
    f.form.EditInputDir = root;
    f.form.Timer2Timer();
    ASSERT_EQ(f.form.EditDataDir, root) << "nothing below the root yet";

    // The instrument starts the run: its directory and first scans appear below the root.
    const std::string run = root + "/XLIDATA/010207/000001";
    fs::create_directories(run);
    testutil::WriteRun(run, ChannelRun("RA1", 2));
    f.form.Timer2Timer();
    EXPECT_EQ(f.form.ListBoxDataDirs, (std::vector<std::string> { root, run }));
    EXPECT_EQ(f.form.EditDataDir, run);
    EXPECT_EQ(f.form.ListBoxDataDirsItemIndex, 1);
    EXPECT_EQ(f.form.SelectedChannel(), "0*.RA1");
    EXPECT_EQ(f.form.FileListBox1Items, (std::vector<std::string> { "00001.RA1", "00002.RA1" }));

    // The files list follows the run, and keeps the file chosen in it.
    f.form.FileListBox1Change(1);
    testutil::WriteRun(run, ChannelRun("RA1", 3));
    f.form.Timer2Timer();
    EXPECT_EQ(f.form.FileListBox1Items.size(), 3u);
    EXPECT_EQ(f.form.FileListBox1ItemIndex, 1);

    // A later run is listed, but the current one holds a channel and stays current.
    const std::string next = root + "/XLIDATA/010207/000002";
    fs::create_directories(next);
    testutil::WriteRun(next, ChannelRun("RA2", 1));
    f.form.Timer2Timer();
    EXPECT_EQ(f.form.ListBoxDataDirs, (std::vector<std::string> { root, run, next }));
    EXPECT_EQ(f.form.EditDataDir, run);
    EXPECT_EQ(f.form.ListBoxDataDirsItemIndex, 1);
    EXPECT_EQ(f.form.SelectedChannel(), "0*.RA1");
    EXPECT_TRUE(f.host.Messages.empty());
}

TEST(MorvaneForm, ADoubleClickInTheOpenWindowListFocusesThatView)
{
    TempDir root;
    testutil::WriteRun(root.path(), ChannelRun("RA1"));
    FormOnRoot f(root.path());
    TSedDataView* first = f.form.ButtonLaunchClick();
    TSedDataView* second = f.form.ButtonLaunchClick();
    EXPECT_EQ(f.form.ListBoxOpenWindowsDblClick(0), first);
    EXPECT_EQ(f.form.ListBoxOpenWindowsItemIndex, 0);
    EXPECT_EQ(f.form.ListBoxOpenWindowsDblClick(1), second);
    EXPECT_EQ(f.form.ListBoxOpenWindowsDblClick(2), nullptr) << "below the entries";
    EXPECT_EQ(f.form.ListBoxOpenWindowsItemIndex, 1);
}

TEST(MorvaneForm, AViewOfOneWavelengthOfACellScannedAtSeveralTakesThatWavelengthAndSaysSo)
{
    TempDir root;
    for (int n = 1; n <= 8; ++n) {
        testutil::ScanSpec s;
        s.wavelength = n % 2 ? 280 : 230;
        s.seconds = 600 + 90 * n;
        for (int i = 0; i < 60; ++i) {
            s.radius.push_back(5.85 + 0.02 * i);
            s.value.push_back(testutil::BoundaryValue(s.radius.back(), s.seconds, 50000, 5.9, 4.4e-13, 1, 0.03));
        }
        const std::string path = root / ("0000" + std::to_string(n) + ".RA1");
        testutil::WriteTextFile(path, testutil::ScanFileText(s));
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1)); // settled
    }
    FormOnRoot f(root.path());
    EXPECT_EQ(f.form.RadioGroupChannelsItems, (std::vector<std::string> { "0*.RA1 280 nm", "0*.RA1 230 nm" }));
    f.form.RadioGroupChannelsItemIndex = 1;
    f.form.RadioGroupChannelsClick();
    TSedDataView* view = f.form.ButtonLaunchClick();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->Caption, JoinPath(root.path(), "0*.RA1 230 nm"));
    EXPECT_EQ(view->EditTargetChannel, "0*.RA1 230 nm");
    const ChannelDataStore& raw = *view->Engine->RawStore;
    ASSERT_EQ(raw.GetNumberOfSets(), 4);
    EXPECT_EQ(raw.Headers[0].FileName, "00002.RA1");
    EXPECT_EQ(raw.Headers[3].FileName, "00008.RA1");
}

TEST(MorvaneForm, OpenAnalysisLaunchesTheRecordedChannelAndSaysWhatChangedSince)
{
    TempDir root, out;
    const std::string run = root / "run", moved = root / "moved";
    fs::create_directory(run);
    const std::vector<std::string> names = testutil::WriteRun(run, ChannelRun("RA1", 14));
    FormOnRoot f(run);
    TSedDataView* view = f.form.ButtonLaunchClick();
    ASSERT_NE(view, nullptr);
    view->Raw.EditPositionDone(TSedDataView::Position::Meniscus, "5.93");
    f.host.SaveAnswers = { out / "g.txt" };
    view->ButtonOutputAsciiClick();
    view->FormClose();

    // The run went on, one recorded file changed, and the run directory moved.
    testutil::WriteTextFile(run + "/" + names[3], testutil::ReadTextFile(run + "/" + names[3]) + "\r\n");
    fs::copy_file(run + "/" + names[13], run + "/00015.RA1");
    fs::rename(run, moved);
    f.host.Messages.clear();
    f.host.DirectoryAnswers = { moved };
    std::vector<TSedDataView*> views = f.form.OpenAnalysis(out / "g.txt.json");
    ASSERT_EQ(views.size(), 1u) << testing::PrintToString(f.host.Messages);
    EXPECT_NE(f.host.DirectoryRequests.back().Title.find(run + " of 0*.RA1 does not exist"), std::string::npos);
    const TSedDataView& opened = *views[0];
    EXPECT_NEAR(opened.Engine->Cell.Meniscus, 5.93, 1e-12) << "the recorded meniscus";
    EXPECT_EQ(opened.DataDirectory, moved);
    EXPECT_EQ(opened.LabelOpenedFrom, "Opened from g.txt.json: 1 of 14 recorded files differ; 1 file added since");
    EXPECT_EQ(opened.PageControl1ActivePage, 2) << "the corrected sets of a g(s*) output";
    ASSERT_EQ(f.host.Messages.size(), 1u);
    const std::string& report = f.host.Messages[0];
    EXPECT_EQ(report.rfind(out / "g.txt.json: gofs output " + out / "g.txt" + ", written ", 0), 0u) << report;
    EXPECT_NE(report.find("\n  changed: " + names[3] + " (recorded "), std::string::npos) << report;
    EXPECT_NE(report.find("\n  added: 00015.RA1 ("), std::string::npos) << report;

    // A file that is no record opens nothing and says why.
    testutil::WriteTextFile(out / "bad.json", "{\"format\": 1");
    f.host.Messages.clear();
    EXPECT_TRUE(f.form.OpenAnalysis(out / "bad.json").empty());
    ASSERT_EQ(f.host.Messages.size(), 1u);
    EXPECT_EQ(f.host.Messages[0].rfind("The analysis cannot be opened from " + out / "bad.json" + ": ", 0), 0u);
}
