// The convergence verdict: its measures on curves of known shape, its hysteresis on hand-made
// series, and the verdict on simulated runs with the noise of real runs.
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>
#include <random>

#include "SimulatedChannel.h"
#include "analysis/ChannelDataStore.h"
#include "species/ConvergenceMeasures.h"
#include "species/RunConvergence.h"

using namespace morvane;

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();

ConvergencePoint Point(double elapsed, double drift, double shape, double meniscus, bool stable)
{
    ConvergencePoint p;
    p.ElapsedSeconds = elapsed;
    p.ComparedSet = 0;
    p.ComparedElapsedSeconds = elapsed - 1080;
    p.PeakSStar = 4.3912;
    p.PeakDrift = drift;
    p.ShapeChange = shape;
    p.MeniscusLevel = meniscus;
    p.Stable = stable;
    return p;
}

// A g(s*) store on the engine's kind of grid (uniform in ln s, 2.3 % a point, 0.5 to 20 S) whose
// sets hold s* g(s*) = sum of Gaussians in ln s*: {s*, sigma in ln s*, area} each, plus white noise.
struct PeakSpec {
    double SStar, Sigma, Area;
};

class Store {
public:
    Store() : store_(settings_, std::log(0.5e-13), std::log(20e-13), 163) { }

    int32_t Add(const std::vector<PeakSpec>& peaks, double noise = 0, uint32_t seed = 1)
    {
        const int32_t n = store_.GetNumberOfPoints();
        std::vector<double> x(static_cast<size_t>(n)), y(static_cast<size_t>(n)), e(static_cast<size_t>(n), 1.0);
        std::mt19937 random(seed);
        std::normal_distribution<double> normal(0, noise > 0 ? noise : 1);
        for (int32_t i = 0; i < n; ++i) {
            x[static_cast<size_t>(i)] = store_.GetX(i);
            double v = 0;
            for (const PeakSpec& p : peaks) {
                const double u = (x[static_cast<size_t>(i)] - std::log(p.SStar * 1e-13)) / p.Sigma;
                v += p.Area / (p.Sigma * std::sqrt(2 * std::numbers::pi)) * std::exp(-0.5 * u * u);
            }
            y[static_cast<size_t>(i)] = v + (noise > 0 ? normal(random) : 0);
        }
        return store_.AddSet(x.data(), y.data(), e.data(), n, ScanHeader(), 1000);
    }
    const ChannelDataStore& operator*() const { return store_; }

private:
    CustomSettings settings_;
    ChannelDataStore store_;
};

} // namespace

// Hand-computed values: for s* g(s*) a Gaussian of sigma 0.1 in ln s* and area 1 (peak height 4).
TEST(RunConvergence, MeasuresOfCurvesOfKnownShape)
{
    Store s;
    const int32_t plain = s.Add({ { 4.4, 0.1, 1 } });
    const int32_t shifted = s.Add({ { 4.4 * std::exp(0.01), 0.1, 1 } });
    const int32_t narrower = s.Add({ { 4.4, 0.095, 1 } });
    const int32_t grown = s.Add({ { 4.4, 0.1, 0.95 }, { 8, 0.1, 0.05 } });
    const int32_t noisy = s.Add({ { 4.4, 0.1, 1 } }, 0.04, 1);
    const int32_t noisyToo = s.Add({ { 4.4, 0.1, 1 } }, 0.04, 2);

    // g = y / s* of a Gaussian y in ln s* peaks sigma^2 below its centre: at 4.4 exp(-0.01).
    EXPECT_NEAR(PeakOf(*s, plain, 0.5), 4.4 * std::exp(-0.01), 0.0005);
    EXPECT_NEAR(PeakOf(*s, noisy, 0.5), 4.4 * std::exp(-0.01), 0.01) << "1 % noise moves the fitted top little";
    EXPECT_NEAR(PointNoiseOf(*s, noisy, 0.5), 0.04, 0.008) << "the peak's bend lifts it a little";

    EXPECT_DOUBLE_EQ(ShapeChangeOf(*s, plain, plain, 0.5), 0);
    // Both blurred to the peak's width: two Gaussians of sigma sqrt(2) 0.1 a hundredth apart,
    // whose distributions differ by at most 2 Phi(0.01 / (2 sqrt(2) 0.1)) - 1 = 2.8 %.
    EXPECT_NEAR(ShapeChangeOf(*s, shifted, plain, 0.5), 0.028, 0.003);
    // A 5 % narrower peak, seen at its resolution: widths 0.134 and 0.138, 0.6 % (1.2 % unblurred).
    EXPECT_NEAR(ShapeChangeOf(*s, narrower, plain, 0.5), 0.006, 0.002);
    // 5 % of the material moved to a peak of its own, ln(8 / 4.4) = 0.6 away: 5 % changed its class.
    // Its blurred peak stands 5.3 % as high as the other; taken where it passes 5 % of the highest
    // and one blur width beyond (up to 1.03 sigma past its centre), 85 % of it counts: 4.2 %.
    EXPECT_NEAR(ShapeChangeOf(*s, grown, plain, 0.5), 0.042, 0.003);
    // Noise of 1 % of the peak over the whole range: the empty ranges do not count.
    EXPECT_LT(ShapeChangeOf(*s, noisyToo, noisy, 0.5), 0.01);
}

