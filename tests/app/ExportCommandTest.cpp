#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

#include "ProgramRun.h"
#include "app/cli/ExportCommand.h"
#include "follower/ChannelSession.h"
#include "scanfiles/Sha256.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::TempDir;

namespace {

struct ExportRun {
    TempDir root;
    std::string run = root / "run";
    std::ostringstream out, err;
    explicit ExportRun(const std::string& extension = "IP2")
    {
        fs::create_directory(run);
        testutil::RunSpec spec;
        spec.extension = extension;
        spec.points = 60;
        testutil::WriteRun(run, spec);
    }
    int Export(const std::string& outputDir, const std::string& channel = "")
    {
        ExportOptions o;
        o.runDir = run;
        o.channel = channel;
        o.outputDir = outputDir;
        o.now = { 2026, 12, 5, 10, 30, 15 };
        out.str("");
        err.str("");
        return RunExport(o, out, err);
    }
    std::map<std::string, std::string> RunFiles() const
    {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(run))
            files[entry.path().string()] = testutil::ReadTextFile(entry.path().string());
        return files;
    }
};

} // namespace

TEST(CliExport, WritesTheCorrectedScansAsTheWindowDoesAndOneSummaryLine)
{
    ExportRun r;
    ASSERT_EQ(r.Export(r.root / "new/sub"), 0) << r.err.str();
    EXPECT_EQ(r.err.str(), "");
    const std::string list = "exported-00001.IP2-00010.IP2.txt";
    EXPECT_EQ(r.out.str(),
        "0*.IP2: 10 scan files exported to " + r.root / "new/sub/" + " (00001.IP2 to 00010.IP2). Their list with its "
            + "record: " + list + " and " + list + ".json.\n");

    ChannelFollower follower;
    OpenChannel(follower, r.run, LaunchParameters::Defaults("0*.IP2"));
    const ChannelDataStore& raw = *follower.Engine->RawStore;
    ASSERT_EQ(raw.GetNumberOfSets(), 10);
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(testutil::ReadTextFile(r.root / ("new/sub/" + ExportFileName(k + 1, "IP2"))),
            raw.SetToText(k, "reformated by Morvane 2026-12-05 10:30:15"))
            << k;
    // One line per file: name, bytes, SHA-256.
    const std::string listed = testutil::ReadTextFile(r.root / ("new/sub/" + list));
    const std::string firstFile = testutil::ReadTextFile(r.root / "new/sub/00001.IP2");
    EXPECT_EQ(listed.substr(0, listed.find('\n')),
        "00001.IP2\t" + std::to_string(firstFile.size()) + "\t" + Sha256Hex(firstFile));
    EXPECT_EQ(std::count(listed.begin(), listed.end(), '\n'), 10);
}

TEST(CliExport, RefusalsAndFailuresAreOneLineAndANonZeroStatus)
{
    ExportRun r;
    testutil::WriteTextFile(r.root / "file", "in the way");
    TempDir empty, other;
    testutil::WriteTextFile(other / "00001.RA1", "another run's scan");
    const struct {
        const char* name;
        std::string runDir, outputDir, channel;
        int status;
        std::string err;
    } cases[] = {
        { "the run directory", r.run, r.run + "/.", "", 2,
            "morvane-cli: Will not export into " + r.run
                + "/.: it is the directory of the run being read, and the "
                  "exported files would replace its scans. Choose another directory.\n" },
        { "another run's directory", r.run, other.path(), "", 2,
            "morvane-cli: will not export into " + other.path()
                + ": it holds scan files, which the files written there would replace or join; choose another "
                  "--output-dir, or --force writes into it all the same\n" },
        { "no run directory", r.root / "gone", r.root / "out", "", 2,
            "morvane-cli: no such directory: " + r.root / "gone" + "\n" },
        { "unknown channel", r.run, r.root / "out", "0*.XY1", 2,
            "morvane-cli: unknown channel '0*.XY1' (a mask such as 0*.RA1, A*.IP2 or 0*.RI3Sam)\n" },
        { "no data", empty.path(), r.root / "out", "0*.RA1", 1,
            "morvane-cli: no scan files of channel 0*.RA1 in " + empty.path() + "\n" },
        { "an output directory that cannot be made", r.run, r.root / "file/out", "", 1,
            "morvane-cli: cannot make the output directory " + r.root / "file/out" + " (Not a directory)\n" },
    };
    const auto before = r.RunFiles();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExportOptions o;
        o.runDir = c.runDir;
        o.outputDir = c.outputDir;
        o.channel = c.channel;
        std::ostringstream out, err;
        EXPECT_EQ(RunExport(o, out, err), c.status);
        EXPECT_EQ(err.str(), c.err);
        EXPECT_EQ(out.str(), "");
    }
    EXPECT_FALSE(fs::exists(r.root / "out"));
    EXPECT_EQ(r.RunFiles(), before);
    EXPECT_EQ(testutil::ReadTextFile(other / "00001.RA1"), "another run's scan");
}

TEST(CliExport, AFileThatCannotBeWrittenIsNamedAndTheRestWritten)
{
    ExportRun r("RA1");
    fs::create_directories(r.root / "out/00004.RA1/x");
    EXPECT_EQ(r.Export(r.root / "out"), 1);
    EXPECT_EQ(r.out.str(), "");
    EXPECT_EQ(r.err.str(),
        "morvane-cli: 0*.RA1: 9 of 10 scan files exported to " + r.root / "out/"
            + " (00001.RA1 to 00010.RA1). 1 file "
              "could not be written, the first: "
            + r.root / "out/00004.RA1" + " ('" + r.root / "out/00004.RA1"
            + "' is a directory). Their list with its record: exported-00001.RA1-00010.RA1.txt and "
              "exported-00001.RA1-00010.RA1.txt.json.\n");
    EXPECT_NE(testutil::ReadTextFile(r.root / "out/exported-00001.RA1-00010.RA1.txt").find("00004.RA1\tnot written\n"),
        std::string::npos);
    EXPECT_TRUE(fs::is_regular_file(r.root / "out/00010.RA1"));
}

TEST(CliExport, TheProgramTakesItsPathsFromWhereItStarted)
{
    ExportRun r;
    TempDir scratch;
    const auto result = apptest::RunProgram(MORVANE_CLI_PROGRAM, "export . --output-dir ../copy", r.run, scratch);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "0*.IP2: 10 scan files exported to " + r.root / "copy/"
            + " (00001.IP2 to 00010.IP2). Their list with its record: exported-00001.IP2-00010.IP2.txt and "
              "exported-00001.IP2-00010.IP2.txt.json.\n");
    EXPECT_TRUE(fs::is_regular_file(r.root / "copy/00010.IP2"));
    const auto refused = apptest::RunProgram(MORVANE_CLI_PROGRAM, "export . --output-dir ./", r.run, scratch);
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err.rfind("morvane-cli: Will not export into " + r.run + ": ", 0), 0u) << refused.err;
}
