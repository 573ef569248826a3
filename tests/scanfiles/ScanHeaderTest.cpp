#include <gtest/gtest.h>

#include <string>

#include "scanfiles/ScanData.h"
#include "scanfiles/ScanHeader.h"

namespace {

ScanHeader HeaderOf(const std::string& description, const std::string& headerLine)
{
    ScanHeader h;
    h.Description = description;
    h.HeaderLine = headerLine;
    return h;
}

TEST(ScanHeaderTest, ReadsEveryFieldOfTheHeaderLine)
{
    ScanHeader h = HeaderOf("Sample", "R 3 20.5 40000 1234 1.0E+11 280 7");
    EXPECT_EQ(h.ParseHeader(0), 0);
    EXPECT_EQ(h.OpticalSystem, 1);
    EXPECT_EQ(h.Cell, 3);
    EXPECT_EQ(h.Temperature, 20.5);
    EXPECT_EQ(h.Rpm, 40000);
    EXPECT_EQ(h.RecordedTime, 1234);
    EXPECT_EQ(h.Omega2t, 1.0E+11);
    EXPECT_EQ(h.Wavelength, 280);
    EXPECT_EQ(h.HeaderCount, 7);
    // (2 pi 40000 / 60)^2 = 17545963.3797 rad^2/s^2; 1e11 / that = 5699.3166 s.
    EXPECT_NEAR(h.Time, 5699.3166, 1e-4);

    // Missing fields count as zero, and fields stay set when the result is not 0.
    h.HeaderLine = "Q 2 21";
    EXPECT_EQ(h.ParseHeader(0), 2);
    EXPECT_EQ(h.Cell, 2);
    EXPECT_EQ(h.Temperature, 21);
    EXPECT_EQ(h.Rpm, 0);
    EXPECT_EQ(h.RecordedTime, 0);
    EXPECT_EQ(h.Omega2t, 0);
    EXPECT_EQ(h.Wavelength, 0);
    EXPECT_EQ(h.HeaderCount, 0);
    EXPECT_EQ(h.Time, 0); // no speed: no omega^2 to divide by
}

TEST(ScanHeaderTest, ResultOfTypeLetterSpeedAndOmegaSquaredT)
{
    const struct {
        const char* name;
        const char* line;
        int32_t result;
        int32_t opticalSystem;
    } cases[] = { { "R absorbance", "R 1 20 50000 100 1e10 280 1", 0, 1 },
        { "I intensity", "I 1 20 50000 100 1e10 280 1", 0, 1 },
        { "P interference", "P 1 20 50000 100 1e10 660 1", 0, 3 },
        { "unknown letter", "A 1 20 50000 100 1e10 280 1", 1, 0 },
        { "lower-case letter is unknown", "r 1 20 50000 100 1e10 280 1", 1, 0 },
        { "speed zero", "R 1 20 0 100 1e10 280 1", 2, 1 }, { "speed negative", "R 1 20 -50000 100 1e10 280 1", 2, 1 },
        { "speed not a number", "R 1 20 fast 100 1e10 280 1", 2, 1 },
        { "speed nan", "R 1 20 nan 100 1e10 280 1", 2, 1 }, { "omega2t zero", "R 1 20 50000 100 0 280 1", 2, 1 },
        { "omega2t negative", "R 1 20 50000 100 -1e10 280 1", 2, 1 }, { "omega2t missing", "R 1 20 50000 100", 2, 1 },
        { "bad letter and bad speed: 2 wins", "X 1 20 0 100 1e10 280 1", 2, 0 },
        { "blank before the letter", " R 1 20 50000 100 1e10 280 1", 2, 0 }, { "empty line", "", 2, 0 },
        { "trailing fields may be missing", "R 1 20 50000 100 1e10", 0, 1 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScanHeader h = HeaderOf("d", c.line);
        EXPECT_EQ(h.ParseHeader(0), c.result);
        EXPECT_EQ(h.OpticalSystem, c.opticalSystem);
    }
}

TEST(ScanHeaderTest, ApparentTimeRules)
{
    const struct {
        const char* name;
        int32_t useApparentTime;
        double expectedRpm;
        const char* line;
        double time;
        int32_t useApparentTimeAfter;
    } cases[] = {
        { "expected speed met", 1, 40000, "R 1 20 40000 777 1.0E+11 280 1", 5699.3166, 1 },
        // (2 pi 50000 / 60)^2 = 27415567.78; 2.5e10 / that = 911.8907 s.
        { "at 50000 rpm", 1, 50000, "R 1 20 50000 777 2.5E+10 280 1", 911.8907, 1 },
        { "other speed: recorded time, flag cleared", 1, 50000, "R 1 20 40000 777 1.0E+11 280 1", 777, 0 },
        { "flag off: recorded time", 0, 0, "R 1 20 40000 777 1.0E+11 280 1", 777, 0 },
        { "broken header does not clear the flag", 1, 50000, "R 1 20 0 777 1.0E+11 280 1", 777, 1 },
        { "unknown letter does not clear the flag", 1, 50000, "Z 1 20 40000 777 1.0E+11 280 1", 777, 1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScanHeader h = HeaderOf("d", c.line);
        h.UseApparentTime = c.useApparentTime;
        h.ParseHeader(c.expectedRpm);
        EXPECT_NEAR(h.Time, c.time, 1e-4);
        EXPECT_EQ(h.UseApparentTime, c.useApparentTimeAfter);
    }
}

TEST(ScanHeaderTest, DescriptionByKind)
{
    // One header parses every row in turn, so values of an earlier kind must not linger.
    const std::string w(200000, 'w'); // longer than any buffer
    const char* const P = "P 1 20 50000 100 1e10 660 1";
    const char* const F = "F 1 20 50000 100 1e10 488 1";
    const struct {
        const char* name;
        std::string description;
        const char* line;
        int32_t result;
        double number;
        std::string tag;
        std::string fluorescence;
    } cases[] = {
        { "word, number and comma, word", "Fringes 12.5, Cell2", P, 0, 12.5, "Cell2", "" },
        { "fluorescence: blank before the word dropped", "My sample Voltage: 450 Gain: 2", F, 0, 0, "", "My sample" },
        { "only the first word after the comma", "Interference, 1.0, Test sample", P, 0, 1.0, "Test", "" },
        { "any one character is dropped", "My sample_Voltage: 450", F, 0, 0, "", "My sample" },
        { "absorbance keeps the whole line", "  Lysozyme 1.0 mg/ml, cell 2  ", "R 1 20 50000 100 1e10 280 1", 0, 0,
            "  Lysozyme 1.0 mg/ml, cell 2  ", "" },
        { "blank before the comma stops the read", "Fringes 12.5 , Cell2", P, 0, 12.5, "", "" },
        { "intensity keeps the whole line", "Lyso, 2", "I 1 20 50000 100 1e10 280 1", 0, 0, "Lyso, 2", "" },
        { "no comma", "Fringes 3.5 Tag", P, 0, 3.5, "", "" },
        { "no number", "Fringes many, Tag", P, 0, 0, "", "" },
        { "word at the start", "Voltage: 450", F, 0, 0, "", "" },
        { "one word", "Fringes", P, 0, 0, "", "" },
        { "one character before", "xVoltage:", F, 0, 0, "", "" },
        { "empty", "", P, 0, 0, "", "" },
        { "first occurrence counts", "A Voltage: B Voltage: C", F, 0, 0, "", "A" },
        { "tabs count as blanks", "A\t-2e3,\tB", P, 0, -2000, "B", "" },
        { "long words", w + " 7.25, " + w + "x", P, 0, 7.25, w + "x", "" },
        { "one long word", w, P, 0, 0, "", "" },
        { "fluorescence without Voltage:", "My sample 450", F, 3, 0, "", "" },
        { "lower-case word is not Voltage:", "My sample voltage: 450", F, 3, 0, "", "" },
        { "without Voltage: 3 wins over a bad speed", "My sample", "F 1 20 0 100 1e10 488 1", 3, 0, "", "" },
    };
    ScanHeader h;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        h.Description = c.description;
        h.HeaderLine = c.line;
        EXPECT_EQ(h.ParseHeader(0), c.result);
        EXPECT_EQ(h.DescriptionNumber, c.number);
        EXPECT_EQ(h.DescriptionTag, c.tag);
        EXPECT_EQ(h.FluorescenceDescription, c.fluorescence);
    }
}

TEST(ScanDataTest, InterferenceAllocationDropsAnEarlierSigmaAndItsMemory)
{
    ScanData d;
    d.OpticalSystem = 1;
    d.AllocatePoints(10000);
    d.NumberOfPoints = 5;
    EXPECT_EQ(d.Sigma.size(), 10000u);
    d.OpticalSystem = 3;
    d.AllocatePoints(2048);
    EXPECT_EQ(d.NumberOfPoints, 0);
    EXPECT_EQ(d.Radius.size(), 2048u);
    EXPECT_TRUE(d.Sigma.empty());
    EXPECT_EQ(d.Sigma.capacity(), 0u);
}

} // namespace
