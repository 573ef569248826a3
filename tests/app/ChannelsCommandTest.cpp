#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

#include "app/cli/ChannelsCommand.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::TempDir;

TEST(CliChannels, ListsRunsAndChannelsOfTheNewest)
{
    TempDir root;
    const std::string older = root / "XLIDATA/010207/000005";
    const std::string newest = root / "XLIDATA/010207/000012";
    fs::create_directories(older);
    fs::create_directories(newest);
    testutil::WriteTextFile(newest + "/A0003.IP1", "x");
    testutil::WriteTextFile(newest + "/00001.RA2", "x");
    std::ostringstream out, err;
    EXPECT_EQ(RunChannels(root.path(), out, err), 0);
    const std::string text = out.str();
    EXPECT_NE(text.find("* " + newest + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  " + older + "\n"), std::string::npos);
    EXPECT_NE(text.find("* 0*.RA2\n  A*.IP1\n"), std::string::npos) << "slot order, first one selected";
    EXPECT_EQ(RunChannels(root / "missing", out, err), 2) << "the message is that of analyze";
}