// Shape changes against the limit of 2 %: clearly within at 1.8 % (90 %) or less, clearly past
// above 2.5 % (125 %); the verdict turns after three sets in a row.
TEST(RunConvergence, VerdictTurnsOnlyAfterThreeSetsClearlyAcrossTheLimit)
{
    const double shapes[] = { 5, 1, 1, 1, 2.2, 2.6, 2.6, 1.0, 2.6, 2.6, 2.6, 1.4, 1.4, 2.0, 1.4, 1.4, NaN, 1.4 };
    const bool stable[] = { 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0 };
    std::vector<ConvergencePoint> series;
    for (double shape : shapes)
        series.push_back(Point(9000, 0.001, shape / 100, 0, false));
    series.insert(series.begin(), Point(600, NaN, NaN, 0.2, true));
    series.front().ComparedSet = -1;
    JudgeEachSet(series);
    EXPECT_FALSE(series.front().Stable) << "nothing to compare with";
    for (size_t i = 1; i < series.size(); ++i)
        EXPECT_EQ(series[i].Stable, stable[i - 1]) << "set " << i - 1 << ", shape change " << shapes[i - 1] << " %";
    EXPECT_EQ(series[5].Side, ConvergenceSide::Between);
    EXPECT_EQ(series[17].Side, ConvergenceSide::Past) << "a measure not to be had";
}

// The demo's absorbance cell with one 4.4 S species (0.005 OD): a verdict per scan, and the last
// twenty all "stable".
TEST(RunConvergence, CleanSingleSpeciesTurnsStableAndStays)
{
    const RealTimeGofS& engine = EngineOfRun("single", SingleSpeciesRun());
    const std::vector<ConvergencePoint> series = ConvergenceSeries(engine);
    const size_t n = series.size();
    ASSERT_EQ(n, static_cast<size_t>(engine.GofsStore->GetNumberOfSets()));
    EXPECT_EQ(series.front().ComparedSet, -1) << "the first set has nothing to compare with";
    EXPECT_TRUE(std::isnan(series.front().ShapeChange));
    EXPECT_GT(series[2].MeniscusLevel, 0.05) << "early on the boundary still leaves the meniscus";
    for (size_t i = n - 20; i < n; ++i)
        EXPECT_TRUE(series[i].Stable) << "set " << i;
    const ConvergenceVerdict verdict = JudgeConvergence(series);
    EXPECT_TRUE(verdict.Stable) << verdict.Text;
    EXPECT_GE(verdict.StableForSeconds, series[n - 1].ElapsedSeconds - series[n - 20].ElapsedSeconds);
    EXPECT_EQ(verdict.Text.rfind("stable for ", 0), 0u) << verdict.Text;
    EXPECT_NEAR(verdict.Newest.PeakSStar, 4.35, 0.05);
    EXPECT_FALSE(verdict.Newest.Fitted) << "one peak: no species compared";

    // With a fit of one species asked for, its s and share are compared too, and stay put.
    SpeciesFitOptions fit;
    fit.Model = SpeciesModel::LammBoundaries; // compared by the Gaussian model all the same
    const ConvergencePoint p = ConvergenceSeries(engine, {}, &fit).back();
    EXPECT_TRUE(p.Fitted && p.FitAsked);
    EXPECT_LT(p.SpeciesSChange, 0.002);
    EXPECT_DOUBLE_EQ(p.ShareChange, 0);
    EXPECT_TRUE(p.Stable);
}

