#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "DirectoryTree.h"
#include "discovery/RunDiscovery.h"

using namespace morvane;

namespace fs = std::filesystem;
using dirtest::MakeDir;
using dirtest::Touch;

TEST(RunDiscoveryLoops, ALoopIsSkippedAndReportedAndTheRestListed)
{
    const struct {
        const char* name;
        const char* link; // below root
        const char* to; // what the link names
    } cases[] = {
        { "date directory linked to itself", "XLIDATA/123106", "123106" },
        { "two date directories linked to each other", "XLIDATA/123106", "123107" }, // 123107 -> 123106 below
        { "run directory linked to itself", "XLIDATA/010207/000099", "000099" },
        { "date directory leading back to XLIDATA", "XLIDATA/123106", ".." },
        { "run directory leading back to the root", "XLIDATA/010207/000099", "../../.." },
        { "XLIDATA itself", "xlidata", "xlidata" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testutil::TempDir tmp;
        const std::string run = MakeDir(tmp / "XLIDATA/010207/000012");
        Touch(run + "/00001.RA1");
        fs::create_symlink(c.to, tmp / c.link);
        if (std::string(c.to) == "123107")
            fs::create_symlink("123106", tmp / "XLIDATA/123107");
        const RunDirectories runs = ListRunDirectories(tmp.path());
        EXPECT_EQ(runs.Failure, "");
        ASSERT_GE(runs.Newest, 0);
        EXPECT_EQ(runs.Dirs[static_cast<size_t>(runs.Newest)], run);
        EXPECT_EQ(runs.Dirs, (std::vector<std::string> { tmp.path(), run }));
        ASSERT_FALSE(runs.Loops.empty());
        EXPECT_EQ(runs.Loops[0], tmp / c.link);

        dirtest::Window window;
        const std::string message = window.ScanRootDir(tmp.path());
        EXPECT_EQ(message.rfind(LoopMessage(tmp / c.link), 0), 0u) << message;
        EXPECT_EQ(window.EditDataDir, run) << "the rest is scanned as usual";
        EXPECT_EQ(window.RadioGroupChannelsItems, (std::vector<ChannelEntry> { "0*.RA1" }));
    }
}

TEST(RunDiscoveryLoops, ALinkToAnotherDateDirectoryIsNoLoop)
{
    testutil::TempDir tmp;
    MakeDir(tmp / "XLIDATA/010207/000012");
    fs::create_symlink("010207", tmp / "XLIDATA/123106");
    const RunDirectories runs = ListRunDirectories(tmp.path());
    EXPECT_TRUE(runs.Loops.empty());
    EXPECT_EQ(runs.Dirs.size(), 3u);
}

TEST(IsScanFileOfRun, NamesTheMasksOrTheReaderTakeInTheRunDirectory)
{
    testutil::TempDir tmp;
    const std::string run = MakeDir(tmp / "run");
    MakeDir(tmp / "other");
    Touch(run + "/00040.RA1");
    fs::create_symlink(run + "/00040.RA1", tmp / "other/link.txt");
    fs::create_symlink(run, tmp / "runlink");
    const struct {
        const char* name;
        std::string target;
        bool scan;
    } cases[] = {
        { "an existing scan", run + "/00040.RA1", true },
        { "a new name a mask takes", run + "/00041.ra1", true },
        { "a name only the reader takes", run + "/E0001.RI8", true },
        { "through dot-dot", tmp / "other/../run/00040.RA1", true },
        { "through a linked directory", tmp / "runlink/00040.RA1", true },
        { "a link to a scan", tmp / "other/link.txt", true },
        { "a text file in the run", run + "/g.txt", false },
        { "a scan name elsewhere", tmp / "other/00040.RA1", false },
        { "the run directory itself", run, false },
        { "nothing", "", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsScanFileOfRun(c.target, run), c.scan);
    }
    EXPECT_TRUE(IsScanFileOfRun(tmp / "run/00040.RA1", tmp / "runlink/")) << "the run named through a link";
}

TEST(RunDiscovery, AnExportNeverTakesThePlaceOfTheMeasuredRun)
{
    testutil::TempDir tmp;
    const std::string measured = MakeDir(tmp / "XLIDATA/010207/000012");
    Touch(measured + "/00001.RA1");
    // Exported today, so with a newer date: recognised by its list, or by its files' mark while
    // the list is not yet written.
    const std::string listed = MakeDir(tmp / "XLIDATA/120526/103015");
    testutil::WriteTextFile(listed + "/00001.RA1", "Test sample\r\nR 1 20.0 50000 600 2e9 280 1\r\n");
    testutil::WriteTextFile(listed + "/exported-00001.RA1-00001.RA1.txt", "00001.RA1\t10\tab\r\n");
    const std::string marked = MakeDir(tmp / "XLIDATA/120526/103016");
    testutil::WriteTextFile(marked + "/00001.RA1", "Test samplereformated by Morvane 2026-12-05 10:30:16\r\n");
    EXPECT_TRUE(IsExportedRun(listed));
    EXPECT_TRUE(IsExportedRun(marked));
    EXPECT_FALSE(IsExportedRun(measured));
    RunDirectories runs = ListRunDirectories(tmp.path());
    ASSERT_GE(runs.Newest, 0);
    EXPECT_EQ(runs.Dirs[static_cast<size_t>(runs.Newest)], measured);
    // What the finding depends on: the directories listed, not a run already told apart.
    EXPECT_EQ(runs.Listed.size(), 4u) << "the root, XLIDATA and two dates; no run";

    // A new measured run (empty yet) is the newest, and watched until it can be told apart; with
    // exports alone, the newest export.
    const std::string started = MakeDir(tmp / "XLIDATA/120526/000013");
    runs = ListRunDirectories(tmp.path());
    EXPECT_EQ(runs.Dirs[static_cast<size_t>(runs.Newest)], started);
    EXPECT_EQ(runs.Listed.back(), started);
    fs::remove_all(tmp / "XLIDATA/010207");
    fs::remove_all(started);
    runs = ListRunDirectories(tmp.path());
    EXPECT_EQ(runs.Dirs[static_cast<size_t>(runs.Newest)], marked);
}
