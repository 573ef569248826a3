// Species fits of hand-made curves: sums of Gaussians with known parameters, and every curve or
// request the fit must refuse.
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <vector>

#include "species/GaussianModel.h"
#include "species/SpeciesFit.h"

using namespace morvane;

namespace {

// The engine's grid from 0.5 S to 20 S (uniform in ln s, 2.3 % steps).
std::vector<double> Grid()
{
    std::vector<double> s;
    for (double x = std::log(0.5); x < std::log(20.0); x += std::log(1e5) / 500)
        s.push_back(std::exp(x));
    return s;
}

// s* g(s*) of Gaussians in s* with centres c (S), widths w (S) and areas a.
GofsCurve Gaussians(const std::vector<double>& c, const std::vector<double>& w, const std::vector<double>& a)
{
    GofsCurve curve;
    curve.SStar = Grid();
    for (double s : curve.SStar) {
        double y = 0;
        for (size_t k = 0; k < c.size(); ++k)
            y += s * a[k] * std::exp(-0.5 * std::pow((s - c[k]) / w[k], 2)) / (w[k] * std::sqrt(2 * M_PI));
        curve.Y.push_back(y);
    }
    return curve;
}

SpeciesFitOptions Species(int32_t n)
{
    SpeciesFitOptions o;
    o.Species = n;
    return o;
}

} // namespace

TEST(CurveFit, TwoGaussiansWithoutATimeComeBackExactly)
{
    const GofsCurve curve = Gaussians({ 3.0, 6.0 }, { 0.4, 0.5 }, { 0.7, 0.3 });
    const SpeciesFitResult fit = FitSpeciesToCurve(curve, Species(2));
    ASSERT_EQ(fit.Status, FitStatus::Converged) << fit.Message;
    ASSERT_EQ(fit.Species.size(), 2u);
    const double c[2] = { 3.0, 6.0 }, w[2] = { 0.4, 0.5 }, a[2] = { 0.7, 0.3 };
    for (size_t k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        const SpeciesEstimate& e = fit.Species[k];
        EXPECT_NEAR(e.SStar, c[k], 1e-6);
        EXPECT_DOUBLE_EQ(e.S, e.SStar); // without a time there is no skew to correct
        EXPECT_NEAR(e.Sigma, w[k], 1e-6);
        EXPECT_NEAR(e.Area, a[k], 1e-6);
        EXPECT_NEAR(e.Share, a[k], 1e-6);
        EXPECT_TRUE(std::isnan(e.D));
        EXPECT_TRUE(std::isnan(e.M));
        EXPECT_TRUE(std::isnan(e.FrictionalRatio));
    }
    EXPECT_LT(fit.RmsResidual, 1e-8);
    EXPECT_EQ(fit.Components.size(), 2u);
    EXPECT_EQ(fit.Points, static_cast<int32_t>(curve.SStar.size()));
}

// A curve with a time: the widths follow from D, and the model's own curve (with the remainder
// of the dilution correction) comes back with its D; s lies sigma_D^2 / (2 s*) above the centre.
TEST(CurveFit, GaussianWithATimeGivesDAndTheSkewCorrectedS)
{
    GaussianConditions conditions;
    conditions.Meniscus = 5.9;
    conditions.Omega2 = 0.01096622711 * 50000.0 * 50000.0;
    conditions.Time = 6000;
    GofsCurve curve;
    curve.SStar = Grid();
    ASSERT_TRUE(GaussianSpecies(conditions, curve.SStar, 4.3, 6e-7, 0.8, curve.Y));
    curve.TimeSeconds = 6000;
    curve.Rpm = 50000;
    curve.MeniscusCm = 5.9;
    // Seeded noise of 1 % of the peak: the errors must cover the truth.
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, 0.01 * 1.6);
    GofsCurve noisy = curve;
    for (double& y : noisy.Y)
        y += noise(random);
    for (const GofsCurve* c : { &curve, &noisy }) {
        const SpeciesFitResult fit = FitSpeciesToCurve(*c, Species(1));
        ASSERT_EQ(fit.Status, FitStatus::Converged) << fit.Message;
        const SpeciesEstimate& e = fit.Species[0];
        const double sigma2 = GaussianDiffusionVariance(conditions, 4.3, 6e-7);
        const double slack = c == &curve ? 1e-6 : 4;
        EXPECT_NEAR(e.SStar, 4.3, slack * (c == &curve ? 1 : e.SStarError));
        EXPECT_NEAR(e.D, 6e-7, slack * (c == &curve ? 1e-7 : e.DError));
        EXPECT_NEAR(e.Area, 0.8, slack * (c == &curve ? 1 : e.AreaError));
        EXPECT_NEAR(e.S - e.SStar, sigma2 / (2 * e.SStar), 0.05 * sigma2 / (2 * e.SStar));
        EXPECT_NEAR(e.Loading, e.Area * std::exp(2 * e.S * 1e-13 * conditions.Omega2 * 6000), 1e-9);
        EXPECT_GT(e.M, 0);
        EXPECT_EQ(fit.Notes.back().rfind("the Gaussian model's bias is not taken off (it cannot be measured without "
                                         "an engine set",
                      0),
            0u);
    }
}

