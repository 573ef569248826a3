#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "DirectoryTree.h"

namespace fs = std::filesystem;
using dirtest::MakeDir;
using dirtest::Touch;
using dirtest::Window;
using Paths = std::vector<std::string>;

namespace {

const char* const SettingError = "Unexpected error setting directory";

// Paths below root; "" stands for the root itself.
Paths Below(const std::string& root, const Paths& relative)
{
    Paths paths;
    for (const std::string& r : relative)
        paths.push_back(r.empty() ? root : root + "/" + r);
    return paths;
}

} // namespace

TEST(DirectoryScores, DateAndRunDirectoryScores)
{
    constexpr int32_t Any = INT32_MIN; // a row made for the other score
    const struct {
        const char* name;
        int32_t date, run;
    } cases[] = {
        { "010207", 70102, 10207 }, // 7*10000 + 1*100 + 2
        { "123199", 991231, Any }, // two-digit year: after 010207
        { "ABCDEF", -10101, -1 }, // -1 for each part: -10000 - 100 - 1; not a number
        { "01-101", 10099, -1 }, // "-1" is a number: 10000 + 100 - 1
        { "+00012", Any, 12 }, { "12319", -1, 0 }, // not six characters
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.date == Any ? Any : DateDirScore(c.name), c.date);
        EXPECT_EQ(c.run == Any ? Any : RunDirScore(c.name), c.run);
    }
}

