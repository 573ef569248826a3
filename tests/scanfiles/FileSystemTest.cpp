#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "scanfiles/DirectoryWatch.h"
#include "scanfiles/FileSystem.h"
#include "scanfiles/StagedWrites.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

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

    // Several at once: each file only when every one before it was written; none left half-written.
    EXPECT_EQ(WriteFilesAtomically({ { path, "a" }, { dir / "b.txt", "b" } }), std::vector<std::string>(2));
    EXPECT_EQ(ReadTextFile(path) + ReadTextFile(dir / "b.txt"), "ab");
    const std::vector<std::string> failed
        = WriteFilesAtomically({ { path, "a2" }, { folder, "f" }, { dir / "b.txt", "b2" } });
    EXPECT_EQ(failed,
        (std::vector<std::string> {
            "", "'" + folder + "' is a directory", "not written, as '" + folder + "' before it was not" }));
    EXPECT_EQ(ReadTextFile(path) + ReadTextFile(dir / "b.txt"), "a2b");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3) << "no temporary left";
}

TEST(FileSystemTest, WriteFileAtomicallyTakesEveryNameTheFileSystemTakes)
{
    TempDir dir;
    for (size_t length = 250; length <= 255; ++length) {
        SCOPED_TRACE(length);
        const std::string path = dir / (std::string(length - 4, 'n') + ".txt");
        EXPECT_EQ(WriteFileAtomically(path, "g"), "");
        EXPECT_EQ(ReadTextFile(path), "g");
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 6) << "no temporary left";
    EXPECT_NE(WriteFileAtomically(dir / std::string(256, 'n'), "g"), "") << "longer than the file system takes";

    // Cut at a character boundary: 127 two-byte characters and one byte, 255 bytes.
    std::string accented;
    for (int i = 0; i < 127; ++i)
        accented += "\xC3\xA9";
    accented += "x";
    const std::string temp = AtomicTemporaryName(accented, 4194304, "Xy3");
    EXPECT_LE(temp.size(), 255u);
    EXPECT_EQ(temp.substr(temp.size() - 23), ".morvane-tmp4194304-Xy3");
    EXPECT_EQ((temp.size() - 1 - 23) % 2, 0u) << "no character cut in half";
    EXPECT_EQ(TemporaryOwner(temp), 4194304);
    EXPECT_EQ(WriteFileAtomically(dir / accented, "g"), "");
}

TEST(FileSystemTest, AKilledWriteLeavesNoTemporaryAtTheNextWrite)
{
    TempDir dir;
    const std::string target = dir / "killed.txt";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The file-size limit kills the writer (SIGXFSZ) part way through its temporary file.
        const rlimit size { 100, 100 }, core { 0, 0 };
        ::setrlimit(RLIMIT_CORE, &core);
        ::setrlimit(RLIMIT_FSIZE, &size);
        WriteFileAtomically(target, std::string(100000, 'x'));
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << "the writer was not killed";
    std::string left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        if (TemporaryOwner(entry.path().filename().string()) == static_cast<long>(child))
            left = entry.path().string();
    ASSERT_FALSE(left.empty()) << "the killed write left its temporary";
    EXPECT_FALSE(std::filesystem::exists(target));

    EXPECT_EQ(WriteFileAtomically(dir / "next.txt", "g"), "");
    EXPECT_FALSE(std::filesystem::exists(left));
}

TEST(FileSystemTest, OnlyStaleTemporariesOfOurOwnAreRemoved)
{
    namespace fs = std::filesystem;
    TempDir dir;
    const long self = static_cast<long>(::getpid());
    const long gone = 99999999; // above any pid_max: no such process
    const struct {
        const char* what;
        std::string name;
        bool old;
        bool kept;
    } cases[] = {
        { "process gone", AtomicTemporaryName("a.txt", gone, "Q7"), false, false },
        { "process gone, an earlier version's name", ".a.txt.morvane-tmp99999999", false, false },
        { "process runs", AtomicTemporaryName("b.txt", self, "Q7"), false, true },
        { "process runs but a day old", AtomicTemporaryName("c.txt", self, "Q7"), true, false },
        { "someone else's temporary", ".c.txt.tmp99999999", true, true },
        { "no process id", ".d.txt.morvane-tmp", true, true },
        { "not hidden", "e.txt.morvane-tmp99999999-Q7", true, true },
        { "not our random part", ".f.txt.morvane-tmp99999999-Q7.bak", true, true },
    };
    for (const auto& c : cases) {
        WriteTextFile(dir / c.name, "partial");
        if (c.old)
            fs::last_write_time(dir / c.name, fs::file_time_type::clock::now() - std::chrono::hours(48));
    }
    fs::create_directory(dir / AtomicTemporaryName("dir", gone, "Q7"));
    fs::create_symlink(dir / "other", dir / AtomicTemporaryName("link", gone, "Q7"));
    EXPECT_EQ(WriteFileAtomically(dir / "out.txt", "g"), "");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(fs::exists(dir / c.name), c.kept);
    }
    EXPECT_TRUE(fs::is_directory(dir / AtomicTemporaryName("dir", gone, "Q7"))) << "only files are removed";
    EXPECT_TRUE(fs::is_symlink(dir / AtomicTemporaryName("link", gone, "Q7"))) << "a link is not ours";
}

