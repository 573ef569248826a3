#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "scanfiles/BeckmanFile.h"
#include "testutil/ScanFileWriter.h"

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
        fs::create_directories(fs::path(path).parent_path());
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
        EXPECT_EQ(f.OpticalSystem, 1);
        EXPECT_EQ(f.Header.FileName, "good.RA1");
        EXPECT_EQ(f.Header.Description, "Good");
        EXPECT_EQ(f.Radius[1], 5.901);
    }
};

TEST_F(BeckmanFileTest, KindsWithTheirLineLimitsAndCapacities)
{
    // One reader reads every row in turn: points of an earlier, larger file must not linger.
    const std::string longText(300000, 'x'); // a description longer than any buffer
    const struct {
        const char* name;
        const char* header;
        std::string description;
        int lines;
        int32_t points;
        size_t capacity;
        bool sigma;
        int32_t opticalSystem;
    } cases[] = {
        { "00012.RA1", AbsorbanceHeader, "Lysozyme in buffer", 1500, 1500, 10000, true, 1 },
        { "00001.RA1", "R 1 20 50000 1000 2.5E+10 280 1", "A", 3000, 2048, 10000, true, 1 },
        { "00001.RI1", "I 1 20 50000 1000 2.5E+10 280 1", "I", 3000, 2048, 10000, true, 1 },
        { "00001.IP1", "P 1 20 50000 1000 2.5E+10 660 1", "X 1.0, T", 3000, 2048, 2048, false, 3 },
        { "00001.FI1", "F 1 20 50000 1000 2.5E+10 488 1", "S Voltage: 1", 3000, 3000, 10000, true, 2 },
        { "00002.FI1", "F 1 20 50000 1000 2.5E+10 488 1", "S Voltage: 1", 12000, 10000, 10000, true, 2 },
        { "00001.ra3", "R 1 20 50000 1000 2.5E+10 280 1", "A", 2048, 2048, 10000, true, 1 },
        // The kind comes from the file's name, not from its directory's.
        { "run.IP1/00001.RA1", AbsorbanceHeader, "d", 2, 2, 10000, true, 1 },
        { "long.RA1", AbsorbanceHeader, longText, 3, 3, 10000, true, 1 },
        { "long.IP1", "P 1 20 50000 1000 2.5E+10 660 1", "W 1.5, " + longText, 3, 3, 2048, false, 3 },
        { "long.FI1", "F 1 20 50000 1000 2.5E+10 488 1", longText + " Voltage: 2", 3, 3, 10000, true, 2 },
    };
    BeckmanFile f;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = FileText(c.description, c.header, DataLines(c.lines, c.sigma));
        const std::string path = Write(c.name, text);
        EXPECT_EQ(f.ReadScanFile(path, 0, 0), static_cast<int32_t>(text.size()));
        EXPECT_EQ(f.ScanPath, path);
        EXPECT_EQ(f.Header.FileName, fs::path(c.name).filename().string());
        EXPECT_EQ(f.Header.Description, c.description);
        EXPECT_EQ(f.OpticalSystem, c.opticalSystem);
        ASSERT_EQ(f.NumberOfPoints, c.points);
        EXPECT_EQ(f.Radius.size(), c.capacity);
        EXPECT_EQ(f.Value.size(), c.capacity);
        EXPECT_EQ(f.Sigma.size(), c.sigma ? c.capacity : 0u);
        const size_t last = static_cast<size_t>(c.points - 1);
        EXPECT_DOUBLE_EQ(f.Radius[last], 5.9 + static_cast<double>(last) * 0.001);
        if (last + 1 < c.capacity) {
            EXPECT_EQ(f.Radius[last + 1], 0);
            EXPECT_EQ(c.sigma ? f.Sigma[last + 1] : 0, 0);
        }
        if (std::string(c.name).find(".RI") == std::string::npos) { // intensities are turned into absorbance
            EXPECT_DOUBLE_EQ(f.Value[last], static_cast<double>(last) / 1000);
            EXPECT_EQ(c.sigma ? f.Sigma[last] : 0.01, 0.01);
        }
    }
}

