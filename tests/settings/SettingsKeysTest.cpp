#include <cmath>
#include <gtest/gtest.h>
#include <set>

#include "settings/SettingsKeys.h"

using namespace morvane;

// The range table covers exactly the names of the three key tables, and the built-in values pass it.
TEST(SettingsKeys, EveryKeyNameHasOneRangeAndTheDefaultsPassIt)
{
    const ProgramSettings built;
    std::set<std::string> names;
    for (int32_t i = 0; i < built.Display.KeyCount; ++i)
        names.insert(built.Display.KeyNames[static_cast<size_t>(i)]);
    for (int32_t i = 0; i < built.Analysis.KeyCount; ++i)
        names.insert(built.Analysis.KeyNames[static_cast<size_t>(i)]);
    names.insert(SpeciesSettings::KeyNames.begin(), SpeciesSettings::KeyNames.end());
    std::set<std::string> table;
    for (const SettingKey& key : SettingKeys()) {
        SCOPED_TRACE(key.Name);
        EXPECT_TRUE(table.insert(key.Name).second) << "listed twice";
        if (!key.Editable())
            continue;
        double value = 0;
        EXPECT_EQ(ParseSettingValue(key, SettingValueText(key, built), value), "");
        // 15 significant digits: ln(5e-14) loses the last two.
        EXPECT_NEAR(value, key.Get(built), 1e-14 * std::fabs(key.Get(built)));
    }
    EXPECT_EQ(table, names);
    EXPECT_EQ(names.size(), 51u);
    EXPECT_TRUE(BrokenSettingRules(built).empty());
}

TEST(SettingsKeys, ValuesAreCheckedAgainstTheirKindAndRange)
{
    const struct {
        const char* key;
        const char* text;
        const char* separator; // "" for a file's text
        bool accepted;
        double want;
    } cases[] = {
        { "DefaultMeniscus", " 5.95 ", "", true, 5.95 },
        { "DefaultMeniscus", "8", "", true, 8 }, // the ends belong to the range
        { "DefaultMeniscus", "8.01", "", false, 0 },
        { "DefaultMeniscus", "3.99", "", false, 0 },
        { "DefaultMeniscus", "5,95", "", false, 0 }, // files take "." only
        { "DefaultMeniscus", "5,95", ",", true, 5.95 }, // typed by a user whose separator is ","
        { "DefaultMeniscus", "5.95", ",", true, 5.95 },
        { "DefaultMeniscus", "abc", "", false, 0 },
        { "DefaultMeniscus", "", "", false, 0 },
        { "DefaultMeniscus", "nan", "", false, 0 },
        { "DefaultMeniscus", "5.9 cm", "", false, 0 },
        { "LowS", "2E-15", "", true, 2e-15 },
        { "LowS", "0", "", false, 0 },
        { "LowS", "1e400", "", false, 0 },
        { "sGridNumberOfPoints", "4095", "", true, 4095 },
        { "sGridNumberOfPoints", "4096", "", false, 0 }, // beyond what the smoothing takes
        { "sGridNumberOfPoints", "4", "", false, 0 },
        { "sGridNumberOfPoints", "1000.0", "", true, 1000 },
        { "sGridNumberOfPoints", "1000.5", "", false, 0 },
        { "SmoothCarSize", "0", "", false, 0 },
        { "SmoothRepetition", "0", "", true, 0 }, // no smoothing
        { "DisplayNumberMid", "0", "", false, 0 },
        { "DrawAllSetsCutoff", "0", "", false, 0 },
        { "MaxAveragingPercent", "1", "", true, 1 },
        { "MaxAveragingPercent", "-0.1", "", false, 0 },
        { "bAlwaysPlotExtrapolation", "TRUE", "", true, 1 },
        { "bAlwaysPlotExtrapolation", "0", "", true, 0 },
        { "bAlwaysPlotExtrapolation", "2", "", false, 0 },
        { "ComputeApparentStartTime", "false", "", true, 0 },
        { "ComputeApparentStartTime", "yes", "", false, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " = \"" + c.text + "\" with separator \"" + c.separator + "\"");
        const SettingKey* key = FindSettingKey(c.key);
        ASSERT_NE(key, nullptr);
        double value = -123;
        const std::string refusal = ParseSettingValue(*key, c.text, value, c.separator);
        EXPECT_EQ(refusal.empty(), c.accepted) << refusal;
        EXPECT_EQ(value, c.accepted ? c.want : -123) << "a refused value sets nothing";
    }
}

TEST(SettingsKeys, RefusalsNameTheKeyAndWhatItTakes)
{
    double value = 0;
    EXPECT_EQ(ParseSettingValue(*FindSettingKey("DefaultMeniscus"), "9", value),
        "DefaultMeniscus = \"9\": DefaultMeniscus takes a number from 4 to 8 cm");
    EXPECT_EQ(ParseSettingValue(*FindSettingKey("smoothcarsize"), "x", value),
        "SmoothCarSize = \"x\": SmoothCarSize takes a whole number from 1 to 999 points");
    EXPECT_EQ(ParseSettingValue(*FindSettingKey("ComputeApparentStartTime"), "2", value),
        "ComputeApparentStartTime = \"2\": ComputeApparentStartTime takes 0 or 1 (false or true)");
    EXPECT_EQ(ParseSettingValue(*FindSettingKey("LowLogS"), "-30", value),
        "LowLogS cannot be changed: it is derived from LowS and HighS (the natural logarithm)");
    EXPECT_EQ(FindSettingKey("NoSuchKey"), nullptr);
}

TEST(SettingsKeys, RulesTieKeysTogether)
{
    const struct {
        const char* name;
        void (*change)(ProgramSettings&);
        const char* broken;
    } cases[] = {
        { "LowS above HighS", [](ProgramSettings& s) { s.Analysis.LowS = 1e-9; }, "LowS must be below HighS" },
        { "top below bottom", [](ProgramSettings& s) { s.Analysis.DefaultCellTop = 7.2; },
            "DefaultCellTop must be below DefaultCellBottom" },
        { "meniscus at the bottom", [](ProgramSettings& s) { s.Display.DefaultMeniscus = 7.1; },
            "DefaultMeniscus + DefaultMeniscusIgnore must be below DefaultCellBottom - DefaultBottomIgnore" },
        { "car as wide as the grid", [](ProgramSettings& s) { s.Analysis.sGridNumberOfPoints = 3; },
            "SmoothCarSize must be below sGridNumberOfPoints" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramSettings s;
        c.change(s);
        const auto broken = BrokenSettingRules(s);
        ASSERT_EQ(broken.size(), 1u);
        EXPECT_STREQ(broken[0]->Text, c.broken);
    }
    ProgramSettings s;
    s.Display.DefaultMeniscus = 7.097; // 7.099 < 7.1: the band between is narrow but there
    EXPECT_TRUE(BrokenSettingRules(s).empty());
}

TEST(SettingsKeys, DerivedLogarithmsFollowTheirSValues)
{
    ProgramSettings s;
    s.Analysis.LowS = 2e-15;
    s.Analysis.HighS = 5e-11;
    DeriveSettings(s);
    EXPECT_EQ(s.Analysis.LowLogS, std::log(2e-15));
    EXPECT_EQ(s.Analysis.HighLogS, std::log(5e-11));
    ProgramSettings built;
    DeriveSettings(built);
    EXPECT_EQ(built.Analysis.LowLogS, CustomSettings().LowLogS) << "the built-in values stay exact";
}
