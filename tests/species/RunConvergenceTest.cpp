#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "SimulatedChannel.h"
#include "species/RunConvergence.h"

namespace {

double MeanShapeChange(const std::vector<ConvergencePoint>& series, size_t from, size_t to)
{
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += series[i].ShapeChange;
    return sum / static_cast<double>(to - from);
}

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

} // namespace

TEST(RunConvergence, SingleSpeciesSettles)
{
    const RealTimeGofS& engine = EngineOfRun("single", SingleSpeciesRun());
    const std::vector<ConvergencePoint> series = ConvergenceSeries(engine);
    const size_t n = series.size();
    ASSERT_EQ(n, static_cast<size_t>(engine.GofsStore->GetNumberOfSets()));
    // The first sets have nothing a tenth of the run earlier to compare with.
    EXPECT_EQ(series.front().ComparedSet, -1);
    EXPECT_FALSE(series.front().Stable);
    EXPECT_TRUE(std::isnan(series.front().ShapeChange));
    // The measure falls: from the second quarter of the run to its last.
    EXPECT_LT(MeanShapeChange(series, 3 * n / 4, n), 0.5 * MeanShapeChange(series, n / 4, n / 2));
    EXPECT_LT(series.back().PeakDrift, 0.005);
    EXPECT_LT(series.back().MeniscusLevel, 0.01);
    EXPECT_GT(series[2].MeniscusLevel, 0.05) << "early on the boundary still leaves the meniscus";
    const ConvergenceVerdict verdict = JudgeConvergence(series);
    EXPECT_TRUE(verdict.Stable) << verdict.Text;
    EXPECT_GT(verdict.StableForSeconds, 600);
    EXPECT_EQ(verdict.Text.rfind("stable for ", 0), 0u) << verdict.Text;
    EXPECT_NEAR(verdict.Newest.PeakSStar, 4.35, 0.05);
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

// With a species fit every set is fitted too: a fitted single species stays put.
TEST(RunConvergence, FittedSpeciesOfASettledRun)
{
    const RealTimeGofS& engine = EngineOfRun("single", SingleSpeciesRun());
    SpeciesFitOptions fit;
    fit.Model = SpeciesModel::Gaussian;
    const std::vector<ConvergencePoint> series = ConvergenceSeries(engine, {}, &fit);
    const ConvergencePoint& p = series.back();
    EXPECT_TRUE(p.Fitted);
    EXPECT_LT(p.SpeciesSChange, 0.002);
    EXPECT_DOUBLE_EQ(p.ShareChange, 0);
    const ConvergenceVerdict verdict = JudgeConvergence(series);
    EXPECT_TRUE(verdict.Stable) << verdict.Text;
    EXPECT_NE(verdict.Text.find(", species s "), std::string::npos) << verdict.Text;
}

TEST(RunConvergence, VerdictTexts)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    ConvergencePoint unmatched = Point(600, nan, nan, 0.2, false);
    unmatched.ComparedSet = -1;
    ConvergencePoint fitted = Point(9000, 0.012, 0.031, 0.001, false);
    fitted.Fitted = true;
    fitted.SpeciesSChange = nan;
    fitted.ShareChange = nan;
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
        { "drifting", { Point(9000, 0.012, 0.008, 0.001, false) }, false, 0,
            "not yet: peak 4.39 S ± 1.2 % (limit 0.5 %), shape change 0.8 % over the last 18 min" },
        { "still at the meniscus", { Point(9000, 0.002, 0.008, 0.08, false) }, false, 0,
            "not yet: peak 4.39 S ± 0.2 %, shape change 0.8 %, material still leaves the meniscus: 8.0 % of the "
            "peak (limit 3.0 %) over the last 18 min" },
        { "fit failed", { fitted }, false, 0,
            "not yet: peak 4.39 S ± 1.2 % (limit 0.5 %), shape change 3.1 % (limit 2.0 %), species s unknown "
            "(limit 1.0 %), shares unknown (limit 2.0 points) over the last 18 min" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ConvergenceVerdict v = JudgeConvergence(c.series);
        EXPECT_EQ(v.Stable, c.stable);
        EXPECT_DOUBLE_EQ(v.StableForSeconds, c.stableFor);
        EXPECT_EQ(v.Text, c.text);
    }
}
