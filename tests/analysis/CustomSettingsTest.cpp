#include <cmath>
#include <gtest/gtest.h>

#include "analysis/CustomSettings.h"

using namespace morvane;

TEST(CustomSettings, DefaultsAndKeyTable)
{
    // The s* grid (limits and points) is checked where the engine builds it, the outside tag
    // where the data store marks points.
    const CustomSettings c;
    EXPECT_EQ(c.JitterWindow, 10);
    EXPECT_EQ(c.DefaultCellBottom, 7.2);
    EXPECT_EQ(c.DefaultCellTop, 5.75);
    EXPECT_EQ(c.DefaultStepSize, 0.003);
    EXPECT_EQ(c.DefaultIgnoreTag, -2e10);
    EXPECT_EQ(c.DefaultCellMidpoint, (5.75 + 7.2) / 2);
    EXPECT_EQ(c.BeginningScanGroupSize, 20);
    EXPECT_EQ(c.MinimumDataSetSize, 20);
    EXPECT_EQ(c.DefaultMeniscusIgnore, 0.002);
    EXPECT_EQ(c.DefaultBottomIgnore, 0.1);
    EXPECT_EQ(c.dcdtWindowFactor, 1.0);
    EXPECT_EQ(c.DefaultPositiveError, 1.23456789e-10);
    EXPECT_EQ(c.MaxAveragingPercent, 0.2);
    EXPECT_EQ(c.SmoothRepetition, 3);
    EXPECT_EQ(c.SmoothCarSize, 3);
    EXPECT_EQ(c.ComputeApparentStartTime, 1);

    ASSERT_EQ(c.KeyCount, 22);
    const char* order[] = { "JitterWindow", "LowS", "HighS", "LowLogS", "HighLogS", "sGridNumberOfPoints",
        "DefaultCellTop", "DefaultCellBottom", "DefaultCellMidpoint", "DefaultNegativeTag", "DefaultIgnoreTag",
        "DefaultPositiveError", "DefaultMeniscusIgnore", "DefaultBottomIgnore", "DefaultStepSize",
        "BeginningScanGroupSize", "MinimumDataSetSize", "dcdtWindowFactor", "MaxAveragingPercent", "SmoothRepetition",
        "SmoothCarSize", "ComputeApparentStartTime" };
    for (int i = 0; i < 22; ++i)
        EXPECT_EQ(c.KeyNames[static_cast<size_t>(i)], order[i]) << i;
    EXPECT_TRUE(c.KeyNames[22].empty());
}
