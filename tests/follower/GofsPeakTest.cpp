#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

#include "follower/GofsOutput.h"

using namespace morvane;

namespace {

// Rows on a ln s* grid of step h from s* = 0.05 S up to 20 S: g = peak - (ln s* - ln centre)^2,
// below `artefactTo` an artefact far above it.
std::vector<GofsRow> Rows(double centre, double h, double artefactTo = 0)
{
    std::vector<GofsRow> rows;
    for (double x = std::log(0.05); x < std::log(20.0); x += h) {
        const double s = std::exp(x);
        const double g = s < artefactTo ? 1000.0 : 5 - std::pow(x - std::log(centre), 2);
        rows.push_back({ s, g * s, g });
    }
    return rows;
}

} // namespace

TEST(GofsPeak, BoundaryMinimumFromTheMeniscusAndOmegaSquaredT)
{
    // omega^2 = 0.01096622711 x 50000^2 = 27415567.775; ln(5.92 / 5.9) / (omega^2 x 3000 s) x 1e13
    EXPECT_NEAR(BoundaryMinimumSStar(5.9, 27415567.775 * 3000), 0.411456976077, 1e-11);
    EXPECT_EQ(BoundaryMinimumSStar(0, 1e10), 0);
    EXPECT_EQ(BoundaryMinimumSStar(5.9, 0), 0);
    EXPECT_EQ(BoundaryMinimumSStar(std::numeric_limits<double>::quiet_NaN(), 1e10), 0);
}

TEST(GofsPeak, InterpolatedBetweenGridPointsAboveTheBoundaryMinimum)
{
    const struct {
        const char* name;
        std::vector<GofsRow> rows;
        double sMin;
        bool found;
        double sStar, gofs;
    } cases[] = {
        // A parabola in ln s* is found exactly, between the grid points.
        { "peak between grid points", Rows(4.4, 0.023), 0.4, true, 4.4, 5 },
        { "the artefact below the minimum is passed over", Rows(6.5, 0.023, 0.3), 0.4, true, 6.5, 5 },
        // The highest row is the last of the grid: no neighbour above, taken as it is.
        { "rising to the end", Rows(40, 0.023), 0.4, true, std::exp(std::log(0.05) + 0.023 * 260), 0 },
        { "nothing above the minimum", Rows(4.4, 0.023), 25, false, 0, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const GofsPeak p = FindGofsPeak(c.rows, c.sMin);
        EXPECT_EQ(p.Found, c.found);
        if (!c.found)
            continue;
        EXPECT_NEAR(p.SStar, c.sStar, 1e-9 * c.sStar);
        if (c.gofs != 0) {
            EXPECT_NEAR(p.Gofs, c.gofs, 1e-9);
        }
    }

    // The first row above the minimum is the highest: taken as it is, not extrapolated below it.
    const std::vector<GofsRow> falling = Rows(0.01, 0.023);
    const GofsPeak p = FindGofsPeak(falling, 0.2);
    ASSERT_TRUE(p.Found);
    EXPECT_GT(p.SStar, 0.2);
    EXPECT_LT(p.SStar, 0.2 * std::exp(0.023));
}
