#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "scanfiles/BeckmanFile.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace {

namespace fs = std::filesystem;
using testutil::TempDir;
using namespace std::string_literals;

const char* const AbsorbanceHeader = "R 1 20.0 50000 1000 2.50000E+10 280 1";

// Data lines "r v s" for r = 5.9000, 5.9010, ...; v = i / 1000, s = 0.01.
std::string DataLines(int count, bool third = true)
{
    std::string text;
    char line[96];
    for (int i = 0; i < count; ++i) {
        std::snprintf(line, sizeof line, third ? "%9.4f %12.5E %12.5E\r\n" : "%9.4f %12.5E\r\n", 5.9 + i * 0.001,
            i / 1000.0, 0.01);
        text += line;
    }
    return text;
}

std::string FileText(const std::string& description, const std::string& header, const std::string& data)
{
    return description + "\r\n" + header + "\r\n" + data;
}

class BeckmanFileTest : public ::testing::Test {
protected:
    TempDir dir;

    std::string Write(const std::string& name, const std::string& text)
    {
        const std::string path = dir / name;
        testutil::WriteTextFile(path, text);
        return path;
    }

    // A reader that holds a good 3-point absorbance scan, to see what a failed read changes.
    BeckmanFile Filled()
    {
        BeckmanFile f;
        EXPECT_GT(f.ReadScanFile(Write("good.RA1", FileText("Good", AbsorbanceHeader, DataLines(3))), 0, 0), 0);
        return f;
    }

    static void ExpectUnchanged(const BeckmanFile& f)
    {
        EXPECT_EQ(f.NumberOfPoints, 3);
        EXPECT_EQ(f.Header.FileName, "good.RA1");
        EXPECT_EQ(f.Radius[1], 5.901);
    }
};

TEST_F(BeckmanFileTest, KindsWithTheirLineLimits)
{
    // One reader reads every row in turn: points of an earlier, larger file must not linger.
    const std::string longText(300000, 'x'); // a description longer than any buffer
    const struct {
        const char* name;
        const char* header;
        std::string description;
        int lines;
        int32_t points;
        bool sigma;
        int32_t opticalSystem;
    } cases[] = {
        { "00012.RA1", AbsorbanceHeader, "Lysozyme in buffer", 1500, 1500, true, 1 },
        { "00001.RA1", "R 1 20 50000 1000 2.5E+10 280 1", "A", 2048, 2048, true, 1 },
        { "00001.IP1", "P 1 20 50000 1000 2.5E+10 660 1", "X 1.0, T", 2048, 2048, false, 3 },
        { "00002.FI1", "F 1 20 50000 1000 2.5E+10 488 1", "S Voltage: 1", 10000, 10000, true, 2 },
        { "long.FI1", "F 1 20 50000 1000 2.5E+10 488 1", longText + " Voltage: 2", 3, 3, true, 2 },
    };
    BeckmanFile f;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = FileText(c.description, c.header, DataLines(c.lines, c.sigma));
        const std::string path = Write(c.name, text);
        EXPECT_EQ(f.ReadScanFile(path, 0, 0), static_cast<int32_t>(text.size()));
        EXPECT_EQ(f.Header.FileName, fs::path(c.name).filename().string());
        EXPECT_EQ(f.Header.Description, c.description);
        EXPECT_EQ(f.OpticalSystem, c.opticalSystem);
        ASSERT_EQ(f.NumberOfPoints, c.points);
        const size_t last = static_cast<size_t>(c.points - 1);
        EXPECT_DOUBLE_EQ(f.Value[last], static_cast<double>(last) / 1000);
        if (c.points < 2048) {
            EXPECT_EQ(f.Radius[last + 1], 0);
        }
    }
}

