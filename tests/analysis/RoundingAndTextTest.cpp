#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "analysis/NumberText.h"
#include "analysis/Rounding.h"

TEST(Rounding, RoundSignificant)
{
    const struct {
        const char* name;
        double x;
        int digits;
        double want;
    } cases[] = { { "small negative", -0.012345, 3, -0.0123 }, { "zero stays", 0.0, 3, 0.0 },
        { "digits 0 acts as 1", 987, 0, 1000 }, { "negative half away from zero", -2.5, 1, -3 },
        { "speed to 3 digits equal", 40040, 3, 40000 }, { "speed to 3 digits differs", 40100, 3, 40100 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(RoundSignificant(c.x, c.digits), c.want, 1e-12 * std::fabs(c.want));
    }
}

TEST(Rounding, PowerOfTenAndPadding)
{
    EXPECT_NEAR(RoundToPowerOfTen(3.14159, -2), 3.14, 1e-12);
    EXPECT_EQ(RoundToPowerOfTen(-15, 1), -20);
    EXPECT_EQ(PadDown(-10, 0.05), -10.5);
    EXPECT_EQ(PadUp(-10, 0.05), -9.5);
}

TEST(NumberText, FloatToStrGeneralFormat)
{
    const struct {
        double x;
        const char* want;
    } cases[] = { { -0.0, "0" }, { 150000, "150000" }, { 2.0 / 3.0, "0.666666666666667" }, { 0.0000123, "0.0000123" },
        { 0.000009, "9E-6" }, { -1.23456789e-10, "-1.23456789E-10" }, { 123456789012345.0, "123456789012345" },
        { 1234567890123456.0, "1.23456789012346E15" }, { 0.1 + 0.2, "0.3" } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.want);
        EXPECT_EQ(FloatToStr(c.x), c.want);
    }
    EXPECT_EQ(FloatToStr(std::numeric_limits<double>::quiet_NaN()), "NAN");
    EXPECT_EQ(FloatToStr(-std::numeric_limits<double>::infinity()), "-INF");
}

TEST(NumberText, FormatThousands)
{
    EXPECT_EQ(FormatThousands(999.5), "1,000");
    EXPECT_EQ(FormatThousands(1234567.6), "1,234,568");
    EXPECT_EQ(FormatThousands(-4321), "-4,321");
    EXPECT_EQ(FormatThousands(-0.2), "0");
}

TEST(NumberText, StrToFloatAcceptsOnlyNumbers)
{
    double v = -1;
    EXPECT_TRUE(StrToFloat(" 100.5 ", v));
    EXPECT_EQ(v, 100.5);
    for (const char* bad : { "", "  ", "12a", "1,5", "inf", "0x10" }) {
        SCOPED_TRACE(bad);
        v = 7;
        EXPECT_FALSE(StrToFloat(bad, v));
        EXPECT_EQ(v, 7);
    }
}
