#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "DirectoryTree.h"
#include "scanfiles/FileSystem.h"

namespace fs = std::filesystem;
using dirtest::MakeDir;
using dirtest::Touch;
using dirtest::Window;
using Paths = std::vector<std::string>;

TEST(DirectoryScores, DateDirScoreIsYearMonthDay)
{
    const struct {
        const char* name;
        int32_t want;
    } cases[] = {
        { "010207", 70102 }, // 7*10000 + 1*100 + 2
        { "123106", 61231 },
        { "123199", 991231 }, // two-digit year: after 010207
        { "000000", 0 },
        { "ABCDEF", -10101 }, // -1 for each part: -10000 - 100 - 1
        { "AB0207", 69902 }, // month -1: 70000 - 100 + 2
        { "01-101", 10099 }, // "-1" is a number: 10000 + 100 - 1
        { "12319", -1 },
        { "1231999", -1 },
        { "", -1 },
        { ".", -1 },
        { "..", -1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DirectoryChannels::DateDirScore(c.name), c.want);
    }
}

TEST(DirectoryScores, RunDirScoreIsTheNumberOfSixCharacters)
{
    const struct {
        const char* name;
        int32_t want;
    } cases[] = {
        { "000012", 12 },
        { "000099", 99 },
        { "999999", 999999 },
        { "+00012", 12 },
        { "000000", 0 },
        { "0000-1", -1 }, // not a number
        { "-00001", -1 },
        { "ABCDEF", -1 },
        { "00 012", -1 },
        { "00005", 0 }, // not six characters
        { "0000005", 0 },
        { ".", 0 },
        { "..", 0 },
        { "", 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DirectoryChannels::RunDirScore(c.name), c.want);
    }
}

TEST(ScanRootDir, RootThatIsXlidataAndRootThatContainsItBothFindTheRuns)
{
    testutil::TempDir tmp;
    const std::string xli = MakeDir(tmp / "XLIDATA");
    const std::string run = MakeDir(xli + "/010207/000005");
    Touch(run + "/00001.RA1");

    for (const std::string& root : { xli, tmp.path() }) {
        SCOPED_TRACE(root);
        Window w;
        EXPECT_EQ(w.ScanRootDir(root), "");
        EXPECT_EQ(w.ListBoxDataDirs, (Paths { root, run }));
        EXPECT_EQ(w.EditDataDir, run);
        EXPECT_EQ(w.ListBoxDataDirsItemIndex, 1);
        EXPECT_EQ(w.RadioGroupChannelsItems, (Paths { "0*.RA1" }));
    }
}

TEST(ScanRootDir, RootWithXlidataAndDateDirectoriesOfItsOwnListsBothNewestAcrossBoth)
{
    testutil::TempDir tmp;
    const std::string own = MakeDir(tmp / "010207/000005");
    const std::string inner = MakeDir(tmp / "XLIDATA/123106/000099");
    const std::string newest = MakeDir(tmp / "XLIDATA/020207/000001");

    Window w;
    EXPECT_EQ(w.ScanRootDir(tmp.path()), "");
    EXPECT_EQ(w.ListBoxDataDirs, (Paths { tmp.path(), own, newest, inner }));
    EXPECT_EQ(w.EditDataDir, newest);
}

TEST(ScanRootDir, XlidataIsFoundWithoutRegardToCase)
{
    testutil::TempDir tmp;
    const std::string run = MakeDir(tmp / "XliData/010207/000005");
    Window w;
    EXPECT_EQ(w.ScanRootDir(tmp.path()), "");
    EXPECT_EQ(w.EditDataDir, run);
}

TEST(ScanRootDir, RootWithFilesOnlyIsTheDataDirectoryAndItsChannelsAreDetected)
{
    testutil::TempDir tmp;
    Touch(tmp / "00001.RA1");
    Touch(tmp / "anyfile.scn");

    Window w;
    EXPECT_EQ(w.ScanRootDir(tmp.path()), "");
    EXPECT_EQ(w.ListBoxDataDirs, (Paths { tmp.path() }));
    EXPECT_EQ(w.ListBoxDataDirsItemIndex, 0);
    EXPECT_EQ(w.EditDataDir, tmp.path());
    EXPECT_EQ(w.FileListBox1Directory, tmp.path());
    EXPECT_EQ(w.FileListBox1Items, (Paths { "00001.RA1", "anyfile.scn" }));
    EXPECT_EQ(w.RadioGroupChannelsItems, (Paths { "0*.RA1" }));
    EXPECT_EQ(w.SelectedChannel(), "0*.RA1");
}

