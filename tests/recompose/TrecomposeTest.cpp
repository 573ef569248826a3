#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

#include "recompose/Recompose.h"
#include "recomposewindow/Trecompose.h"
#include "testutil/ScanFileWriter.h"
#include "testutil/ScriptedHost.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::ScriptedHost;
using testutil::TempDir;
using testutil::WriteTextFile;

namespace {

const char* const Paradigm = "Paradigm 12.5, ref\r\nP 2 20.0 40000 1000 1.75E+10 660 1\r\n   5.8012    1.00000E+02\r\n";
const char* const Scan = "Run7 3.1, sample\r\nP 2 20.0 40000 1000 1.75E+10 660 1\r\n   5.8000    2.31400E+00\r\n";

struct Tool {
    TempDir data, out;
    ScriptedHost host;
    Trecompose tool { &host };
    Tool()
    {
        WriteTextFile(data / "paradigm.txt", Paradigm);
        WriteTextFile(data / "00001.IP1", Scan);
        tool.FormShow(data.path());
    }
};

} // namespace

TEST(RecomposeTool, ParadigmAndOutputEnableRecomposeWhichWritesTheRun)
{
    Tool t;
    EXPECT_EQ(t.tool.Editupdate, "status = idle");
    EXPECT_FALSE(t.tool.ButtonRecomposeEnabled);
    t.host.OpenAnswers = { t.data / "paradigm.txt" };
    t.tool.ButtonReadParadigmClick();
    EXPECT_EQ(t.host.OpenRequests[0].FileName, t.data.path() + "/");
    EXPECT_EQ(t.tool.EditParadigmFileName, t.data / "paradigm.txt");
    EXPECT_EQ(t.tool.ParadigmLines.size(), 3u);
    EXPECT_FALSE(t.tool.ButtonRecomposeEnabled);

    t.host.SaveAnswers = { t.out / "Recompose.log" };
    t.tool.ButtonSetOutputClick();
    ASSERT_EQ(t.host.SaveRequests.size(), 1u);
    EXPECT_EQ(t.host.SaveRequests[0].FileName, t.data / "Recompose.log");
    EXPECT_EQ(t.host.SaveRequests[0].Title, "Choose a directory where the log file and new data will go");
    EXPECT_EQ(t.tool.EditOutput, t.out.path());
    EXPECT_TRUE(t.tool.ButtonRecomposeEnabled);

    t.tool.ButtonRecomposeClick();
    EXPECT_EQ(t.tool.Editupdate, "1 files processed.");
    EXPECT_EQ(t.host.RecomposeToolRepaints, 2);
    EXPECT_TRUE(t.host.Messages.empty());
    EXPECT_EQ(testutil::ReadTextFile(t.out / "00001.IP1"),
        "Paradigm 12.5, sample\r\nP 2 20.0 40000 1000 1.75E+10 660 1\r\n   5.8012    2.31400E+00\r\n");
    EXPECT_FALSE(fs::exists(t.out / "Recompose.log"));

    t.tool.ButtonCloseClick();
    EXPECT_TRUE(t.tool.ParadigmLines.empty());
    EXPECT_FALSE(t.tool.ButtonRecomposeEnabled);
}

