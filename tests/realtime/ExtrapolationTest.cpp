#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "realtime/Extrapolation.h"
#include "realtime/ExtrapolationGuard.h"

using namespace morvane;

namespace {

const double MinLogS = std::log(5e-14);

// Sets k = 0 .. count-1 at X_k = 1/sqrt(t_k) = 0.02 - 0.002 k (t from 2500 s to 27778 s for 8 sets),
// so that a Z linear in X is linear in k and the 3-point box-car leaves it as it is.
double XOf(int32_t k) { return 0.02 - 0.002 * k; }

struct Stores {
    CustomSettings settings;
    std::unique_ptr<ChannelDataStore> store;

    // y(k, p) and e(k, p) on the grid of ln s values; set k at 1/sqrt(t) = 0.02 - step k.
    Stores(
        const std::vector<double>& grid, int32_t sets, const std::function<double(int32_t, int32_t)>& y,
        const std::function<double(int32_t, int32_t)>& e = [](int32_t, int32_t) { return 1e-10; }, double step = 0.002)
        : store(std::make_unique<ChannelDataStore>(settings, grid.data(), static_cast<int32_t>(grid.size())))
    {
        const auto n = static_cast<int32_t>(grid.size());
        for (int32_t k = 0; k < sets; ++k) {
            std::vector<double> ys, es;
            for (int32_t p = 0; p < n; ++p) {
                ys.push_back(y(k, p));
                es.push_back(e(k, p));
            }
            ScanHeader h;
            h.Time = 1 / std::pow(0.02 - step * k, 2);
            EXPECT_EQ(store->AddSet(grid.data(), ys.data(), es.data(), n, h, h.Time), k);
        }
    }
};

} // namespace

// ln g = A + B X + C Y exactly: the intercept is the infinite-time value, sa is 0.
TEST(Extrapolate, ExactPlaneGivesItsIntercept)
{
    const struct {
        const char* name;
        double lnValue, b, c; // ln of s g(s) at infinite time
        int32_t carSize;
        bool extrapolated;
    } cases[] = {
        { "straight in 1/sqrt(t), smoothed", std::log(2.0), -10, 0, 3, true },
        { "rising towards infinite time", std::log(0.5), 30, 0, 3, true },
        { "curved, not smoothed", std::log(2.0), -10, 300, 1, true },
        // exp(A) s beyond the largest double, while every y is finite.
        { "value beyond the largest double", 713.8, -1000, 0, 3, false },
    };
    const std::vector<double> grid { -30.0, -29.5 };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Stores s(
            grid, 8, [&](int32_t k, int32_t) { return std::exp(c.lnValue + c.b * XOf(k) + c.c * XOf(k) * XOf(k)); });
        ExtrapolationParameters par;
        par.SmoothCarSize = c.carSize;
        const ExtrapolationResult r = Extrapolate(*s.store, *s.store, 0, 7, par);
        ASSERT_TRUE(r.Computed);
        EXPECT_EQ(r.ExtrapolatedCount, c.extrapolated ? 2 : 0);
        for (int32_t p = 0; p < 2; ++p) {
            const ExtrapolationPoint& pt = r.Points[static_cast<size_t>(p)];
            EXPECT_EQ(pt.EntryCount, 8);
            EXPECT_EQ(pt.Extrapolated, c.extrapolated);
            if (!c.extrapolated) {
                EXPECT_EQ(pt.Value, 0);
                EXPECT_EQ(pt.Error, -2e10);
                continue;
            }
            const double value = std::exp(c.lnValue);
            EXPECT_NEAR(pt.Value, value, 1e-12 * value);
            EXPECT_NEAR(pt.Error, 0, 1e-12 * value);
            EXPECT_NEAR(pt.A, c.lnValue - grid[static_cast<size_t>(p)], 1e-12);
            EXPECT_NEAR(pt.B, c.b, 1e-8);
            EXPECT_NEAR(pt.C, c.c, 1e-6);
            EXPECT_NEAR(pt.SStar, std::exp(grid[static_cast<size_t>(p)]) * 1e13, 1e-12);
        }
    }
}