TEST(ScanRootDir, RunsListedAndTheNewestChosen)
{
    const struct {
        const char* name;
        Paths dirs, files;
        Paths list; // below the root, in order
        std::string chosen;
        Paths channels;
    } cases[] = {
        { "root that contains XLIDATA", { "XLIDATA/010207/000005" }, { "XLIDATA/010207/000005/00001.RA1" },
            { "", "XLIDATA/010207/000005" }, "XLIDATA/010207/000005", { "0*.RA1" } },
        { "XLIDATA and date directories of its own: newest across both",
            { "010207/000005", "XLIDATA/123106/000099", "XLIDATA/020207/000001" }, {},
            { "", "010207/000005", "XLIDATA/020207/000001", "XLIDATA/123106/000099" }, "XLIDATA/020207/000001", {} },
        { "files only: the root is the data directory", {}, { "00001.RA1", "anyfile.scn" }, { "" }, "", { "0*.RA1" } },
        { "largest run of the latest date", { "010207/000005", "010207/000012", "123106/000099" },
            { "010207/000012/00001.IP2", "123106/000099/00001.RA1" },
            { "", "010207/000005", "010207/000012", "123106/000099" }, "010207/000012", { "0*.IP2" } },
        { "names that are not dates or runs are skipped",
            { "0102077/000001", "ABCDEF/000001", "010207/00001", "010207/000000", "010207/ABCDEF", "010207/000003" },
            { "010207/000007" }, // a plain file with a run's name is listed: entries are not tested
            { "", "010207/000003", "010207/000007" }, "010207/000007", {} },
        // A later date without runs yet, met first, and one whose only run is not a run.
        { "empty latest date does not hide the newest run", { "010207/000012", "010108", "020207/000000" }, {},
            { "", "010207/000012" }, "010207/000012", {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testutil::TempDir tmp;
        for (const std::string& d : c.dirs)
            MakeDir(tmp / d);
        for (const std::string& f : c.files)
            Touch(tmp / f);
        Window w;
        EXPECT_EQ(w.ScanRootDir(tmp.path()), "");
        EXPECT_EQ(w.ListBoxDataDirs, Below(tmp.path(), c.list));
        const std::string chosen = Below(tmp.path(), { c.chosen })[0];
        EXPECT_EQ(w.EditDataDir, chosen);
        EXPECT_EQ(w.RadioGroupChannelsItems, c.channels);
    }
}

TEST(ScanRootDir, RescanReplacesTheListAndFindsRunsWrittenSince)
{
    Window w;
    testutil::TempDir tmp;
    const std::string r5 = MakeDir(tmp / "010207/000005");
    w.EditInputDir = tmp.path();
    EXPECT_EQ(w.ButtonRefreshSubdirectoriesClick(), "");

    const std::string r6 = MakeDir(tmp / "010207/000006");
    EXPECT_EQ(w.ButtonRefreshSubdirectoriesClick(), "");
    EXPECT_EQ(w.ListBoxDataDirs, (Paths { tmp.path(), r5, r6 }));
    EXPECT_EQ(w.EditDataDir, r6);
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

        EXPECT_EQ(w.ScanRootDir(root), SettingError);
        EXPECT_TRUE(w.ListBoxDataDirs.empty());
        EXPECT_EQ(w.EditDataDir, previous);
        EXPECT_EQ(w.SelectedChannel(), "0*.RA1");
    }
}

// A date directory linked to itself cannot be listed (even by a superuser): it is skipped and
// named, the rest is listed.
TEST(ScanRootDir, DateDirectoryLinkedToItselfIsSkipped)
{
    testutil::TempDir tmp;
    const std::string listed = MakeDir(tmp / "010207/000005");
    fs::create_directory_symlink("020207", tmp / "020207");
    const std::string newest = MakeDir(tmp / "030207/000001");
    Window w;
    w.EditDataDir = "before";
    EXPECT_EQ(w.ScanRootDir(tmp.path()), "Skipped a symbolic link loop: " + tmp / "020207");
    EXPECT_EQ(w.ListBoxDataDirs, (Paths { tmp.path(), listed, newest }));
    EXPECT_EQ(w.EditDataDir, newest);
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
    EXPECT_EQ(w.RadioGroupChannelsItems, (Paths { "0*.RA3", "B*.IP1" }));
    w.RadioGroupChannelsItemIndex = 1;
    w.RadioGroupChannelsClick();

    w.ListBoxDataDirsItemIndex = 1;
    EXPECT_EQ(w.ListBoxDataDirsClick(), "");
    EXPECT_EQ(w.EditDataDir, r5);
    EXPECT_EQ(w.FileListBox1Items, (Paths { "00001.RA3" }));
    EXPECT_EQ(w.RadioGroupChannelsItems, (Paths { "0*.RA3" }));
    EXPECT_EQ(w.ChosenMask, dirtest::SlotOf(w, "0*.RA3"));
}

TEST(RootChoice, ThePickedDirectoryOrTheDirectoryOfAPickedFileBecomesTheRoot)
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

    EXPECT_EQ(w.RootDirChosen(tmp / "vanished/anyfile.scn"), SettingError);
    EXPECT_TRUE(w.RadioGroupChannelsItems.empty());

    EXPECT_EQ(w.RootDirChosen(tmp / "010207"), "");
    EXPECT_EQ(w.EditInputDir, tmp / "010207");
}

TEST(FileList, ListsPlainFilesSortedGivesTheChosenPathAndEmptiesWhenTheDirectoryVanishes)
{
    testutil::TempDir tmp;
    const std::string dir = MakeDir(tmp / "run");
    Touch(dir + "/b0002.ra1");
    Touch(dir + "/A0001.RA1");
    Touch(dir + "/.hidden");
    MakeDir(dir + "/subdir");

    Window w;
    EXPECT_EQ(w.ScanRootDir(dir), "");
    EXPECT_EQ(w.FileListBox1Items, (Paths { "A0001.RA1", "b0002.ra1" }));
    w.FileListBox1Change(1);
    EXPECT_EQ(w.EditDateTimeDir, dir + "/b0002.ra1");

    Touch(dir + "/a0000.ra1");
    w.ButtonRefreshFileListClick();
    EXPECT_EQ(w.FileListBox1Items, (Paths { "a0000.ra1", "A0001.RA1", "b0002.ra1" }));
    EXPECT_EQ(w.FileListBox1ItemIndex, 2); // the chosen file stays chosen

    fs::remove_all(dir);
    w.ButtonRefreshFileListClick();
    EXPECT_TRUE(w.FileListBox1Items.empty());
}