// An antibody in interference at 0.02 fringes with offsets and fringe jumps: the noise that kept
// the shape change at 2-8 % hardly counts (a set now and then in the band above the limit), and
// no spurious peak makes it a mixture.
TEST(RunConvergence, NoisyInterferenceSingleSpeciesTurnsStable)
{
    const std::vector<ConvergencePoint> series = ConvergenceSeries(EngineOfRun("interference", NoisyInterferenceRun()));
    std::vector<double> shapes;
    for (size_t i = series.size() - 20; i < series.size(); ++i) {
        shapes.push_back(series[i].ShapeChange);
        EXPECT_TRUE(series[i].Stable) << "set " << i;
    }
    std::nth_element(shapes.begin(), shapes.begin() + 10, shapes.end());
    EXPECT_LT(shapes[10], 0.75 * ConvergenceThresholds {}.ShapeChange) << "the median well within";
    const ConvergenceVerdict verdict = JudgeConvergence(series);
    EXPECT_TRUE(verdict.Stable) << verdict.Text;
    EXPECT_FALSE(verdict.Newest.Fitted) << verdict.Text;
    EXPECT_NEAR(verdict.Newest.PeakSStar, 6.45, 0.1);
}

// Three species fitted as two: g(s*) hardly changes, but the two-species answer does.
TEST(RunConvergence, SpeciesWhoseSharesStillMoveAreNotStable)
{
    const RealTimeGofS& engine = EngineOfRun("three even", ThreeSpeciesEvenRun());
    const ConvergenceThresholds limits;
    SpeciesFitOptions fit;
    fit.Species = 2;
    const ConvergenceVerdict asked = JudgeConvergence(ConvergenceSeries(engine, limits, &fit));
    EXPECT_FALSE(asked.Stable) << asked.Text;
    EXPECT_LT(asked.Newest.ShapeChange, limits.ShapeChange) << "g(s*) alone would pass";
    EXPECT_GT(asked.Newest.ShareChange, limits.ClearlyPast * limits.ShareChange);
    EXPECT_NE(asked.Text.find(", species s "), std::string::npos) << asked.Text;

    // Without a fit, the peaks the newest sets show are compared.
    const ConvergenceVerdict shown = JudgeConvergence(ConvergenceSeries(engine, limits));
    EXPECT_FALSE(shown.Stable) << shown.Text;
    EXPECT_GE(shown.Newest.FittedSpecies, 2);
    EXPECT_FALSE(shown.Newest.FitAsked);
    EXPECT_NE(shown.Text.find(" peaks fitted: species s "), std::string::npos) << shown.Text;

    // The fits collected, made elsewhere and put back give the same series, none made by the cache.
    ConvergenceFitCache cache;
    cache.Collect(true);
    ConvergenceSeries(engine, limits, &fit, &cache);
    cache.Collect(false);
    const std::vector<ConvergenceFitCache::Missing> missing = cache.TakeMissing();
    EXPECT_EQ(cache.FitsMade(), 0);
    EXPECT_FALSE(missing.empty());
    for (const ConvergenceFitCache::Missing& m : missing)
        cache.Put(m.Key, ConvergenceFitCache::FitOf(m.Job));
    EXPECT_EQ(JudgeConvergence(ConvergenceSeries(engine, limits, &fit, &cache)).Text, asked.Text);
    EXPECT_EQ(cache.FitsMade(), 0);
}

