#include <gtest/gtest.h>

#include <memory>
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
}

TEST(ScanHeaderTest, ResultOfTypeLetterSpeedAndOmegaSquaredT)
{
    const struct {
        const char* name;
        const char* line;
        int32_t result;
        int32_t opticalSystem;
    } cases[] = {
        { "R absorbance", "R 1 20 50000 100 1e10 280 1", 0, 1 },
        { "I intensity", "I 1 20 50000 100 1e10 280 1", 0, 1 },
        { "P interference", "P 1 20 50000 100 1e10 660 1", 0, 3 },
        { "unknown letter", "A 1 20 50000 100 1e10 280 1", 1, 0 },
        { "lower-case letter is unknown", "r 1 20 50000 100 1e10 280 1", 1, 0 },
        { "speed zero", "R 1 20 0 100 1e10 280 1", 2, 1 },
        { "speed negative", "R 1 20 -50000 100 1e10 280 1", 2, 1 },
        { "speed not a number", "R 1 20 fast 100 1e10 280 1", 2, 1 },
        { "speed nan", "R 1 20 nan 100 1e10 280 1", 2, 1 },
        { "omega2t zero", "R 1 20 50000 100 0 280 1", 2, 1 },
        { "omega2t negative", "R 1 20 50000 100 -1e10 280 1", 2, 1 },
        { "omega2t missing", "R 1 20 50000 100", 2, 1 },
        { "bad letter and bad speed: 2 wins", "X 1 20 0 100 1e10 280 1", 2, 0 },
        { "blank before the letter", " R 1 20 50000 100 1e10 280 1", 2, 0 },
        { "empty line", "", 2, 0 },
        { "trailing fields may be missing", "R 1 20 50000 100 1e10", 0, 1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScanHeader h = HeaderOf("d", c.line);
        EXPECT_EQ(h.ParseHeader(0), c.result);
        EXPECT_EQ(h.OpticalSystem, c.opticalSystem);
    }
}

TEST(ScanHeaderTest, MissingFieldsCountAsZero)
{
    ScanHeader h = HeaderOf("d", "R 1 20 50000 100 1e10 280 9");
    ASSERT_EQ(h.ParseHeader(0), 0);
    h.HeaderLine = "R 2 21";
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

TEST(ScanHeaderTest, FieldsStayWhenTheResultIsNotZero)
{
    ScanHeader h = HeaderOf("d", "Q 4 20 50000 100 1e10 280 1");
    EXPECT_EQ(h.ParseHeader(0), 1);
    EXPECT_EQ(h.Cell, 4);
    EXPECT_EQ(h.Rpm, 50000);
    EXPECT_EQ(h.Omega2t, 1e10);
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
        { "no expectation: omega2t / omega^2", 1, 0, "R 1 20 40000 777 1.0E+11 280 1", 5699.3166, 1 },
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

TEST(ScanHeaderTest, ClearedApparentTimeStaysClearedForLaterParses)
{
    ScanHeader h = HeaderOf("d", "R 1 20 40000 600 1.0E+11 280 1");
    h.ParseHeader(50000);
    ASSERT_EQ(h.UseApparentTime, 0);
    h.HeaderLine = "R 1 20 50000 900 2.5E+10 280 1";
    EXPECT_EQ(h.ParseHeader(50000), 0);
    EXPECT_EQ(h.Time, 900);
    EXPECT_EQ(h.ParseHeader(0), 0);
    EXPECT_EQ(h.Time, 900);
}

TEST(ScanHeaderTest, InterferenceDescription)
{
    const struct {
        const char* name;
        std::string description;
        double number;
        std::string tag;
    } cases[] = {
        { "word, number and comma, word", "Fringes 12.5, Cell2", 12.5, "Cell2" },
        { "only the first word after the comma", "Interference, 1.0, Test sample", 1.0, "Test" },
        { "blank before the comma stops the read", "Fringes 12.5 , Cell2", 12.5, "" },
        { "no comma", "Fringes 3.5 Tag", 3.5, "" },
        { "no number", "Fringes many, Tag", 0, "" },
        { "one word", "Fringes", 0, "" },
        { "empty", "", 0, "" },
        { "tabs count as blanks", "A\t-2e3,\tB", -2000, "B" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScanHeader h = HeaderOf(c.description, "P 1 20 50000 100 1e10 660 1");
        EXPECT_EQ(h.ParseHeader(0), 0);
        EXPECT_EQ(h.DescriptionNumber, c.number);
        EXPECT_EQ(h.DescriptionTag, c.tag);
        EXPECT_EQ(h.FluorescenceDescription, "");
    }
}

TEST(ScanHeaderTest, InterferenceDescriptionLongerThanAnyBuffer)
{
    const std::string longWord(200000, 'w');
    ScanHeader h = HeaderOf(longWord + " 7.25, " + longWord + "x", "P 1 20 50000 100 1e10 660 1");
    EXPECT_EQ(h.ParseHeader(0), 0);
    EXPECT_EQ(h.DescriptionNumber, 7.25);
    EXPECT_EQ(h.DescriptionTag, longWord + "x");

    h.Description = longWord;
    EXPECT_EQ(h.ParseHeader(0), 0);
    EXPECT_EQ(h.DescriptionNumber, 0);
    EXPECT_EQ(h.DescriptionTag, "");
}

TEST(ScanHeaderTest, AbsorbanceAndIntensityKeepTheWholeDescription)
{
    for (const char* letter : { "R", "I" }) {
        SCOPED_TRACE(letter);
        ScanHeader h = HeaderOf("  Lysozyme 1.0 mg/ml, cell 2  ", std::string(letter) + " 1 20 50000 100 1e10 280 1");
        EXPECT_EQ(h.ParseHeader(0), 0);
        EXPECT_EQ(h.DescriptionTag, "  Lysozyme 1.0 mg/ml, cell 2  ");
        EXPECT_EQ(h.DescriptionNumber, 0);
    }
}

TEST(ScanHeaderTest, FluorescenceDescriptionUpToVoltage)
{
    const struct {
        const char* name;
        std::string description;
        std::string text;
    } cases[] = {
        { "blank before the word dropped", "My sample Voltage: 450 Gain: 2", "My sample" },
        { "any one character is dropped", "My sample_Voltage: 450", "My sample" },
        { "word at the start", "Voltage: 450", "" },
        { "one character before", "xVoltage:", "" },
        { "first occurrence counts", "A Voltage: B Voltage: C", "A" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScanHeader h = HeaderOf(c.description, "F 1 20 50000 100 1e10 488 1");
        EXPECT_EQ(h.ParseHeader(0), 0);
        EXPECT_EQ(h.FluorescenceDescription, c.text);
        EXPECT_EQ(h.DescriptionTag, "");
    }
}

TEST(ScanHeaderTest, FluorescenceWithoutVoltageIsResultThree)
{
    const struct {
        const char* name;
        const char* description;
        const char* line;
    } cases[] = {
        { "good header", "My sample 450", "F 1 20 50000 100 1e10 488 1" },
        { "lower-case word", "My sample voltage: 450", "F 1 20 50000 100 1e10 488 1" },
        { "also when the speed is bad", "My sample", "F 1 20 0 100 1e10 488 1" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScanHeader h = HeaderOf(c.description, c.line);
        EXPECT_EQ(h.ParseHeader(0), 3);
        EXPECT_EQ(h.OpticalSystem, 2);
        EXPECT_EQ(h.FluorescenceDescription, "");
    }
}

TEST(ScanHeaderTest, DescriptionValuesOfAnEarlierKindDoNotLinger)
{
    ScanHeader h = HeaderOf("Fringes 12.5, Cell2", "P 1 20 50000 100 1e10 660 1");
    ASSERT_EQ(h.ParseHeader(0), 0);
    h.Description = "My sample Voltage: 1";
    h.HeaderLine = "F 1 20 50000 100 1e10 488 1";
    ASSERT_EQ(h.ParseHeader(0), 0);
    EXPECT_EQ(h.DescriptionNumber, 0);
    EXPECT_EQ(h.DescriptionTag, "");
    h.Description = "Absorbance";
    h.HeaderLine = "R 1 20 50000 100 1e10 280 1";
    ASSERT_EQ(h.ParseHeader(0), 0);
    EXPECT_EQ(h.FluorescenceDescription, "");
    EXPECT_EQ(h.DescriptionTag, "Absorbance");
}

TEST(ScanHeaderTest, CopyKeepsTextsAfterTheSourceIsGone)
{
    ScanHeader copy;
    {
        auto source = std::make_unique<ScanHeader>(HeaderOf("Fringes 2.5, Tag", "P 1 20 50000 100 1e10 660 1"));
        source->FilePath = "/data/00001.IP1";
        source->ParseHeader(0);
        copy = *source;
    }
    EXPECT_EQ(copy.FilePath, "/data/00001.IP1");
    EXPECT_EQ(copy.Description, "Fringes 2.5, Tag");
    EXPECT_EQ(copy.DescriptionTag, "Tag");
    EXPECT_EQ(copy.DescriptionNumber, 2.5);
}

TEST(ScanDataTest, NewRecordHasNoArrays)
{
    const ScanData d;
    EXPECT_EQ(d.OpticalSystem, 2);
    EXPECT_EQ(d.NumberOfPoints, 0);
    EXPECT_TRUE(d.Radius.empty());
    EXPECT_TRUE(d.Value.empty());
    EXPECT_TRUE(d.Sigma.empty());
}

TEST(ScanDataTest, InterferenceAllocationDropsAnEarlierSigma)
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
    EXPECT_EQ(d.Value.size(), 2048u);
    EXPECT_TRUE(d.Sigma.empty());
    EXPECT_EQ(d.Sigma.capacity(), 0u); // holds no memory
}

} // namespace
