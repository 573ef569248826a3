#include <cmath>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

#include "realtime/RealTimeGofS.h"
#include "testutil/ScanFileWriter.h"

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
        engine.Meniscus = 5.9;
        engine.Bottom = 7.2;
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
        h.FileName = "0" + std::to_string(10000 + engine.RawStore->GetNumberOfSets() + 1).substr(1) + ".RA1";
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

TEST(RealTimeGofS, OmegaSquaredAndCreateX)
{
    EXPECT_NEAR(RealTimeGofS::OmegaSquared(60000), 39478417.596, 1e-3);
    RealTimeGofS engine;
    EXPECT_EQ(engine.Refreshdcdtvss(), -1) << "nothing before CreateX";
    EXPECT_EQ(engine.StatusLog, "Initialized with () \n");
    const double one[] = { 6.0 };
    EXPECT_EQ(engine.CreateX(one, 1), -1);
    EXPECT_EQ(engine.StatusLog, "Initialized with () \nUnexpected error in CreateX.  \n");
    EXPECT_FALSE(engine.IsCreated());

    EngineFixture f(0);
    const RealTimeGofS& e = f.engine;
    EXPECT_TRUE(e.IsCreated());
    EXPECT_EQ(e.DcdtStore->GetNumberOfPoints(), 501);
    EXPECT_EQ(e.DcdtStore->GetX(0), std::log(1e-15));
    EXPECT_NEAR(e.DcdtStore->GetX(500), std::log(1e-10), 1e-12);
    // A point at ln(1e-13) stands at s* = 1 S.
    EXPECT_NEAR(std::exp(e.DcdtStore->GetX(200)) * 1e13, 1.0, 1e-9);
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
        { "three scans: case A from the first", 3, 1, { { 0, 2 } } },
        { "four scans: always case B", 4, 0, { { 0, 1 }, { 1, 2 }, { 2, 3 } } },
        { "five scans, partner in first half: consecutive", 5, 1e6, { { 0, 1 }, { 1, 2 }, { 2, 3 }, { 3, 4 } } },
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

TEST(RealTimeGofS, RefusalsLeaveNothingBehind)
{
    EngineFixture f(5);
    ASSERT_EQ(f.engine.Refreshdcdtvss(), 0);
    ASSERT_GT(f.engine.DcdtStore->GetNumberOfSets(), 0);
    f.engine.Meniscus = 0;
    EXPECT_EQ(f.engine.Refreshdcdtvss(), -1);
    EXPECT_EQ(f.engine.DcdtStore->GetNumberOfSets(), 0);
    f.engine.Meniscus = 5.9;
    EXPECT_EQ(f.engine.AddOnedcdtvss(5), -1);
    EXPECT_EQ(f.engine.AddOnedcdtvss(-1), -1);
    EXPECT_EQ(f.engine.DcdtStore->GetNumberOfSets(), 0);

    EngineFixture one(1);
    EXPECT_EQ(one.engine.Refreshdcdtvss(), -1);
    EXPECT_EQ(one.engine.AddOneAvgdcdtvss(1), -1);
    // The interference corrections of a loaded channel are checked with the channel follower.
    EXPECT_EQ(EngineFixture(0).engine.IPtransform(), -1) << "no raw set to correct";
}

TEST(RealTimeGofS, PairWithoutTimeSpanIsSkipped)
{
    // Raw times of 0 (an instrument clock that never started) give no dc/dt set and no infinities.
    EngineFixture f(0);
    ScanHeader h;
    h.Rpm = Rpm;
    std::vector<double> y(f.radii.size(), 1.0);
    h.Time = -1;
    f.engine.RawStore->AddSet(f.radii.data(), y.data(), nullptr, static_cast<int32_t>(y.size()), h, -1);
    h.Time = 0;
    f.engine.RawStore->AddSet(f.radii.data(), y.data(), nullptr, static_cast<int32_t>(y.size()), h, 0);
    EXPECT_EQ(f.engine.Refreshdcdtvss(), 0);
    EXPECT_EQ(f.engine.DcdtStore->GetNumberOfSets(), 0);
    EXPECT_NE(f.engine.StatusLog.find("\nError adding a set.  "), std::string::npos);
}

TEST(RealTimeGofS, DcdtValuesFollowThePairFormula)
{
    EngineFixture f(2, 1200, 600);
    ASSERT_EQ(f.engine.Refreshdcdtvss(), 0);
    const ChannelDataStore& d = *f.engine.DcdtStore;
    const ChannelDataStore& raw = *f.engine.RawStore;
    const double tf = 1200, tl = 1800, thm = 2 / (1 / tl + 1 / tf);
    const double w2 = RealTimeGofS::OmegaSquared(Rpm);
    EXPECT_DOUBLE_EQ(d.Headers[0].Time, thm);
    EXPECT_DOUBLE_EQ(d.Headers[0].Omega2t, w2 * thm);
    // Raw point 700 (r = 6.55) lands at ln s* = ln(ln(r/m) / thm / w2); check the grid value
    // interpolated there against the formula at the neighbouring raw points.
    const double r = raw.GetX(700);
    const double x = std::log(std::log(r / 5.9) / thm / w2);
    const double y = (raw.GetY(0, 700) - raw.GetY(1, 700)) * thm / (tl - tf);
    int g = 0;
    while (d.GetX(g + 1) < x)
        ++g;
    // Linear interpolation between raw points brackets the value at the grid point.
    const double ya = (raw.GetY(0, 699) - raw.GetY(1, 699)) * thm / (tl - tf);
    const double yb = (raw.GetY(0, 701) - raw.GetY(1, 701)) * thm / (tl - tf);
    EXPECT_GE(d.GetY(0, g), std::min({ ya, y, yb }) - 1e-12);
    EXPECT_LE(d.GetY(0, g), std::max({ ya, y, yb }) + 1e-12);
    EXPECT_EQ(d.GetE(0, g), f.engine.Settings.DefaultPositiveError);
    EXPECT_EQ(d.GetE(0, 0), f.engine.Settings.DefaultIgnoreTag) << "near the meniscus";
    EXPECT_EQ(d.GetE(0, 500), f.engine.Settings.DefaultIgnoreTag) << "near the bottom";
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
    e.WindowByMW = true;
    e.AssumedMW = 66000;
    {
        const double s = 0.3125e-13 * std::pow(66.0, 0.6666666);
        const double D = 9.1e10 * s / 66000;
        const double w = 1.665 * std::sqrt(D * t);
        const double rb = m * std::exp(s * w2t);
        const double W = (std::log(rb + w) - std::log(rb)) / s;
        EXPECT_DOUBLE_EQ(e.ComputeDcdtWindow(w2t, m, b, t), W);
    }
    // Boundary short of mid-cell: never capped, however wide.
    const double early = 1e9;
    const double uncapped = e.ComputeDcdtWindow(early, m, b, 1e9);
    EXPECT_GT(uncapped / early, 0.2);
    // Boundary past mid-cell (a large omega^2 t): capped.
    EXPECT_DOUBLE_EQ(e.ComputeDcdtWindow(3e11, m, b, 1e12), 0.2 * 3e11);
    EXPECT_EQ(e.ComputeDcdtWindow(0, m, b, t), 0) << "arithmetic failure gives 0";
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
    EXPECT_EQ(g.GetE(0, 201), e.Settings.DefaultPositiveError);
    EXPECT_EQ(g.GetE(0, 199), e.Settings.DefaultNegativeTag) << "e values are those of the averaged set";
    EXPECT_EQ(e.SmoothGofsStore->GetNumberOfSets(), 1);
    EXPECT_EQ(e.SmoothGofsStore->GetE(0, 203), e.Settings.DefaultNegativeTag);
    // The composite covers the whole grid after the first set, with the y and e AddSet produced.
    EXPECT_FALSE(e.CompositeEmpty);
    EXPECT_EQ(e.CompositeX[300], e.AvgDcdtStore->GetX(300));
    EXPECT_LT(e.CompositeE[300], 0);
    EXPECT_NEAR(e.CompositeY[201], g.GetY(0, 201), 0);

    // A set of a single point passes on uncorrected.
    std::fill(y.begin(), y.end(), 0.0);
    std::fill(err.begin(), err.end(), e.Settings.DefaultNegativeTag);
    y[250] = 0.3;
    err[250] = e.Settings.DefaultPositiveError;
    f.AddGridSet(*e.AvgDcdtStore, y, err, 3600);
    EXPECT_EQ(e.AddOneGofsvss(1), 1);
    EXPECT_EQ(g.GetY(1, 250), 0.3);
    EXPECT_LT(g.GetE(1, 249), 0);
    EXPECT_LT(g.GetE(1, 251), 0);
}

TEST(RealTimeGofS, CompositeKeepsOlderValuesBeyondLastPoint)
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

    // Same parameters: a refresh keeps the first fill beyond every LastPoint, as the run is followed.
    e.AvgDcdtStore->ClearSets();
    addAveraged(3.0, 1000, 100);
    addAveraged(4.0, 2000, 50);
    e.RefreshGofsvss();
    EXPECT_EQ(e.CompositeY[50], 4.0);
    EXPECT_EQ(e.CompositeY[100], 3.0);
    EXPECT_EQ(e.CompositeY[101], 1.0);

    // A moved meniscus starts the composite afresh: no value of the old meniscus survives.
    e.Meniscus = 5.95;
    e.RefreshGofsvss();
    EXPECT_EQ(e.CompositeY[101], 3.0);
    EXPECT_EQ(e.CompositeY[500], 3.0);
    EXPECT_EQ(e.CompositeY[50], 4.0);
}

