// The text of scan files: header and data lines written as the reader reads them back, line
// splitting, whole-file reading, and "." as the decimal separator under any locale.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "scanfiles/BeckmanFile.h"
#include "scanfiles/ScanText.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace {

using namespace std::string_literals;

ScanHeader HeaderWith(
    int32_t cell, double temperature, double rpm, double seconds, double omega2t, double wavelength, int32_t count)
{
    ScanHeader h;
    h.Cell = cell;
    h.Temperature = temperature;
    h.Rpm = rpm;
    h.RecordedTime = seconds;
    h.Omega2t = omega2t;
    h.Wavelength = wavelength;
    h.HeaderCount = count;
    return h;
}

// Parses `line` into a fresh header and expects every written field back.
void ExpectRoundTrip(char letter, const ScanHeader& written)
{
    ScanHeader read;
    read.HeaderLine = HeaderLineText(letter, written);
    read.Description = letter == 'F' ? "Sample Voltage: 1" : "Sample 1.0, Tag";
    SCOPED_TRACE(read.HeaderLine);
    ASSERT_EQ(read.ParseHeader(0), 0);
    EXPECT_EQ(read.OpticalSystem, letter == 'P' ? 3 : letter == 'F' ? 2 : 1);
    EXPECT_EQ(read.Cell, written.Cell);
    EXPECT_EQ(read.Temperature, written.Temperature);
    EXPECT_EQ(read.Rpm, written.Rpm);
    EXPECT_EQ(read.RecordedTime, written.RecordedTime);
    EXPECT_EQ(read.Omega2t, written.Omega2t);
    EXPECT_EQ(read.Wavelength, written.Wavelength);
    EXPECT_EQ(read.HeaderCount, written.HeaderCount);
}

// Switches the process to a locale whose decimal separator is "," and back at the end.
class CommaLocale {
public:
    CommaLocale()
        : previous_(std::setlocale(LC_ALL, nullptr))
    {
        active_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    }
    ~CommaLocale() { std::setlocale(LC_ALL, previous_.c_str()); }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;
    bool active() const { return active_; }

private:
    std::string previous_;
    bool active_ = false;
};

TEST(ScanTextTest, HeaderLineAsTheInstrumentWritesItAndReadBack)
{
    const ScanHeader typical = HeaderWith(3, 20.0, 40000, 3005, 2.04386e10, 280, 2);
    EXPECT_EQ(HeaderLineText('R', typical), "R 3 20.0 40000 3005 2.04386E+10 280 2");
    for (char letter : { 'R', 'I', 'F', 'P' })
        ExpectRoundTrip(letter, typical);

    // Any header at the precision of the line's fields comes back unchanged.
    std::mt19937_64 rng(7);
    auto below = [&](int n) { return static_cast<int>(rng() % static_cast<uint64_t>(n)); };
    for (int k = 0; k < 200; ++k) {
        // omega^2 t as the nearest double to a six-digit decimal, as the reader would get it.
        const std::string omega2t = std::to_string(1 + below(9)) + "." + std::to_string(10000 + below(90000)) + "E+"
            + std::to_string(5 + below(7));
        ExpectRoundTrip("RIFP"[k % 4],
            HeaderWith(1 + below(8), (below(800) - 100) / 10.0, 1 + below(60000), below(200000),
                std::strtod(omega2t.c_str(), nullptr), below(800), below(100)));
    }
}

TEST(ScanTextTest, DataLinesOfTwoAndThreeColumns)
{
    const struct {
        const char* name;
        double r, v, third;
        bool three;
        const char* line;
    } cases[] = {
        { "absorbance", 5.9, 0.12345, 0.005, true, "   5.9000    1.23450E-01    5.00000E-03\r\n" },
        { "interference", 6.12346, -3.5, 0, false, "   6.1235   -3.50000E+00\r\n" },
        { "zero and rounding up", 0, 9.999996, 1e-300, true, "   0.0000    1.00000E+01   1.00000E-300\r\n" },
        { "a radius wider than its field", 12345.6789, 1e100, 0, false, "12345.6789   1.00000E+100\r\n" },
    };
    std::string all;
    std::vector<double> radius, value, third;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = "x";
        if (c.three)
            AppendDataLine(text, c.r, c.v, c.third);
        else
            AppendDataLine(text, c.r, c.v);
        EXPECT_EQ(text, "x"s + c.line);
        if (c.three) {
            radius.push_back(c.r);
            value.push_back(c.v);
            third.push_back(c.third);
            all += c.line;
        }
    }
    std::string block;
    AppendDataLines(block, radius.data(), value.data(), third.data(), static_cast<int32_t>(radius.size()));
    EXPECT_EQ(block, all);
    block.clear();
    AppendDataLines(block, radius.data(), value.data(), nullptr, 1);
    EXPECT_EQ(block, "   5.9000    1.23450E-01\r\n");
    EXPECT_EQ(ScanText("Desc", "R 1", radius.data(), value.data(), nullptr, 1), "Desc\r\nR 1\r\n" + block);
}