// Another user who can write into the directory once planted a link at the temporary's predictable
// name, and a write by root went through it into a file of root's.
TEST(FileSystemTest, APlantedLinkIsNeverWrittenThrough)
{
    namespace fs = std::filesystem;
    TempDir dir;
    WriteTextFile(dir / "precious", "precious");
    const long self = static_cast<long>(::getpid());
    for (const std::string& name :
        { ".out.txt.morvane-tmp" + std::to_string(self), AtomicTemporaryName("out.txt", self, "") })
        fs::create_symlink(dir / "precious", dir / name);
    EXPECT_EQ(WriteFileAtomically(dir / "out.txt", "g"), "");
    StagedWrites batch;
    EXPECT_EQ(batch.Stage(dir / "staged.txt", "s"), "");
    int32_t committed = 0;
    EXPECT_EQ(batch.Commit(committed), "");
    EXPECT_EQ(ReadTextFile(dir / "out.txt"), "g");
    EXPECT_EQ(ReadTextFile(dir / "staged.txt"), "s");
    EXPECT_EQ(ReadTextFile(dir / "precious"), "precious");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 5) << "the links are left alone";
    // Two temporaries of one name and process are two files.
    std::string a, b, failure;
    const int fa = CreateTemporaryFor(dir / "t", a, failure), fb = CreateTemporaryFor(dir / "t", b, failure);
    EXPECT_GE(fa, 0);
    EXPECT_GE(fb, 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(TemporaryOwner(fs::path(a).filename().string()), self);
    ::close(fa);
    ::close(fb);
}

TEST(FileSystemTest, AbsolutePathFromTheStartDirectory)
{
    const struct {
        const char* path;
        const char* want;
    } cases[] = {
        { "out.txt", "/start/out.txt" },
        { "sub/../out.txt", "/start/out.txt" },
        { ".", "/start" },
        { "run/", "/start/run" },
        { "/data/./out.txt", "/data/out.txt" },
        { "/", "/" },
        { "", "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(AbsolutePathFrom("/start", c.path), c.want);
    }
}

TEST(FileSystemTest, DirectoryWatchSaysWhatMayHaveChanged)
{
    namespace fs = std::filesystem;
    // A directory last modified long ago, so that only what the test does counts as a change.
    const auto quiet = [](const std::string& dir) {
        fs::last_write_time(dir, fs::file_time_type::clock::now() - std::chrono::hours(1));
    };
    for (const auto mode : { DirectoryWatch::Mode::Notify, DirectoryWatch::Mode::Poll }) {
        SCOPED_TRACE(mode == DirectoryWatch::Mode::Notify ? "notify" : "poll");
        TempDir top;
        const std::string dir = top / "run";
        fs::create_directory(dir);
        WriteTextFile(dir + "/00001.RA1", "a");
        quiet(dir);
        DirectoryWatch watch(mode);
        EXPECT_TRUE(watch.Changed({ dir })) << "new to the watch";
        EXPECT_FALSE(watch.Changed({ dir }));

        WriteTextFile(dir + "/00002.RA1", "b");
        EXPECT_TRUE(watch.Changed({ dir })) << "a file added";
        quiet(dir);
        watch.Changed({ dir });
        EXPECT_FALSE(watch.Changed({ dir }));
        if (watch.Notifying()) {
            WriteTextFile(dir + "/00001.RA1", "A");
            EXPECT_TRUE(watch.Changed({ dir })) << "a file written in place is notified";
            EXPECT_FALSE(watch.Changed({ dir }));
        }

        EXPECT_FALSE(watch.Changed({})) << "nothing watched";
        EXPECT_TRUE(watch.Changed({ dir })) << "watched again: new";
        fs::remove_all(dir);
        EXPECT_TRUE(watch.Changed({ dir })) << "gone";
        EXPECT_FALSE(watch.Changed({ dir }));
        fs::create_directory(dir);
        EXPECT_TRUE(watch.Changed({ dir })) << "made again";
    }
}

} // namespace