TEST_F(BeckmanFileTest, BadFilesFailWithoutPointsAndSayWhy)
{
    using R = ScanRefusal;
    const std::string nanValues = "nan nan nan\r\n5.9 inf 0.1\r\n-inf 0.5 0.1\r\n";
    // One value that is no number among good lines once moved the peak of a run from 4.36 S to
    // 4.19 S; the points before it would pass for a whole scan just as well.
    const std::string oneNan = DataLines(5) + "6.0 nan 0.01\r\n" + DataLines(5);
    const struct {
        const char* name;
        std::string text;
        ScanRefusal refusal;
    } cases[] = {
        { "empty file", "", R::TooShort },
        { "one line only", "Description only\r\n", R::TooShort },
        { "bad type letter", FileText("d", "X 1 20 50000 1000 2.5E+10 280 1", DataLines(4)), R::BadHeader },
        { "speed zero", FileText("d", "R 1 20 0 1000 2.5E+10 280 1", DataLines(4)), R::BadHeader },
        { "speed negative", FileText("d", "R 1 20 -50000 1000 2.5E+10 280 1", DataLines(4)), R::BadHeader },
        { "elapsed time negative", FileText("d", "R 1 20 50000 -1000 2.5E+10 280 1", DataLines(4)), R::BadHeader },
        { "omega2t zero", FileText("d", "R 1 20 50000 1000 0 280 1", DataLines(4)), R::BadHeader },
        { "binary header", "\x01\x02\x03\r\n\xff\xfe\x00\x01\r\n1 2 3\r\n"s, R::BadHeader },
        { "fluorescence without Voltage:", FileText("My sample 450", "F 1 20 50000 1000 2.5E+10 488 1", DataLines(5)),
            R::NoVoltage },
        { "speed inf", FileText("d", "R 1 20 inf 1000 2.5E+10 280 1", DataLines(4)), R::NonFiniteHeader },
        { "time nan", FileText("d", "R 1 20 50000 nan 2.5E+10 280 1", DataLines(4)), R::NonFiniteHeader },
        { "omega2t 1e400", FileText("d", "R 1 20 50000 1000 1e400 280 1", DataLines(4)), R::NonFiniteHeader },
        { "no finite point", FileText("d", AbsorbanceHeader, nanValues), R::NonFiniteValues },
        { "one value nan", FileText("d", AbsorbanceHeader, oneNan), R::NonFiniteValues },
        { "one radius inf", FileText("d", AbsorbanceHeader, "inf 0.1 0.01\r\n" + DataLines(5)), R::NonFiniteValues },
        { "a sigma beyond a double", FileText("d", AbsorbanceHeader, DataLines(5) + "6.0 0.1 1e999\r\n"),
            R::NonFiniteValues },
        { "an interference value -INF", FileText("X 1.0, T", "P 1 20 50000 1000 2.5E+10 660 1", "6.0 -INF\r\n"),
            R::NonFiniteValues },
        // Cut at the limit, the scan would lose its outer radii and still look whole: the peak of a
        // run whose first scan had 100 MB moved from 4.36 S to 3.32 S.
        { "2049 data lines", FileText("d", AbsorbanceHeader, DataLines(2049)), R::TooManyLines },
        { "10001 fluorescence lines", FileText("S Voltage: 1", "F 1 20 50000 1000 2.5E+10 488 1", DataLines(10001)),
            R::TooManyLines },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BeckmanFile f = Filled();
        const bool fluorescence = c.text.find("F 1") != std::string::npos;
        const bool interference = c.text.find("P 1") != std::string::npos;
        EXPECT_EQ(
            f.ReadScanFile(Write(fluorescence ? "bad.FI1" : interference ? "bad.IP1" : "bad.RA1", c.text), 0, 0), -1);
        EXPECT_EQ(f.NumberOfPoints, 0);
        EXPECT_EQ(f.Refusal, c.refusal) << ScanRefusalText(f.Refusal);
        EXPECT_EQ(f.ReadScanFile(Write("good.RA1", FileText("d", AbsorbanceHeader, DataLines(3))), 0, 0) > 0
                && f.Refusal == R::None,
            true)
            << "the next good read clears the refusal";
    }
    // Absurd but finite values are read: putting such a scan in time order is the caller's business.
    BeckmanFile f;
    EXPECT_GT(
        f.ReadScanFile(Write("absurd.RA1", FileText("d", "R 1 20 50000 1000 1e308 280 1", DataLines(3))), 0, 0), 0);
    EXPECT_EQ(f.Refusal, R::None);
    // Blank lines after the last one do not count against the line limit.
    EXPECT_GT(f.ReadScanFile(Write("full.RA1", FileText("d", AbsorbanceHeader, DataLines(2048) + "\r\n\r\n")), 0, 0),
        0);
    EXPECT_EQ(f.NumberOfPoints, 2048);
}