TEST(ScanRootDir, NewestRunIsTheLargestRunOfTheLatestDateAndAllRunsAreListed)
{
    testutil::TempDir tmp;
    const std::string r5 = MakeDir(tmp / "010207/000005");
    const std::string r12 = MakeDir(tmp / "010207/000012");
    const std::string r99 = MakeDir(tmp / "123106/000099");
    Touch(r12 + "/00001.IP2");
    Touch(r99 + "/00001.RA1");

    Window w;
    EXPECT_EQ(w.ScanRootDir(tmp.path()), "");
    EXPECT_EQ(w.ListBoxDataDirs, (Paths { tmp.path(), r5, r12, r99 }));
    EXPECT_EQ(w.EditDataDir, r12);
    EXPECT_EQ(w.ListBoxDataDirsItemIndex, 2);
    EXPECT_EQ(w.FileListBox1Directory, r12);
    EXPECT_EQ(w.RadioGroupChannelsItems, (Paths { "0*.IP2" }));
}

TEST(ScanRootDir, NamesThatAreNotDatesOrRunsAreSkipped)
{
    testutil::TempDir tmp;
    for (const char* date : { "01020", "0102077", "ABCDEF", "000000", "010207.bak" })
        MakeDir(tmp / (std::string(date) + "/000001"));
    const std::string date = tmp / "010207";
    for (const char* run : { "00001", "0000001", "000000", "0000-1", "ABCDEF", "000004.x" })
        MakeDir(date + "/" + run);
    const std::string good = MakeDir(date + "/000003");
    Touch(date + "/000007"); // a plain file with a run's name is listed: entries are not tested

    Window w;
    EXPECT_EQ(w.ScanRootDir(tmp.path()), "");
    EXPECT_EQ(w.ListBoxDataDirs, (Paths { tmp.path(), good, date + "/000007" }));
    EXPECT_EQ(w.EditDataDir, date + "/000007");
}

TEST(ScanRootDir, PlainFileWithADateNameHasNothingBelowIt)
{
    testutil::TempDir tmp;
    Touch(tmp / "010207");
    Window w;
    EXPECT_EQ(w.ScanRootDir(tmp.path()), "");
    EXPECT_EQ(w.ListBoxDataDirs, (Paths { tmp.path() }));
    EXPECT_EQ(w.EditDataDir, tmp.path());
}

TEST(ScanRootDir, EmptyLatestDateDirectoryDoesNotHideTheNewestRun)
{
    testutil::TempDir tmp;
    const std::string run = MakeDir(tmp / "010207/000012");
    MakeDir(tmp / "010108"); // a later date without runs yet, met first
    MakeDir(tmp / "020207/000000"); // a later date whose only run is not a run
    Window w;
    EXPECT_EQ(w.ScanRootDir(tmp.path()), "");
    EXPECT_EQ(w.ListBoxDataDirs, (Paths { tmp.path(), run }));
    EXPECT_EQ(w.EditDataDir, run);
}

TEST(ScanRootDir, EqualKeysKeepTheFirstMet)
{
    testutil::TempDir tmp;
    const std::string first = MakeDir(tmp / "010207/+00012");
    MakeDir(tmp / "010207/000012");
    Window w;
    EXPECT_EQ(w.ScanRootDir(tmp.path()), "");
    EXPECT_EQ(w.EditDataDir, first);
}

TEST(ScanRootDir, RescanReplacesTheListAndFindsRunsWrittenSince)
{
    testutil::TempDir tmp;
    const std::string r5 = MakeDir(tmp / "010207/000005");
    Window w;
    w.EditInputDir = tmp.path();
    EXPECT_EQ(w.ButtonRefreshSubdirectoriesClick(), "");
    EXPECT_EQ(w.ButtonRefreshSubdirectoriesClick(), "");
    EXPECT_EQ(w.ListBoxDataDirs, (Paths { tmp.path(), r5 }));

    const std::string r6 = MakeDir(tmp / "010207/000006");
    EXPECT_EQ(w.ButtonRefreshSubdirectoriesClick(), "");
    EXPECT_EQ(w.ListBoxDataDirs, (Paths { tmp.path(), r5, r6 }));
    EXPECT_EQ(w.EditDataDir, r6);
}

TEST(ScanRootDir, RefreshWithoutRootDoesNothing)
{
    Window w;
    w.ListBoxDataDirs = { "kept" };
    EXPECT_EQ(w.ButtonRefreshSubdirectoriesClick(), "");
    EXPECT_EQ(w.ListBoxDataDirs, (Paths { "kept" }));
}