TEST_F(BeckmanFileTest, BadFilesFailWithoutPoints)
{
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        { "empty file", "" },
        { "one line only", "Description only\r\n" },
        { "one line without terminator", "Description only" },
        { "description and empty header line", "Description\r\n\r\n5.9 0.1 0.01\r\n" },
        { "bad type letter", FileText("d", "X 1 20 50000 1000 2.5E+10 280 1", DataLines(4)) },
        { "speed zero", FileText("d", "R 1 20 0 1000 2.5E+10 280 1", DataLines(4)) },
        { "speed negative", FileText("d", "R 1 20 -5 1000 2.5E+10 280 1", DataLines(4)) },
        { "omega2t zero", FileText("d", "R 1 20 50000 1000 0 280 1", DataLines(4)) },
        { "omega2t not a number", FileText("d", "R 1 20 50000 1000 junk 280 1", DataLines(4)) },
        { "binary header", "\x01\x02\x03\r\n\xff\xfe\x00\x01\r\n1 2 3\r\n"s },
        { "fluorescence without Voltage:", FileText("My sample 450", "F 1 20 50000 1000 2.5E+10 488 1", DataLines(5)) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BeckmanFile f = Filled();
        const bool fluorescence = c.text.find("F 1") != std::string::npos;
        EXPECT_EQ(f.ReadScanFile(Write(fluorescence ? "bad.FI1" : "bad.RA1", c.text), 0, 0), -1);
        EXPECT_EQ(f.NumberOfPoints, 0);
    }
}

TEST_F(BeckmanFileTest, PathsThatCannotBeReadLeaveTheObjectUnchanged)
{
    fs::create_directory(dir / "run.RA1");
    const std::string fifo = dir / "pipe.RA1";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Ways to fail that permissions cannot give to root: a symbolic link loop fails to open;
    // this process's memory file is a regular file whose first read fails.
    const std::string loop = dir / "loop.RA1";
    fs::create_symlink(loop, loop);
    const std::string locked = Write("locked.RA1", FileText("d", AbsorbanceHeader, DataLines(4)));
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    const struct {
        const char* name;
        std::string path;
        bool applies;
    } cases[] = {
        { "missing file", dir / "missing.RA1", true }, { "directory", dir / "run.RA1", true },
        { "directory path with slash", dir / "run.RA1/", true },
        { "named pipe (must not wait for a writer)", fifo, true }, { "empty path", "", true },
        { "NUL inside the path", (dir / "good.RA1") + std::string(1, '\0') + "x.RA1", true },
        { "symbolic link loop", loop, true }, { "read error", "/proc/self/mem", ::access("/proc/self/mem", F_OK) == 0 },
        { "unreadable file", locked, ::geteuid() != 0 }, // permissions do not stop root
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.applies)
            continue;
        BeckmanFile f = Filled();
        EXPECT_EQ(f.ReadScanFile(c.path, 0, 0), -1);
        ExpectUnchanged(f);
        EXPECT_NE(f.ScanPath.find("good.RA1"), std::string::npos);
    }
}

