// The g(s*) output through the save dialog.
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "DataViewFixture.h"
#include "dataview/GofsOutput.h"
#include "testutil/ScriptedPrompts.h"

namespace fs = std::filesystem;
using namespace dataviewtest;
using testutil::ScriptedPrompts;
using testutil::TempDir;

TEST_F(SedDataView, OutputAsciiThroughTheSaveDialog)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(30));
    ScriptedPrompts prompts;
    TSedDataView view(&prompts);
    Launch(view, dir.path());

    // Cancelled: no file, no message.
    view.ButtonOutputAsciiClick();
    ASSERT_EQ(prompts.SaveRequests.size(), 1u);
    EXPECT_EQ(prompts.SaveRequests[0].Title, "Save s*g(s*)");
    EXPECT_EQ(prompts.SaveRequests[0].FileName, "t dcdt vs sStar for Test sample.txt");
    EXPECT_TRUE(prompts.Messages.empty());

    // Confirmed over an existing file: replaced whole.
    const std::string out = dir / "out.txt";
    testutil::WriteTextFile(out, "old contents");
    prompts.SaveAnswers = { out };
    view.ButtonOutputAsciiClick();
    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_EQ(testutil::ReadTextFile(out), GofsFileText(*view.Engine, out, 0, true));

    // A directory that does not exist: the write-error message, nothing else.
    const std::string missing = (fs::path(dir.path()) / "missing" / "out.txt").string();
    prompts.SaveAnswers = { missing };
    view.ButtonOutputAsciiClick();
    EXPECT_EQ(prompts.Messages, (std::vector<std::string> { WriteErrorMessage }));
    EXPECT_FALSE(fs::exists(missing));
}