TEST(Extrapolate, RangeIsClampedAndNeedsFiveSets)
{
    const struct {
        const char* name;
        int32_t sets, start, end;
        bool computed;
        int32_t wantStart, wantEnd;
    } cases[] = {
        { "five sets", 8, 0, 4, true, 0, 4 },
        { "four sets", 8, 1, 4, false, 1, 4 },
        { "clamped to the store", 8, -3, 100, true, 0, 7 },
        { "clamped to four sets", 8, 4, 100, false, 4, 7 },
        { "start after end", 8, 6, 2, false, 6, 2 },
        { "three smoothed sets", 3, 0, 2, false, 0, 2 },
        { "empty store", 0, 0, 5, false, 0, -1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Stores s({ -30.0, -29.0 }, c.sets, [](int32_t k, int32_t) { return std::exp(-10 * XOf(k)); });
        const ExtrapolationResult r = Extrapolate(*s.store, *s.store, c.start, c.end, ExtrapolationParameters());
        EXPECT_EQ(r.Computed, c.computed);
        EXPECT_EQ(r.Start, c.wantStart);
        EXPECT_EQ(r.End, c.wantEnd);
        EXPECT_EQ(r.ExtrapolatedCount, c.computed ? 2 : 0);
        EXPECT_EQ(r.Points.size(), c.computed ? 2u : 0u);
    }
}

// Which entries and points take part: one grid point per rule.
TEST(Extrapolate, PointsAndEntriesLeftOut)
{
    enum { BelowMin, AtMin, Plain, ThreeSets, AtCutoff, Largest };
    const std::vector<double> grid { -31.0, MinLogS, -30.0, -29.8, -29.6, -29.4 };
    const double largestEnd = 20 * std::exp(-10 * XOf(7)); // the reference maximum M
    Stores s(
        grid, 8,
        [&](int32_t k, int32_t p) {
            if (p == AtCutoff && k == 7)
                return largestEnd * 0.05; // the end set exactly at 5 % of M
            if (p == Largest && k == 1)
                return 0.01; // not above 0.01
            return (p == Largest ? 20 : 2) * std::exp(-10 * XOf(k));
        },
        [](int32_t k, int32_t p) { return p == ThreeSets && k > 2 ? -1e10 : 1e-10; });
    s.store->Headers[0].Time = 0; // a set without a time adds nothing anywhere

    const ExtrapolationResult r = Extrapolate(*s.store, *s.store, 0, 7, ExtrapolationParameters());
    ASSERT_TRUE(r.Computed);
    EXPECT_DOUBLE_EQ(r.ReferenceMaximum, largestEnd);
    const struct {
        int32_t point;
        int32_t entries;
        bool extrapolated;
    } want[] = { { BelowMin, 0, false }, { AtMin, 0, false }, { Plain, 7, true }, { ThreeSets, 2, false },
        { AtCutoff, 0, false }, { Largest, 6, true } };
    for (const auto& w : want) {
        SCOPED_TRACE(w.point);
        const ExtrapolationPoint& pt = r.Points[static_cast<size_t>(w.point)];
        EXPECT_EQ(pt.EntryCount, w.entries);
        EXPECT_EQ(pt.Extrapolated, w.extrapolated);
        if (!w.extrapolated) {
            EXPECT_EQ(pt.Value, 0);
            EXPECT_EQ(pt.Error, -2e10);
        }
    }
    EXPECT_EQ(r.ExtrapolatedCount, 2);
    EXPECT_NEAR(r.Points[Largest].Value, 20, 1e-10);
    const auto largest = r.EntriesOf(Largest);
    ASSERT_EQ(largest.size(), 6u);
    EXPECT_DOUBLE_EQ(largest[0].X, XOf(2));
    EXPECT_DOUBLE_EQ(largest[0].Y, XOf(2) * XOf(2));
    EXPECT_TRUE(r.EntriesOf(99).empty());

    // The s* axis view's newest g(s*): the end set where it holds data, beyond MinLogS.
    ASSERT_EQ(r.NewestGofs.size(), 3u);
    EXPECT_NEAR(r.NewestGofs[0].SStar, std::exp(-30.0) * 1e13, 1e-12);
    EXPECT_DOUBLE_EQ(r.NewestGofs[0].Value, 2 * std::exp(-10 * XOf(7)));
    EXPECT_DOUBLE_EQ(r.NewestGofs[1].Value, largestEnd * 0.05);
    EXPECT_DOUBLE_EQ(r.NewestGofs[2].Value, largestEnd);
}

TEST(Extrapolate, ErrorBarNeverLongerThanTheValue)
{
    ExtrapolationPoint p;
    p.Value = 2;
    p.Error = 3;
    EXPECT_EQ(ErrorBarSize(p), 2);
    p.Error = 0.5;
    EXPECT_EQ(ErrorBarSize(p), 0.5);
}

// The intercept's noise gain against hand-computed values: with 3 times the fit interpolates, and
// the intercept at u = sqrt(t_min / t) = 0 is sum z_i L_i(0) with the Lagrange weights of
// u = 1, 1/2, 1/3 (t = 1, 4, 9): 1/2, -4 and 9/2, so the gain is sqrt(3 (1/4 + 16 + 81/4)).
TEST(ExtrapolationGuard, InterceptNoiseGain)
{
    const double gain = std::sqrt(3 * 36.5);
    EXPECT_NEAR(InterceptNoiseGain(std::vector<double> { 1, 4, 9 }), gain, 1e-9 * gain);
    EXPECT_NEAR(InterceptNoiseGain(std::vector<double> { 900, 3600, 8100 }), gain, 1e-9 * gain) << "any time scale";
    EXPECT_NEAR(InterceptNoiseGain(std::vector<double> { 0, 9, 4, -1, 1 }), gain, 1e-9 * gain)
        << "times that are not positive are left out, the order does not matter";
    // Times within 1 % of each other: the quadratic through them reaches u = 0 from u = 0.995.
    EXPECT_GT(InterceptNoiseGain(std::vector<double> { 10000, 10050, 10100 }), 1e5);
    for (const std::vector<double>& t : { std::vector<double> { 1, 4 }, { 5, 5, 5, 5 }, {} })
        EXPECT_TRUE(std::isinf(InterceptNoiseGain(t)));
}

TEST(ExtrapolationGuard, VerdictOfACurve)
{
    // Five points at s* 1 .. 5 S; times from 1 to 9 s (gain 10.5, sound) unless a case says else.
    auto curve = [](std::vector<double> values, std::vector<double> times = { 1, 4, 9 }) {
        ExtrapolationResult r;
        r.Computed = true;
        r.Start = 3;
        r.End = 9;
        r.Times = times;
        for (size_t i = 0; i < values.size(); ++i) {
            ExtrapolationPoint p;
            p.SStar = 1.0 + static_cast<double>(i);
            p.Value = values[i];
            p.Newest = i == 2 ? 1.0 : 0.1; // the newest set peaks at 1
            p.Extrapolated = values[i] > 0;
            r.ExtrapolatedCount += p.Extrapolated;
            r.Points.push_back(p);
        }
        return r;
    };
    const struct {
        const char* name;
        ExtrapolationResult result;
        ExtrapolationVerdict verdict;
        const char* reason; // a part of it
    } cases[] = {
        { "a whole curve twice as tall", curve({ 0.1, 1, 2, 1, 0.1 }), ExtrapolationVerdict::Sound, "" },
        { "not computed", ExtrapolationResult(), ExtrapolationVerdict::NotComputed, "at least 5 smoothed" },
        { "nothing extrapolated", curve({ 0, 0, 0, 0, 0 }), ExtrapolationVerdict::Nothing, "no point" },
        { "sets close in time", curve({ 0.1, 1, 2, 1, 0.1 }, { 10000, 10050, 10100 }),
            ExtrapolationVerdict::IllConditioned, "too close together" },
        { "cut off at 5 S", curve({ 0.1, 1, 2, 1, 0.5 }), ExtrapolationVerdict::CutOff,
            "cut off at s* = 5 S, where it still stands at 25 % of its peak: set 9" },
        { "cut off at 1 S", curve({ 0.5, 1, 2, 1, 0.1 }), ExtrapolationVerdict::CutOff, "cut off at s* = 1 S" },
        { "six times the newest set", curve({ 0.1, 1, 6, 1, 0.1 }), ExtrapolationVerdict::RunsAway,
            "the highest is 6 times the highest of set 9" },
        { "below the newest set", curve({ 0.01, 0.1, 0.7, 0.1, 0.01 }), ExtrapolationVerdict::RunsAway, "0.7 times" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ExtrapolationJudgement j = JudgeExtrapolation(c.result);
        EXPECT_EQ(j.Verdict, c.verdict);
        EXPECT_EQ(j.Sound(), j.Reason.empty());
        EXPECT_NE(j.Reason.find(c.reason), std::string::npos) << j.Reason;
    }
    const ExtrapolationResult r = curve({ 0.1, 1, 6, 1, 0.1 });
    EXPECT_EQ(ExtrapolationRefusal(r, JudgeExtrapolation(r), { true, 1, 9 }),
        "The extrapolation of sets 3 to 9 (1 s to 9 s) is no result: the extrapolated values run away from the "
        "sets: the highest is 6 times the highest of set 9 at the same s* (sound: 0.8 to 5 times). Sets 1 to 9 give "
        "a sound extrapolation.");
    EXPECT_NE(ExtrapolationRefusal(r, JudgeExtrapolation(r), {}).find("No range of this channel's sets gives a sound"),
        std::string::npos);
}

// The range proposed for one that is no result: the smallest widening of its start, else the
// newest end that is sound from set 0.
TEST(ExtrapolationGuard, SoundRange)
{
    // 24 sets at 1/sqrt(t) = 0.02 - step k; at each of 5 points a peak that rises towards
    // infinite time. Sets from `empty` on hold nothing, as once a boundary has reached the bottom.
    const std::vector<double> grid { -30.0, -29.9, -29.8, -29.7, -29.6 };
    const double height[] = { 0.3, 1, 2, 1, 0.3 };
    auto stores = [&](int32_t empty, double step) {
        return std::make_unique<Stores>(
            grid, 24,
            [&](int32_t k, int32_t p) { return k < empty ? height[p] * std::exp(-10 * (0.02 - step * k)) : 0.0; },
            [](int32_t, int32_t) { return 1e-10; }, step);
    };
    const ExtrapolationParameters par;
    auto sound = [&](const Stores& s, int32_t start, int32_t end) {
        return JudgeExtrapolation(Extrapolate(*s.store, *s.store, start, end, par)).Sound();
    };
    const auto whole = stores(24, 0.0005); // t from 2500 s to 11891 s
    const ExtrapolationRange widened = SoundExtrapolationRange(*whole->store, *whole->store, 18, 23, par);
    ASSERT_TRUE(widened.Found);
    EXPECT_EQ(widened.End, 23);
    EXPECT_LT(widened.Start, 18);
    EXPECT_TRUE(sound(*whole, widened.Start, 23));
    EXPECT_FALSE(sound(*whole, widened.Start + 1, 23)) << "the smallest widening";

    const auto emptied = stores(15, 0.0008); // t from 2500 s to 390625 s
    const ExtrapolationRange earlier = SoundExtrapolationRange(*emptied->store, *emptied->store, 0, 23, par);
    EXPECT_TRUE(earlier.Found);
    EXPECT_EQ(earlier.Start, 0);
    EXPECT_EQ(earlier.End, 14);

    const auto few = stores(24, 0.0005);
    EXPECT_FALSE(SoundExtrapolationRange(*few->store, *few->store, 0, 3, par).Found) << "fewer than 5 sets";
}
