// The g(s*) output through the save dialog.
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "DataViewFixture.h"
#include "follower/GofsOutput.h"
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
    EXPECT_EQ(prompts.SaveRequests[0].FileName, "t dcdt vs sStar for Test sample RA1.txt");
    EXPECT_TRUE(prompts.Messages.empty());

    // Confirmed over an existing file: replaced whole.
    const std::string out = dir / "out.txt";
    testutil::WriteTextFile(out, "old contents");
    prompts.SaveAnswers = { out };
    view.ButtonOutputAsciiClick();
    EXPECT_EQ(prompts.Messages, (std::vector<std::string> { "s*g(s*) written to " + out })) << "where it went";
    EXPECT_EQ(testutil::ReadTextFile(out), GofsFileText(*view.Engine, out, 0, true));

    // A directory that does not exist: the write-error message, nothing else.
    prompts.Messages.clear();
    const std::string missing = (fs::path(dir.path()) / "missing" / "out.txt").string();
    prompts.SaveAnswers = { missing };
    view.ButtonOutputAsciiClick();
    EXPECT_EQ(prompts.Messages, (std::vector<std::string> { WriteErrorMessage }));
    EXPECT_FALSE(fs::exists(missing));

    // Named as a scan in another run's directory: refused, the scan stays (it was once replaced).
    prompts.Messages.clear();
    TempDir other;
    testutil::WriteRun(other.path(), SmallRun(3));
    const std::string scan = other / "00001.RA1", before = testutil::ReadTextFile(scan);
    prompts.SaveAnswers = { scan };
    view.ButtonOutputAsciiClick();
    EXPECT_EQ(prompts.Messages,
        (std::vector<std::string> { "Will not write " + scan + ": its name is that of a scan file and " + other.path()
            + " holds scan files. Choose another name or folder." }));
    EXPECT_EQ(testutil::ReadTextFile(scan), before);
}

// The time course writes the corrected set it shows, alone, with its label in line 2.
TEST_F(SedDataView, TimeCourseOutputAscii)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(30));
    ScriptedPrompts prompts;
    TSedDataView view(&prompts);
    Launch(view, dir.path());
    const RealTimeGofS& e = *view.Engine;

    // Another family: the button is hidden and asks nothing.
    view.TimeCourse.RadioGroupChooseTimeCourse = 0;
    view.TimeCourse.RadioGroupChooseTimeCourseClick();
    EXPECT_FALSE(view.TimeCourse.ButtonTCOutputAsciiVisible);
    view.ButtonTCOutputAsciiClick();
    EXPECT_TRUE(prompts.SaveRequests.empty());

    view.TimeCourse.RadioGroupChooseTimeCourse = 2;
    view.TimeCourse.RadioGroupChooseTimeCourseClick();
    EXPECT_TRUE(view.TimeCourse.ButtonTCOutputAsciiVisible);
    view.TimeCourse.ScrollBarTime.Position = 3;
    view.TimeCourse.ScrollBarTimeChange();
    const std::string out = dir / "tc.txt";
    prompts.SaveAnswers = { out };
    view.ButtonTCOutputAsciiClick();
    ASSERT_EQ(prompts.SaveRequests.size(), 1u);
    EXPECT_EQ(prompts.SaveRequests[0].Title, "Save s*g(s*)");
    EXPECT_TRUE(prompts.SaveRequests[0].OverwritePrompt);
    EXPECT_EQ(prompts.Messages, (std::vector<std::string> { "s*g(s*) written to " + out }));

    const std::vector<std::string> lines = testutil::SplitCrLf(testutil::ReadTextFile(out));
    ASSERT_GT(lines.size(), 5u);
    const std::string label = e.DescribeSet(e.GofsStore.get(), 3);
    const std::string before = label.substr(0, label.find('^'));
    EXPECT_EQ(before, view.TimeCourse.EditTimeCourse2);
    EXPECT_EQ(lines[1], "Corrected tdc/dt [s*g(s*)] vs s* for data sets " + before);
    EXPECT_EQ(testutil::ReadTextFile(out), GofsFileText(e, out, 3, false));
}
