// The export of scans below the window: names, directories, numbering, and the batch of files.
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "analysis/CustomSettings.h"
#include "follower/ScanExport.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::TempDir;

TEST(ScanExport, NamesAndDirectoriesOfTheExport)
{
    const LocalDateTime now { 2026, 12, 5, 10, 30, 15 };
    EXPECT_EQ(ExportRoot("/d/XLIDATA/010207/000012/00001.RA1"), "/d/XLIDATA");
    EXPECT_EQ(ExportRoot("/run/00001.RA1"), "") << "the components run out";
    EXPECT_EQ(ExportRoot("a/b/c/00001.RA1"), (fs::current_path() / "a").string())
        << "relative: from the current directory";
    EXPECT_EQ(ExportBaseDirectory("/d/XLIDATA", now), "/d/XLIDATA/120526");
    EXPECT_EQ(ExportDirectory("/d/XLIDATA", now), "/d/XLIDATA/120526/103015/");
    EXPECT_EQ(ExportDirectory("/d", { 2009, 1, 2, 3, 4, 5 }), "/d/010209/030405/");
    EXPECT_EQ(ExportHeaderSuffix(now), "reformated by Morvane 2026-12-05 10:30:15");
    EXPECT_EQ(ExportFileName(1, "RA1"), "00001.RA1");
    EXPECT_EQ(ExportFileName(90898, "IP2"), "90898.IP2");

    const struct {
        const char* channel;
        const char* extension;
    } extensions[] = {
        { "0*.RA1", "RA1" },
        { "A*.IP2", "IP2" },
        { "0*.FI3", "FI3" },
        { "0*.RI3Sam", "RA3" }, // intensity channels hold absorbances
        { "0*.RI4Ref", "RA4" },
    };
    for (const auto& c : extensions) {
        SCOPED_TRACE(c.channel);
        EXPECT_EQ(ExportExtension(c.channel), c.extension);
        EXPECT_EQ(ProposedExportFileName(c.extension), std::string("000001.") + c.extension);
    }
}

TEST(ScanExport, TheChosenNameNumbersTheFiles)
{
    const struct {
        const char* name;
        int32_t number; // 0: none usable, numbered from 1
    } cases[] = {
        { "000001.RA1", 1 }, // the leading 0 is the skipped channel letter
        { "A0100.IP2", 100 },
        { "A0100.txt", 100 }, // the extension is the channel's whatever is typed
        { "089900.RA1", 89900 },
        { "089901.RA1", 0 },
        { "0999999999999.RA1", 0 },
        { "export.RA1", 0 },
        { "00000.RA1", 0 },
        { "A12", 0 }, // no "." ends the number
        { "", 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ChosenExportNumber(c.name), c.number);
    }
}

namespace {

// Three interference scans of four points, 0.1 cm apart; set k holds k + point / 10.
struct HandMadeStore {
    CustomSettings settings;
    ChannelDataStore store { settings, 5.9, 6.2, 4 };
    explicit HandMadeStore(const std::string& runDir)
    {
        const double r[4] = { 5.9, 6.0, 6.1, 6.2 };
        for (int k = 0; k < 3; ++k) {
            const double y[4] = { k + 0.0, k + 0.1, k + 0.2, k + 0.3 };
            ScanHeader h;
            h.Description = "Cell 2, sample ";
            h.HeaderLine = "P 2 20.0 40000 " + std::to_string(1000 + k) + " 1.75E+10 660 1";
            h.OpticalSystem = 3;
            h.Time = 1000 + k;
            h.FilePath = runDir + "/0000" + std::to_string(k + 1) + ".IP2";
            store.AddSet(r, y, nullptr, 4, h, h.Time);
        }
    }
};

} // namespace

TEST(ScanExport, EachSetBecomesANumberedFileWithTheSuffix)
{
    TempDir dir;
    HandMadeStore hand(dir / "run");
    ScanExportRequest job { dir / "out", "IP2", 7, "reformated by Morvane 2026-12-05 10:30:15", dir / "run" };
    fs::create_directory(dir / "out");
    const ScanExportResult r = ExportScans(hand.store, job);
    EXPECT_EQ(r.Written, 3);
    EXPECT_TRUE(r.Failed.empty());
    EXPECT_EQ(testutil::ReadTextFile(dir / "out/00008.IP2"),
        "Cell 2, sample reformated by Morvane 2026-12-05 10:30:15\r\n"
        "P 2 20.0 40000 1001 1.75E+10 660 1\r\n"
        "   5.9000    1.00000E+00\r\n"
        "   6.0000    1.10000E+00\r\n"
        "   6.1000    1.20000E+00\r\n"
        "   6.2000    1.30000E+00\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "out"), fs::directory_iterator()), 3)
        << "no temporary is left";
    EXPECT_EQ(ExportResultText(r), "3 scan files exported to " + dir / "out/" + " (00007.IP2 to 00009.IP2).");
}

TEST(ScanExport, AFileThatCannotBeWrittenIsCountedAndTheExportGoesOn)
{
    TempDir dir;
    HandMadeStore hand(dir / "run");
    fs::create_directories(dir / "out/00002.IP2/inside"); // a directory where a file should go
    const ScanExportResult r = ExportScans(hand.store, { dir / "out", "IP2", 1, "", dir / "run" });
    EXPECT_EQ(r.Written, 2);
    EXPECT_TRUE(fs::is_regular_file(dir / "out/00001.IP2"));
    EXPECT_TRUE(fs::is_regular_file(dir / "out/00003.IP2"));
    EXPECT_EQ(ExportResultText(r),
        "2 of 3 scan files exported to " + dir / "out/"
            + " (00001.IP2 to 00003.IP2). 1 file could not be written, "
              "the first: "
            + dir / "out/00002.IP2" + " ('" + dir / "out/00002.IP2" + "' is a directory).");

    // A directory that does not exist: every file fails, and the message says so.
    const ScanExportResult none = ExportScans(hand.store, { dir / "missing", "IP2", 1, "", dir / "run" });
    EXPECT_EQ(none.Written, 0);
    EXPECT_EQ(none.Failed.size(), 3u);
    EXPECT_NE(ExportResultText(none).find("0 of 3 scan files exported"), std::string::npos);
    EXPECT_NE(ExportResultText(none).find("3 files could not be written, the first: " + dir / "missing/00001.IP2"),
        std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "missing"));
}

TEST(ScanExport, TheRunsOwnDirectoryIsRefusedHoweverItIsSpelled)
{
    TempDir dir;
    fs::create_directories(dir / "root/run");
    HandMadeStore hand(dir / "root/run");
    testutil::WriteTextFile(dir / "root/run/00001.IP2", "input");
    for (const std::string& target : { dir / "root/run", dir / "root/run/", dir / "root/../root/run/." }) {
        SCOPED_TRACE(target);
        const ScanExportResult r = ExportScans(hand.store, { target, "IP2", 1, "", dir / "root/run" });
        EXPECT_EQ(r.Written, 0);
        EXPECT_NE(r.Refused.find("it is the directory of the run being read"), std::string::npos);
        EXPECT_EQ(ExportResultText(r), r.Refused);
    }
    // The directory of the first scan counts as the run's, whatever directory was named.
    EXPECT_FALSE(ExportScans(hand.store, { dir / "root/run", "IP2", 1, "", dir / "elsewhere" }).Refused.empty());
    EXPECT_EQ(testutil::ReadTextFile(dir / "root/run/00001.IP2"), "input");
    EXPECT_EQ(ExportRefusal(dir / "root", dir / "root/run", ""), "") << "the parent may take the export";
}
