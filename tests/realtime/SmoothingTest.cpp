#include <cmath>
#include <gtest/gtest.h>
#include <vector>

#include "realtime/Smoothing.h"

TEST(SmoothBoxcar, PassesOfAMeanAndRefusals)
{
    const struct {
        const char* name;
        std::vector<double> data;
        int32_t passes, width, result;
        std::vector<double> want;
    } cases[] = {
        // Position 0 is never touched.
        { "three-point mean, one pass", { 99, 1, 5, 3, 7, 5 }, 1, 3, 0, { 99, 1, 3, 5, 5, 5 } },
        // A spike: 1/3 after one pass, 2/9 at the centre after two.
        { "passes smooth their own result", { 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0 }, 2, 3, 0,
            { 0, 0, 0, 1.0 / 9, 2.0 / 9, 3.0 / 9, 2.0 / 9, 1.0 / 9, 0, 0, 0 } },
        { "width beyond the array", { 0, 1, 2, 3 }, 1, 4, -1, { 0, 1, 2, 3 } },
        { "array beyond the working space", std::vector<double>(5000, 1.0), 1, 3, -1, std::vector<double>(5000, 1.0) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<double> v = c.data;
        EXPECT_EQ(SmoothBoxcar(v.data(), static_cast<int32_t>(v.size()), c.passes, c.width), c.result);
        for (size_t i = 0; i < v.size(); ++i)
            ASSERT_NEAR(v[i], c.want[i], 1e-15) << i;
    }
}

TEST(FitPlane, ExactResidualAndSingular)
{
    // The 2x2 design is off the plane z = x + y by +-10: b = c = 1, a = 0, residuals +-10,
    // sigma = sqrt(400) / 3, D = 4 and (Sxx Syy - Sxy^2) / D = 3/4.
    const struct {
        const char* name;
        std::vector<double> x, y, z;
        int32_t result;
        double a, b, c, sa;
    } cases[] = {
        { "residuals", { 0, 1, 0, 1 }, { 0, 0, 1, 1 }, { 10, -9, -9, 12 }, 6, 0, 1, 1, 20.0 / 3 * std::sqrt(0.75) },
        { "all x the same", { 2, 2, 2, 2, 2 }, { 0, 0, 1, 1, 3 }, { 1, 3, 4, 6, 14 }, -1, 0, 0, 0, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        double a = 0, b = 0, cc = 0, sa = 0;
        EXPECT_EQ(
            FitPlane(c.x.data(), c.y.data(), c.z.data(), static_cast<int32_t>(c.x.size()), a, b, cc, sa), c.result);
        if (c.result < 0)
            continue;
        EXPECT_NEAR(a, c.a, 1e-12);
        EXPECT_NEAR(b, c.b, 1e-12);
        EXPECT_NEAR(cc, c.c, 1e-12);
        EXPECT_NEAR(sa, c.sa, 1e-12);
    }
}