TEST(RunConvergence, SlowSpeciesStillAtTheMeniscusIsNotYetStable)
{
    const RealTimeGofS& engine = EngineOfRun("slow", SlowSpeciesRun());
    const ConvergenceVerdict verdict = JudgeConvergence(ConvergenceSeries(engine));
    EXPECT_FALSE(verdict.Stable);
    EXPECT_GT(verdict.Newest.MeniscusLevel, 0.05);
    EXPECT_EQ(verdict.Text.rfind("not yet: ", 0), 0u) << verdict.Text;
    EXPECT_NE(verdict.Text.find("material still leaves the meniscus"), std::string::npos) << verdict.Text;
}

TEST(RunConvergence, VerdictTexts)
{
    ConvergencePoint unmatched = Point(600, NaN, NaN, 0.2, false);
    unmatched.ComparedSet = -1;
    ConvergencePoint fitted = Point(9000, 0.012, 0.031, 0.001, false);
    fitted.Fitted = true;
    fitted.FitAsked = true;
    fitted.FittedSpecies = 2;
    fitted.SpeciesSChange = NaN;
    fitted.ShareChange = NaN;
    ConvergencePoint peaks = Point(9000, 0.002, 0.008, 0.001, true);
    peaks.Fitted = true;
    peaks.FittedSpecies = 2;
    peaks.SpeciesSChange = 0.003;
    peaks.ShareChange = 0.031;
    const struct {
        const char* name;
        std::vector<ConvergencePoint> series;
        bool stable;
        double stableFor;
        const char* text;
    } cases[] = {
        { "nothing yet", {}, false, 0, "not yet: no g(s*) set has been computed" },
        { "nothing to compare with", { unmatched }, false, 0,
            "not yet: no g(s*) set 1 min before the newest to compare with" },
        { "stable for the last three",
            { Point(7200, 0.02, 0.05, 0, false), Point(7800, 0.004, 0.019, 0, true),
                Point(8400, 0.002, 0.009, 0.001, true), Point(9300, 0.003, 0.008, 0.002, true) },
            true, 1500, "stable for 25 min: peak 4.39 S ± 0.3 %, shape change 0.8 %" },
        { "stable, one measure past its limit for now", { Point(9300, 0.006, 0.008, 0.002, true) }, true, 0,
            "stable for 0 min: peak 4.39 S ± 0.6 % (limit 0.5 %), shape change 0.8 %" },
        { "drifting", { Point(9000, 0.012, 0.008, 0.001, false) }, false, 0,
            "not yet: peak 4.39 S ± 1.2 % (limit 0.5 %), shape change 0.8 % over the last 18 min" },
        { "within, not yet for three sets", { Point(9000, 0.002, 0.008, 0.001, false) }, false, 0,
            "not yet: peak 4.39 S ± 0.2 %, shape change 0.8 % over the last 18 min; within the limits, not yet "
            "clearly for 3 sets in a row" },
        { "still at the meniscus", { Point(9000, 0.002, 0.008, 0.08, false) }, false, 0,
            "not yet: peak 4.39 S ± 0.2 %, shape change 0.8 %, material still leaves the meniscus: 8.0 % of the "
            "peak (limit 3.0 %) over the last 18 min" },
        { "fit failed", { fitted }, false, 0,
            "not yet: peak 4.39 S ± 1.2 % (limit 0.5 %), shape change 3.1 % (limit 2.0 %), species s unknown "
            "(limit 1.0 %), shares unknown (limit 2.0 points) over the last 18 min" },
        { "shares of the peaks shown move", { peaks }, true, 0,
            "stable for 0 min: peak 4.39 S ± 0.2 %, shape change 0.8 %, 2 peaks fitted: species s 0.3 %, shares "
            "3.1 points (limit 2.0 points)" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ConvergenceVerdict v = JudgeConvergence(c.series);
        EXPECT_EQ(v.Stable, c.stable);
        EXPECT_DOUBLE_EQ(v.StableForSeconds, c.stableFor);
        EXPECT_EQ(v.Text, c.text);
    }
}