// One species given to a two-species fit: no crash, and what comes back still describes it.
TEST(CurveFit, OneSpeciesAskedForTwo)
{
    const GofsCurve curve = Gaussians({ 4.0 }, { 0.5 }, { 1.0 });
    const SpeciesFitResult fit = FitSpeciesToCurve(curve, Species(2));
    if (fit.Status != FitStatus::Converged) {
        EXPECT_FALSE(fit.Message.empty());
        return;
    }
    ASSERT_EQ(fit.Species.size(), 2u);
    double area = 0, weighted = 0;
    for (const SpeciesEstimate& e : fit.Species) {
        EXPECT_GT(e.S, 2.0);
        EXPECT_LT(e.S, 6.0);
        area += e.Area;
        weighted += e.Area * e.S;
    }
    EXPECT_NEAR(area, 1.0, 0.01);
    EXPECT_NEAR(weighted / area, 4.0, 0.02);
    EXPECT_LT(fit.RmsResidual, 1e-4);
    EXPECT_FALSE(fit.Notes.empty()) << "a split of one peak is not determined by the data";
}

TEST(CurveFit, RefusalsAndFailuresSayWhy)
{
    const GofsCurve good = Gaussians({ 4.0 }, { 0.5 }, { 1.0 });
    GofsCurve flat = good, zero = good, noise = good, nan = good, descending = good, mismatched = good, untimed = good;
    std::mt19937 random(3);
    std::normal_distribution<double> normal(0, 0.01);
    for (size_t i = 0; i < good.Y.size(); ++i) {
        flat.Y[i] = 0.5;
        zero.Y[i] = 0;
        noise.Y[i] = normal(random);
    }
    nan.Y[100] = std::nan("");
    std::swap(descending.SStar[10], descending.SStar[11]);
    mismatched.Y.pop_back();
    untimed.TimeSeconds = 3000; // but no speed or meniscus
    SpeciesFitOptions narrow = Species(1);
    narrow.MinSStar = 30;
    SpeciesFitOptions crossed = Species(1);
    crossed.MaxSStar = 0.2;
    SpeciesFitOptions heavy = Species(1);
    heavy.Solvent.Vbar = 1.2;
    const struct {
        const char* name;
        const GofsCurve& curve;
        SpeciesFitOptions options;
        const char* message;
    } cases[] = {
        { "no species", good, Species(0), "the number of species must be 1 to 3 (got 0)" },
        { "four species", good, Species(4), "the number of species must be 1 to 3 (got 4)" },
        { "flat", flat, Species(1), "the curve shows no peak that stands out of its noise: it is flat" },
        { "noise only", noise, Species(1), "the curve shows no peak that stands out of its noise: it is flat" },
        { "zero", zero, Species(1), "the curve shows no peak: g(s*) is nowhere positive" },
        { "empty", GofsCurve {}, Species(1), "the curve holds no points between the fit limits" },
        { "outside the limits", good, narrow, "the curve holds no points between the fit limits" },
        { "crossed limits", good, crossed, "the fit limits of s* do not enclose a range" },
        { "not a number", nan, Species(1),
            "the curve holds a point that is not a number or an s* that is not positive" },
        { "descending", descending, Species(1), "the curve's s* values do not ascend" },
        { "mismatched", mismatched, Species(1), "the curve's s* and values differ in number" },
        { "time without speed", untimed, Species(1), "a curve with a time needs the rotor speed and the meniscus" },
        { "vbar rho above 1", good, heavy, "vbar times the solvent density must lie between 0 and 1" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SpeciesFitResult fit = FitSpeciesToCurve(c.curve, c.options);
        EXPECT_EQ(fit.Status, FitStatus::Failed);
        EXPECT_EQ(fit.Message, c.message);
        EXPECT_TRUE(fit.Species.empty());
    }
}
