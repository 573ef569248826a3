#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

#include "realtime/RealTimeGofS.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace {

constexpr double Rpm = 50000;

// An engine on a 0.001 cm radial grid from 5.85 to 7.15 with `scans` raw scans of a sedimenting
// boundary, evenly spaced in time.
struct EngineFixture {
    RealTimeGofS engine;
    std::vector<double> radii;

    explicit EngineFixture(int scans, double first = 1200, double interval = 300, int points = 1301)
    {
        for (int i = 0; i < points; ++i)
            radii.push_back(5.85 + 0.001 * i);
        engine.Cell.Meniscus = 5.9;
        engine.Cell.Bottom = 7.2;
        EXPECT_EQ(engine.CreateX(radii.data(), points), 0);
        for (int k = 0; k < scans; ++k)
            AddScan(first + k * interval);
    }

    int AddScan(double t)
    {
        std::vector<double> y;
        for (double r : radii)
            y.push_back(testutil::BoundaryValue(r, t, Rpm, 5.9, 4.4e-13, 1.0, 0.02));
        ScanHeader h;
        h.Rpm = Rpm;
        h.Time = t;
        h.Omega2t = RealTimeGofS::OmegaSquared(Rpm) * t;
        return engine.RawStore->AddSet(radii.data(), y.data(), nullptr, static_cast<int32_t>(radii.size()), h, t);
    }

    // Adds a set of values y and errors err on the grid of `store` (the dc/dt or averaged stage).
    int AddGridSet(ChannelDataStore& store, const std::vector<double>& y, const std::vector<double>& err, double t,
        double rpm = Rpm, int32_t lastPoint = 0)
    {
        ScanHeader h;
        h.Rpm = rpm;
        h.Time = t;
        h.Omega2t = RealTimeGofS::OmegaSquared(rpm) * t;
        h.LastPoint = lastPoint;
        return store.AddSet(store.GetGrid(), y.data(), err.data(), store.GetNumberOfPoints(), h, t);
    }

    std::vector<std::pair<int, int>> Pairs() const
    {
        std::vector<std::pair<int, int>> p;
        for (int k = 0; k < engine.DcdtStore->GetNumberOfSets(); ++k)
            p.emplace_back(engine.DcdtStore->Headers[static_cast<size_t>(k)].FirstScan,
                engine.DcdtStore->Headers[static_cast<size_t>(k)].LastScan);
        return p;
    }
};

using Pairs = std::vector<std::pair<int, int>>;

} // namespace

TEST(RealTimeGofS, CreateXItsGridAndRefusals)
{
    RealTimeGofS engine;
    EXPECT_EQ(engine.Refreshdcdtvss(), -1) << "nothing before CreateX";
    const double one[] = { 6.0 };
    EXPECT_EQ(engine.CreateX(one, 1), -1);
    EXPECT_EQ(engine.StatusLog, "Initialized with () \nUnexpected error in CreateX.  \n");

    // The s* grid: 501 points from 1e-15 to 1e-10, a point at ln(1e-13) standing at s* = 1 S.
    EngineFixture f(0);
    EXPECT_EQ(f.engine.DcdtStore->GetNumberOfPoints(), 501);
    EXPECT_NEAR(std::exp(f.engine.DcdtStore->GetX(200)) * 1e13, 1.0, 1e-9);

    // Refusals leave no set behind.
    EngineFixture five(5);
    ASSERT_EQ(five.engine.Refreshdcdtvss(), 0);
    five.engine.Cell.Meniscus = 0;
    EXPECT_EQ(five.engine.Refreshdcdtvss(), -1);
    EXPECT_EQ(five.engine.DcdtStore->GetNumberOfSets(), 0);
    EXPECT_EQ(EngineFixture(1).engine.Refreshdcdtvss(), -1) << "one scan makes no pair";
}

