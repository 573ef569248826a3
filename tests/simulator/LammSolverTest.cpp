#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

#include "simulator/LammSolver.h"
#include "simulator/RotorSchedule.h"

using namespace morvane;

namespace {

constexpr double Meniscus = 5.9;
constexpr double Bottom = 7.2;

// Integral of c r dr over the cell from the solver's cell contents, computed from the faces.
double AmountInCells(const LammSolver& solver)
{
    const auto& faces = solver.CellFaces();
    const auto& c = solver.CellConcentrations();
    double sum = 0;
    for (size_t i = 0; i < c.size(); ++i)
        sum += c[i] * 0.5 * (faces[i + 1] * faces[i + 1] - faces[i] * faces[i]);
    return sum;
}

// First radius at which c reaches `level`, searching outward from the meniscus in fine steps.
double RadiusWhereReaches(const LammSolver& solver, double level, double upTo)
{
    const double h = 1e-5;
    double previous = solver.ConcentrationAt(Meniscus);
    for (double r = Meniscus + h; r <= upTo; r += h) {
        const double c = solver.ConcentrationAt(r);
        if (c >= level && previous < level)
            return r - h + h * (level - previous) / (c - previous);
        previous = c;
    }
    return -1;
}

} // namespace

TEST(LammSolver, ConservesMassThroughAccelerationAndRun)
{
    const struct {
        const char* name;
        double s, D;
    } cases[] = {
        { "protein, 4.4 S", 4.4, 6.0e-7 },
        { "no diffusion", 10, 0 },
        { "small and fast-diffusing", 0.5, 1e-5 },
        { "pelleting within the acceleration", 500, 2e-7 },
    };
    const double times[] = { 20, 80, 166, 300, 1000, 3000, 10800 };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RotorSchedule rotor(50000, 300); // at speed after 167 s
        LammSolver solver({ c.s, c.D, 1.0 }, Meniscus, Bottom, rotor);
        const double loaded = 0.5 * (Bottom * Bottom - Meniscus * Meniscus);
        for (double t : times) {
            SCOPED_TRACE(t);
            solver.AdvanceTo(t);
            // Required: better than 0.1%; the scheme conserves to rounding.
            EXPECT_NEAR(AmountInCells(solver) / loaded, 1.0, 1e-9);
        }
    }
}

TEST(LammSolver, SharpBoundaryMovesAndDilutesAsTheSectorLawSays)
{
    const struct {
        const char* name;
        double s, D;
        double rpm, accel, secondRpm, secondAt;
        double times[4];
    } cases[] = {
        { "40000 rpm", 40, 2e-8, 40000, 300, 0, 0, { 300, 900, 1800, 2400 } },
        { "slow acceleration", 40, 2e-8, 40000, 50, 0, 0, { 600, 1200, 1800, 2700 } },
        { "speed lowered during the run", 40, 2e-8, 50000, 300, 30000, 900, { 600, 1000, 2000, 3000 } },
        { "many cells of sedimentation per step", 500, 2e-8, 10000, 300, 0, 0, { 600, 1200, 1800, 2400 } },
    };
    const double c0 = 1.0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RotorSchedule rotor(c.rpm, c.accel);
        if (c.secondRpm > 0)
            rotor.SetSpeedChange(c.secondAt, c.secondRpm);
        LammSolver solver({ c.s, c.D, c0 }, Meniscus, Bottom, rotor);
        for (double t : c.times) {
            SCOPED_TRACE(t);
            solver.AdvanceTo(t);
            const double w2t = rotor.Omega2tAt(t);
            const double boundary = Meniscus * std::exp(c.s * 1e-13 * w2t);
            ASSERT_LT(boundary, Bottom - 0.15);
            const double plateauWant = c0 * std::exp(-2 * c.s * 1e-13 * w2t);
            const double plateau = solver.ConcentrationAt(0.5 * (boundary + Bottom) - 0.05);
            // Required: within 0.5%; the exact sedimentation shifts do far better.
            EXPECT_NEAR(plateau / plateauWant, 1.0, 0.001);
            const double mid = RadiusWhereReaches(solver, 0.5 * plateau, Bottom - 0.1);
            EXPECT_NEAR(mid / boundary, 1.0, 0.001);
        }
    }
}

// Without sedimentation a band spreads as radial diffusion in a sector dictates: the amount-
// weighted mean of r^2 grows by exactly 4 D t, and no amount is lost.
TEST(LammSolver, DiffusionAloneSpreadsABandAsTheSectorImplies)
{
    const double D = 1e-6, centre = 6.5, width = 0.02;
    const RotorSchedule rotor(50000, 300);
    LammSolver solver({ 0, D, 1.0 }, Meniscus, Bottom, rotor);
    solver.SetInitialProfile([&](double r) { return std::exp(-(r - centre) * (r - centre) / (2 * width * width)); });
    auto meanR2 = [&] {
        const auto& faces = solver.CellFaces();
        const auto& c = solver.CellConcentrations();
        double amount = 0, r2 = 0;
        for (size_t i = 0; i < c.size(); ++i) {
            const double m = c[i] * 0.5 * (faces[i + 1] * faces[i + 1] - faces[i] * faces[i]);
            amount += m;
            r2 += m * solver.CellCentres()[i] * solver.CellCentres()[i];
        }
        return r2 / amount;
    };
    const double amount0 = AmountInCells(solver), r20 = meanR2();
    for (double t : { 500.0, 1000.0, 2000.0, 3000.0 }) {
        SCOPED_TRACE(t);
        solver.AdvanceTo(t);
        EXPECT_NEAR(AmountInCells(solver) / amount0, 1.0, 1e-12);
        EXPECT_NEAR((meanR2() - r20) / (4 * D * t), 1.0, 1e-3);
    }
}

// Without diffusion the boundary is a step: no value above the plateau or below zero, none
// rising and falling again before the bottom, and at most two grid cells from solvent to plateau.
TEST(LammSolver, SedimentationWithoutDiffusionGivesASharpBoundaryWithoutOscillations)
{
    const RotorSchedule rotor(45000, 250);
    LammSolver solver({ 20, 0, 1.0 }, Meniscus, Bottom, rotor);
    for (double t : { 700.0, 1900.0, 3100.0 }) {
        SCOPED_TRACE(t);
        solver.AdvanceTo(t);
        const double w2t = rotor.Omega2tAt(t);
        const double plateau = std::exp(-2 * 20e-13 * w2t);
        const double boundary = Meniscus * std::exp(20e-13 * w2t);
        double previous = 0, low = 0, high = 0;
        for (double r = Meniscus; r < Bottom - 0.01; r += 1e-5) {
            const double c = solver.ConcentrationAt(r);
            ASSERT_GE(c, 0);
            ASSERT_LE(c, plateau * (1 + 1e-9));
            ASSERT_GE(c, previous * (1 - 1e-9)) << "at r = " << r; // never falls on the way out
            if (c <= 0.1 * plateau)
                low = r;
            if (c < 0.9 * plateau)
                high = r;
            previous = c;
        }
        const double cell = solver.CellFaces()[1] - solver.CellFaces()[0];
        EXPECT_LE(high - low, 2 * cell);
        EXPECT_NEAR(0.5 * (high + low) / boundary, 1.0, 0.001);
    }
}
