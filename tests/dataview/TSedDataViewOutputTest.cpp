// The g(s*) output through the save dialog.
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "DataViewFixture.h"
#include "follower/GofsOutput.h"
#include "testutil/ScriptedHost.h"

using namespace morvane;

namespace fs = std::filesystem;
using namespace dataviewtest;
using testutil::ScriptedHost;
using testutil::TempDir;

TEST_F(SedDataView, OutputAsciiThroughTheSaveDialog)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(30));
    ScriptedHost host;
    TSedDataView view(&host);
    Launch(view, dir.path());

    // Cancelled: no file, no message.
    view.ButtonOutputAsciiClick();
    ASSERT_EQ(host.SaveRequests.size(), 1u);
    EXPECT_EQ(host.SaveRequests[0].Title, "Save s*g(s*)");
    EXPECT_EQ(host.SaveRequests[0].FileName, "t dcdt vs sStar for Test sample RA1.txt");
    EXPECT_TRUE(host.Messages.empty());

    // Confirmed over an existing file: replaced whole.
    const std::string out = dir / "out.txt";
    testutil::WriteTextFile(out, "old contents");
    host.SaveAnswers = { out };
    view.ButtonOutputAsciiClick();
    EXPECT_EQ(host.Messages, (std::vector<std::string> { "s*g(s*) written to " + out })) << "where it went";
    EXPECT_EQ(testutil::ReadTextFile(out), GofsFileText(*view.Engine, out, 0, true));

    // A directory that does not exist: the write-error message, nothing else.
    host.Messages.clear();
    const std::string missing = (fs::path(dir.path()) / "missing" / "out.txt").string();
    host.SaveAnswers = { missing };
    view.ButtonOutputAsciiClick();
    EXPECT_EQ(host.Messages, (std::vector<std::string> { WriteErrorMessage }));
    EXPECT_FALSE(fs::exists(missing));

    // Named as a scan in another run's directory: refused, the scan stays (it was once replaced).
    host.Messages.clear();
    TempDir other;
    testutil::WriteRun(other.path(), SmallRun(3));
    const std::string scan = other / "00001.RA1", before = testutil::ReadTextFile(scan);
    host.SaveAnswers = { scan };
    view.ButtonOutputAsciiClick();
    EXPECT_EQ(host.Messages,
        (std::vector<std::string> { "Will not write " + scan + ": its name is that of a scan file and " + other.path()
            + " holds scan files. Choose another name or folder." }));
    EXPECT_EQ(testutil::ReadTextFile(scan), before);
}

// The time course writes the corrected set it shows, alone, with its label in line 2.
TEST_F(SedDataView, TimeCourseOutputAscii)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(30));
    ScriptedHost host;
    TSedDataView view(&host);
    Launch(view, dir.path());
    const RealTimeGofS& e = *view.Engine;

    // Another family: the button is hidden and asks nothing.
    view.TimeCourse.RadioGroupChooseTimeCourse = 0;
    view.TimeCourse.RadioGroupChooseTimeCourseClick();
    EXPECT_FALSE(view.TimeCourse.ButtonTCOutputAsciiVisible);
    view.ButtonTCOutputAsciiClick();
    EXPECT_TRUE(host.SaveRequests.empty());

    view.TimeCourse.RadioGroupChooseTimeCourse = 2;
    view.TimeCourse.RadioGroupChooseTimeCourseClick();
    EXPECT_TRUE(view.TimeCourse.ButtonTCOutputAsciiVisible);
    view.TimeCourse.ScrollBarTime.Position = 3;
    view.TimeCourse.ScrollBarTimeChange();
    const std::string out = dir / "tc.txt";
    host.SaveAnswers = { out };
    view.ButtonTCOutputAsciiClick();
    ASSERT_EQ(host.SaveRequests.size(), 1u);
    EXPECT_EQ(host.SaveRequests[0].Title, "Save s*g(s*)");
    EXPECT_TRUE(host.SaveRequests[0].OverwritePrompt);
    EXPECT_EQ(host.Messages, (std::vector<std::string> { "s*g(s*) written to " + out }));

    const std::vector<std::string> lines = testutil::SplitCrLf(testutil::ReadTextFile(out));
    ASSERT_GT(lines.size(), 5u);
    const std::string label = e.DescribeSet(e.GofsStore.get(), 3);
    const std::string before = label.substr(0, label.find('^'));
    EXPECT_EQ(before, view.TimeCourse.EditTimeCourse2);
    EXPECT_EQ(lines[1], "Corrected tdc/dt [s*g(s*)] vs s* for data sets " + before);
    EXPECT_EQ(testutil::ReadTextFile(out), GofsFileText(e, out, 3, false));
}