TEST(RealTimeGofS, DescribeSetLabels)
{
    EngineFixture f(5);
    RealTimeGofS& e = f.engine;
    e.RawStore->Headers[0].Description = "Desc";
    e.RawStore->Headers[0].HeaderLine = "R 1";
    e.Settings.dcdtWindowFactor = 0; // case C: pairs (0,2) (1,3) (2,4)
    e.Refreshdcdtvss();
    e.Settings.MaxAveragingPercent = 2;
    e.Settings.dcdtWindowFactor = 5;
    e.RefreshAvgdcdtvss();
    EXPECT_EQ(e.DescribeSet(e.RawStore.get(), 0), "00001.RA1^DescR 1");
    EXPECT_EQ(e.DescribeSet(e.DcdtStore.get(), 0), "00001.RA1 - 00003.RA1^");
    EXPECT_EQ(e.DescribeSet(e.AvgDcdtStore.get(), 1),
        "00001.RA1 - 00005.RA1^00001.RA1 - 00003.RA1  00002.RA1 - 00004.RA1  00003.RA1 - 00005.RA1  ");
    EXPECT_EQ(e.DescribeSet(e.SmoothGofsStore.get(), 0), "");
    EXPECT_EQ(e.DescribeSet(e.DcdtStore.get(), 99), "") << "index outside the store";
    const CustomSettings s;
    const ChannelDataStore foreign(s, 0.0, 1.0, 3);
    EXPECT_EQ(e.DescribeSet(&foreign, 0), "");
}

