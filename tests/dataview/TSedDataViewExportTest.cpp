// "ExportFiles": the raw scans written back as scan files, through the save dialog.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

#include "DataViewFixture.h"
#include "scanfiles/BeckmanFile.h"
#include "testutil/ScriptedHost.h"

using namespace morvane;

namespace fs = std::filesystem;
using namespace dataviewtest;
using testutil::ScriptedHost;
using testutil::TempDir;

namespace {

const LocalDateTime ExportTime { 2026, 12, 5, 10, 30, 15 };
const char* const Suffix = "reformated by Morvane 2026-12-05 10:30:15";

// A run in ROOT/XLIDATA/010207/000012 and a data view launched on it, its clock at ExportTime.
struct ExportedRun {
    TempDir root;
    std::string xlidata = root / "XLIDATA";
    std::string run = root / "XLIDATA/010207/000012";
    std::string exportDir = root / "XLIDATA/120526/103015/";
    ScriptedHost host;
    TSedDataView view { &host };
    explicit ExportedRun(const std::string& extension = "RA1", int scans = 30)
    {
        fs::create_directories(run);
        testutil::RunSpec spec = SmallRun(scans);
        spec.extension = extension;
        testutil::WriteRun(run, spec);
        view.ExportClock = [] { return ExportTime; };
        Launch(view, run, "0*." + extension);
    }
    // Every file below the root with its text: nothing the export must not touch may change.
    std::map<std::string, std::string> RunFiles() const
    {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(run))
            files[entry.path().string()] = testutil::ReadTextFile(entry.path().string());
        return files;
    }
};

size_t EntriesIn(const std::string& dir)
{
    return fs::is_directory(dir) ? static_cast<size_t>(std::distance(fs::directory_iterator(dir), {})) : 0u;
}

// Both g(s*) stores' newest sets agree within `tolerance` times the larger one's highest value.
void ExpectSameNewestGofs(const ChannelDataStore& a, const ChannelDataStore& b, double tolerance)
{
    ASSERT_EQ(a.GetNumberOfSets(), b.GetNumberOfSets());
    const int32_t k = a.GetNumberOfSets() - 1;
    const StoreExtents ea = a.GetExtents(k, true);
    const double scale = std::max(std::abs(ea.MaxY), std::abs(ea.MinY));
    ASSERT_GT(scale, 0);
    for (int32_t j = 0; j < a.GetNumberOfPoints(); ++j) {
        ASSERT_EQ(a.GetE(k, j) >= 0, b.GetE(k, j) >= 0) << "point " << j;
        if (a.GetE(k, j) >= 0) {
            EXPECT_NEAR(a.GetY(k, j), b.GetY(k, j), tolerance * scale) << "point " << j;
        }
    }
}

// The sentence on the batch's list of files and its record.
std::string Listed(const std::string& first, const std::string& last)
{
    const std::string list = "exported-" + first + ".RA1-" + last + ".RA1.txt";
    return " Their list with its record: " + list + " and " + list + ".json.";
}

} // namespace

