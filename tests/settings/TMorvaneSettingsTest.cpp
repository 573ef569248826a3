#include <gtest/gtest.h>

#include "settings/TMorvaneSettings.h"

TEST(MorvaneSettings, GridsListTheKeyTablesInOrderWithTheValuesInUse)
{
    GUISettings display;
    display.DisplayNumberMid = 7;
    display.bAlwaysPlotExtrapolation = true;
    CustomSettings analysis;
    analysis.LowS = 2.5e-15;

    TMorvaneSettings window;
    window.FormCreate("/opt/morvane/bin/morvane");
    window.FormShow(display, analysis);
    const auto& gui = window.ValueListGUISettings.Rows;
    const auto& custom = window.ValueListCustomSettings.Rows;
    ASSERT_EQ(gui.size(), 16u);
    ASSERT_EQ(custom.size(), 22u);
    // Changed values, the last keys of each table, and each kind of number the general format writes.
    const struct {
        const std::vector<ValueListRow>& rows;
        size_t index;
        ValueListRow want;
    } cases[] = {
        { gui, 8, { "ExtrapolationMinLogS", "-30.6267533894825" } }, // ln(5e-14) to 15 digits
        { gui, 13, { "DisplayNumberMid", "7" } },
        { gui, 15, { "bAlwaysPlotExtrapolation", "1" } },
        { custom, 1, { "LowS", "2.5E-15" } },
        { custom, 3, { "LowLogS", "-34.5387763949107" } }, // ln(1e-15): set at construction, not from LowS
        { custom, 9, { "DefaultNegativeTag", "-10000000000" } },
        { custom, 11, { "DefaultPositiveError", "1.23456789E-10" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.want.Key);
        EXPECT_EQ(c.rows[c.index], c.want);
    }
}

TEST(MorvaneSettings, KeyTableBeyondTheKnownFieldsAndOutOfRangeCounts)
{
    GUISettings display;
    display.KeyNames[16] = "NotAField";
    display.KeyCount = 17;
    auto rows = TMorvaneSettings::RowsOf(display);
    ASSERT_EQ(rows.size(), 17u);
    EXPECT_EQ(rows[16], (ValueListRow { "NotAField", "" })) << "a name without a field shows no value";
    display.KeyCount = 1000;
    EXPECT_EQ(TMorvaneSettings::RowsOf(display).size(), 100u) << "never beyond the table's slots";
    display.KeyCount = -3;
    EXPECT_TRUE(TMorvaneSettings::RowsOf(display).empty());
}

TEST(MorvaneSettings, SettingsFileNameIsTheProgramPathWithTheExtensionINI)
{
    EXPECT_EQ(TMorvaneSettings::IniFileNameOf("/opt/MORVANE.EXE"), "/opt/MORVANE.INI");
    EXPECT_EQ(TMorvaneSettings::IniFileNameOf("run/morvane.v2.bin"), "run/morvane.v2.INI");
    TMorvaneSettings window;
    window.FormCreate("/opt/morvane/bin/morvane");
    EXPECT_NE(window.LabelIniNote.find("/opt/morvane/bin/morvane.INI"), std::string::npos);
    EXPECT_NE(window.LabelIniNote.find("no settings file is read or written"), std::string::npos);
}