TEST(RealTimeGofS, RebuildOfTheAveragedStageEqualsOneSetAtATime)
{
    EngineFixture f(60, 1200, 120, 400);
    RealTimeGofS& e = f.engine;
    ASSERT_EQ(e.Refreshdcdtvss(), 0);
    e.RefreshAvgdcdtvss();
    e.RefreshGofsvss();
    const ChannelDataStore& a = *e.AvgDcdtStore;
    const int sets = a.GetNumberOfSets();
    ASSERT_GT(sets, 10);
    // Every dc/dt set but the first makes an averaged set, each of those a g(s*) set and its smoothed copy.
    EXPECT_EQ(sets, e.DcdtStore->GetNumberOfSets() - 1);
    EXPECT_EQ(e.GofsStore->GetNumberOfSets(), sets);
    EXPECT_EQ(e.SmoothGofsStore->GetNumberOfSets(), sets);
    std::vector<std::vector<double>> rebuilt;
    std::vector<int32_t> lastPoints;
    for (int k = 0; k < sets; ++k) {
        rebuilt.emplace_back(a.GetSetY(k), a.GetSetY(k) + a.GetNumberOfPoints());
        lastPoints.push_back(a.Headers[static_cast<size_t>(k)].LastPoint);
    }
    e.AvgDcdtStore->ClearSets();
    for (int k = 0; k < e.DcdtStore->GetNumberOfSets(); ++k)
        e.AddOneAvgdcdtvss(k);
    ASSERT_EQ(a.GetNumberOfSets(), sets);
    for (int k = 0; k < sets; ++k) {
        EXPECT_EQ(a.Headers[static_cast<size_t>(k)].LastPoint, lastPoints[static_cast<size_t>(k)]);
        for (int i = 0; i < a.GetNumberOfPoints(); ++i)
            ASSERT_NEAR(a.GetY(k, i), rebuilt[static_cast<size_t>(k)][static_cast<size_t>(i)],
                1e-13 * (1 + std::fabs(a.GetY(k, i))))
                << k << " " << i;
    }
}
