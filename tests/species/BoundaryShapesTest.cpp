// The approximate Lamm solution against the simulator's numerical one, and the Svedberg equation.
#include <cmath>
#include <gtest/gtest.h>

#include "simulator/LammSolver.h"
#include "simulator/SimulatedRun.h"
#include "species/BoundaryShapes.h"
#include "species/SetModel.h"
#include "species/Svedberg.h"

using namespace morvane;

namespace {

struct Moments {
    double mean, sd; // of dc/dr over r, cm
};

template <class Concentration> Moments GradientMoments(Concentration c, double meniscus, double bottom)
{
    double m0 = 0, m1 = 0, m2 = 0, previous = c(meniscus);
    for (double r = meniscus + 1e-4; r < bottom - 0.1; r += 1e-4) {
        const double now = c(r), g = now - previous;
        previous = now;
        m0 += g;
        m1 += g * r;
        m2 += g * r * r;
    }
    const double mean = m1 / m0;
    return { mean, std::sqrt(m2 / m0 - mean * mean) };
}

} // namespace

// The 66 kDa, 4.4 S protein at 50000 rpm, with the rotor started at once and at 300 rpm/s.
// Faxen's solution alone puts the boundary 0.0009 cm too far out and up to 3 % too wide.
TEST(BoundaryShapes, FaxenBoundaryWithItsCorrectionsMatchesTheLammEquation)
{
    const double s = 4.4e-13, d = 5.9895e-7, meniscus = 5.9, bottom = 7.2;
    for (double acceleration : { 1e6, 300.0 }) {
        const RotorSchedule rotor(50000, acceleration);
        LammSolver solver(LammSpecies { 4.4, d, 1.0 }, meniscus, bottom, rotor);
        for (double t : { 3000.0, 6000.0, 9000.0 }) {
            SCOPED_TRACE(testing::Message() << acceleration << " rpm/s, " << t << " s");
            solver.AdvanceTo(t);
            const double omega2t = rotor.Omega2tAt(t), omega2 = RotorSchedule::OmegaSquaredOfRpm(50000);
            const Moments lamm = GradientMoments([&](double r) { return solver.ConcentrationAt(r); }, meniscus, bottom);
            const Moments model = GradientMoments(
                [&](double r) { return BoundaryConcentration(r, meniscus, s, d, omega2t, omega2); }, meniscus, bottom);
            EXPECT_NEAR(model.mean, lamm.mean, 1e-4);
            EXPECT_NEAR(model.sd / lamm.sd, 1, 0.005);
            EXPECT_NEAR(
                BoundaryConcentration(7.05, meniscus, s, d, omega2t, omega2), solver.ConcentrationAt(7.05), 1e-5);
        }
    }
}

TEST(BoundaryShapes, PlateauStepAndWidth)
{
    const double meniscus = 6.0, omega2 = 2.7e7, omega2t = 2.7e11, s = 4e-13;
    const double rb = meniscus * std::exp(s * omega2t), plateau = std::exp(-2 * s * omega2t);
    // No diffusion: a step at rb, half way on it.
    EXPECT_EQ(BoundaryConcentration(rb * 0.999, meniscus, s, 0, omega2t, omega2), 0);
    EXPECT_DOUBLE_EQ(BoundaryConcentration(rb * 1.001, meniscus, s, 0, omega2t, omega2), plateau);
    EXPECT_DOUBLE_EQ(BoundaryConcentration(rb, meniscus, s, 0, omega2t, omega2), 0.5 * plateau);
    // With diffusion (a boundary 0.12 cm wide): the plateau far out, nothing near the meniscus.
    EXPECT_NEAR(BoundaryConcentration(7.4, meniscus, s, 6e-7, omega2t, omega2), plateau, 1e-7);
    EXPECT_NEAR(BoundaryConcentration(6.01, meniscus, s, 6e-7, omega2t, omega2), 0, 1e-7);
    // The width in s*: t_d = 1e4 s - D / (s omega^2 rm)^2, tau = 0.108, by hand.
    const double td = 1e4 - 6e-7 / std::pow(s * omega2 * meniscus, 2), tau = s * omega2t;
    const double sigma = std::sqrt(2 * 6e-7 * td * (1 - std::exp(-2 * tau)) / (2 * tau)) / (meniscus * omega2t);
    EXPECT_NEAR(DiffusionSigma(s, 6e-7, meniscus, omega2, 1e4), sigma, 1e-20);
    EXPECT_EQ(DiffusionSigma(s, 0, meniscus, omega2, 1e4), 0);
}

