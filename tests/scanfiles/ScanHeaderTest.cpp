#include <gtest/gtest.h>

#include <string>

#include "scanfiles/ScanHeader.h"

using namespace morvane;

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
    EXPECT_EQ(h.RecordedTime, 1234);
    EXPECT_EQ(h.Wavelength, 280);
    EXPECT_EQ(h.HeaderCount, 7);
    // (2 pi 40000 / 60)^2 = 17545963.3797 rad^2/s^2; 1e11 / that = 5699.3166 s.
    EXPECT_NEAR(h.Time, 5699.3166, 1e-4);

    // Missing fields count as zero, and fields stay set when the result is not 0.
    h.HeaderLine = "Q 2 21";
    EXPECT_EQ(h.ParseHeader(0), 2);
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
    } cases[] = { { "P interference", "P 1 20 50000 100 1e10 660 1", 0, 3 },
        { "lower-case letter is unknown", "r 1 20 50000 100 1e10 280 1", 1, 0 },
        { "speed negative", "R 1 20 -50000 100 1e10 280 1", 2, 1 },
        { "omega2t zero", "R 1 20 50000 100 0 280 1", 2, 1 }, { "omega2t missing", "R 1 20 50000 100", 2, 1 },
        { "negative elapsed time", "R 1 20 50000 -1 1e10 280 1", 2, 1 },
        { "bad letter and bad speed: 2 wins", "X 1 20 0 100 1e10 280 1", 2, 0 }, { "empty line", "", 2, 0 },
        { "speed nan", "R 1 20 nan 100 1e10 280 1", 4, 1 }, { "speed inf", "R 1 20 inf 100 1e10 280 1", 4, 1 },
        { "speed -inf, bad letter: 4 wins", "X 1 20 -inf 100 1e10 280 1", 4, 0 },
        { "time nan", "P 1 20 50000 nan 1e10 660 1", 4, 3 },
        { "omega2t beyond a double", "R 1 20 50000 100 1e400 280 1", 4, 1 },
        { "speed whose square overflows", "R 1 20 1e200 100 1e10 280 1", 4, 1 },
        { "speed so small the apparent time overflows", "R 1 20 1e-160 100 1e10 280 1", 4, 1 },
        { "absurd but finite omega2t", "R 1 20 50000 100 1e308 280 1", 0, 1 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScanHeader h = HeaderOf("d", c.line);
        EXPECT_EQ(h.ParseHeader(0), c.result);
        EXPECT_EQ(h.OpticalSystem, c.opticalSystem);
    }
}

TEST(ScanHeaderTest, BrokenHeadersKeepTheApparentTimeFlag)
{
    for (const char* line :
        { "R 1 20 0 777 1.0E+11 280 1", "Z 1 20 40000 777 1.0E+11 280 1", "R 1 20 inf 777 1.0E+11 280 1" }) {
        SCOPED_TRACE(line);
        ScanHeader h = HeaderOf("d", line);
        h.UseApparentTime = 1;
        h.ParseHeader(50000);
        EXPECT_EQ(h.Time, 777);
        EXPECT_EQ(h.UseApparentTime, 1);
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
        { "absorbance keeps the whole line", "  Lysozyme 1.0 mg/ml, cell 2  ", "R 1 20 50000 100 1e10 280 1", 0, 0,
            "  Lysozyme 1.0 mg/ml, cell 2  ", "" },
        { "blank before the comma stops the read", "Fringes 12.5 , Cell2", P, 0, 12.5, "", "" },
        { "no number", "Fringes many, Tag", P, 0, 0, "", "" },
        { "word at the start", "Voltage: 450", F, 0, 0, "", "" },
        { "long words", w + " 7.25, " + w + "x", P, 0, 7.25, w + "x", "" },
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

} // namespace
