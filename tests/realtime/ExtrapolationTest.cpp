#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "realtime/Extrapolation.h"

namespace {

const double MinLogS = std::log(5e-14);

// Sets k = 0 .. count-1 at X_k = 1/sqrt(t_k) = 0.02 - 0.002 k (t from 2500 s to 27778 s for 8 sets),
// so that a Z linear in X is linear in k and the 3-point box-car leaves it as it is.
double XOf(int32_t k) { return 0.02 - 0.002 * k; }

struct Stores {
    CustomSettings settings;
    std::unique_ptr<ChannelDataStore> store;

    // y(k, p) and e(k, p) on the grid of ln s values.
    Stores(
        const std::vector<double>& grid, int32_t sets, const std::function<double(int32_t, int32_t)>& y,
        const std::function<double(int32_t, int32_t)>& e = [](int32_t, int32_t) { return 1e-10; })
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
            h.Time = 1 / (XOf(k) * XOf(k));
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
