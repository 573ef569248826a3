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
    } cases[] = { { "rounds down", 1234.5, 2, 1200 }, { "small negative", -0.012345, 3, -0.0123 },
        { "zero stays", 0.0, 3, 0.0 }, { "ten digits or more unchanged", 123.456, 12, 123.456 },
        { "digits 0 acts as 1", 987, 0, 1000 }, { "half away from zero", 2.5, 1, 3 },
        { "negative half away from zero", -2.5, 1, -3 }, { "power of ten keeps its exponent", 1000, 2, 1000 },
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
    EXPECT_EQ(RoundToPowerOfTen(14.9, 1), 10);
    EXPECT_EQ(RoundToPowerOfTen(1234.4, 0), 1234);
    EXPECT_EQ(PadUp(10, 0.05), 10.5);
    EXPECT_EQ(PadDown(-10, 0.05), -10.5);
    EXPECT_EQ(PadUp(-10, 0.05), -9.5);
    EXPECT_EQ(PadDown(10, 0.05), 9.5);
}

TEST(NumberText, FloatToStrGeneralFormat)
{
    const struct {
        double x;
        const char* want;
    } cases[] = { { 0.0, "0" }, { -0.0, "0" }, { 1.0, "1" }, { 150000, "150000" }, { 5.9, "5.9" }, { -2.5, "-2.5" },
        { 0.1, "0.1" }, { 1.0 / 3.0, "0.333333333333333" }, { 2.0 / 3.0, "0.666666666666667" }, { 0.00001, "0.00001" },
        { 0.0000123, "0.0000123" }, { 0.000009, "9E-6" }, { 1.5e-6, "1.5E-6" }, { -1.23456789e-10, "-1.23456789E-10" },
        { 123456789012345.0, "123456789012345" }, { 1234567890123456.0, "1.23456789012346E15" }, { 1e20, "1E20" },
        { 4.4, "4.4" }, { 5.0000000000000001, "5" }, { 0.1 + 0.2, "0.3" } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.want);
        EXPECT_EQ(FloatToStr(c.x), c.want);
    }
    EXPECT_EQ(FloatToStr(std::numeric_limits<double>::quiet_NaN()), "NAN");
    EXPECT_EQ(FloatToStr(-std::numeric_limits<double>::infinity()), "-INF");
}

TEST(NumberText, FloatToStrRoundTripsTo15Digits)
{
    for (double x : { 5.70123456789012e-13 * 1e13, 6.02214076e23, 1.602e-19, 299792458.0, 0.000123456789 }) {
        const double back = std::strtod(FloatToStr(x).c_str(), nullptr);
        EXPECT_NEAR(back, x, std::fabs(x) * 1e-14) << FloatToStr(x);
    }
}

TEST(NumberText, FormatThousands)
{
    EXPECT_EQ(FormatThousands(0), "0");
    EXPECT_EQ(FormatThousands(999.4), "999");
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
    EXPECT_TRUE(StrToFloat("1e5", v));
    EXPECT_EQ(v, 1e5);
    for (const char* bad : { "", "  ", "abc", "12a", "1,5", "inf", "nan", "0x10", "--1" }) {
        SCOPED_TRACE(bad);
        v = 7;
        EXPECT_FALSE(StrToFloat(bad, v));
        EXPECT_EQ(v, 7);
    }
}