TEST(RealTimeGofS, PairingCases)
{
    const struct {
        const char* name;
        int scans;
        double factor; // dcdtWindowFactor: 0 puts every partner two scans back, 1e6 puts none
        Pairs want;
    } cases[] = {
        { "two scans: case A", 2, 1, { { 0, 1 } } },
        { "four scans: always case B", 4, 0, { { 0, 1 }, { 1, 2 }, { 2, 3 } } },
        { "six scans, partner in first half: two apart", 6, 1e6, { { 0, 2 }, { 1, 3 }, { 2, 4 }, { 3, 5 } } },
        { "five scans, partner in second half: case C", 5, 0, { { 0, 2 }, { 1, 3 }, { 2, 4 } } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EngineFixture f(0);
        f.engine.Settings.dcdtWindowFactor = c.factor;
        for (int k = 0; k < c.scans; ++k)
            f.AddScan(1200 + 300 * k);
        ASSERT_EQ(f.engine.Refreshdcdtvss(), 0);
        EXPECT_EQ(f.Pairs(), c.want);
    }
}

TEST(RealTimeGofS, ScansAddedOneByOnePairAsARefreshWould)
{
    // Sparse scans (each paired within its own window), then a burst of dense ones that moves the
    // newest scan's partner back into the first half (pairs a fixed distance apart again), then
    // sparse ones once more: each step appends or re-pairs, and ends as Refreshdcdtvss would.
    std::vector<double> times;
    for (int k = 0; k < 12; ++k)
        times.push_back(1200 + 900 * k);
    for (int k = 1; k <= 30; ++k)
        times.push_back(times[11] + 20 * k);
    for (int k = 1; k <= 30; ++k)
        times.push_back(times[41] + 900 * k);
    EngineFixture followed(0), reference(0);
    std::string cases; // one letter per step: S spaced pairs, O own windows
    for (size_t k = 0; k < times.size(); ++k) {
        SCOPED_TRACE(k);
        followed.AddScan(times[k]);
        reference.AddScan(times[k]);
        followed.engine.AddOnedcdtvss(static_cast<int32_t>(k));
        reference.engine.Refreshdcdtvss();
        const Pairs pairs = followed.Pairs();
        ASSERT_EQ(pairs, reference.Pairs());
        const ChannelDataStore& a = *followed.engine.DcdtStore;
        const ChannelDataStore& b = *reference.engine.DcdtStore;
        for (int s = 0; s < a.GetNumberOfSets(); ++s)
            for (int p = 0; p < a.GetNumberOfPoints(); ++p)
                ASSERT_EQ(a.GetY(s, p), b.GetY(s, p));
        if (k >= 3) {
            const int d = static_cast<int>(k + 1) / 2 - 1;
            const bool spaced = pairs.size() == k + 1 - static_cast<size_t>(d)
                && std::all_of(pairs.begin(), pairs.end(), [&](const auto& q) { return q.second - q.first == d; });
            cases += spaced ? 'S' : 'O';
        }
    }
    EXPECT_NE(cases.find("SO"), std::string::npos) << cases;
    EXPECT_NE(cases.find("OS"), std::string::npos) << cases;
}

TEST(RealTimeGofS, PairWithoutTimeSpanIsSkipped)
{
    // Raw times of 0 (an instrument clock that never started) give no dc/dt set and no infinities.
    EngineFixture f(0);
    ScanHeader h;
    h.Rpm = Rpm;
    std::vector<double> y(f.radii.size(), 1.0);
    for (double t : { -1.0, 0.0 }) {
        h.Time = t;
        f.engine.RawStore->AddSet(f.radii.data(), y.data(), nullptr, static_cast<int32_t>(y.size()), h, t);
    }
    EXPECT_EQ(f.engine.Refreshdcdtvss(), 0);
    EXPECT_EQ(f.engine.DcdtStore->GetNumberOfSets(), 0);
    EXPECT_NE(f.engine.StatusLog.find("\nError adding a set.  "), std::string::npos);
}

TEST(RealTimeGofS, WindowRuleBothModes)
{
    RealTimeGofS e;
    const double m = 5.9, b = 7.2, w2t = 2e10, t = 1000;
    const double rmid = (m + b) / 2;
    {
        const double s = std::log(rmid / m) / w2t;
        const double M = 6270 * std::pow(s * 1e13, 1.5);
        const double D = 9.34e10 * s / M;
        const double w = 1.665 * std::sqrt(D * t);
        const double W = (std::log(rmid + w) - std::log(rmid)) / s;
        ASSERT_LT(W / w2t, 0.2);
        EXPECT_DOUBLE_EQ(e.ComputeDcdtWindow(w2t, m, b, t), W);
        // A long time widens the window beyond the cap: 20% of omega^2 t.
        EXPECT_DOUBLE_EQ(e.ComputeDcdtWindow(w2t, m, b, 1e9), 0.2 * w2t);
    }
    e.Cell.WindowByMW = true;
    e.Cell.AssumedMW = 66000;
    {
        const double s = 0.3125e-13 * std::pow(66.0, 0.6666666);
        const double D = 9.1e10 * s / 66000;
        const double w = 1.665 * std::sqrt(D * t);
        const double rb = m * std::exp(s * w2t);
        const double W = (std::log(rb + w) - std::log(rb)) / s;
        EXPECT_DOUBLE_EQ(e.ComputeDcdtWindow(w2t, m, b, t), W);
    }
    // Boundary short of mid-cell: never capped, however wide.
    EXPECT_GT(e.ComputeDcdtWindow(1e9, m, b, 1e9) / 1e9, 0.2);
    // Boundary past mid-cell (a large omega^2 t): capped.
    EXPECT_DOUBLE_EQ(e.ComputeDcdtWindow(3e11, m, b, 1e12), 0.2 * 3e11);
}

TEST(RealTimeGofS, AveragingWithPartialContributions)
{
    EngineFixture f(3);
    RealTimeGofS& e = f.engine;
    e.Settings.MaxAveragingPercent = 2; // a window wider than the run: every set from 0 on is averaged
    e.Settings.dcdtWindowFactor = 5;
    e.DcdtStore->ClearSets();
    const size_t n = static_cast<size_t>(e.DcdtStore->GetNumberOfPoints());
    // Set 0 lacks point 450, set 1 data from index 300 on, set 2 from index 400 on.
    const size_t lacksFrom[] = { n, 300, 400 };
    const double times[] = { 1000, 2000, 4000 };
    for (size_t k = 0; k < 3; ++k) {
        std::vector<double> err(n, e.Settings.DefaultPositiveError);
        std::fill(err.begin() + static_cast<long>(lacksFrom[k]), err.end(), e.Settings.DefaultIgnoreTag);
        if (k == 0)
            err[450] = e.Settings.DefaultIgnoreTag;
        ASSERT_EQ(f.AddGridSet(*e.DcdtStore, std::vector<double>(n, k + 1.0), err, times[k]), static_cast<int>(k));
    }
    EXPECT_EQ(e.RefreshAvgdcdtvss(), 2);
    const ChannelDataStore& a = *e.AvgDcdtStore;
    ASSERT_EQ(a.GetNumberOfSets(), 2) << "dc/dt set 0 makes no averaged set";
    EXPECT_EQ(a.Headers[0].LastScan, 1);
    EXPECT_EQ(a.Headers[1].FirstScan, 0);
    EXPECT_EQ(a.Headers[1].LastScan, 2);
    EXPECT_DOUBLE_EQ(a.Headers[1].Time, 3 / (1 / 1000.0 + 1 / 2000.0 + 1 / 4000.0));
    EXPECT_DOUBLE_EQ(a.GetY(1, 100), 2.0); // (1 + 2 + 3) / 3
    EXPECT_DOUBLE_EQ(a.GetY(1, 350), 2.0); // sets 0 and 2: (1 + 3) / 2
    EXPECT_DOUBLE_EQ(a.GetY(1, 420), 1.0); // set 0 alone
    EXPECT_EQ(a.GetE(1, 350), e.Settings.DefaultPositiveError);
    EXPECT_EQ(a.GetY(1, 450), 0.0); // nobody
    EXPECT_EQ(a.GetE(1, 450), e.Settings.DefaultNegativeTag);
    EXPECT_EQ(a.Headers[1].LastPoint, 299) << "the last index every set of the window covers";
}

TEST(RealTimeGofS, DilutionIntegralOnThreePointsAndOnOne)
{
    EngineFixture f(2);
    RealTimeGofS& e = f.engine;
    const size_t n = static_cast<size_t>(e.AvgDcdtStore->GetNumberOfPoints());
    std::vector<double> y(n, 0.0), err(n, e.Settings.DefaultNegativeTag);
    const double b = 0.7;
    for (size_t i = 200; i <= 202; ++i) {
        y[i] = b;
        err[i] = e.Settings.DefaultPositiveError;
    }
    ASSERT_EQ(f.AddGridSet(*e.AvgDcdtStore, y, err, 3000, Rpm, 202), 0);
    EXPECT_EQ(e.AddOneGofsvss(0), 3);
    const double d = e.AvgDcdtStore->XStep;
    const double s1 = std::exp(e.AvgDcdtStore->GetX(201)), s2 = std::exp(e.AvgDcdtStore->GetX(202));
    const double k = 2 * RealTimeGofS::OmegaSquared(Rpm) * 3000;
    const ChannelDataStore& g = *e.GofsStore;
    EXPECT_NEAR(g.GetY(0, 200), b, 1e-15);
    EXPECT_NEAR(g.GetY(0, 201), b - k * s1 * b * d, 1e-12);
    EXPECT_NEAR(g.GetY(0, 202), b - k * (s1 * b * d + 0.5 * s2 * b * d), 1e-12);
    EXPECT_EQ(g.GetE(0, 199), e.Settings.DefaultNegativeTag) << "e values are those of the averaged set";

    // A set of a single point passes on uncorrected.
    std::vector<double> single(n, 0.0), singleErr(n, e.Settings.DefaultNegativeTag);
    single[250] = 0.3;
    singleErr[250] = e.Settings.DefaultPositiveError;
    f.AddGridSet(*e.AvgDcdtStore, single, singleErr, 3600);
    EXPECT_EQ(e.AddOneGofsvss(1), 1);
    EXPECT_EQ(g.GetY(1, 250), 0.3);
}

TEST(RealTimeGofS, CompositeIsMadeAfreshByEachRebuild)
{
    EngineFixture f(2);
    RealTimeGofS& e = f.engine;
    const size_t n = static_cast<size_t>(e.AvgDcdtStore->GetNumberOfPoints());
    // Speed 0: no dilution correction, the values pass through unchanged.
    auto addAveraged = [&](double value, double t, int32_t lastPoint) {
        f.AddGridSet(*e.AvgDcdtStore, std::vector<double>(n, value),
            std::vector<double>(n, e.Settings.DefaultPositiveError), t, 0, lastPoint);
    };
    addAveraged(1.0, 1000, 500);
    addAveraged(2.0, 2000, 100);
    ASSERT_EQ(e.RefreshGofsvss(), 1);
    EXPECT_EQ(e.CompositeY[0], 2.0);
    EXPECT_EQ(e.CompositeY[100], 2.0);
    EXPECT_EQ(e.CompositeY[101], 1.0);
    EXPECT_EQ(e.CompositeY[500], 1.0);

    // Beyond every LastPoint the composite holds g(s*) set 0 of this rebuild, whatever earlier
    // rebuilds left: a run followed from its start and one loaded at its end show the same curve.
    e.AvgDcdtStore->ClearSets();
    addAveraged(3.0, 1000, 100);
    addAveraged(4.0, 2000, 50);
    e.RefreshGofsvss();
    EXPECT_EQ(e.CompositeY[50], 4.0);
    EXPECT_EQ(e.CompositeY[100], 3.0);
    EXPECT_EQ(e.CompositeY[101], 3.0);
    EXPECT_EQ(e.CompositeY[500], 3.0);

    // A set added alone updates the composite up to its LastPoint only.
    addAveraged(5.0, 3000, 20);
    e.AddOneGofsvss(2);
    EXPECT_EQ(e.CompositeY[20], 5.0);
    EXPECT_EQ(e.CompositeY[21], 4.0);
    EXPECT_EQ(e.CompositeY[101], 3.0);
}

TEST(RealTimeGofS, StagesMadeOnSeveralThreadsAreBitForBitThoseOfOne)
{
    // Enough scans that every stage is split between threads; the window sums, the averaged and
    // g(s*) sets and the composite must not depend on which thread made what.
    EngineFixture one(80, 1200, 120, 401), four(80, 1200, 120, 401);
    one.engine.Threads = 1;
    four.engine.Threads = 4;
    ASSERT_GE(one.engine.RefreshStages(false), 0);
    ASSERT_GE(four.engine.RefreshStages(false), 0);
    auto bits = [](double v) {
        uint64_t u = 0;
        std::memcpy(&u, &v, sizeof u);
        return u;
    };
    const auto same = [&](const ChannelDataStore& a, const ChannelDataStore& b) {
        ASSERT_GE(a.GetNumberOfSets(), 32);
        ASSERT_EQ(a.GetNumberOfSets(), b.GetNumberOfSets());
        for (int s = 0; s < a.GetNumberOfSets(); ++s) {
            ASSERT_EQ(a.Headers[static_cast<size_t>(s)].LastPoint, b.Headers[static_cast<size_t>(s)].LastPoint);
            for (int p = 0; p < a.GetNumberOfPoints(); ++p)
                ASSERT_TRUE(bits(a.GetY(s, p)) == bits(b.GetY(s, p)) && bits(a.GetE(s, p)) == bits(b.GetE(s, p)))
                    << "set " << s << " point " << p;
        }
    };
    const RealTimeGofS &a = one.engine, &b = four.engine;
    same(*a.DcdtStore, *b.DcdtStore);
    same(*a.AvgDcdtStore, *b.AvgDcdtStore);
    same(*a.GofsStore, *b.GofsStore);
    same(*a.SmoothGofsStore, *b.SmoothGofsStore);
    for (int i = 0; i < a.GofsStore->GetNumberOfPoints(); ++i)
        ASSERT_TRUE(bits(a.CompositeY[static_cast<size_t>(i)]) == bits(b.CompositeY[static_cast<size_t>(i)])
            && bits(a.CompositeE[static_cast<size_t>(i)]) == bits(b.CompositeE[static_cast<size_t>(i)]))
            << "composite point " << i;
}
