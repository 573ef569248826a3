#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <vector>

#include "realtime/Smoothing.h"

TEST(SmoothBoxcar, ThreePointMeanOnePass)
{
    double data[] = { 99, 1, 5, 3, 7, 5 };
    ASSERT_EQ(SmoothBoxcar(data, 6, 1, 3), 0);
    EXPECT_EQ(data[0], 99) << "position 0 is never touched";
    EXPECT_EQ(data[1], 1);
    EXPECT_EQ(data[2], 3);
    EXPECT_EQ(data[3], 5);
    EXPECT_EQ(data[4], 5);
    EXPECT_EQ(data[5], 5);
}

TEST(SmoothBoxcar, WidthOneAndConstantsAreFixedPoints)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1, 1);
    std::vector<double> v(50), w;
    for (double& x : v)
        x = u(rng);
    w = v;
    ASSERT_EQ(SmoothBoxcar(w.data(), 50, 4, 1), 0);
    EXPECT_EQ(w, v);
    std::vector<double> c(501, 2.5);
    ASSERT_EQ(SmoothBoxcar(c.data(), 501, 3, 3), 0);
    for (double x : c)
        EXPECT_DOUBLE_EQ(x, 2.5);
}

TEST(SmoothBoxcar, RepeatedPassesSmoothTheirOwnResult)
{
    // Two passes of a 3-point mean over a spike: 1/3 after one pass, 2/9 at the centre after two.
    std::vector<double> v(11, 0.0);
    v[5] = 1;
    ASSERT_EQ(SmoothBoxcar(v.data(), 11, 2, 3), 0);
    EXPECT_NEAR(v[5], 3.0 / 9, 1e-15);
    EXPECT_NEAR(v[4], 2.0 / 9, 1e-15);
    EXPECT_NEAR(v[3], 1.0 / 9, 1e-15);
}

TEST(SmoothBoxcar, RefusesWidthsBeyondTheArray)
{
    double data[] = { 0, 1, 2, 3 };
    EXPECT_EQ(SmoothBoxcar(data, 4, 1, 4), -1);
    EXPECT_EQ(SmoothBoxcar(data, 4, 1, 0), -1);
    EXPECT_EQ(data[3], 3);
    std::vector<double> big(5000, 1.0);
    EXPECT_EQ(SmoothBoxcar(big.data(), 5000, 1, 3), -1);
}

TEST(FitPlane, ExactPlaneAndSingularSystem)
{
    const double x[] = { 0, 1, 0, 1, 2 };
    const double y[] = { 0, 0, 1, 1, 3 };
    double z[5];
    for (int i = 0; i < 5; ++i)
        z[i] = 1 + 2 * x[i] + 3 * y[i];
    double a = 0, b = 0, c = 0, sa = -1;
    EXPECT_EQ(FitPlane(x, y, z, 5, a, b, c, sa), 0);
    EXPECT_NEAR(a, 1, 1e-12);
    EXPECT_NEAR(b, 2, 1e-12);
    EXPECT_NEAR(c, 3, 1e-12);
    EXPECT_NEAR(sa, 0, 1e-12);

    const double same[] = { 2, 2, 2, 2, 2 };
    EXPECT_EQ(FitPlane(same, y, z, 5, a, b, c, sa), -1);
    EXPECT_EQ(FitPlane(x, y, z, 1, a, b, c, sa), -1);
}

TEST(FitPlane, ResidualMeasureAndStandardError)
{
    // A 2x2 design off the plane z = x + y by +-10: b = c = 1, a = 0, residuals +-10,
    // sigma = sqrt(400) / 3, D = 4 and (Sxx Syy - Sxy^2) / D = 3/4.
    const double x[] = { 0, 1, 0, 1 };
    const double y[] = { 0, 0, 1, 1 };
    const double z[] = { 10, -9, -9, 12 };
    double a, b, c, sa;
    EXPECT_EQ(FitPlane(x, y, z, 4, a, b, c, sa), 6);
    EXPECT_NEAR(a, 0, 1e-12);
    EXPECT_NEAR(b, 1, 1e-12);
    EXPECT_NEAR(c, 1, 1e-12);
    EXPECT_NEAR(sa, 20.0 / 3 * std::sqrt(0.75), 1e-12);
}
