#include <clocale>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "settingswindow/TMorvaneSettings.h"
#include "testutil/ScanFileWriter.h"
#include "testutil/ScriptedHost.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::ScriptedHost;
using testutil::TempDir;

namespace {

ValueListRow& RowOf(ValueListEditor& grid, const std::string& key)
{
    for (ValueListRow& row : grid.Rows)
        if (row.Key == key)
            return row;
    throw std::runtime_error("no row " + key);
}

// The settings window over a main window's settings, with its files in a temporary directory.
struct Window {
    TempDir dir;
    ScriptedHost host;
    GUISettings display;
    CustomSettings analysis;
    SpeciesSettings species;
    TMorvaneSettings window;
    Window()
    {
        fs::create_directory(dir / "bin");
        window.FormCreate(dir / "bin/morvane");
        window.Files = SettingsFileLocations::Of(dir / "bin/morvane", (dir / "config").c_str(), nullptr);
        window.FormShow(display, analysis, species, &host);
    }
};

} // namespace

TEST(MorvaneSettings, GridsListTheKeyTablesInOrderWithTheValuesInUse)
{
    GUISettings display;
    display.DisplayNumberMid = 7;
    display.bAlwaysPlotExtrapolation = true;
    CustomSettings analysis;
    analysis.LowS = 2.5e-15;

    TMorvaneSettings window;
    window.FormCreate("/opt/morvane/bin/morvane");
    SpeciesSettings species;
    window.FormShow(display, analysis, species);
    const auto& gui = window.ValueListGUISettings.Rows;
    const auto& custom = window.ValueListCustomSettings.Rows;
    ASSERT_EQ(gui.size(), 16u);
    ASSERT_EQ(custom.size(), 22u);
    const struct {
        const std::vector<ValueListRow>& rows;
        size_t index;
        const char* key;
        const char* value;
        bool readOnly;
        const char* hint;
    } cases[] = {
        { gui, 0, "DefaultMeniscus", "5.9", false, "Takes a number from 4 to 8 cm." },
        { gui, 8, "ExtrapolationMinLogS", "-30.6267533894825", false, "Takes a number from -42 to -14." },
        { gui, 13, "DisplayNumberMid", "7", false, "Takes a whole number from 1 to 999." },
        { gui, 15, "bAlwaysPlotExtrapolation", "1", false, "Takes 0 or 1 (false or true)." },
        { custom, 1, "LowS", "2.5E-15", false, "Takes a number from 1E-18 to 1E-6 s." },
        // ln(1e-15): set at construction, not from LowS
        { custom, 3, "LowLogS", "-34.5387763949107", true,
            "Fixed: derived from LowS and HighS (the natural logarithm)." },
        { custom, 9, "DefaultNegativeTag", "-10000000000", true, "Fixed: an internal marker of the analysis." },
        { custom, 11, "DefaultPositiveError", "1.23456789E-10", true, "Fixed: an internal marker of the analysis." },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(c.rows[c.index], (ValueListRow { c.key, c.value, c.readOnly, c.hint }));
    }
}

TEST(MorvaneSettings, KeyTableBeyondTheKnownFieldsAndOutOfRangeCounts)
{
    GUISettings display;
    display.KeyNames[16] = "NotAField";
    display.KeyCount = 17;
    auto rows = TMorvaneSettings::RowsOf(display);
    ASSERT_EQ(rows.size(), 17u);
    EXPECT_EQ(rows[16], (ValueListRow { "NotAField", "", true, "" })) << "a name without a field: no value, fixed";
    display.KeyCount = 1000;
    EXPECT_EQ(TMorvaneSettings::RowsOf(display).size(), 100u) << "never beyond the table's slots";
    display.KeyCount = -3;
    EXPECT_TRUE(TMorvaneSettings::RowsOf(display).empty());
}

TEST(MorvaneSettings, SettingsFileNameIsTheProgramPathWithTheExtensionINI)
{
    EXPECT_EQ(TMorvaneSettings::IniFileNameOf("/opt/MORVANE.EXE"), "/opt/MORVANE.INI");
    EXPECT_EQ(TMorvaneSettings::IniFileNameOf("run/morvane.v2.bin"), "run/morvane.v2.INI");
    Window w;
    EXPECT_EQ(w.window.IniFileName, w.dir / "bin/morvane.INI");
    EXPECT_EQ(w.window.LabelIniNote,
        "\"Save\" writes the settings to " + (w.dir / "bin/morvane.INI") + ". At start-up they are read from "
            + (w.dir / "bin/morvane.INI") + ", then from " + (w.dir / "config/morvane/morvane.INI")
            + ", whose values take precedence. New data views take them; open ones keep theirs.");
}

