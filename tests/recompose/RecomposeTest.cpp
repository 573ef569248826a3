#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "recompose/Recompose.h"
#include "scanfiles/BeckmanFile.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::ReadTextFile;
using testutil::TempDir;
using testutil::WriteTextFile;

namespace {

// An interference scan of n points: radii from r0 in steps of 0.01 cm, values v0 + i.
std::string InterferenceText(const std::string& description, int n, double r0, double v0, double seconds = 1000)
{
    testutil::ScanSpec scan;
    scan.description = description;
    scan.typeLetter = 'P';
    scan.seconds = seconds;
    scan.wavelength = 660;
    for (int i = 0; i < n; ++i) {
        scan.radius.push_back(r0 + 0.01 * i);
        scan.value.push_back(v0 + i);
    }
    return testutil::ScanFileText(scan);
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::string_view l : SplitLines(text))
        lines.emplace_back(l);
    return lines;
}

// A run of interference files and a paradigm whose radii are 0.0012 cm further out.
struct RunDirs {
    TempDir data, out, other;
    std::vector<std::string> paradigm;
    std::vector<std::string> statuses;
    explicit RunDirs(int points = 5)
    {
        paradigm = Lines(InterferenceText("Paradigm 12.5, ref", points, 5.8012, 100));
        WriteTextFile(data / "00002.IP2", InterferenceText("Run7 3.1, second", points, 5.8, 2));
        WriteTextFile(data / "00001.ip2", InterferenceText("Run7 3.1, first", points, 5.8, 1));
        WriteTextFile(data / "00001.RA1", "not an interference scan\r\n");
    }
    RecomposeResult Go(bool mayJoinScans = false)
    {
        return RecomposeDirectory(
            data.path(), paradigm, out.path(), [this](const std::string& s) { statuses.push_back(s); }, mayJoinScans);
    }
};

} // namespace

TEST(Recompose, SplicesDescriptionsAtTheCommaAndRadiiAtTheNinthColumn)
{
    const struct {
        const char* name;
        const char* paradigm;
        const char* file;
        const char* want;
    } first[] = {
        { "commas at the same place", "Parad 12.5, ref", "Run77 3.1, sample", "Parad 12.5, sample" },
        { "paradigm's comma further on", "Paradigm cell 12.5, ref", "Run 3.1, sample", "Paradigm cell 12.5, sample" },
        { "file without a comma stays", "Paradigm 12.5, ref", "No comma here", "No comma here" },
        { "paradigm without a comma gives all of it", "Paradigm", "Run 3.1, sample", "Paradigm, sample" },
        { "comma first", "Paradigm, ref", ", sample", "Paradigm, sample" },
    };
    for (const auto& c : first) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RecomposeFirstLine(c.paradigm, c.file), c.want);
    }
    const struct {
        const char* name;
        const char* paradigm;
        const char* file;
        const char* want;
    } data[] = {
        { "radius replaced, value kept, length kept", "   5.8012    1.00000E+02", "   5.8000    2.31400E+00",
            "   5.8012    2.31400E+00" },
        { "a negative value's sign is kept", "   6.1234    0.00000E+00", "   5.8000   -1.25000E-03",
            "   6.1234   -1.25000E-03" },
        { "blank line stays blank", "   5.8012    1.00000E+02", "", "" },
        { "end-of-file mark stays", "   5.8012    1.00000E+02", "\x1A", "\x1A" },
        { "a line of the radius alone", "   5.8012    1.00000E+02", "   5.8000", "   5.8012" },
    };
    for (const auto& c : data) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RecomposeDataLine(c.paradigm, c.file), c.want);
    }
}

