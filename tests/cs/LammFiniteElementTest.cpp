// The moving-hat finite elements against what the Lamm equation must give: the amount kept, the
// plateau's radial dilution, and the profiles of an independent solver (the simulator's finite
// volumes with exact shifts) for a slow, a typical and a fast species.
#include <cmath>
#include <gtest/gtest.h>

#include "cs/LammFiniteElement.h"
#include "simulator/LammSolver.h"
#include "simulator/RotorSchedule.h"

using namespace morvane;

using morvane::cs::MovingHatLamm;

namespace {

constexpr double Meniscus = 5.9, Bottom = 7.2, Rpm = 50000;
const double Omega2 = RotorSchedule::OmegaSquaredOfRpm(Rpm);

struct Case {
    double s; // S
    double d; // cm^2/s
    int32_t elements;
};

} // namespace

TEST(MovingHatLamm, KeepsTheAmountAndDilutesThePlateauAsTheSectorDoes)
{
    for (const Case c : { Case { 0.5, 2e-6, 200 }, Case { 4.4, 6e-7, 300 }, Case { 15, 3.3e-7, 500 } }) {
        MovingHatLamm lamm(c.s * 1e-13, c.d, Meniscus, Bottom, Omega2, c.elements);
        const double amount = 0.5 * (Bottom * Bottom - Meniscus * Meniscus);
        for (double t : { 300.0, 1800.0, 5000.0 }) {
            lamm.AdvanceTo(t);
            EXPECT_NEAR(lamm.TotalAmount() / amount, 1, 1e-9) << c.s << " S at " << t << " s";
        }
        // The plateau of a sector-shaped cell falls as exp(-2 s w^2 t): read it halfway between the
        // boundary and the bottom's layer (the 15 S boundary has then left the column).
        if (c.s < 10) {
            const double boundary = Meniscus * std::exp(c.s * 1e-13 * Omega2 * 5000);
            const double y = std::log(0.5 * (boundary + Bottom));
            double value = 0;
            lamm.Evaluate(lamm.Take(), &y, 1, &value);
            EXPECT_NEAR(value, std::exp(-2 * c.s * 1e-13 * Omega2 * 5000), 2e-4) << c.s << " S";
        }
    }
}

TEST(MovingHatLamm, AgreesWithTheSimulatorsIndependentSolver)
{
    // The simulator's rotor reaches speed in a millisecond: both solve at constant speed.
    const RotorSchedule rotor(Rpm, 1e8);
    LammGridRules fine; // finer than the simulator's own, whose cells differ by 2e-3 at 0.5 S
    fine.maxCellCm = 0.00025;
    fine.maxStepSeconds = 5;
    for (const Case c : { Case { 0.5, 2e-6, 200 }, Case { 4.4, 6e-7, 350 }, Case { 15, 3.3e-7, 550 } }) {
        MovingHatLamm lamm(c.s * 1e-13, c.d, Meniscus, Bottom, Omega2, c.elements);
        LammSolver reference({ c.s, c.d, 1 }, Meniscus, Bottom, rotor, fine);
        std::vector<double> y, r;
        for (double x = Meniscus + 0.02; x < Bottom - 0.1; x += 0.001) {
            r.push_back(x);
            y.push_back(std::log(x));
        }
        std::vector<double> mine(r.size());
        for (double t : { 600.0, 2400.0 }) {
            lamm.AdvanceTo(t);
            reference.AdvanceTo(t);
            lamm.Evaluate(lamm.Take(), y.data(), static_cast<int32_t>(y.size()), mine.data());
            double worst = 0;
            for (size_t k = 0; k < r.size(); ++k)
                worst = std::max(worst, std::fabs(mine[k] - reference.ConcentrationAt(r[k])));
            // Both are second-order schemes; they differ by the grids' resolution of the boundary,
            // most at the first scan's sharp boundary and, for a slow species, next to the meniscus.
            EXPECT_LT(worst, 2e-3) << c.s << " S at " << t << " s";
        }
    }
}
