#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

#include "app/cli/RecomposeCommand.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::TempDir;
using testutil::WriteTextFile;

namespace {

const char* const Header = "P 2 20.0 40000 1000 1.75E+10 660 1\r\n";

struct Recompose {
    TempDir data, out;
    std::ostringstream stdOut, stdErr;
    Recompose()
    {
        WriteTextFile(
            data / "paradigm.txt", std::string("Paradigm 12.5, ref\r\n") + Header + "   5.8012    1.00000E+02\r\n");
        WriteTextFile(
            data / "00001.IP2", std::string("Run7 3.1, sample\r\n") + Header + "   5.8000    2.31400E+00\r\n");
    }
    int Run(const std::string& outputDir, const std::string& paradigm)
    {
        return RunRecompose({ data.path(), paradigm, outputDir }, stdOut, stdErr);
    }
};

} // namespace

TEST(CliRecompose, PrintsTheToolsStatusLinesAndWritesTheFiles)
{
    Recompose r;
    EXPECT_EQ(r.Run(r.out / "new", r.data / "paradigm.txt"), 0);
    EXPECT_EQ(r.stdOut.str(), "80 bytes read and being processed for file 1\n1 files processed.\n");
    EXPECT_EQ(r.stdErr.str(), "");
    EXPECT_EQ(testutil::ReadTextFile(r.out / "new/00001.IP2"),
        std::string("Paradigm 12.5, sample\r\n") + Header + "   5.8012    2.31400E+00\r\n");
}

TEST(CliRecompose, RefusalsAndFailuresAreOneLineEachAndANonZeroStatus)
{
    Recompose r;
    WriteTextFile(r.data / "00002.IP2", std::string("Run7 3.1, b\r\n") + Header + "   5.8\r\n   5.9\r\n");
    TempDir other;
    WriteTextFile(other / "00001.RA1", "another run's scan");
    const struct {
        const char* name;
        std::string output, paradigm;
        int status;
        std::string err;
    } cases[] = {
        { "same directory", r.data.path(), r.data / "paradigm.txt", 2,
            "morvane-cli: Input and Output Directories must be different\n" },
        { "a directory that holds scans", other.path(), r.data / "paradigm.txt", 2,
            "morvane-cli: will not write recomposed files into " + other.path()
                + ": it holds scan files, which the files written there would replace or join; choose "
                  "another --output-dir, or --force writes into it all the same\n" },
        { "missing paradigm", r.out.path(), r.data / "gone.txt", 2,
            "morvane-cli: the paradigm file " + (r.data / "gone.txt") + " could not be read\n" },
        { "paradigm shorter than a file", r.out.path(), r.data / "paradigm.txt", 1,
            "morvane-cli: The paradigm file has no radius for line 4 of 00002.IP2 (the paradigm has 3 lines, "
            "00002.IP2 has 4): 00002.IP2 was not written\n" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        r.stdErr.str("");
        EXPECT_EQ(r.Run(c.output, c.paradigm), c.status);
        EXPECT_EQ(r.stdErr.str(), c.err);
    }
    EXPECT_TRUE(fs::exists(r.out / "00001.IP2"));
    EXPECT_FALSE(fs::exists(r.out / "00002.IP2"));
    EXPECT_EQ(testutil::ReadTextFile(other / "00001.RA1"), "another run's scan");
}
