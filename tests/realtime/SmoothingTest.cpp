#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

#include "realtime/Smoothing.h"

using namespace morvane;

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
        { "exact plane", { 0, 1, 2, 0, 3 }, { 1, 0, 4, 2, 1 }, { 4, 3, 17, 7, 10 }, 0, 1, 2, 3, 0 },
        { "exact plane on a scale of 1e-9", { 0, 1e-9, 2e-9, 0, 3e-9 }, { 1, 0, 4, 2, 1 }, { 4, 3, 17, 7, 10 }, 0, 1,
            2e9, 3, 0 },
        { "all x the same", { 2, 2, 2, 2, 2 }, { 0, 0, 1, 1, 3 }, { 1, 3, 4, 6, 14 }, -1, 0, 0, 0, 0 },
        { "all y the same", { 0, 1, 2, 3 }, { 5, 5, 5, 5 }, { 1, 2, 3, 4 }, -1, 0, 0, 0, 0 },
        { "y a multiple of x", { 0.1, 0.2, 0.3, 0.7 }, { 0.3, 0.6, 0.9, 2.1 }, { 1, 2, 3, 4 }, -1, 0, 0, 0, 0 },
        { "two points for three unknowns", { 0, 1 }, { 1, 0 }, { 1, 2 }, -1, 0, 0, 0, 0 },
        { "a value that is not finite", { 0, 1, 2, 0 }, { 1, 0, 4, 2 },
            { 4, std::numeric_limits<double>::quiet_NaN(), 17, 7 }, -1, 0, 0, 0, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        double a = 0, b = 0, cc = 0, sa = 0;
        EXPECT_EQ(
            FitPlane(c.x.data(), c.y.data(), c.z.data(), static_cast<int32_t>(c.x.size()), a, b, cc, sa), c.result);
        if (c.result < 0)
            continue;
        EXPECT_NEAR(a, c.a, 1e-12);
        EXPECT_NEAR(b, c.b, 1e-12 * std::fabs(c.b));
        EXPECT_NEAR(cc, c.c, 1e-12);
        EXPECT_NEAR(sa, c.sa, 1e-12);
    }
}

// Sets close in time make 1, X = 1/sqrt(t) and Y = 1/t = X^2 nearly collinear. Sampled from known
// quadratics, the fit must still give their coefficients; the intercept, an extrapolation to
// X = 0 far outside the data, to 1e-9 of the largest value.
TEST(FitPlane, NearlyCollinearSetsGiveTheKnownQuadratic)
{
    const struct {
        const char* name;
        double firstT, lastT; // s, sets evenly spaced
        int32_t sets;
        double a, b, c;
    } cases[] = {
        { "last ten sets of a run", 20000, 26000, 10, 28.5, -40, 3000 },
        { "falling towards infinite time", 20000, 26000, 10, -3.25, 120.5, -8000 },
        { "no curvature", 20000, 26000, 10, 30, -100, 0 },
        { "eleven sets 30 s apart", 29700, 30000, 11, 28.5, -40, 3000 },
        { "ten sets 30 s apart", 15000, 15270, 10, 1, 2, 3 },
    };
    for (const auto& q : cases) {
        SCOPED_TRACE(q.name);
        std::vector<double> x, y, z;
        double largest = std::fabs(q.a);
        for (int32_t i = 0; i < q.sets; ++i) {
            const double t = q.firstT + (q.lastT - q.firstT) * i / (q.sets - 1);
            x.push_back(std::sqrt(1 / t));
            y.push_back(1 / t);
            z.push_back(q.a + q.b * x.back() + q.c * y.back());
            largest = std::fmax(largest, std::fabs(z.back()));
        }
        double a = 0, b = 0, c = 0, sa = -1;
        ASSERT_EQ(FitPlane(x.data(), y.data(), z.data(), q.sets, a, b, c, sa), 0);
        EXPECT_NEAR(a, q.a, 1e-9 * largest);
        EXPECT_NEAR(b, q.b, 1e-6 * (std::fabs(q.b) + 1));
        EXPECT_NEAR(c, q.c, 1e-4 * (std::fabs(q.c) + 1));
        EXPECT_NEAR(sa, 0, 1e-9 * largest);
    }
}
