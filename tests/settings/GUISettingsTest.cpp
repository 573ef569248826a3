#include <cmath>
#include <gtest/gtest.h>

#include "settings/GUISettings.h"

using namespace morvane;

TEST(GUISettings, DefaultsAndKeyTableInDeclarationOrder)
{
    const GUISettings g;
    EXPECT_EQ(g.DefaultMeniscus, 5.9);
    EXPECT_EQ(g.DefaultJitter, 5.85);
    EXPECT_EQ(g.DefaultIntegralFringe, 6.9);
    EXPECT_EQ(g.PlayPercentSpeed, 50);
    EXPECT_EQ(g.graphPadPercent, 0.05);
    EXPECT_EQ(g.DefaultExtSetsToPlot, 1);
    EXPECT_EQ(g.ExtrapolationCutoff, 0.05);
    EXPECT_EQ(g.ExtrapolationErrorCutoff, 10000);
    EXPECT_EQ(g.ExtrapolationMinLogS, std::log(5e-14));
    EXPECT_NEAR(g.ExtrapolationMinLogS, -30.626753389482538, 1e-14);
    EXPECT_EQ(g.ExtrapolationSmoothRepetition, 3);
    EXPECT_EQ(g.ExtrapolationSmoothCarSize, 3);
    EXPECT_EQ(g.ExtErrorBarPerPoints, 1);
    EXPECT_EQ(g.DrawAllSetsCutoff, 20);
    EXPECT_EQ(g.DisplayNumberMid, 10);
    EXPECT_EQ(g.DisplayNumberStart, 5);
    EXPECT_FALSE(g.bAlwaysPlotExtrapolation);
    ASSERT_EQ(g.KeyCount, 16);
    EXPECT_EQ(g.KeyNames[0], "DefaultMeniscus");
    EXPECT_EQ(g.KeyNames[8], "ExtrapolationMinLogS");
    EXPECT_EQ(g.KeyNames[15], "bAlwaysPlotExtrapolation");
    EXPECT_EQ(g.KeyNames[16], "");
}

TEST(GUISettings, CopyCarriesFieldsNamesAndCount)
{
    GUISettings a;
    a.DisplayNumberMid = 7;
    a.KeyNames[20] = "Extra";
    a.KeyCount = 21;
    const GUISettings b = a;
    EXPECT_EQ(b.DisplayNumberMid, 7);
    EXPECT_EQ(b.KeyNames[20], "Extra");
    EXPECT_EQ(b.KeyCount, 21);
}