TEST(Recompose, WritesEachInterferenceFileWithTheParadigmsRadiiAndItsOwnValues)
{
    RunDirs run;
    const std::string before = ReadTextFile(run.data / "00002.IP2");
    const auto mtime = fs::last_write_time(run.data / "00002.IP2");
    const RecomposeResult r = run.Go();
    EXPECT_TRUE(r.Complete()) << r.ProblemsText();
    EXPECT_EQ(r.FilesListed, 2);
    EXPECT_EQ(r.FilesWritten, 2);
    // Sorted ignoring case: 00001.ip2 before 00002.IP2.
    const auto size = [&](const char* name) { return std::to_string(fs::file_size(run.data / name)); };
    EXPECT_EQ(run.statuses,
        (std::vector<std::string> { size("00001.ip2") + " bytes read and being processed for file 1",
            size("00002.IP2") + " bytes read and being processed for file 2", "2 files processed." }));

    const std::string text = ReadTextFile(run.out / "00002.IP2");
    const std::vector<std::string> in = Lines(before), out = Lines(text);
    ASSERT_EQ(out.size(), in.size());
    EXPECT_EQ(out[0], "Paradigm 12.5, second");
    EXPECT_EQ(out[1], in[1]);
    for (size_t i = 2; i < out.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(out[i], run.paradigm[i].substr(0, 9) + in[i].substr(9));
    }
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

    // The reader takes the result for a scan with the paradigm's radii and the file's values.
    BeckmanFile f;
    ASSERT_GT(f.ReadScanFile(run.out / "00002.IP2", 0, 0), 0);
    ASSERT_EQ(f.NumberOfPoints, 5);
    EXPECT_DOUBLE_EQ(f.Radius[4], 5.8412);
    EXPECT_DOUBLE_EQ(f.Value[4], 6.0);
    EXPECT_DOUBLE_EQ(f.Header.DescriptionNumber, 12.5);
    EXPECT_EQ(f.Header.DescriptionTag, "second");

    EXPECT_EQ(ReadTextFile(run.data / "00002.IP2"), before);
    EXPECT_EQ(fs::last_write_time(run.data / "00002.IP2"), mtime);
    EXPECT_FALSE(fs::exists(run.out / "00001.RA1"));
    // Nothing but the outputs: no temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(run.out.path()), fs::directory_iterator()), 2);
}

// A directory that holds scans (another run's) was once written over; an older output is replaced
// only when the caller allows it (morvane-cli recompose --force).
TEST(Recompose, ReplacesAnOlderOutputWhenAllowedAndCopiesATwoLineFileWithItsFirstLineChanged)
{
    RunDirs run;
    WriteTextFile(run.data / "00003.IP2", "Run7 3.1, header only\r\nP 2 20.0 40000 1000 1.75E+10 660 1\r\n");
    WriteTextFile(run.out / "00003.IP2", "an older copy");
    EXPECT_EQ(run.Go().Refused,
        "The Output Directory " + run.out.path()
            + " holds scan files, which the recomposed files would replace or join: choose another directory");
    EXPECT_EQ(ReadTextFile(run.out / "00003.IP2"), "an older copy");
    EXPECT_TRUE(run.Go(true).Complete());
    EXPECT_EQ(
        ReadTextFile(run.out / "00003.IP2"), "Paradigm 12.5, header only\r\nP 2 20.0 40000 1000 1.75E+10 660 1\r\n");
}