TEST_F(SedDataView, ExportIntoTheDatedDirectoryThenTheGofsOutputProposesIt)
{
    ExportedRun r;
    r.host.SaveAnswers = { r.exportDir + "000001.RA1" };
    r.view.ButtonExportFilesClick();

    ASSERT_EQ(r.host.SaveRequests.size(), 1u);
    const FileDialogRequest& asked = r.host.SaveRequests[0];
    EXPECT_EQ(asked.InitialDir, r.exportDir);
    EXPECT_EQ(asked.FileName, "000001.RA1");
    EXPECT_EQ(asked.Title, "Export the scans as scan files: the first file's name");
    const ChannelDataStore& raw = *r.view.Engine->RawStore;
    ASSERT_EQ(raw.GetNumberOfSets(), 30);
    EXPECT_EQ(EntriesIn(r.exportDir), 32u) << "the files, their list and its record";
    for (int k : { 0, 29 }) {
        char name[16];
        std::snprintf(name, sizeof name, "%05d.RA1", k + 1);
        SCOPED_TRACE(name);
        const std::string text = testutil::ReadTextFile(r.exportDir + name);
        EXPECT_EQ(text, raw.SetToText(k, Suffix));
        EXPECT_EQ(text.substr(0, text.find('\r')), "Test sample" + std::string(Suffix)) << "no blank is inserted";
    }
    EXPECT_EQ(r.host.Messages,
        (std::vector<std::string> {
            "30 scan files exported to " + r.exportDir + " (00001.RA1 to 00030.RA1)." + Listed("00001", "00030") }));

    r.view.ButtonOutputAsciiClick(); // cancelled
    ASSERT_EQ(r.host.SaveRequests.size(), 2u);
    EXPECT_EQ(r.host.SaveRequests[1].InitialDir, r.exportDir);
    EXPECT_EQ(r.host.SaveRequests[1].FileName, r.exportDir + "t dcdt vs sStar for Test sample RA1.txt");
}

TEST_F(SedDataView, ExportedScansReadBackAndAnalyseAsTheOriginals)
{
    for (const std::string extension : { "RA1", "IP2" }) {
        SCOPED_TRACE(extension);
        ExportedRun r(extension);
        const std::string out = r.root / "copy";
        fs::create_directory(out);
        r.host.SaveAnswers = { out + "/A0001.txt" };
        r.view.ButtonExportFilesClick();
        const ChannelDataStore& raw = *r.view.Engine->RawStore;
        ASSERT_EQ(EntriesIn(out), static_cast<size_t>(raw.GetNumberOfSets()) + 2) << "with their list and its record";

        // The reader gives the store's values to the printed precision: 4 decimals of the
        // radius, 6 significant digits of the values.
        BeckmanFile reader;
        const std::string last = out + "/" + ExportFileName(raw.GetNumberOfSets(), extension);
        ASSERT_GT(reader.ReadScanFile(last, 0, 0), 0);
        const int32_t k = raw.GetNumberOfSets() - 1;
        ASSERT_EQ(reader.NumberOfPoints, raw.GetNumberOfPoints());
        EXPECT_EQ(reader.Header.HeaderLine, raw.Headers[static_cast<size_t>(k)].HeaderLine);
        EXPECT_EQ(reader.Header.Time, raw.Headers[static_cast<size_t>(k)].Time);
        for (int32_t j = 0; j < raw.GetNumberOfPoints(); ++j) {
            const auto i = static_cast<size_t>(j);
            EXPECT_NEAR(reader.Radius[i], raw.GetX(j), 0.5e-4);
            EXPECT_NEAR(reader.Value[i], raw.GetY(k, j), 0.5e-5 * std::abs(raw.GetY(k, j)) + 1e-300);
            if (extension == "RA1") {
                EXPECT_NEAR(reader.Sigma[i], raw.GetE(k, j), 0.5e-5 * std::abs(raw.GetE(k, j)));
            }
        }

        // The exported run gives the same g(s*), within what 6 digits of the scans carry.
        ScriptedHost none;
        TSedDataView again(&none);
        Launch(again, out, "0*." + extension);
        ExpectSameNewestGofs(*r.view.Engine->GofsStore, *again.Engine->GofsStore, 1e-4);
    }
}