// The lines are formatted without the C library's printf; they must be its bytes, for edge values
// (signed zeros and NaNs, infinities, subnormals, the widest radius, ties of exactly representable
// values, carries into a new digit) and for values spread over every magnitude.
TEST(ScanTextTest, LinesAreTheBytesPrintfWrites)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> values = { 0.0, -0.0, 1.0, -1.0, 1e-7, -1e-7, 1e21, -1e21, 1e308, -1e308,
        std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min(), 2.2250738585072014e-308, inf,
        -inf, nan, -nan, 0.03125, -0.03125, 0.15625, 2.5, 0.00005, 0.00015, 9.99995, 9.999995, 99999.5, 1.000005, 0.5,
        1.5, -2.5, 6.02214076e23, 1e-300, 123456789012.345678, 5.9999500000000001, 0.000049999 };
    std::mt19937_64 rng(11);
    for (int k = 0; k < 4000; ++k) {
        const double mantissa = std::uniform_real_distribution<double>(-10, 10)(rng);
        values.push_back(mantissa * std::pow(10.0, static_cast<int>(rng() % 40) - 20));
        // Radii as written, and halfway between two of the line's steps.
        values.push_back(static_cast<double>(rng() % 200000) / 10000 + (k % 2 ? 0.00005 : 0));
        uint64_t bits = rng();
        double any = 0;
        std::memcpy(&any, &bits, sizeof any);
        values.push_back(any);
    }
    for (size_t i = 0; i < values.size(); ++i) {
        const double r = values[i], v = values[(i * 7 + 3) % values.size()], t = values[(i * 13 + 5) % values.size()];
        char expected[1200];
        std::snprintf(expected, sizeof expected, "%9.4f%15.5E%15.5E\r\n", r, v, t);
        std::string line;
        AppendDataLine(line, r, v, t);
        ASSERT_EQ(line, expected) << r << " " << v << " " << t;
        line.clear();
        AppendDataLine(line, v, r);
        std::snprintf(expected, sizeof expected, "%9.4f%15.5E\r\n", v, r);
        ASSERT_EQ(line, expected);
        const ScanHeader h = HeaderWith(static_cast<int>(i % 9) - 1, r, v, t, r, v, static_cast<int>(i) - 3);
        std::snprintf(expected, sizeof expected, "%c %d %.1f %.0f %.0f %.5E %.0f %d", 'P', h.Cell, h.Temperature, h.Rpm,
            h.RecordedTime, h.Omega2t, h.Wavelength, h.HeaderCount);
        ASSERT_EQ(HeaderLineText('P', h), expected);
    }
}

TEST(ScanTextTest, WrittenScanReadsBackToTheLinesPrecision)
{
    std::vector<double> radius, value, sigma;
    for (int i = 0; i < 50; ++i) {
        radius.push_back(5.9 + 0.002 * i);
        value.push_back(std::sin(i) * std::pow(10.0, i % 7 - 3));
        sigma.push_back(0.005);
    }
    const ScanHeader h = HeaderWith(1, 20, 50000, 1000, 2.5e10, 280, 1);
    const std::string text = ScanText("Sample", HeaderLineText('R', h), radius.data(), value.data(), sigma.data(), 50);
    BeckmanFile f;
    ASSERT_EQ(f.ParseScanText("00001.RA1", text, 0, 0), static_cast<int32_t>(text.size()));
    ASSERT_EQ(f.NumberOfPoints, 50);
    EXPECT_TRUE(f.EndedWithLineEnd);
    for (size_t i = 0; i < 50; ++i) {
        EXPECT_NEAR(f.Radius[i], radius[i], 5e-5);
        EXPECT_NEAR(f.Value[i], value[i], 5e-6 * std::fabs(value[i]));
        EXPECT_EQ(f.Sigma[i], 0.005);
    }
}

TEST(ScanTextTest, PointAsDecimalSeparatorUnderACommaLocale)
{
    const CommaLocale comma;
    if (!comma.active())
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed (scripts/setup generates it)";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5") << "the locale must be in effect for this test to prove anything";

    const ScanHeader h = HeaderWith(2, 20.5, 50000, 1234, 2.5e10, 660, 1);
    EXPECT_EQ(HeaderLineText('P', h), "P 2 20.5 50000 1234 2.50000E+10 660 1");
    std::string text;
    AppendDataLine(text, 5.95, 0.5);
    AppendDataLine(text, 5.96, 0.25, 0.01);
    const double r = 5.97, v = 0.125;
    AppendDataLines(text, &r, &v, nullptr, 1);
    EXPECT_EQ(text,
        "   5.9500    5.00000E-01\r\n   5.9600    2.50000E-01    1.00000E-02\r\n"
        "   5.9700    1.25000E-01\r\n");

    // Read back under the same locale, through the reader's own parser and sscanf alike.
    BeckmanFile f;
    const std::string scan = "Fringes 2.5, T\r\n" + HeaderLineText('P', h) + "\r\n" + text + "+5.98 +0.5\r\n";
    ASSERT_GT(f.ParseScanText("00001.IP2", scan, 0, 0), 0);
    EXPECT_EQ(f.Header.Temperature, 20.5);
    EXPECT_EQ(f.Header.DescriptionNumber, 2.5);
    ASSERT_EQ(f.NumberOfPoints, 4);
    EXPECT_EQ(f.Radius[1], 5.96);
    EXPECT_EQ(f.Value[2], 0.125);
    EXPECT_EQ(f.Radius[3], 5.98);
}