TEST(Recompose, RefusesDirectoriesThatWouldMixInputAndOutput)
{
    TempDir data;
    fs::create_directory(data / "out");
    fs::create_directory_symlink(data.path(), data / "link");
    const struct {
        const char* name;
        std::string in, out, want;
    } cases[] = {
        { "same directory", data.path(), data.path(), SameDirectoriesMessage },
        { "same, with a trailing delimiter", data.path(), data.path() + "/", SameDirectoriesMessage },
        { "same, through a link", data.path(), data / "link", SameDirectoriesMessage },
        { "same, through ..", data.path(), data / "out/..", SameDirectoriesMessage },
        { "output inside the input", data.path(), data / "out", "must not be inside the Input Directory" },
        { "output deeper inside, not yet made", data.path(), data / "out/new/deeper",
            "must not be inside the Input Directory" },
        { "no output directory", data.path(), "", "No Output Directory" },
        { "no data directory", "", data / "out", "No Data Directory" },
        { "a sibling whose name starts alike", data / "out", data / "outer", "" },
        { "the input inside the output is fine", data / "out", data.path(), "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string refusal = RecomposeRefusal(c.in, c.out);
        if (c.want.empty())
            EXPECT_EQ(refusal, "");
        else
            EXPECT_NE(refusal.find(c.want), std::string::npos) << refusal;
    }
    const RecomposeResult r = RecomposeDirectory(data.path(), { "x" }, data / "out");
    EXPECT_FALSE(r.Refused.empty());
    EXPECT_EQ(r.FilesWritten, 0);
}

TEST(Recompose, NoInterferenceFileProcessesNothingAndMakesNoDirectory)
{
    TempDir data, parent;
    WriteTextFile(data / "00001.RA1", "absorbance\r\n");
    std::vector<std::string> statuses;
    const RecomposeResult r = RecomposeDirectory(
        data.path(), { "p" }, parent / "out", [&](const std::string& s) { statuses.push_back(s); });
    EXPECT_TRUE(r.Complete());
    EXPECT_EQ(statuses, (std::vector<std::string> { "0 files processed." }));
    EXPECT_FALSE(fs::exists(parent / "out"));

    const RecomposeResult missing = RecomposeDirectory(data / "gone", { "p" }, parent / "out");
    EXPECT_NE(missing.Refused.find("cannot be read"), std::string::npos);
}

TEST(Recompose, AParadigmShorterThanAFileStopsBeforeThatFileAndSaysWhy)
{
    RunDirs run;
    WriteTextFile(run.data / "00003.IP2", InterferenceText("Run7 3.1, third", 5, 5.8, 3));
    WriteTextFile(run.data / "00002.IP2", InterferenceText("Run7 3.1, long", 7, 5.8, 2));
    const RecomposeResult r = run.Go();
    EXPECT_EQ(r.FilesWritten, 1);
    EXPECT_EQ(r.Stopped,
        "The paradigm file has no radius for line 8 of 00002.IP2 (the paradigm has 7 lines, 00002.IP2 has 9): "
        "00002.IP2 and the 1 files after it were not written");
    EXPECT_TRUE(fs::exists(run.out / "00001.ip2"));
    EXPECT_FALSE(fs::exists(run.out / "00002.IP2"));
    EXPECT_FALSE(fs::exists(run.out / "00003.IP2"));
    EXPECT_EQ(run.statuses.back(), "1 files processed.");
}

TEST(Recompose, FilesThatCannotBeRecomposedAreSkippedAndNamed)
{
    RunDirs run;
    fs::create_directory(run.data / "00003.IP2"); // listed by the mask, but no file
    WriteTextFile(run.data / "00004.IP2", "");
    // Another layout: the radius takes 7 characters, the value starts at the 9th.
    WriteTextFile(
        run.data / "00005.IP2", "Run7 3.1, other\r\nP 2 20.0 40000 1000 1.75E+10 660 1\r\n5.80000 0.1234\r\n");
    const RecomposeResult r = run.Go();
    EXPECT_EQ(r.FilesWritten, 2);
    EXPECT_EQ(r.Stopped, "");
    EXPECT_EQ(r.Skipped,
        (std::vector<std::string> { "00003.IP2 is not a regular file and was not written",
            "00004.IP2 is empty and was not written",
            "Line 3 of 00005.IP2 does not begin with a radius of 9 characters; 00005.IP2 was not written" }));
    EXPECT_EQ(run.statuses[2], "-1 bytes read and being processed for file 3");
    for (const char* name : { "00003.IP2", "00004.IP2", "00005.IP2" }) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(fs::exists(run.out / name));
    }
}

TEST(Recompose, BlankLinesAfterTheDataNeedNoParadigmLine)
{
    RunDirs run;
    WriteTextFile(run.data / "00002.IP2", InterferenceText("Run7 3.1, second", 5, 5.8, 2) + "\r\n\x1A");
    EXPECT_TRUE(run.Go().Complete());
    const std::vector<std::string> out = Lines(ReadTextFile(run.out / "00002.IP2"));
    ASSERT_EQ(out.size(), 9u);
    EXPECT_EQ(out[7], "");
    EXPECT_EQ(out[8], "\x1A");
}
