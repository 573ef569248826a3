// The pieces of the c(s) fit against hand-computed values: D and M from s and f/f0, NNLS, the F
// quantile, the algebraic noise elimination and the peaks.
#include <cmath>
#include <gtest/gtest.h>

#include "cs/CsPeaks.h"
#include "cs/Hydrodynamics.h"
#include "cs/NoiseElimination.h"
#include "cs/Nnls.h"
#include "cs/Regularisation.h"
#include "species/Svedberg.h"

using namespace morvane;

using namespace morvane::cs;

TEST(CsMethod, MassAndDiffusionFromSAndFrictionalRatio)
{
    const SolventConditions water; // v 0.73, rho 0.99823, eta 1.002 cP
    // The simulator's 4.4 S, 66 kDa protein has D = s R T / (M (1 - v rho)) = 5.99e-7 cm^2/s and
    // f/f0 = 1.338 (as the species table gives it): from s and that ratio the mass comes back.
    EXPECT_NEAR(MolarMassOf(4.4e-13, 1.338, 20, water), 66000, 66);
    EXPECT_NEAR(DiffusionOf(4.4e-13, 1.338, 20, water), 5.99e-7, 0.01e-7);
    for (double ratio : { 1.0, 1.25, 2.5 })
        EXPECT_NEAR(FrictionalRatio(6.5e-13, DiffusionOf(6.5e-13, ratio, 20, water), 20, water), ratio, 1e-9);
    EXPECT_TRUE(std::isnan(MolarMassOf(4.4e-13, 1.3, 20, SolventConditions { 1.1, 1.0, 1.0, 20 })));
}

TEST(CsMethod, NonNegativeLeastSquaresMeetsItsOptimalityConditions)
{
    // min |X c - y|^2, X = [[1, 0], [0, 1], [1, 1]], y = (2, -1, 0): unconstrained c = (5/3, -4/3);
    // with c >= 0 the second is 0 and the first (2 + 0) / 2 = 1.
    const std::vector<double> a = { 2, 1, 1, 2 }, b = { 2, -1 };
    NnlsResult r = SolveNnls(a, b, 2);
    ASSERT_TRUE(r.converged);
    EXPECT_NEAR(r.c[0], 1, 1e-12);
    EXPECT_EQ(r.c[1], 0);
    EXPECT_NEAR(SquaredResidual(a, b, 5, r.c), 1 + 1 + 1, 1e-12); // residuals (-1, 1, 1)
    // A feasible start (a neighbouring problem's answer) gives the same answer.
    const std::vector<double> start = { 0, 3 };
    EXPECT_NEAR(SolveNnls(a, b, 2, &start).c[0], 1, 1e-12);
    // Two identical columns: the ridge keeps the passive block solvable and the fit exact.
    const std::vector<double> twin = { 1, 1, 1, 1 }, y = { 3, 3 };
    const NnlsResult t = SolveNnls(twin, y, 2);
    EXPECT_NEAR(t.c[0] + t.c[1], 3, 1e-6);
}

TEST(CsMethod, FQuantileFollowsTheTables)
{
    EXPECT_NEAR(FQuantile(0.95, 10, 10), 2.978, 0.03); // tables of the F distribution
    EXPECT_NEAR(FQuantile(0.99, 5, 20), 4.103, 0.05);
    EXPECT_NEAR(NormalQuantile(0.975), 1.959964, 1e-6);
    // Thousands of degrees of freedom: ln F is normal with variance 4 / n.
    const double n = 40000;
    EXPECT_NEAR(std::log(FQuantile(0.68, n, n)), NormalQuantile(0.68) * std::sqrt(4 / n), 2e-5);
    EXPECT_EQ(SecondDerivativePenalty(3), (std::vector<double> { 5, -4, 1, -4, 6, -4, 1, -4, 5 }));
}

TEST(CsMethod, NoiseTermsAreTakenOffExactly)
{
    // Data: 2 x1 + 0.5 x2 + b(r) + beta(t), on 5 radii and 4 scans, with made-up profiles.
    const int32_t radii = 5, scans = 4;
    ScanSums sums(2, radii);
    std::vector<double> x(static_cast<size_t>(sums.Rows() * sums.Stride()), 0.0), y(radii);
    const double b[radii] = { 0.3, -0.1, 0.7, 0.0, 0.2 }, beta[scans] = { 1.0, -2.0, 0.5, 0.25 };
    for (int32_t j = 0; j < scans; ++j) {
        for (int32_t i = 0; i < radii; ++i) {
            const double x1 = std::exp(-0.3 * (i - j) * (i - j)), x2 = 0.1 * i * j + (i == 2 ? 1 : 0);
            x[static_cast<size_t>(i)] = x1;
            x[static_cast<size_t>(sums.Stride() + i)] = x2;
            y[static_cast<size_t>(i)] = 2 * x1 + 0.5 * x2 + b[i] + beta[j];
        }
        sums.AddScan(x.data(), y.data());
        sums.AddGram(x.data(), 0, 1);
    }
    NoiseTerms both { true, true, true };
    std::vector<double> a, rhs;
    double yy = 0, dof = 0;
    sums.NormalEquations(both, a, rhs, yy, dof);
    EXPECT_EQ(dof, 5 * 4 - 5 - 4 + 1 - 2);
    const NnlsResult r = SolveNnls(a, rhs, 2);
    EXPECT_NEAR(r.c[0], 2, 1e-9);
    EXPECT_NEAR(r.c[1], 0.5, 1e-9);
    EXPECT_NEAR(SquaredResidual(a, rhs, yy, r.c), 0, 1e-9);
    std::vector<double> ti, ri;
    double baseline = 0;
    sums.NoiseValues(both, r.c, ti, ri, baseline);
    // b and beta are found up to a constant moved between them.
    for (int32_t i = 0; i < radii; ++i)
        EXPECT_NEAR(ti[static_cast<size_t>(i)] - ti[0], b[i] - b[0], 1e-9);
    for (int32_t j = 0; j < scans; ++j)
        EXPECT_NEAR(ri[static_cast<size_t>(j)] + ti[0], beta[j] + b[0], 1e-9);
}

TEST(CsMethod, PeaksSplitAtDeepValleysAndWeighS)
{
    const std::vector<double> s = { 1, 2, 3, 4, 5, 6, 7, 8 };
    // A peak over 2..4 (1, 3, 1), a shallow dip that stays one peak (6, 5, 6 over 6..8) after a zero.
    const std::vector<double> c = { 0, 1, 3, 1, 0, 6, 5, 6 };
    const SolventConditions water;
    const std::vector<CsPeak> peaks = FindPeaks(s, c, 1.3, 20, water);
    ASSERT_EQ(peaks.size(), 2u);
    EXPECT_DOUBLE_EQ(peaks[0].s, 3);
    EXPECT_DOUBLE_EQ(peaks[0].fraction, 5.0 / 22);
    EXPECT_DOUBLE_EQ(peaks[1].s, (36 + 35 + 48) / 17.0);
    EXPECT_NEAR(peaks[1].molarMass, MolarMassOf(peaks[1].s * 1e-13, 1.3, 20, water), 1e-6);
    // A valley below half the lower maximum splits.
    EXPECT_EQ(FindPeaks(s, { 0, 4, 1, 4, 0, 0, 0, 0 }, 1.3, 20, water).size(), 2u);
}
