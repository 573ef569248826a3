// The meniscus artefact found in hand-made scans, and the clear "not found" of scans without one.
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <vector>

#include "realtime/MeniscusFinder.h"

using namespace morvane;

namespace {

// A scan from 5.8 to 7.0 cm every 0.002 cm: air, then a solution column from `meniscus` whose
// boundary (an error-function step of height 1) lies at `boundary`, plus `extra`(r) and noise.
template <class Extra>
MeniscusScan Scan(double meniscus, double boundary, Extra extra, double noise = 0, unsigned seed = 1)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> gauss(0, 1);
    MeniscusScan s;
    for (int i = 0; i <= 600; ++i) {
        const double r = 5.8 + 0.002 * i;
        const double solution = r < meniscus ? 0 : 0.5 * std::erfc((boundary - r) / 0.02);
        s.radii.push_back(r);
        s.values.push_back(solution + extra(r) + noise * gauss(random));
    }
    return s;
}

double Spike(double r, double at, double height) { return height * std::exp(-0.5 * std::pow((r - at) / 0.0033, 2)); }

// A baseline stepping by `height` at `at`, its edge a few thousandths of a cm wide, and `dip` below
// the new level over the 0.015 cm after it (deepest halfway).
double Step(double r, double at, double height, double dip = 0)
{
    const double x = r - at;
    const double trough = x > 0 && x < 0.015 ? std::pow(std::sin(M_PI * x / 0.015), 2) : 0;
    return height * 0.5 * (1 + std::tanh(x / 0.0015)) - dip * trough;
}

} // namespace

TEST(MeniscusFinder, FindsEachShapeWhereTheMeniscusIs)
{
    // A spike or drop at its middle, a step where it is halfway (a dip after it or not), the
    // boundary leaving the meniscus from scan to scan.
    const struct {
        const char* name;
        MeniscusArtefact kind;
        double (*artefact)(double r);
        MeniscusShape shape;
        int scans;
    } cases[] = {
        { "spike, five scans", MeniscusArtefact::Spike, [](double r) { return Spike(r, 6.0013, 0.5); },
            MeniscusShape::Spike, 5 },
        { "drop, five scans", MeniscusArtefact::Drop, [](double r) { return Spike(r, 6.0013, -0.5); },
            MeniscusShape::Drop, 5 },
        { "spike, either", MeniscusArtefact::Either, [](double r) { return Spike(r, 6.0013, 0.5); },
            MeniscusShape::Spike, 5 },
        { "drop, one scan", MeniscusArtefact::Drop, [](double r) { return Spike(r, 6.0013, -0.5); },
            MeniscusShape::Drop, 1 },
        { "step down with a dip", MeniscusArtefact::Drop, [](double r) { return Step(r, 6.0013, -0.6, 0.15); },
            MeniscusShape::StepDown, 5 },
        { "step up", MeniscusArtefact::Drop, [](double r) { return Step(r, 6.0013, 0.6); }, MeniscusShape::StepUp, 2 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<MeniscusScan> scans;
        for (int k = 0; k < c.scans; ++k)
            scans.push_back(Scan(6.0013, 6.05 + 0.02 * k, c.artefact, 0.005, k + 1));
        MeniscusSearch search;
        search.kind = c.kind;
        const MeniscusFinding f = FindMeniscus(scans, search);
        ASSERT_TRUE(f.Found) << f.WhyNot;
        EXPECT_NEAR(f.Radius, 6.0013, 0.001);
        EXPECT_EQ(f.Shape, c.shape);
        const double sign = c.shape == MeniscusShape::Spike || c.shape == MeniscusShape::StepUp ? 1 : -1;
        EXPECT_GT(f.Height * sign, 0.3);
        EXPECT_EQ(f.ScansUsed, c.scans);
    }
}

TEST(MeniscusFinder, OfTwoSpikesTakesTheOneTheBoundariesLeave)
{
    // A second, taller spike in the air before the solution stays where it is, as does the signal
    // around it; after the meniscus the boundary moves on from scan to scan.
    std::vector<MeniscusScan> scans;
    for (int k = 0; k < 5; ++k)
        scans.push_back(Scan(
            6.1, 6.15 + 0.02 * k, [](double r) { return Spike(r, 5.95, 0.8) + Spike(r, 6.1, 0.5); }, 0.002, k + 1));
    const MeniscusFinding f = FindMeniscus(scans, { MeniscusArtefact::Spike });
    ASSERT_TRUE(f.Found) << f.WhyNot;
    EXPECT_NEAR(f.Radius, 6.1, 0.001);
}

TEST(MeniscusFinder, NothingToFindGivesAReasonNeverARadius)
{
    auto none = [](double) { return 0.0; };
    auto bottomSpike = [](double r) { return Spike(r, 6.9, 1); };
    MeniscusScan shortScan = Scan(6, 6.05, none);
    shortScan.radii.resize(10);
    shortScan.values.resize(10);
    MeniscusScan descending = Scan(6, 6.05, none);
    std::swap(descending.radii[3], descending.radii[4]);
    MeniscusScan flat = Scan(0, 0, none);
    MeniscusScan notANumber = Scan(6, 6.05, none);
    for (double& v : notANumber.values)
        v = std::numeric_limits<double>::quiet_NaN();
    MeniscusSearch beforeTheBottom;
    beforeTheBottom.to = 6.8;
    // A sharp rise that moves on by 0.01 cm from scan to scan: a boundary, however steep.
    std::vector<MeniscusScan> moving;
    for (int k = 0; k < 5; ++k)
        moving.push_back(Scan(
            0, 0, [k](double r) { return Step(r, 6.2 + 0.01 * k, 1); }, 0.005, k + 1));
    const struct {
        const char* name;
        std::vector<MeniscusScan> scans;
        MeniscusSearch search;
        const char* why;
    } cases[] = {
        { "no scan", {}, {}, "no scan with at least 20 radii in ascending order" },
        { "too few radii", { shortScan }, {}, "no scan with at least 20 radii in ascending order" },
        { "radii out of order", { descending }, {}, "no scan with at least 20 radii in ascending order" },
        { "flat and noise-free", { flat, flat }, {},
            "no spike, drop or step stands out of the noise in the first 2 scans (none reaches 8 noise SDs)" },
        { "noise only", { Scan(0, 0, none, 0.01, 1), Scan(0, 0, none, 0.01, 2), Scan(0, 0, none, 0.01, 3) }, {},
            "no spike, drop or step stands out of the noise in the first 3 scans (none reaches 8 noise SDs)" },
        { "a boundary without artefact, one scan", { Scan(6, 6.05, none, 0.005) }, { MeniscusArtefact::Spike },
            "no spike stands out of the noise in the first scan (none reaches 8 noise SDs)" },
        { "a sharp edge that moves", moving, {},
            "no spike, drop or step stands out of the noise in the first 5 scans (none reaches 8 noise SDs and stays "
            "put: the edge that does moves from scan to scan, as boundaries do)" },
        { "a spike outside the searched radii", { Scan(6, 6.05, bottomSpike, 0.005) }, beforeTheBottom,
            "no spike or drop stands out of the noise in the first scan (none reaches 8 noise SDs)" },
        { "no finite value", { notANumber }, {}, "the first scans hold no finite value" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const MeniscusFinding f = FindMeniscus(c.scans, c.search);
        EXPECT_FALSE(f.Found) << f.Radius;
        EXPECT_EQ(f.WhyNot, c.why);
    }
}
