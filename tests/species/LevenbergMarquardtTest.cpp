#include <cmath>
#include <gtest/gtest.h>
#include <vector>

#include "species/LevenbergMarquardt.h"

using namespace morvane;

TEST(LevenbergMarquardt, StraightLineGivesTheTextbookCovariance)
{
    // y = 1 + 2x plus residuals (0.1, -0.1, -0.1, 0.1), which are orthogonal to 1 and x: the fit
    // is exactly a = 1, b = 2 with RSS 0.04, s^2 = 0.04 / 2, and cov = s^2 (X^T X)^-1 with
    // X^T X = [[4, 6], [6, 14]], so cov = 0.02 / 20 * [[14, -6], [-6, 4]].
    const std::vector<double> x { 0, 1, 2, 3 }, y { 1.1, 2.9, 4.9, 7.1 };
    auto line = [&](const std::vector<double>& p, std::vector<double>& r) {
        for (size_t i = 0; i < x.size(); ++i)
            r[i] = p[0] + p[1] * x[i] - y[i];
        return true;
    };
    const LmResult fit = FitLeastSquares(line, { 0, 0 }, { 1, 1 }, 4);
    ASSERT_TRUE(fit.Converged) << fit.Reason;
    EXPECT_NEAR(fit.Parameters[0], 1, 1e-7);
    EXPECT_NEAR(fit.Parameters[1], 2, 1e-7);
    EXPECT_NEAR(fit.SumOfSquares, 0.04, 1e-10);
    ASSERT_EQ(fit.Covariance.size(), 4u);
    const double want[4] = { 0.014, -0.006, -0.006, 0.004 };
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(fit.Covariance[static_cast<size_t>(i)], want[i], 1e-9) << i;
}

TEST(LevenbergMarquardt, DecayFromAFarStartAndARefusedDomain)
{
    // y = 5 exp(-0.7 x); the model refuses a negative rate, which the first steps may ask for.
    std::vector<double> x, y;
    for (int i = 0; i < 20; ++i) {
        x.push_back(0.25 * i);
        y.push_back(5 * std::exp(-0.7 * x.back()));
    }
    auto decay = [&](const std::vector<double>& p, std::vector<double>& r) {
        if (p[1] <= 0)
            return false;
        for (size_t i = 0; i < x.size(); ++i)
            r[i] = p[0] * std::exp(-p[1] * x[i]) - y[i];
        return true;
    };
    const LmResult fit = FitLeastSquares(decay, { 1, 0.05 }, { 1, 0.1 }, 20);
    ASSERT_TRUE(fit.Converged) << fit.Reason;
    EXPECT_NEAR(fit.Parameters[0], 5, 1e-6);
    EXPECT_NEAR(fit.Parameters[1], 0.7, 1e-7);
    EXPECT_LT(fit.SumOfSquares, 1e-12);
    // The same with its exact derivatives.
    auto slopes = [&](const std::vector<double>& p, std::vector<double>& jac) {
        jac.resize(2 * x.size());
        for (size_t i = 0; i < x.size(); ++i) {
            jac[2 * i] = std::exp(-p[1] * x[i]);
            jac[2 * i + 1] = -p[0] * x[i] * jac[2 * i];
        }
        return true;
    };
    const LmResult exact = FitLeastSquares(decay, { 1, 0.05 }, { 1, 0.1 }, 20, {}, slopes);
    ASSERT_TRUE(exact.Converged) << exact.Reason;
    EXPECT_NEAR(exact.Parameters[1], 0.7, 1e-7);
    ASSERT_EQ(exact.Covariance.size(), 4u);
}

// Rosenbrock's valley (residuals 10 (b - a^2), 1 - a, and one no parameter can fit, 3): a crawl
// of 17 iterations to a sum of squares of 9. Bounded by 1, which it cannot reach, with 12
// iterations allowed, it is given up before the cap once its pace is known.
TEST(LevenbergMarquardt, AStartThatCannotReachTheBoundIsGivenUp)
{
    auto valley = [](const std::vector<double>& p, std::vector<double>& r) {
        r = { 10 * (p[1] - p[0] * p[0]), 1 - p[0], 3 };
        return true;
    };
    const LmResult free = FitLeastSquares(valley, { -1.2, 1 }, { 1, 1 }, 3);
    ASSERT_TRUE(free.Converged) << free.Reason;
    EXPECT_NEAR(free.SumOfSquares, 9, 1e-9);
    LmOptions bounded;
    bounded.CostToBeat = 1;
    bounded.MaxIterations = 12;
    const LmResult given = FitLeastSquares(valley, { -1.2, 1 }, { 1, 1 }, 3, bounded);
    EXPECT_FALSE(given.Converged);
    EXPECT_NE(given.Reason.find("given up"), std::string::npos) << given.Reason;
    EXPECT_LT(given.Iterations, bounded.MaxIterations);
}

TEST(LevenbergMarquardt, RefusalsSayWhy)
{
    auto refuse = [](const std::vector<double>&, std::vector<double>&) { return false; };
    auto nan = [](const std::vector<double>&, std::vector<double>& r) {
        r.assign(r.size(), std::nan(""));
        return true;
    };
    auto zero = [](const std::vector<double>&, std::vector<double>& r) {
        r.assign(r.size(), 0.0);
        return true;
    };
    const struct {
        const char* name;
        ResidualFunction f;
        int32_t points;
        const char* reason;
    } cases[] = {
        { "model refuses the start", refuse, 5, "the model cannot be evaluated at the starting values" },
        { "model gives no numbers", nan, 5, "the model cannot be evaluated at the starting values" },
        { "as many points as parameters", zero, 2, "fewer data points than parameters" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const LmResult fit = FitLeastSquares(c.f, { 1, 1 }, { 1, 1 }, c.points);
        EXPECT_FALSE(fit.Converged);
        EXPECT_EQ(fit.Reason, c.reason);
    }
    // A parameter the residuals do not depend on: the fit ends, but gives no covariance.
    auto flat = [](const std::vector<double>& p, std::vector<double>& r) {
        for (size_t i = 0; i < r.size(); ++i)
            r[i] = p[0] - static_cast<double>(i);
        return true;
    };
    const LmResult fit = FitLeastSquares(flat, { 0, 3 }, { 1, 1 }, 5);
    EXPECT_TRUE(fit.Converged) << fit.Reason;
    EXPECT_NEAR(fit.Parameters[0], 2, 1e-9);
    EXPECT_TRUE(fit.Covariance.empty());
}

TEST(LevenbergMarquardt, SymmetricSolveAndInverse)
{
    std::vector<double> b { 1, 2 };
    ASSERT_TRUE(SolveSymmetric({ 4, 2, 2, 3 }, b, 2)); // x = (-1/8, 3/4)
    EXPECT_NEAR(b[0], -0.125, 1e-15);
    EXPECT_NEAR(b[1], 0.75, 1e-15);
    // Parameters of very different sizes still invert: det = 8e6, inverse = [[3e-6, -2e3], [-2e3, 4e12]] / det.
    const std::vector<double> inverse = InvertSymmetric({ 4e12, 2e3, 2e3, 3e-6 }, 2);
    ASSERT_EQ(inverse.size(), 4u);
    const double want[4] = { 3.75e-13, -2.5e-4, -2.5e-4, 5e5 };
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(inverse[i] / want[i], 1, 1e-12) << i;
    EXPECT_TRUE(InvertSymmetric({ 1, 2, 2, 4 }, 2).empty());
    EXPECT_TRUE(InvertSymmetric({ 0, 0, 0, 1 }, 2).empty());
}