// The exact derivatives of a set by s and D against central differences, on a set of three pairs
// at 50000 rpm (one of them read before the rotor reached speed), a 4.4 S species: the fit's
// Jacobian. The set itself is that of SetOfSpecies to the bit.
TEST(BoundaryShapes, SetSlopesMatchDifferences)
{
    SetLayout layout;
    layout.Meniscus = 5.9;
    layout.Omega2 = std::pow(50000 * M_PI / 30, 2);
    layout.Time = 4000;
    for (int32_t i = 0; i < 120; ++i)
        layout.Grid.push_back(std::log((1 + 0.06 * i) * 1e-13));
    for (int32_t i = 2; i < 118; ++i)
        layout.Valid.push_back(i);
    for (double t : { 3700.0, 4000.0, 4300.0 }) {
        ModelPair pair;
        pair.Omega2 = pair.Omega2First = pair.Omega2Last = layout.Omega2;
        pair.Span = 120;
        pair.Time = 2 / (1 / (t - 60) + 1 / (t + 60));
        pair.Omega2tFirst = layout.Omega2 * (t - 60 - (t < 3800 ? 30 : 0));
        pair.Omega2tLast = layout.Omega2 * (t + 60);
        for (int32_t i = 0; i < 120; ++i) {
            pair.Points.push_back(i);
            pair.Radii.push_back(
                layout.Meniscus * std::exp(std::exp(layout.Grid[static_cast<size_t>(i)]) * pair.Omega2 * pair.Time));
        }
        layout.Pairs.push_back(pair);
    }
    const double s = 4.4e-13, d = 6e-7;
    SpeciesSetSlopes slopes;
    ASSERT_TRUE(SetOfSpeciesWithSlopes(layout, s, d, slopes));
    const std::vector<double> set = SetOfSpecies(layout, s, d);
    ASSERT_EQ(slopes.Value, set);
    const double hs = 1e-6 * s, hd = 1e-6 * d;
    const std::vector<double> sUp = SetOfSpecies(layout, s + hs, d), sDown = SetOfSpecies(layout, s - hs, d);
    const std::vector<double> dUp = SetOfSpecies(layout, s, d + hd), dDown = SetOfSpecies(layout, s, d - hd);
    double top = 0, topS = 0, topD = 0;
    for (size_t k = 0; k < set.size(); ++k) {
        top = std::max(top, std::fabs(set[k]));
        topS = std::max(topS, std::fabs(slopes.ByS[k]));
        topD = std::max(topD, std::fabs(slopes.ByD[k]));
    }
    ASSERT_GT(top, 0.1);
    for (size_t k = 0; k < set.size(); ++k) {
        EXPECT_NEAR(slopes.ByS[k], (sUp[k] - sDown[k]) / (2 * hs), 1e-6 * topS) << k;
        EXPECT_NEAR(slopes.ByD[k], (dUp[k] - dDown[k]) / (2 * hd), 1e-6 * topD) << k;
    }
    // A sharp step has no derivative.
    EXPECT_FALSE(SetOfSpeciesWithSlopes(layout, s, 0, slopes));
}

TEST(Svedberg, MolarMassAndCorrectionToWater)
{
    // The simulator derives D from M by the same equation: back to M.
    SimRun run;
    SimSpecies protein;
    const double d = DiffusionOf(protein, run);
    EXPECT_NEAR(SvedbergMolarMass(4.4e-13, d, 20, SolventConditions {}), 66000, 1e-6);
    // 10 % more D, 10 % less M; vbar rho of 1 or more: no M.
    EXPECT_NEAR(SvedbergMolarMass(4.4e-13, 1.1 * d, 20, SolventConditions {}), 60000, 1e-6);
    EXPECT_TRUE(std::isnan(SvedbergMolarMass(4.4e-13, d, 20, SolventConditions { 1.1, 1.0, 1.0, -1 })));
    EXPECT_TRUE(std::isnan(SvedbergMolarMass(4.4e-13, 0, 20, SolventConditions {})));

    EXPECT_DOUBLE_EQ(S20wFactor(SolventConditions {}), 1);
    EXPECT_DOUBLE_EQ(D20wFactor(20, SolventConditions {}), 1);
    // A buffer at 20 C of 1.0100 g/ml and 1.020 cP, and water at 25 C (0.99705 g/ml, 0.890 cP).
    const SolventConditions buffer { 0.73, 1.0100, 1.020, -1 };
    EXPECT_NEAR(S20wFactor(buffer), 1.020 / 1.002 * (1 - 0.73 * 0.99823) / (1 - 0.73 * 1.0100), 1e-15);
    const SolventConditions water25 { 0.73, 0.99705, 0.890, -1 };
    EXPECT_NEAR(D20wFactor(25, water25), 293.15 / 298.15 * 0.890 / 1.002, 1e-15);
}

// f/f0 worked by hand: the 66 kDa, 4.4 S protein (D 5.98957e-7 cm^2/s) has f = RT / (N_A D) =
// 6.75737e-8 g/s and, as an anhydrous sphere of radius (3 M vbar / (4 pi N_A))^(1/3) = 2.67306e-7 cm,
// f0 = 6 pi eta r = 5.04868e-8 g/s: 1.33844. A sphere of that mass (D 8.01669e-7, s 5.88914 S) has
// 1; a viscosity twice as high halves it; without D there is none.
TEST(Svedberg, FrictionalRatio)
{
    const SolventConditions water;
    EXPECT_NEAR(FrictionalRatio(4.4e-13, 5.989570e-7, 20, water), 1.33844, 1e-5);
    EXPECT_NEAR(FrictionalRatio(5.889145e-13, 8.016693e-7, 20, water), 1, 1e-6);
    const SolventConditions viscous { 0.73, 0.99823, 2.004, -1 };
    EXPECT_NEAR(FrictionalRatio(4.4e-13, 5.989570e-7, 20, viscous), 1.33844 / 2, 1e-5);
    EXPECT_TRUE(std::isnan(FrictionalRatio(4.4e-13, 0, 20, water)));
}