TEST_F(BeckmanFileTest, PathsThatCannotBeReadLeaveTheObjectUnchanged)
{
    fs::create_directory(dir / "run.RA1");
    const std::string fifo = dir / "pipe.RA1";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string locked = Write("locked.RA1", FileText("d", AbsorbanceHeader, DataLines(4)));
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    // A named pipe must not wait for a writer; this process's memory file is a regular file whose
    // first read fails, even for root.
    fs::create_symlink("/dev/zero", dir / "zero.RA1");
    std::vector<std::pair<std::string, ScanRefusal>> paths = { { dir / "missing.RA1", ScanRefusal::Unreadable },
        { dir / "run.RA1", ScanRefusal::NotRegularFile }, { fifo, ScanRefusal::NotRegularFile },
        { dir / "zero.RA1", ScanRefusal::NotRegularFile }, { "/proc/self/mem", ScanRefusal::Unreadable } };
    if (::geteuid() != 0) // permissions do not stop root
        paths.emplace_back(locked, ScanRefusal::Unreadable);
    for (const auto& [path, refusal] : paths) {
        SCOPED_TRACE(path);
        BeckmanFile f = Filled();
        EXPECT_EQ(f.ReadScanFile(path, 0, 0), -1);
        EXPECT_EQ(f.Refusal, refusal);
        EXPECT_FALSE(f.EndedWithLineEnd);
        ExpectUnchanged(f);
    }
}

// A blank line or an end-of-file mark after the last data line once made a point at radius 0,
// and the first scan of a channel with such a point gave a radial grid that falls at its end.
TEST_F(BeckmanFileTest, BlankLinesAndEndOfFileMarksAfterTheDataAreNoPoints)
{
    const struct {
        const char* name;
        std::string tail;
        bool endsWithLineEnd;
    } cases[] = {
        { "nothing", "", true },
        { "an empty line", "\r\n", true },
        { "several blank lines", "\r\n  \r\n\t\n\r", true },
        { "Ctrl-Z", "\x1A", true },
        { "Ctrl-Z after a blank line", "\r\n\x1A", true },
        { "blanks and no line end", "   ", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* name : { "00001.RA1", "00001.IP1" }) {
            SCOPED_TRACE(name);
            const bool interference = name[7] == 'P';
            const std::string text = FileText(interference ? "X 1.0, T" : "d",
                interference ? "P 1 20 50000 1000 2.5E+10 660 1" : AbsorbanceHeader,
                DataLines(3, !interference) + c.tail);
            BeckmanFile f;
            EXPECT_EQ(f.ReadScanFile(Write(name, text), 0, 0), static_cast<int32_t>(text.size()));
            EXPECT_EQ(f.NumberOfPoints, 3);
            EXPECT_TRUE(RadiiUsableAsGrid(f.Radius.data(), f.NumberOfPoints));
            EXPECT_EQ(f.EndedWithLineEnd, c.endsWithLineEnd);
        }
    }
    // Within the data a blank line is still a point, and so is a lone Ctrl-Z line followed by data.
    BeckmanFile f;
    const std::string inside = FileText("d", AbsorbanceHeader, "5.9 1 1\r\n\r\n\x1A\r\n6.0 2 1\r\n\x1A");
    EXPECT_GT(f.ReadScanFile(Write("inside.RA1", inside), 0, 0), 0);
    EXPECT_EQ(f.NumberOfPoints, 4);
    EXPECT_FALSE(RadiiUsableAsGrid(f.Radius.data(), f.NumberOfPoints));
}

