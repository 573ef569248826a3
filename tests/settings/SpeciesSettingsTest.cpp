// The third settings group: the species fit's solvent and the convergence thresholds, their
// ranges, their section of the settings file and their grid in the settings window.
#include <filesystem>
#include <gtest/gtest.h>

#include "settings/SettingsFile.h"
#include "settingswindow/TMorvaneSettings.h"
#include "testutil/ScanFileWriter.h"
#include "testutil/ScriptedHost.h"

using namespace morvane;

namespace fs = std::filesystem;

TEST(SpeciesSettings, DefaultsAreTheSpeciesCodesOwnInPercent)
{
    const SpeciesSettings s;
    const ConvergenceThresholds t = ThresholdsOf(s);
    const ConvergenceThresholds built;
    const double pairs[][2] = { { t.WindowFraction, built.WindowFraction }, { t.PeakDrift, built.PeakDrift },
        { t.ShapeChange, built.ShapeChange }, { t.MeniscusLevel, built.MeniscusLevel },
        { t.SpeciesSChange, built.SpeciesSChange }, { t.ShareChange, built.ShareChange },
        { t.MinSStar, built.MinSStar }, { t.ClearlyWithin, built.ClearlyWithin }, { t.ClearlyPast, built.ClearlyPast },
        { static_cast<double>(t.ConfirmSets), static_cast<double>(built.ConfirmSets) } };
    for (const auto& p : pairs)
        EXPECT_DOUBLE_EQ(p[0], p[1]);
    EXPECT_DOUBLE_EQ(s.ConvergencePeakDriftPercent, 0.5);
    const SolventConditions solvent = SolventOf(s);
    EXPECT_DOUBLE_EQ(solvent.Vbar, 0.73);
    EXPECT_DOUBLE_EQ(solvent.Density, 0.99823);
    EXPECT_DOUBLE_EQ(solvent.ViscosityCp, 1.002);
    EXPECT_LT(solvent.TemperatureC, 0) << "the temperature stays the scans'";
}

TEST(SpeciesSettings, RangesAndTheBuoyancyRule)
{
    const struct {
        const char* key;
        const char* text;
        bool accepted;
    } cases[] = {
        { "Vbar", "0.55", true },
        { "Vbar", "0.05", false },
        { "Vbar", "2.5", false },
        { "SolventDensity", "1.1", true },
        { "SolventDensity", "0", false },
        { "SolventViscosity", "0.89", true },
        { "SolventViscosity", "-1", false },
        { "ConvergenceWindowPercent", "50", true },
        { "ConvergenceWindowPercent", "0.5", false },
        { "ConvergencePeakDriftPercent", "0", false }, // a limit of 0 is never met
        { "ConvergenceSharePoints", "5", true },
        { "ConvergenceMinSStar", "0", true },
        { "ConvergenceMinSStar", "abc", false },
        { "ConvergenceWithinPercent", "101", false }, // within must not reach past the limit
        { "ConvergencePastPercent", "99", false },
        { "ConvergenceConfirmSets", "1", false }, // one odd set never turns the verdict
        { "ConvergenceConfirmSets", "2.5", false },
        { "ConvergenceConfirmSets", "4", true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " = " + c.text);
        const SettingKey* key = FindSettingKey(c.key);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(key->Group(), SettingGroup::Species);
        double value = 0;
        EXPECT_EQ(ParseSettingValue(*key, c.text, value).empty(), c.accepted);
    }
    EXPECT_EQ(FindSettingKey("vbar")->AcceptedText(), "a number from 0.1 to 2 ml/g");

    ProgramSettings s;
    s.Species.Vbar = 1.2;
    s.Species.SolventDensity = 0.9;
    const auto broken = BrokenSettingRules(s);
    ASSERT_EQ(broken.size(), 1u);
    EXPECT_STREQ(broken[0]->Text, "Vbar times SolventDensity must be below 1");
}

TEST(SpeciesSettings, ItsSectionOfTheFileReadsBack)
{
    ProgramSettings edited;
    edited.Species.Vbar = 0.72;
    edited.Species.SolventViscosity = 1.019;
    edited.Species.ConvergencePeakDriftPercent = 0.25;
    const std::string text = SettingsFileText(edited);
    EXPECT_NE(text.find("\r\n[SpeciesSettings]\r\nVbar=0.72\r\nSolventDensity=0.99823\r\nSolventViscosity=1.019\r\n"),
        std::string::npos)
        << text;
    EXPECT_LT(text.find("[CustomSettings]"), text.find("[SpeciesSettings]"));
    ProgramSettings read;
    EXPECT_TRUE(ApplySettingsText(text, read).empty());
    for (const char* name : SpeciesSettings::KeyNames) {
        SCOPED_TRACE(name);
        EXPECT_EQ(FindSettingKey(name)->Get(read), FindSettingKey(name)->Get(edited));
    }
    EXPECT_DOUBLE_EQ(ThresholdsOf(read.Species).PeakDrift, 0.0025);

    // A pair that would make the particle float: both keep their values, and the file is told.
    ProgramSettings floating;
    const auto problems = ApplySettingsText("[SpeciesSettings]\nVbar=1.5\nSolventDensity=0.8\n", floating);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0], "Vbar times SolventDensity must be below 1 (Vbar = 1.5, SolventDensity = 0.8)");
    EXPECT_EQ(floating.Species.Vbar, 0.73);
    EXPECT_EQ(floating.Species.SolventDensity, 0.99823);
}

TEST(SpeciesSettings, TheSettingsWindowShowsAndSavesTheThirdGrid)
{
    testutil::TempDir dir;
    testutil::ScriptedHost host;
    GUISettings display;
    CustomSettings analysis;
    SpeciesSettings species;
    TMorvaneSettings window;
    fs::create_directory(dir / "bin");
    window.FormCreate(dir / "bin/morvane");
    window.Files = SettingsFileLocations::Of(dir / "bin/morvane", (dir / "config").c_str(), nullptr);
    window.FormShow(display, analysis, species, &host);

    auto& rows = window.ValueListSpeciesSettings.Rows;
    ASSERT_EQ(rows.size(), SpeciesSettings::KeyNames.size());
    EXPECT_EQ(window.ValueListGUISettings.Rows.size(), 16u) << "the display grid keeps its keys";
    EXPECT_EQ(rows[0], (ValueListRow { "Vbar", "0.73", false, "Takes a number from 0.1 to 2 ml/g." }));
    EXPECT_EQ(
        rows[4], (ValueListRow { "ConvergencePeakDriftPercent", "0.5", false, "Takes a number from 0.01 to 100 %." }));

    rows[0].Value = "0.74";
    rows[4].Value = "1";
    ASSERT_TRUE(window.ButtonSaveClick()) << (host.Messages.empty() ? "" : host.Messages[0]);
    EXPECT_EQ(species.Vbar, 0.74);
    EXPECT_EQ(species.ConvergencePeakDriftPercent, 1);

    rows[1].Value = "1.5"; // 0.74 x 1.5 > 1
    EXPECT_FALSE(window.ButtonSaveClick());
    EXPECT_EQ(host.Messages.back(), "Nothing was changed or saved:\nVbar times SolventDensity must be below 1");
    EXPECT_EQ(species.SolventDensity, 0.99823);

    window.ButtonDefaultsClick();
    EXPECT_EQ(window.ValueListSpeciesSettings.Rows[0].Value, "0.73");
}
