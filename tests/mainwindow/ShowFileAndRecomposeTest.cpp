#include <gtest/gtest.h>
#include <string>

#include "mainwindow/TMorvaneForm.h"
#include "testutil/ScanFileWriter.h"
#include "testutil/ScriptedHost.h"

using namespace morvane;

using testutil::ScriptedHost;
using testutil::TempDir;

TEST(MorvaneForm, ShowThisFileOpensTheScanViewerOnTheChosenFile)
{
    TempDir root;
    testutil::RunSpec spec;
    spec.scans = 2;
    spec.points = 30;
    testutil::WriteRun(root.path(), spec);
    ScriptedHost host;
    TMorvaneForm form(&host);
    form.ChangeWorkingDirectory = false;
    ASSERT_EQ(form.ScanRootDir(root.path()), "");
    form.ButtonShowFileClick(); // no viewer: nothing to show
    EXPECT_EQ(host.ScanViewersShown, 0);

    TViewAScan viewer(&host);
    form.ScanViewer = &viewer;
    form.FileListBox1Change(1);
    host.ScanViewerScript = [&](TViewAScan& shown) {
        EXPECT_EQ(&shown, &viewer);
        EXPECT_TRUE(shown.Visible);
        EXPECT_EQ(shown.EditFileName, form.EditDateTimeDir);
        EXPECT_EQ(shown.TransformChart.Series[0].Points.size(), 30u);
    };
    form.ButtonShowFileClick();
    EXPECT_EQ(host.ScanViewersShown, 1);
    EXPECT_TRUE(host.Messages.empty());
}

TEST(MorvaneForm, RecomposeOpensTheToolAfreshOnTheDataDirectory)
{
    TempDir root;
    ScriptedHost host;
    TMorvaneForm form(&host);
    form.ChangeWorkingDirectory = false;
    ASSERT_EQ(form.ScanRootDir(root.path()), "");
    EXPECT_TRUE(form.Action1Visible);
    Trecompose tool(&host);
    tool.EditOutput = "left from before";
    tool.ParadigmLines = { "old paradigm" };
    form.RecomposeTool = &tool;
    host.RecomposeToolScript = [&](Trecompose& shown) {
        EXPECT_TRUE(shown.Visible);
        EXPECT_EQ(shown.EditDataDir, form.EditDataDir);
        EXPECT_EQ(shown.EditOutput, "");
        EXPECT_TRUE(shown.ParadigmLines.empty());
        EXPECT_EQ(shown.Editupdate, "status = idle");
        shown.ParadigmLines = { "read while open" };
    };
    form.Recompose1Click();
    EXPECT_EQ(host.RecomposeToolsShown, 1);
    EXPECT_FALSE(tool.Visible);
    EXPECT_TRUE(tool.ParadigmLines.empty());
}
