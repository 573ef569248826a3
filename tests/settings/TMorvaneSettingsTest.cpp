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
    EXPECT_EQ(window.Caption, "Settings");

    const std::vector<ValueListRow> wantDisplay = {
        { "DefaultMeniscus", "5.9" },
        { "DefaultJitter", "5.85" },
        { "DefaultIntegralFringe", "6.9" },
        { "PlayPercentSpeed", "50" },
        { "graphPadPercent", "0.05" },
        { "DefaultExtSetsToPlot", "1" },
        { "ExtrapolationCutoff", "0.05" },
        { "ExtrapolationErrorCutoff", "10000" },
        { "ExtrapolationMinLogS", "-30.6267533894825" }, // ln(5e-14) to 15 digits
        { "ExtrapolationSmoothRepetition", "3" },
        { "ExtrapolationSmoothCarSize", "3" },
        { "ExtErrorBarPerPoints", "1" },
        { "DrawAllSetsCutoff", "20" },
        { "DisplayNumberMid", "7" },
        { "DisplayNumberStart", "5" },
        { "bAlwaysPlotExtrapolation", "1" },
    };
    EXPECT_EQ(window.ValueListGUISettings.Rows, wantDisplay);

    const std::vector<ValueListRow> wantAnalysis = {
        { "JitterWindow", "10" },
        { "LowS", "2.5E-15" },
        { "HighS", "1E-10" },
        { "LowLogS", "-34.5387763949107" }, // ln(1e-15), computed at construction, not from LowS
        { "HighLogS", "-23.0258509299405" },
        { "sGridNumberOfPoints", "501" },
        { "DefaultCellTop", "5.75" },
        { "DefaultCellBottom", "7.2" },
        { "DefaultCellMidpoint", "6.475" },
        { "DefaultNegativeTag", "-10000000000" },
        { "DefaultIgnoreTag", "-20000000000" },
        { "DefaultPositiveError", "1.23456789E-10" },
        { "DefaultMeniscusIgnore", "0.002" },
        { "DefaultBottomIgnore", "0.1" },
        { "DefaultStepSize", "0.003" },
        { "BeginningScanGroupSize", "20" },
        { "MinimumDataSetSize", "20" },
        { "dcdtWindowFactor", "1" },
        { "MaxAveragingPercent", "0.2" },
        { "SmoothRepetition", "3" },
        { "SmoothCarSize", "3" },
        { "ComputeApparentStartTime", "1" },
    };
    EXPECT_EQ(window.ValueListCustomSettings.Rows, wantAnalysis);

    for (const ValueListEditor* grid : { &window.ValueListGUISettings, &window.ValueListCustomSettings }) {
        EXPECT_EQ(grid->KeyColumnWidth, 150);
        EXPECT_EQ(grid->ValueColumnWidth, 141);
    }
    EXPECT_TRUE(window.ValueListCustomSettings.UniqueKeys);
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
    const struct {
        const char* name;
        const char* program;
        const char* want;
    } cases[] = {
        { "no extension", "/opt/morvane/bin/morvane", "/opt/morvane/bin/morvane.INI" },
        { "extension replaced", "/opt/MORVANE.EXE", "/opt/MORVANE.INI" },
        { "dot in a directory only", "/home/a.b/morvane", "/home/a.b/morvane.INI" },
        { "last extension only", "run/morvane.v2.bin", "run/morvane.v2.INI" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TMorvaneSettings::IniFileNameOf(c.program), c.want);
    }
    TMorvaneSettings window;
    window.FormCreate("/opt/morvane/bin/morvane");
    EXPECT_NE(window.LabelIniNote.find("/opt/morvane/bin/morvane.INI"), std::string::npos);
    EXPECT_NE(window.LabelIniNote.find("no settings file is read or written"), std::string::npos);
}
