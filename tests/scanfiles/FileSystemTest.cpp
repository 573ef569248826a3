#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "scanfiles/FileSystem.h"
#include "testutil/ScanFileWriter.h"

namespace {

using testutil::ReadTextFile;
using testutil::TempDir;
using testutil::WriteTextFile;

TEST(FileSystemTest, ListFilesMatchesWithoutCaseAndTellsAMissingDirectory)
{
    TempDir dir;
    for (const char* name : { "00001.RA1", "00002.ra1", "A0001.RA1", "00001.IP1", "0001.RA1", "00001.RA1.bak" })
        WriteTextFile(dir / name, "x");
    bool ok = false;
    std::vector<std::string> names = ListFiles(dir.path(), "0????.rA?", &ok);
    EXPECT_TRUE(ok);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> { "00001.RA1", "00002.ra1" }));
    EXPECT_TRUE(AnyFileMatches(dir.path(), "a*.ra1"));
    EXPECT_FALSE(AnyFileMatches(dir.path(), "0*.FI1"));

    EXPECT_TRUE(ListFiles(dir / "missing", "*", &ok).empty());
    EXPECT_FALSE(ok);
    EXPECT_FALSE(AnyFileMatches(dir / "missing", "*"));
}

TEST(FileSystemTest, WriteFileAtomically)
{
    TempDir dir;
    const std::string path = dir / "out.txt";
    WriteTextFile(path, "old contents that are longer");
    EXPECT_EQ(WriteFileAtomically(path, "new"), "");
    EXPECT_EQ(ReadTextFile(path), "new");
    const auto entries = std::distance(std::filesystem::directory_iterator(dir.path()), {});
    EXPECT_EQ(entries, 1); // no temporary file is left beside it

    const std::string missing = dir / "missing/out.txt";
    EXPECT_NE(WriteFileAtomically(missing, "new").find("cannot create a file in"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(missing));

    const std::string folder = dir / "folder";
    std::filesystem::create_directory(folder);
    EXPECT_EQ(WriteFileAtomically(folder, "new"), "'" + folder + "' is a directory");
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

} // namespace
