#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

#include "scanfiles/FileSystem.h"
#include "scanfiles/StagedWrites.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::ReadTextFile;
using testutil::TempDir;

namespace {

size_t Entries(const std::string& dir)
{
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

} // namespace

TEST(StagedWrites, TargetsKeepTheirOldTextUntilTheCommitReplacesThemAll)
{
    TempDir dir;
    testutil::WriteTextFile(dir / "a", "old a");
    int32_t committed = -1;
    {
        StagedWrites batch;
        EXPECT_EQ(batch.Stage(dir / "a", "new a"), "");
        EXPECT_EQ(batch.Stage(dir / "b", "new b"), "");
        EXPECT_EQ(ReadTextFile(dir / "a"), "old a");
        EXPECT_FALSE(fs::exists(dir / "b"));
        EXPECT_EQ(batch.Commit(committed), "");
        EXPECT_EQ(batch.Count(), 0u);
    }
    EXPECT_EQ(committed, 2);
    EXPECT_EQ(ReadTextFile(dir / "a"), "new a");
    EXPECT_EQ(ReadTextFile(dir / "b"), "new b");
    EXPECT_EQ(Entries(dir.path()), 2u);
}

TEST(StagedWrites, ABatchNotCommittedLeavesNothingBehindAndBadTargetsAreRefused)
{
    TempDir dir;
    testutil::WriteTextFile(dir / "a", "old a");
    fs::create_directory(dir / "sub");
    {
        StagedWrites batch;
        EXPECT_EQ(batch.Stage(dir / "a", "new a"), "");
        EXPECT_NE(batch.Stage(dir / "sub", "x").find("is a directory"), std::string::npos);
        EXPECT_NE(batch.Stage(dir / "missing/c", "x").find("cannot create"), std::string::npos);
        EXPECT_EQ(batch.Count(), 1u);
    }
    EXPECT_EQ(ReadTextFile(dir / "a"), "old a");
    EXPECT_EQ(Entries(dir.path()), 2u);
}

TEST(StagedWrites, ACommitGoesOnPastATargetItCannotReplace)
{
    TempDir dir;
    // Left by a write that was killed: the next batch into the directory removes it.
    testutil::WriteTextFile(dir / AtomicTemporaryName("x", 999999999, "R4"), "stale");
    StagedWrites batch;
    for (const char* name : { "a", "b", "c" })
        EXPECT_EQ(batch.Stage(dir / name, std::string("new ") + name), "");
    fs::create_directories(dir / "b/inside"); // now a directory holds the target's name
    int32_t committed = 0;
    std::vector<std::pair<std::string, std::string>> failures;
    EXPECT_EQ(batch.Commit(committed, &failures).rfind("cannot replace '" + dir / "b" + "'", 0), 0u);
    EXPECT_EQ(committed, 2);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].first, dir / "b");
    EXPECT_EQ(ReadTextFile(dir / "a"), "new a");
    EXPECT_EQ(ReadTextFile(dir / "c"), "new c");
    EXPECT_EQ(Entries(dir.path()), 3u) << "neither the stale nor the failed temporary is left";
}