TEST(ScanRootDir, RootThatCannotBeListedReportsAndChangesNothingElse)
{
    testutil::TempDir tmp;
    const std::string file = tmp / "plain.txt";
    Touch(file);
    const std::string previous = MakeDir(tmp / "previous");
    Touch(previous + "/00001.RA1");

    for (const std::string& root : { tmp / "vanished", file, std::string() }) {
        SCOPED_TRACE(root);
        Window w;
        w.ListBoxDataDirs = { previous };
        w.ListBoxDataDirsItemIndex = 0;
        EXPECT_EQ(w.ListBoxDataDirsClick(), "");
        ASSERT_EQ(w.SelectedChannel(), "0*.RA1");

        std::string message;
        EXPECT_NO_THROW(message = w.ScanRootDir(root));
        EXPECT_EQ(message, "Unexpected error setting directory");
        EXPECT_TRUE(w.ListBoxDataDirs.empty());
        EXPECT_EQ(w.ListBoxDataDirsItemIndex, -1);
        EXPECT_EQ(w.EditDataDir, previous);
        EXPECT_EQ(w.SelectedChannel(), "0*.RA1");
    }
}

TEST(ScanRootDir, FailurePartWayKeepsWhatWasListed)
{
    testutil::TempDir tmp;
    const std::string listed = MakeDir(tmp / "010207/000005");
    // A date directory that cannot be read: a link to itself (fails even for a superuser).
    fs::create_directory_symlink("020207", tmp / "020207");
    MakeDir(tmp / "030207/000001");

    Window w;
    w.EditDataDir = "before";
    std::string message;
    EXPECT_NO_THROW(message = w.ScanRootDir(tmp.path()));
    EXPECT_EQ(message, "Unexpected error setting directory");
    EXPECT_EQ(w.ListBoxDataDirs, (Paths { listed }));
    EXPECT_EQ(w.EditDataDir, "before");
    EXPECT_TRUE(w.RadioGroupChannelsItems.empty());
}

TEST(ScanRootDir, UnreadableDateDirectoryEndsTheScan)
{
    testutil::TempDir tmp;
    const std::string listed = MakeDir(tmp / "010207/000005");
    const std::string locked = MakeDir(tmp / "020207/000001");
    fs::permissions(tmp / "020207", fs::perms::none);
    bool readable = false;
    ListFiles(tmp / "020207", "*", &readable);
    if (readable)
        GTEST_SKIP() << "permissions do not stop this user from reading";

    Window w;
    EXPECT_EQ(w.ScanRootDir(tmp.path()), "Unexpected error setting directory");
    EXPECT_EQ(w.ListBoxDataDirs, (Paths { listed }));
    EXPECT_EQ(w.EditDataDir, "");
}

TEST(ScanRootDir, DanglingLinkWithADateNameHasNothingBelowIt)
{
    testutil::TempDir tmp;
    const std::string run = MakeDir(tmp / "010207/000005");
    fs::create_directory_symlink(tmp / "nowhere", tmp / "020207");
    Window w;
    EXPECT_EQ(w.ScanRootDir(tmp.path()), "");
    EXPECT_EQ(w.EditDataDir, run);
}

// Saves and restores the process's working directory around a test that lets it change.
struct WorkingDirectoryGuard {
    fs::path saved = fs::current_path();
    ~WorkingDirectoryGuard()
    {
        std::error_code ec;
        fs::current_path(saved, ec);
    }
};

TEST(ScanRootDir, WorkingDirectoryBecomesTheRootOnlyOnSuccess)
{
    testutil::TempDir tmp;
    WorkingDirectoryGuard guard;
    const std::string run = MakeDir(tmp / "010207/000005");
    DirectoryChannels w; // the program's setting

    EXPECT_EQ(w.ScanRootDir(tmp.path()), "");
    EXPECT_TRUE(fs::equivalent(fs::current_path(), tmp.path()));

    w.ListBoxDataDirsItemIndex = 1;
    EXPECT_EQ(w.ListBoxDataDirsClick(), "");
    EXPECT_TRUE(fs::equivalent(fs::current_path(), run));

    EXPECT_EQ(w.ScanRootDir(tmp / "vanished"), "Unexpected error setting directory");
    EXPECT_TRUE(fs::equivalent(fs::current_path(), run));
}

TEST(ScanRootDir, WorkingDirectoryStaysWhenTurnedOff)
{
    testutil::TempDir tmp;
    WorkingDirectoryGuard guard;
    MakeDir(tmp / "010207/000005");
    Window w;
    EXPECT_EQ(w.ScanRootDir(tmp.path()), "");
    EXPECT_EQ(fs::current_path(), guard.saved);
}