TEST(RecomposeTool, RefusalsClearTheirChoiceAndSayWhy)
{
    Tool t;
    fs::create_directory(t.data / "inside");
    t.host.OpenAnswers = { t.data / "paradigm.txt" };
    t.tool.ButtonReadParadigmClick();
    const struct {
        const char* name;
        std::string chosen;
        std::string message;
    } cases[] = {
        { "same directory", t.data / "Recompose.log", SameDirectoriesMessage },
        { "inside the input", t.data / "inside/Recompose.log", "must not be inside the Input Directory" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        t.host.SaveAnswers = { t.out / "Recompose.log" };
        t.tool.ButtonSetOutputClick();
        ASSERT_TRUE(t.tool.ButtonRecomposeEnabled);
        t.host.Messages.clear();
        t.host.SaveAnswers = { c.chosen };
        t.tool.ButtonSetOutputClick();
        EXPECT_EQ(t.tool.EditOutput, "");
        EXPECT_FALSE(t.tool.OutputChosen);
        EXPECT_FALSE(t.tool.ButtonRecomposeEnabled);
        ASSERT_EQ(t.host.Messages.size(), 1u);
        EXPECT_NE(t.host.Messages[0].find(c.message), std::string::npos) << t.host.Messages[0];
    }
    // A cancelled dialog changes nothing.
    t.tool.ButtonSetOutputClick();
    EXPECT_EQ(t.host.Messages.size(), 1u);
}

TEST(RecomposeTool, AParadigmThatGivesNoLinesLeavesRecomposeOff)
{
    Tool t;
    WriteTextFile(t.data / "empty.txt", "");
    ASSERT_EQ(::mkfifo((t.data / "pipe.txt").c_str(), 0600), 0); // once waited for a writer
    t.host.OpenAnswers = { t.data / "paradigm.txt" };
    t.tool.ButtonReadParadigmClick();
    t.host.SaveAnswers = { t.out / "Recompose.log" };
    t.tool.ButtonSetOutputClick();
    ASSERT_TRUE(t.tool.ButtonRecomposeEnabled);
    const struct {
        const char* name;
        std::string path;
        const char* message;
    } cases[] = {
        { "missing", t.data / "gone.txt", " could not be read" },
        { "a directory", t.data.path(), " is not a regular file" },
        { "a pipe", t.data / "pipe.txt", " is not a regular file" },
        { "empty", t.data / "empty.txt", " is empty" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        t.host.Messages.clear();
        t.host.OpenAnswers = { c.path };
        t.tool.ButtonReadParadigmClick();
        EXPECT_FALSE(t.tool.ButtonRecomposeEnabled);
        EXPECT_TRUE(t.tool.ParadigmLines.empty());
        ASSERT_EQ(t.host.Messages.size(), 1u);
        EXPECT_EQ(t.host.Messages[0], "The paradigm file " + c.path + c.message);
    }
    t.tool.ButtonRecomposeClick();
    EXPECT_EQ(t.tool.Editupdate, "status = idle");
    EXPECT_FALSE(fs::exists(t.out / "00001.IP1"));
}

TEST(RecomposeTool, AStopIsShownInWordsAndEachOpeningStartsAfresh)
{
    Tool t;
    WriteTextFile(t.data / "00002.IP1", std::string(Scan) + "   5.8100    2.50000E+00\r\n");
    t.host.OpenAnswers = { t.data / "paradigm.txt" };
    t.tool.ButtonReadParadigmClick();
    t.host.SaveAnswers = { t.out / "Recompose.log" };
    t.tool.ButtonSetOutputClick();
    t.tool.ButtonRecomposeClick();
    ASSERT_EQ(t.host.Messages.size(), 1u);
    EXPECT_EQ(t.host.Messages[0],
        "The paradigm file has no radius for line 4 of 00002.IP1 (the paradigm has 3 lines, 00002.IP1 has 4): "
        "00002.IP1 was not written");
    EXPECT_EQ(t.tool.Editupdate, "1 files processed.");

    // A second opening holds neither the paradigm nor the output of the first.
    t.tool.FormClose();
    t.tool.FormShow(t.out.path());
    EXPECT_EQ(t.tool.EditDataDir, t.out.path());
    EXPECT_EQ(t.tool.EditParadigmFileName, "");
    EXPECT_EQ(t.tool.EditOutput, "");
    EXPECT_EQ(t.tool.Editupdate, "status = idle");
    EXPECT_FALSE(t.tool.ButtonRecomposeEnabled);
    t.host.SaveAnswers = { t.data / "Recompose.log" };
    t.tool.ButtonSetOutputClick();
    EXPECT_FALSE(t.tool.ButtonRecomposeEnabled);
}