// An edit typed with the user's "," is saved into the owner's settings and the file; the derived
// logarithm follows its s value.
TEST(MorvaneSettings, SaveTakesTheEditsIntoTheOwnersSettingsAndTheFile)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed (scripts/setup generates it)";
    Window w;
    RowOf(w.window.ValueListGUISettings, "DefaultMeniscus").Value = "6,05";
    RowOf(w.window.ValueListCustomSettings, "SmoothCarSize").Value = "5";
    RowOf(w.window.ValueListCustomSettings, "LowS").Value = "2e-15";
    const bool saved = w.window.ButtonSaveClick();
    std::setlocale(LC_ALL, previous.c_str());
    ASSERT_TRUE(saved);
    EXPECT_TRUE(w.host.Messages.empty());
    EXPECT_EQ(w.display.DefaultMeniscus, 6.05);
    EXPECT_EQ(w.analysis.SmoothCarSize, 5);
    EXPECT_EQ(w.analysis.LowLogS, std::log(2e-15));
    EXPECT_EQ(w.analysis.SmoothRepetition, 3) << "untouched";
    EXPECT_EQ(w.display.ExtrapolationMinLogS, std::log(5e-14)) << "an untouched value keeps all its digits";
    const std::string file = testutil::ReadTextFile(w.dir / "bin/morvane.INI");
    EXPECT_NE(file.find("\r\nDefaultMeniscus=6.05\r\n"), std::string::npos);
    EXPECT_NE(file.find("\r\nSmoothCarSize=5\r\n"), std::string::npos);
    EXPECT_EQ(RowOf(w.window.ValueListCustomSettings, "LowLogS").Value, "-33.8456292143507");
}

TEST(MorvaneSettings, ARefusedValueChangesAndWritesNothing)
{
    const struct {
        const char* name;
        const char* key;
        const char* text;
        const char* message;
    } cases[] = {
        { "not a number", "DefaultMeniscus", "six",
            "Nothing was changed or saved:\nDefaultMeniscus = \"six\": DefaultMeniscus takes a number from 4 to 8 cm" },
        { "zero car", "ExtrapolationSmoothCarSize", "0",
            "Nothing was changed or saved:\nExtrapolationSmoothCarSize = \"0\": ExtrapolationSmoothCarSize takes a "
            "whole number from 1 to 999" },
        { "s range upside down", "LowS", "1e-9", "Nothing was changed or saved:\nLowS must be below HighS" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Window w;
        RowOf(w.window.ValueListGUISettings, "DefaultJitter").Value = "5.8";
        ValueListRow& row = RowOf(
            FindSettingKey(c.key)->IsDisplay() ? w.window.ValueListGUISettings : w.window.ValueListCustomSettings,
            c.key);
        row.Value = c.text;
        EXPECT_FALSE(w.window.ButtonSaveClick());
        EXPECT_EQ(w.host.Messages, std::vector<std::string> { c.message });
        EXPECT_EQ(w.display.DefaultJitter, 5.85) << "not even the good value";
        EXPECT_EQ(w.analysis.LowS, 1e-15);
        EXPECT_FALSE(fs::exists(w.dir / "bin/morvane.INI"));
        EXPECT_EQ(row.Value, c.text) << "the grid keeps what was typed, to be mended";
    }
}

TEST(MorvaneSettings, DefaultsRestoreTheBuiltInValuesWhenSaved)
{
    Window w;
    w.display.DefaultMeniscus = 6.2;
    w.display.ExtrapolationMinLogS = -31;
    w.analysis.HighS = 1e-11;
    w.window.FormShow(w.display, w.analysis, w.species, &w.host);
    w.window.ButtonDefaultsClick();
    EXPECT_EQ(RowOf(w.window.ValueListGUISettings, "DefaultMeniscus").Value, "5.9");
    EXPECT_EQ(w.display.DefaultMeniscus, 6.2) << "not before \"Save\"";
    ASSERT_TRUE(w.window.ButtonSaveClick());
    EXPECT_EQ(w.display.DefaultMeniscus, 5.9);
    EXPECT_EQ(w.display.ExtrapolationMinLogS, std::log(5e-14)) << "exactly the built-in value";
    EXPECT_EQ(w.analysis.HighS, 1e-10);
    EXPECT_EQ(w.analysis.HighLogS, std::log(1e-10));
}

TEST(MorvaneSettings, AFailedSaveIsReportedAndTheValuesStillApply)
{
    Window w;
    std::ofstream(w.dir / "blocked") << "a file where a directory would have to be";
    w.window.Files = SettingsFileLocations::Of(w.dir / "blocked/morvane", (w.dir / "blocked").c_str(), nullptr);
    RowOf(w.window.ValueListGUISettings, "DisplayNumberMid").Value = "12";
    EXPECT_TRUE(w.window.ButtonSaveClick());
    EXPECT_EQ(w.display.DisplayNumberMid, 12);
    ASSERT_EQ(w.host.Messages.size(), 1u);
    EXPECT_EQ(w.host.Messages[0].rfind("The settings could not be saved (", 0), 0u);
    EXPECT_NE(w.host.Messages[0].find("They apply until the program ends."), std::string::npos);
}

TEST(MorvaneSettings, StartUpReadsTheFilesIntoTheOwnersSettings)
{
    Window w;
    std::ofstream(w.dir / "bin/morvane.INI") << "[GUISettings]\nDefaultMeniscus=6.1\nDisplayNumberMid=0\n";
    GUISettings display;
    CustomSettings analysis;
    SpeciesSettings species;
    const std::string message = w.window.ReadSettingsFiles(display, analysis, species);
    EXPECT_EQ(display.DefaultMeniscus, 6.1);
    EXPECT_EQ(display.DisplayNumberMid, 10);
    EXPECT_NE(message.find(w.dir / "bin/morvane.INI"), std::string::npos);
    EXPECT_NE(message.find("line 3: DisplayNumberMid = \"0\""), std::string::npos) << message;
}
