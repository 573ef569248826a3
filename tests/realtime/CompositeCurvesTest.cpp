#include <cmath>
#include <gtest/gtest.h>
#include <vector>

#include "realtime/CompositeCurves.h"

using namespace morvane;

TEST(CompositeCurves, CoByHand)
{
    const double V = 1e-10, N = -1e10;
    const struct {
        const char* name;
        std::vector<double> x, y, e;
        double want;
    } cases[] = {
        // 0.5*2*1 + 4*1 + 8*2 + 0.5*16*3: the last point (32) only closes the range.
        { "uneven steps", { 0, 1, 3, 6, 10 }, { 2, 4, 8, 16, 32 }, { V, V, V, V, V }, 45 },
        { "e < 0 left out, e = 0 kept", { 0, 1, 2, 3, 6, 10 }, { 2, 4, 99, 8, 16, 32 }, { V, 0, N, V, V, V },
            0.5 * 2 * 1 + 4 * 1 + 8 * 2 + 0.5 * 16 * 3 },
        { "three points: half steps at both ends", { 0, 2, 5 }, { 6, 10, 99 }, { V, V, V },
            0.5 * 6 * 2 + 0.5 * 10 * 2 },
        { "constant c, step d, m points: c d (m - 2)", { 0, 0.5, 1, 1.5, 2, 2.5 }, { 3, 3, 3, 3, 3, 3 },
            { V, V, V, V, V, V }, 3 * 0.5 * 4 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_DOUBLE_EQ(CompositeCo(c.x.data(), c.y.data(), c.e.data(), static_cast<int32_t>(c.x.size())), c.want);
    }
}

TEST(CompositeCurves, CoNeedsThreePointsWithData)
{
    const std::vector<double> x { 0, 1, 2, 3 }, y { 1, 1, 1, 1 }, e { 0, -1, 0, -1e10 };
    EXPECT_TRUE(std::isnan(CompositeCo(x.data(), y.data(), e.data(), 4)));
    EXPECT_TRUE(std::isnan(CompositeCo(x.data(), y.data(), e.data(), 0)));
    const std::vector<double> all { 0, 0, 0, 0 };
    EXPECT_TRUE(std::isnan(CompositeCo(x.data(), y.data(), all.data(), 2))) << "points beyond n do not count";
    EXPECT_DOUBLE_EQ(CompositeCo(x.data(), y.data(), all.data(), 3), 1.0);
}