TEST(ScanTextTest, LinesEndAtCrLfOrCrLf)
{
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> lines;
        bool endsWithLineEnd;
    } cases[] = {
        { "empty", "", {}, false },
        { "one line without an end", "a", { "a" }, false },
        { "CR LF, CR and LF", "a\r\nb\rc\nd", { "a", "b", "c", "d" }, false },
        { "LF then CR is a blank line between", "a\n\rb\n", { "a", "", "b" }, true },
        { "blank lines at the end", "a\r\n\r\n\r\n", { "a", "", "" }, true },
        { "CR CR LF", "a\r\r\n", { "a", "" }, true },
        { "cut between CR and LF", "a\r", { "a" }, true },
        { "end-of-file marks after the last line end", "a\r\n\x1A\x1A", { "a", "\x1A\x1A" }, true },
        { "end-of-file mark right after the last line", "a\x1A", { "a\x1A" }, true },
        { "blanks begin a data line still being written", "a\r\n   ", { "a", "   " }, false },
        { "NUL is part of a line", "a\0b\nc"s, { "a\0b"s, "c" }, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::string_view> lines = SplitLines(c.text);
        EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.end()), c.lines);
        EXPECT_EQ(EndsWithLineEnd(c.text), c.endsWithLineEnd);
        const std::string joined = LinesToText(c.lines);
        EXPECT_EQ(SplitLines(joined).size(), c.lines.size());
    }
    // Nothing at or after the end is read: the view stops inside "5.9 0.1 0.01234".
    const std::string held = "d\r\nR 1 20 50000 1000 2.5E+10 280 1\r\n5.9 0.1 0.01234";
    std::string_view line;
    const char* next = nullptr;
    ASSERT_TRUE(NextLine(held.data() + held.find("5.9"), held.data() + held.size() - 3, line, next));
    EXPECT_EQ(line, "5.9 0.1 0.01");
    BeckmanFile f;
    ASSERT_GT(f.ParseScanText("00001.RA1", std::string_view(held).substr(0, held.size() - 3), 0, 0), 0);
    ASSERT_EQ(f.NumberOfPoints, 1);
    EXPECT_EQ(f.Sigma[0], 0.01);
    EXPECT_FALSE(f.EndedWithLineEnd);
}

TEST(ScanTextTest, WholeFileReading)
{
    testutil::TempDir dir;
    const std::string path = dir / "00001.RA1";
    testutil::WriteTextFile(path, "0123456789");
    std::filesystem::create_directory(dir / "sub");
    // A pipe with no writer and an endless device: refused at once, never waited on or read.
    ASSERT_EQ(::mkfifo((dir / "pipe.RA1").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir / "zero.RA1");
    const struct {
        std::string path;
        size_t maxBytes;
        int64_t result;
        std::string bytes;
    } cases[] = {
        { path, ScanFileMaxBytes, 10, "0123456789" },
        { path, 4, 4, "0123" },
        { path, 0, 0, "" },
        { dir / "missing", ScanFileMaxBytes, -1, "" },
        { dir / "sub", ScanFileMaxBytes, NotARegularFile, "" },
        { dir / "pipe.RA1", ScanFileMaxBytes, NotARegularFile, "" },
        { dir / "zero.RA1", ScanFileMaxBytes, NotARegularFile, "" },
        { "", ScanFileMaxBytes, -1, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + " " + std::to_string(c.maxBytes));
        std::string bytes = "old contents, longer than the file";
        EXPECT_EQ(ReadWholeFile(c.path, bytes, c.maxBytes), c.result);
        if (c.result >= 0) {
            EXPECT_EQ(bytes, c.bytes);
        }
    }
}

TEST(ScanTextTest, RadiiUsableAsGrid)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* name;
        std::vector<double> radius;
        bool usable;
    } cases[] = {
        { "rising", { 5.8, 5.9, 6.0 }, true },
        { "two points", { 5.8, 5.9 }, true },
        { "one point", { 5.8 }, false },
        { "none", {}, false },
        { "equal neighbours", { 5.8, 5.9, 5.9, 6.0 }, false },
        { "a trailing zero", { 5.8, 5.9, 0 }, false },
        { "falling", { 6.0, 5.9 }, false },
        { "nan", { 5.8, nan, 6.0 }, false },
        { "inf at the end", { 5.8, 5.9, inf }, false },
        { "-inf at the start", { -inf, 5.9, 6.0 }, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RadiiUsableAsGrid(c.radius.data(), static_cast<int32_t>(c.radius.size())), c.usable);
    }
    EXPECT_FALSE(RadiiUsableAsGrid(nullptr, 3));
}

} // namespace