TEST(ListBoxDataDirs, ChoosingAnotherDirectoryDetectsItsChannelsFromScratch)
{
    testutil::TempDir tmp;
    const std::string r5 = MakeDir(tmp / "010207/000005");
    const std::string r6 = MakeDir(tmp / "010207/000006");
    Touch(r5 + "/00001.RA3");
    Touch(r6 + "/B0001.IP1");
    Touch(r6 + "/00001.RA3");

    Window w;
    EXPECT_EQ(w.ScanRootDir(tmp.path()), "");
    EXPECT_EQ(w.EditDataDir, r6);
    EXPECT_EQ(w.RadioGroupChannelsItems, (Paths { "0*.RA3", "B*.IP1" }));
    w.RadioGroupChannelsItemIndex = 1;
    w.RadioGroupChannelsClick();

    w.ListBoxDataDirsItemIndex = 1;
    EXPECT_EQ(w.ListBoxDataDirsClick(), "");
    EXPECT_EQ(w.EditDataDir, r5);
    EXPECT_EQ(w.FileListBox1Items, (Paths { "00001.RA3" }));
    EXPECT_EQ(w.RadioGroupChannelsItems, (Paths { "0*.RA3" }));
    EXPECT_EQ(w.SelectedChannel(), "0*.RA3");
    EXPECT_EQ(w.ChosenMask, dirtest::SlotOf(w, "0*.RA3"));
}

TEST(ListBoxDataDirs, EntriesAreSortedIgnoringCase)
{
    testutil::TempDir tmp;
    // "a10207" is a date (key 69902: the month "a1" counts -1); case-sensitive order
    // would put XLIDATA before it.
    const std::string own = MakeDir(tmp / "a10207/000001");
    const std::string inner = MakeDir(tmp / "XLIDATA/010207/000001");
    Window w;
    EXPECT_EQ(w.ScanRootDir(tmp.path()), "");
    EXPECT_EQ(w.ListBoxDataDirs, (Paths { tmp.path(), own, inner }));
    EXPECT_EQ(w.EditDataDir, inner);
    EXPECT_EQ(w.ListBoxDataDirsItemIndex, 2);
}

TEST(RootChoice, DirectoryOfThePickedFileBecomesTheRoot)
{
    testutil::TempDir tmp;
    const std::string run = MakeDir(tmp / "010207/000005");
    Touch(run + "/00001.RA1");
    Window w;
    w.RadioGroupChannelsItems = { "stale" };
    w.RadioGroupChannelsItemIndex = 0;
    EXPECT_EQ(w.RootDirChosen(tmp / "anyfile.scn"), "");
    EXPECT_EQ(w.EditInputDir, tmp.path());
    EXPECT_EQ(w.EditDataDir, run);
    EXPECT_EQ(w.RadioGroupChannelsItems, (Paths { "0*.RA1" }));

    EXPECT_EQ(w.RootDirChosen(tmp / "vanished/anyfile.scn"), "Unexpected error setting directory");
    EXPECT_EQ(w.EditInputDir, tmp / "vanished");
    EXPECT_TRUE(w.RadioGroupChannelsItems.empty());
    EXPECT_EQ(w.EditDataDir, run);
}

TEST(FileList, ListsPlainFilesSortedAndGivesTheChosenPath)
{
    testutil::TempDir tmp;
    Touch(tmp / "b0002.ra1");
    Touch(tmp / "A0001.RA1");
    Touch(tmp / ".hidden");
    MakeDir(tmp / "subdir");

    Window w;
    EXPECT_EQ(w.FileListBox1Directory, "C:\\");
    EXPECT_TRUE(w.FileListBox1Items.empty());
    EXPECT_EQ(w.ScanRootDir(tmp.path()), "");
    EXPECT_EQ(w.FileListBox1Items, (Paths { "A0001.RA1", "b0002.ra1" }));

    w.FileListBox1Change(1);
    EXPECT_EQ(w.EditDateTimeDir, tmp / "b0002.ra1");

    Touch(tmp / "a0000.ra1");
    w.ButtonRefreshFileListClick();
    EXPECT_EQ(w.FileListBox1Items, (Paths { "a0000.ra1", "A0001.RA1", "b0002.ra1" }));
    EXPECT_EQ(w.FileListBox1ItemIndex, 2); // the chosen file stays chosen

    w.FileListBox1Change(3);
    EXPECT_EQ(w.EditDateTimeDir, "");
    EXPECT_EQ(w.FileListBox1ItemIndex, -1);
}

TEST(FileList, RefreshOfAVanishedDirectoryEmptiesTheList)
{
    testutil::TempDir tmp;
    const std::string dir = MakeDir(tmp / "run");
    Touch(dir + "/00001.RA1");
    Window w;
    EXPECT_EQ(w.ScanRootDir(dir), "");
    ASSERT_EQ(w.FileListBox1Items.size(), 1u);
    fs::remove_all(dir);
    EXPECT_NO_THROW(w.ButtonRefreshFileListClick());
    EXPECT_TRUE(w.FileListBox1Items.empty());
}