// A file the instrument is still writing stops anywhere; the reader reads what is there and says
// whether the text ended with a line end, so a follower can wait for the rest.
TEST_F(BeckmanFileTest, FileCutWhileBeingWritten)
{
    // Data lines "   5.9000  0.00000E+00  1.00000E-02", "   5.9010  1.00000E-03 ..." and so on.
    const std::string full = FileText("d", AbsorbanceHeader, DataLines(4));
    const size_t firstData = full.find("\r\n", full.find("\r\n") + 2) + 2;
    const size_t secondData = full.find("\r\n", firstData) + 2;
    const struct {
        const char* name;
        size_t bytes;
        int32_t points; // -1: refused
        bool endsWithLineEnd;
        double lastRadius, lastValue;
    } cases[] = {
        { "inside a value: 1.0 of 1.00000E-03", secondData + 14, 2, false, 5.901, 1.0 },
        { "inside the radius", secondData + 5, 2, false, 5.0, 0.0 },
        { "between CR and LF", secondData - 1, 1, true, 5.9, 0.0 },
        { "after a data line", secondData, 1, true, 5.9, 0.0 },
        { "after the header line", firstData, 0, true, 0, 0 },
        { "inside the header's speed: no omega^2 t", full.find("50000") + 2, -1, false, 0, 0 },
        { "inside the header's omega^2 t: it reads 2.5", full.find("2.50000E") + 3, 0, false, 0, 0 },
        { "whole", full.size(), 4, true, 5.903, 0.003 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BeckmanFile f;
        const int32_t result = f.ReadScanFile(Write("cut.RA1", full.substr(0, c.bytes)), 0, 0);
        EXPECT_EQ(f.EndedWithLineEnd, c.endsWithLineEnd);
        EXPECT_EQ(result, c.points < 0 ? -1 : static_cast<int32_t>(c.bytes));
        ASSERT_EQ(f.NumberOfPoints, std::max(c.points, 0));
        if (c.points > 0) {
            EXPECT_DOUBLE_EQ(f.Radius[static_cast<size_t>(c.points - 1)], c.lastRadius);
            EXPECT_DOUBLE_EQ(f.Value[static_cast<size_t>(c.points - 1)], c.lastValue);
        }
    }
}

// Bytes held in memory and the same bytes in a file give the same scan.
TEST_F(BeckmanFileTest, TextInMemoryReadsAsTheFile)
{
    const std::string text = FileText("Fringes 12.5, Tag", "P 2 20 50000 1000 2.5E+10 660 1", DataLines(5, false));
    BeckmanFile fromFile, fromBytes;
    const std::string path = Write("00007.IP2", text);
    EXPECT_EQ(fromFile.ReadScanFile(path, 0, 0), static_cast<int32_t>(text.size()));
    EXPECT_EQ(fromBytes.ParseScanText(path, text, 0, 0), static_cast<int32_t>(text.size()));
    EXPECT_EQ(fromBytes.Header.FileName, "00007.IP2");
    EXPECT_EQ(fromBytes.Header.DescriptionNumber, 12.5);
    ASSERT_EQ(fromBytes.NumberOfPoints, fromFile.NumberOfPoints);
    EXPECT_EQ(fromBytes.Radius, fromFile.Radius);
    EXPECT_EQ(fromBytes.Value, fromFile.Value);
}

TEST_F(BeckmanFileTest, DataLinesEndsTruncationAndJunk)
{
    // Absent numbers read as 0; a NUL ends a line's (or the description's) text.
    const struct {
        const char* name;
        std::string data;
        std::vector<double> radius, value, sigma;
    } cases[] = {
        { "CR LF, CR, LF mixed; LF then CR is a blank line between",
            "5.91 0.1 0.01\r\n5.92 0.2 0.02\r5.93 0.3 0.03\n5.94 0.4 0.04\n\r5.95 0.5 0.05",
            { 5.91, 5.92, 5.93, 5.94, 0, 5.95 }, { 0.1, 0.2, 0.3, 0.4, 0, 0.5 }, { 0.01, 0.02, 0.03, 0.04, 0, 0.05 } },
        { "last line cut inside a number", "5.9 0.1 0.01\r\n6.0 0.2", { 5.9, 6.0 }, { 0.1, 0.2 }, { 0.01, 0 } },
        { "junk, radius only, missing sigma, NULs, binary",
            "5.9 0.1 0.01\0\0\0\r\njunk\r\n6.0 junk 0.5\r\n6.1 0.3\r\n6.2 0.4\0 0.9\r\n"s
                + "\x01\x7f\xff\xfe garbage \x80\r\n6.3 0.5 0.05\r\n",
            { 5.9, 0, 6.0, 6.1, 6.2, 0, 6.3 }, { 0.1, 0, 0, 0.3, 0.4, 0, 0.5 }, { 0.01, 0, 0, 0, 0, 0, 0.05 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = "Mixed\0hidden\rR 1 20 50000 1000 2.5E+10 280 1\n"s + c.data;
        BeckmanFile f;
        EXPECT_EQ(f.ReadScanFile(Write("lines.RA1", text), 0, 0), static_cast<int32_t>(text.size()));
        EXPECT_EQ(f.Header.Description, "Mixed");
        ASSERT_EQ(static_cast<size_t>(f.NumberOfPoints), c.radius.size());
        for (size_t i = 0; i < c.radius.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(f.Radius[i], c.radius[i]);
            EXPECT_EQ(f.Value[i], c.value[i]);
            EXPECT_EQ(f.Sigma[i], c.sigma[i]);
        }
    }
}

TEST_F(BeckmanFileTest, ScanFilesOverOneMebibyteAreRefusedAndThoseUpToItRead)
{
    // Lines of exactly 128 bytes: 8192 lines fill 1,048,576 bytes, the header lines and 8190 data
    // lines; one byte more and the scan would be read in part.
    auto padded = [](std::string line) {
        line.resize(126, ' ');
        return line + "\r\n";
    };
    std::string text = padded("Big Voltage: 1") + padded("F 1 20 50000 1000 2.5E+10 488 1");
    for (int i = 0; i < 8190; ++i)
        text += padded("6.0 " + std::to_string(i) + " 1");
    ASSERT_EQ(text.size(), 1048576u);
    BeckmanFile f;
    EXPECT_EQ(f.ReadScanFile(Write("full.FI1", text), 0, 0), BeckmanFile::MaxFileBytes);
    ASSERT_EQ(f.NumberOfPoints, 8190);
    EXPECT_EQ(f.Value[8189], 8189);
    EXPECT_EQ(f.ReadScanFile(Write("big.FI1", text + "\x1A"), 0, 0), -1);
    EXPECT_EQ(f.Refusal, ScanRefusal::TooLarge);
    EXPECT_EQ(f.NumberOfPoints, 0);
    BeckmanFile g = Filled(); // of any other kind of file only the size is read, the scan held stays
    EXPECT_EQ(g.ReadScanFile(Write("big.XX1", std::string(3 * 1048576, 'z')), 0, 0), BeckmanFile::MaxFileBytes);
    ExpectUnchanged(g);
}

TEST_F(BeckmanFileTest, IntensityModes)
{
    const std::string data = "5.90 100 10\r\n" // 0: all modes good
                             "5.91 100 0\r\n" // 1: second intensity zero
                             "5.92 0 10\r\n" // 2: first intensity zero
                             "5.93 -5 10\r\n" // 3: negative first intensity
                             "5.94 5 -10\r\n" // 4: negative second intensity
                             "\r\n" // 5: blank line, both zero
                             "5.96 1e-300 1e300\r\n"; // 6: ratio underflows to 0
    const std::string path = Write("00001.RI1", FileText("Intensity", "I 1 20 50000 1000 2.5E+10 280 1", data));
    constexpr double F = -2e10; // failed point
    const struct {
        int32_t mode;
        double value[7];
        double sigma[7];
    } cases[] = {
        { 0, { 1, 0, 0, 0, 0, 0, 0 }, { 0, F, F, F, F, F, F } },
        { 1, { 1, 1, 0, 0, std::log10(200.0), 0, 303 }, { 0, 0, F, F, 0, F, 0 } },
        { 2, { 2, 0, 2, 2, 0, 0, std::log10(1000.0 / 1e300) }, { 0, F, 0, 0, F, F, 0 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        BeckmanFile f;
        EXPECT_GT(f.ReadScanFile(path, c.mode, 0), 0);
        ASSERT_EQ(f.NumberOfPoints, 7);
        for (size_t i = 0; i < 7; ++i) {
            SCOPED_TRACE(i);
            EXPECT_DOUBLE_EQ(f.Value[i], c.value[i]);
            EXPECT_EQ(f.Sigma[i], c.sigma[i]);
        }
    }
}

TEST_F(BeckmanFileTest, ApparentTimeAcrossReads)
{
    // At the expected 50000 rpm, 2.5e10 / (2 pi 50000 / 60)^2 = 911.8907 s whatever the recorded time.
    const std::string at40000 = Write("00001.RA1", FileText("d", "R 1 20 40000 777 1.0E+11 280 1", DataLines(2)));
    const std::string at50000 = Write("00002.RA1", FileText("d", "R 1 20 50000 888 2.5E+10 280 1", DataLines(2)));
    BeckmanFile g;
    EXPECT_GT(g.ReadScanFile(at50000, 0, 50000), 0);
    EXPECT_NEAR(g.Header.Time, 911.8907, 1e-4);
    EXPECT_GT(g.ReadScanFile(at40000, 0, 50000), 0); // a speed change
    EXPECT_EQ(g.Header.Time, 777);
    EXPECT_EQ(g.Header.UseApparentTime, 0);
    EXPECT_GT(g.ReadScanFile(at50000, 0, 50000), 0); // recorded times from now on
    EXPECT_EQ(g.Header.Time, 888);
}

TEST(FileNumberOfTest, DigitsAfterTheChannelLetter)
{
    // Too large for a scan number, a sign, or no dot: nothing to read.
    const std::vector<std::pair<std::string, int32_t>> cases = { { "00012.RA1", 12 }, { "X12a4.RA1", 12 },
        { "02147483647.RA1", 2147483647 }, { "02147483648.RA1", 0 }, { "0-5.RA1", 0 }, { "00012", 0 }, { "", 0 } };
    for (const auto& [name, number] : cases)
        EXPECT_EQ(FileNumberOf(name), number) << name;
}

} // namespace