TEST_F(BeckmanFileTest, OtherExtensionsReturnTheSizeAndChangeNoPointOrHeader)
{
    for (const char* name : { "00001.XX1", "00001.R", "noextension", "00001.txt", "run.RA1.bak" }) {
        SCOPED_TRACE(name);
        const std::string text = FileText("Other", "P 1 20 40000 1 1 1 1", DataLines(7));
        const std::string path = Write(name, text);
        BeckmanFile f = Filled();
        EXPECT_EQ(f.ReadScanFile(path, 0, 0), static_cast<int32_t>(text.size()));
        EXPECT_EQ(f.ScanPath, path);
        ExpectUnchanged(f);
        EXPECT_EQ(f.Header.Rpm, 50000);
    }
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
        { "last line cut after the radius", "5.9 0.1 0.01\r\n6.0", { 5.9, 6.0 }, { 0.1, 0 }, { 0.01, 0 } },
        { "terminated: no extra point", "5.9 0.1 0.01\r\n6.0 0.2 0.02\r\n", { 5.9, 6.0 }, { 0.1, 0.2 },
            { 0.01, 0.02 } },
        { "blank lines at the end are points", "5.9 0.1 0.01\r\n\r\n\r\n", { 5.9, 0, 0 }, { 0.1, 0, 0 },
            { 0.01, 0, 0 } },
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

TEST_F(BeckmanFileTest, BinaryJunkNeverCrashes)
{
    // Seeded bytes of every value, including CR, LF and NUL, behind a good header.
    std::string junk;
    unsigned state = 12345;
    for (int i = 0; i < 200000; ++i) {
        state = state * 1103515245u + 12345u;
        junk += static_cast<char>(state >> 16);
    }
    for (const char* name : { "junk.RA1", "junk.RI1", "junk.IP1", "junk.FI1" }) {
        SCOPED_TRACE(name);
        const std::string text = FileText("d Voltage: 1", "R 1 20 50000 1000 2.5E+10 280 1", junk);
        BeckmanFile f;
        EXPECT_EQ(f.ReadScanFile(Write(name, text), 0, 0), static_cast<int32_t>(text.size()));
        EXPECT_GT(f.NumberOfPoints, 0);
        EXPECT_LE(f.NumberOfPoints, std::string(name) == "junk.FI1" ? 10000 : 2048);
    }
}

TEST_F(BeckmanFileTest, FilesOverOneMebibyteAreReadUpToIt)
{
    // Lines of exactly 128 bytes: the first 1,048,576 bytes hold 8192 whole lines,
    // the header lines and 8190 data lines.
    auto padded = [](std::string line) {
        line.resize(126, ' ');
        return line + "\r\n";
    };
    std::string text = padded("Big Voltage: 1") + padded("F 1 20 50000 1000 2.5E+10 488 1");
    for (int i = 0; i < 9500; ++i)
        text += padded("6.0 " + std::to_string(i) + " 1");
    ASSERT_GT(text.size(), 1048576u);
    BeckmanFile f;
    EXPECT_EQ(f.ReadScanFile(Write("big.FI1", text), 0, 0), BeckmanFile::MaxFileBytes);
    ASSERT_EQ(f.NumberOfPoints, 8190);
    EXPECT_EQ(f.Value[8189], 8189);
    EXPECT_EQ(f.ReadScanFile(Write("big.XX1", std::string(3 * 1048576, 'z')), 0, 0), BeckmanFile::MaxFileBytes);
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
        { 7, { 1, 0, 0, 0, 0, 0, 0 }, { 0, F, F, F, F, F, F } }, // unknown mode acts as 0
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
    // The mode only matters for intensity files.
    BeckmanFile f;
    EXPECT_GT(f.ReadScanFile(Write("00001.RA1", FileText("d", AbsorbanceHeader, "5.9 0.5 0\r\n")), 1, 0), 0);
    EXPECT_EQ(f.Value[0], 0.5);
    EXPECT_EQ(f.Sigma[0], 0);
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

TEST(NextLineTest, SplitsAtCrLfAndCrLfWithoutGoingPastTheEnd)
{
    const struct {
        const char* name;
        std::string data;
        std::vector<std::string> lines;
    } cases[] = { { "empty", "", {} }, { "one line, no terminator", "abc", { "abc" } },
        { "CR LF", "a\r\nb\r\n", { "a", "b" } }, { "CR", "a\rb\r", { "a", "b" } }, { "LF", "a\nb\n", { "a", "b" } },
        { "mixed", "a\r\nb\rc\nd", { "a", "b", "c", "d" } }, { "LF CR is two ends", "a\n\rb", { "a", "", "b" } },
        { "CR CR LF", "a\r\r\nb", { "a", "", "b" } }, { "only terminators", "\r\n\n\r", { "", "", "" } },
        { "ends in a lone CR", "a\r", { "a" } } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // A guard byte after the end must be neither read as data nor overwritten.
        std::vector<char> buffer(c.data.begin(), c.data.end());
        buffer.push_back('\0');
        buffer.push_back('#');
        char* const end = buffer.data() + c.data.size();
        std::vector<std::string> got;
        char* p = buffer.data();
        char* line = nullptr;
        while (BeckmanFile::NextLine(p, end, line, p)) {
            ASSERT_LE(p, end);
            got.emplace_back(line);
            ASSERT_LT(got.size(), 100u);
        }
        EXPECT_EQ(p, end);
        EXPECT_EQ(got, c.lines);
        EXPECT_EQ(buffer.back(), '#');
    }
}

TEST(FileNumberOfTest, DigitsAfterTheChannelLetter)
{
    const struct {
        const char* name;
        int32_t number;
    } cases[] = { { "00012.RA1", 12 }, { "A0003.IP1", 3 }, { "X12a4.RA1", 12 }, { "012.3.RA1", 12 },
        { "0123456789.RA1", 123456789 }, { "02147483647.RA1", 2147483647 },
        { "02147483648.RA1", 0 } /* too large for a scan number */, { "0 12.RA1", 0 }, { "0-5.RA1", 0 }, { "0.RA1", 0 },
        { ".RA1", 0 }, { "00012", 0 } /* no dot: nothing to read */, { "", 0 }, { "1", 0 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FileNumberOf(c.name), c.number);
    }
}

} // namespace
