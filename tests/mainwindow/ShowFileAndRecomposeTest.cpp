#include <gtest/gtest.h>
#include <string>

#include "mainwindow/TMorvaneForm.h"
#include "testutil/ScanFileWriter.h"
#include "testutil/ScriptedPrompts.h"

using testutil::ScriptedPrompts;
using testutil::TempDir;

TEST(MorvaneForm, ShowThisFileOpensTheScanViewerOnTheChosenFile)
{
    TempDir root;
    testutil::RunSpec spec;
    spec.scans = 2;
    spec.points = 30;
    testutil::WriteRun(root.path(), spec);
    ScriptedPrompts prompts;
    TMorvaneForm form(&prompts);
    form.ChangeWorkingDirectory = false;
    ASSERT_EQ(form.ScanRootDir(root.path()), "");
    form.ButtonShowFileClick(); // no viewer: nothing to show
    EXPECT_EQ(prompts.ScanViewersShown, 0);

    TViewAScan viewer(&prompts);
    form.ScanViewer = &viewer;
    form.FileListBox1Change(1);
    prompts.ScanViewerScript = [&](TViewAScan& shown) {
        EXPECT_EQ(&shown, &viewer);
        EXPECT_TRUE(shown.Visible);
        EXPECT_EQ(shown.EditFileName, form.EditDateTimeDir);
        EXPECT_EQ(shown.TransformChart.Series[0].Points.size(), 30u);
    };
    form.ButtonShowFileClick();
    EXPECT_EQ(prompts.ScanViewersShown, 1);
    EXPECT_TRUE(prompts.Messages.empty());
}

TEST(MorvaneForm, RecomposeOpensTheToolAfreshOnTheDataDirectory)
{
    TempDir root;
    ScriptedPrompts prompts;
    TMorvaneForm form(&prompts);
    form.ChangeWorkingDirectory = false;
    ASSERT_EQ(form.ScanRootDir(root.path()), "");
    EXPECT_TRUE(form.Action1Visible);
    Trecompose tool(&prompts);
    tool.EditOutput = "left from before";
    tool.ParadigmLines = { "old paradigm" };
    form.RecomposeTool = &tool;
    prompts.RecomposeToolScript = [&](Trecompose& shown) {
        EXPECT_TRUE(shown.Visible);
        EXPECT_EQ(shown.EditDataDir, form.EditDataDir);
        EXPECT_EQ(shown.EditOutput, "");
        EXPECT_TRUE(shown.ParadigmLines.empty());
        EXPECT_EQ(shown.Editupdate, "status = idle");
        shown.ParadigmLines = { "read while open" };
    };
    form.Recompose1Click();
    EXPECT_EQ(prompts.RecomposeToolsShown, 1);
    EXPECT_FALSE(tool.Visible);
    EXPECT_TRUE(tool.ParadigmLines.empty());
}