TEST_F(SedDataView, ExportOfBadRequestsSaysWhatHappenedAndChangesNoInput)
{
    const std::string noNumber = " The name export.RA1 holds no number from 1 to 89900 after its first character: "
                                 "the files are numbered from 00001.RA1.";
    const struct {
        const char* name;
        std::string answer; // relative to the export directory; empty: cancelled
        std::string message; // with DIR for the export directory
        size_t files; // in the export directory
    } cases[] = {
        { "cancelled", "", "", 0 },
        { "a name without digits", "export.RA1",
            "30 scan files exported to DIR (00001.RA1 to 00030.RA1)." + noNumber + Listed("00001", "00030"), 32 },
        { "a number above 89900", "089901.RA1",
            "30 scan files exported to DIR (00001.RA1 to 00030.RA1). The name 089901.RA1 holds no number from 1 to "
            "89900 after its first character: the files are numbered from 00001.RA1."
                + Listed("00001", "00030"),
            32 },
        { "the highest number", "089900.RA1",
            "30 scan files exported to DIR (89900.RA1 to 89929.RA1)." + Listed("89900", "89929"), 32 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExportedRun r;
        const auto before = r.RunFiles();
        if (!c.answer.empty())
            r.host.SaveAnswers = { r.exportDir + c.answer };
        r.view.ButtonExportFilesClick();
        std::string message = c.message;
        if (const size_t at = message.find("DIR"); at != std::string::npos)
            message.replace(at, 3, r.exportDir);
        EXPECT_EQ(r.host.Messages, message.empty() ? std::vector<std::string>() : std::vector<std::string> { message });
        EXPECT_EQ(fs::exists(r.xlidata + "/120526"), !c.answer.empty()) << "made only when confirmed";
        EXPECT_EQ(EntriesIn(r.exportDir), c.files);
        EXPECT_EQ(r.view.SaveDialog1InitialDir, r.exportDir);
        EXPECT_EQ(r.RunFiles(), before);
    }
}

TEST_F(SedDataView, ExportRefusesTheRunsDirectoryAndReportsWhatCannotBeWritten)
{
    {
        SCOPED_TRACE("into the run's own directory");
        ExportedRun r;
        const auto before = r.RunFiles();
        r.host.SaveAnswers = { r.run + "/000001.RA1" };
        r.view.ButtonExportFilesClick();
        ASSERT_EQ(r.host.Messages.size(), 1u);
        EXPECT_EQ(r.host.Messages[0],
            "Will not export into " + r.run
                + "/: it is the directory of the run being read, and the exported files "
                  "would replace its scans. Choose another directory.");
        EXPECT_EQ(r.RunFiles(), before);
    }
    {
        SCOPED_TRACE("into another run's directory");
        ExportedRun r;
        TempDir other;
        testutil::WriteTextFile(other / "00001.RA1", "another run's scan");
        r.host.SaveAnswers = { other / "000001.RA1" };
        r.view.ButtonExportFilesClick();
        EXPECT_EQ(r.host.Messages,
            (std::vector<std::string> { "Will not export into " + other.path()
                + "/: it holds scan files, which the exported files would replace or join. Choose another "
                  "directory." }));
        EXPECT_EQ(testutil::ReadTextFile(other / "00001.RA1"), "another run's scan");
        EXPECT_EQ(EntriesIn(other.path()), 1u);
    }
    {
        SCOPED_TRACE("a directory that cannot be made");
        ExportedRun r;
        testutil::WriteTextFile(r.xlidata + "/120526", "a file where the date directory goes");
        r.host.SaveAnswers = { r.exportDir + "000001.RA1" };
        r.view.ButtonExportFilesClick();
        ASSERT_EQ(r.host.Messages.size(), 1u);
        EXPECT_EQ(r.host.Messages[0].rfind("0 of 30 scan files exported to " + r.exportDir, 0), 0u);
        EXPECT_NE(r.host.Messages[0].find("30 files could not be written, the first: " + r.exportDir
                      + "00001.RA1 (cannot create a file in"),
            std::string::npos);
        EXPECT_EQ(testutil::ReadTextFile(r.xlidata + "/120526"), "a file where the date directory goes");
    }
    {
        SCOPED_TRACE("no data");
        TempDir empty;
        ScriptedHost host;
        TSedDataView view(&host);
        Launch(view, empty.path());
        view.ButtonExportFilesClick();
        EXPECT_EQ(host.Messages, (std::vector<std::string> { "No Data Sets to export" }));
        EXPECT_TRUE(host.SaveRequests.empty());
        EXPECT_EQ(EntriesIn(empty.path()), 0u);
    }
}
