// The file of remembered positions: where it lives, what makes the same run, and a file from
// outside that cannot be used.
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "dataview/PositionMemory.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::TempDir;

TEST(PositionMemory, LivesInTheUsersConfigurationDirectory)
{
    EXPECT_EQ(PositionMemory::DefaultFile("/x/config", "/home/u"), "/x/config/morvane/positions.json");
    EXPECT_EQ(PositionMemory::DefaultFile("relative", "/home/u"), "/home/u/.config/morvane/positions.json");
    EXPECT_EQ(PositionMemory::DefaultFile(nullptr, nullptr), "");
    PositionMemory none; // no file: nothing recalled, nothing written
    CellPositions p;
    std::string problem;
    EXPECT_EQ(none.Remember("/run", "0*.RA1", { 6, 7, 6, 7 }), "");
    EXPECT_FALSE(none.Recall("/run", "0*.RA1", p, problem));
}

TEST(PositionMemory, TheSameRunByAnotherPathIsTheSameRun)
{
    TempDir dir;
    const std::string run = dir / "run\xff"; // not UTF-8
    fs::create_directory(run);
    fs::create_directory_symlink(run, dir / "link");
    PositionMemory memory;
    memory.File = dir / "config/positions.json";
    const CellPositions stored { 5.95, 7.15, 5.8, 6.95 };
    ASSERT_EQ(memory.Remember(run + "/", "0*.IP2", stored), "");
    CellPositions p;
    std::string problem;
    ASSERT_TRUE(memory.Recall(dir / "link", "0*.IP2", p, problem)) << problem;
    EXPECT_EQ(p, stored);
    EXPECT_FALSE(memory.Recall(run, "0*.IP1", p, problem));
    EXPECT_EQ(problem, "");
}

TEST(PositionMemory, AFileThatCannotBeUsedIsSaidAndThenReplaced)
{
    const std::string entry
        = R"({"format": 1, "positions": [{"run": "/r", "channel": "0*.RA1", "meniscus_cm": 5.9, "bottom_cm": 7.2, )";
    const struct {
        const char* what;
        std::string text;
        const char* reason;
    } cases[] = {
        { "not JSON", "{\"format\": 1,", "(not JSON)" },
        { "another layout", R"({"format": 2, "positions": []})", "(not a positions file of format 1)" },
        { "a text for a radius", entry + R"("jitter_cm": "5.8", "fringe_cm": 6.9}]})",
            "(positions[0].jitter_cm is missing or not a number)" },
        { "no radius", entry + R"("jitter_cm": 5.8, "fringe_cm": 1000}]})",
            "(positions[0].fringe_cm (1000) is no radius in cm)" },
        { "the meniscus past the bottom",
            R"({"format":1,"positions":[{"run":"/r","channel":"c","meniscus_cm":7.3,)"
            R"("bottom_cm":7.2,"jitter_cm":5.8,"fringe_cm":6.9}]})",
            "(positions[0].meniscus_cm must lie below bottom_cm)" },
        { "nested deeply", std::string(100, '[') + std::string(100, ']'), "(nested too deeply)" },
        { "too large", std::string(PositionMemory::MaxFileBytes + 1, ' '), "more than the 1048576 that are read)" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        PositionMemory memory;
        memory.File = dir / "positions.json";
        testutil::WriteTextFile(memory.File, c.text);
        CellPositions p;
        std::string problem;
        EXPECT_FALSE(memory.Recall("/r", "0*.RA1", p, problem));
        EXPECT_EQ(problem.rfind("The remembered positions in " + memory.File + " were not used (", 0), 0u) << problem;
        EXPECT_NE(problem.find(c.reason), std::string::npos) << problem;
        EXPECT_EQ(memory.Remember("/r", "0*.RA1", { 6, 7, 6, 7 }), "");
        EXPECT_TRUE(memory.Recall("/r", "0*.RA1", p, problem)) << problem;
    }
    // A directory in the file's place: said on reading and on writing, never a crash.
    TempDir dir;
    PositionMemory memory;
    memory.File = dir.path();
    CellPositions p;
    std::string problem;
    EXPECT_FALSE(memory.Recall("/r", "0*.RA1", p, problem));
    EXPECT_NE(problem.find("(not a regular file)"), std::string::npos) << problem;
    EXPECT_EQ(
        memory.Remember("/r", "0*.RA1", { 6, 7, 6, 7 }).rfind("The positions could not be remembered in ", 0), 0u);
}
