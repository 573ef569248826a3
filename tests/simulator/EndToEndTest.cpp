// From simulated scan files through the g(s*) engine to the g(s*) file: the distribution read
// back must show the species that were put in.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

#include "dataview/ChannelFollower.h"
#include "dataview/ChannelSession.h"
#include "dataview/GofsOutput.h"
#include "simulator/RunWriter.h"
#include "simulator/SimulatedRun.h"
#include "testutil/ScanFileWriter.h"

using testutil::TempDir;

namespace {

struct Distribution {
    std::vector<double> s; // s*, S
    std::vector<double> g; // g(s*), the file's third column
    double omega2t = 0; // of the newest g(s*) set
    double sMax = 0; // the largest s* the newest set covers, S
};

// Writes the run, opens the channel as a launch with the default positions would, writes the
// g(s*) file and reads its rows back.
Distribution Analyse(const SimRun& run, const std::string& channel)
{
    Distribution d;
    TempDir dir;
    RunSimulator simulator(run);
    EXPECT_EQ(WriteRunFiles(simulator, dir.path(), nullptr, nullptr), "");
    ChannelFollower follower;
    const LaunchParameters launch = LaunchParameters::Defaults(channel);
    OpenChannel(follower, dir.path(), launch);
    const std::string path = dir / "gofs.txt";
    EXPECT_EQ(WriteGofsFile(*follower.Engine, path, 0, true), "");
    const ChannelDataStore& gofs = *follower.Engine->GofsStore;
    if (gofs.GetNumberOfSets() < 1) {
        ADD_FAILURE() << "no g(s*) set";
        return d;
    }
    d.omega2t = gofs.Headers[static_cast<size_t>(gofs.GetNumberOfSets() - 1)].Omega2t;
    const CustomSettings settings;
    d.sMax = std::log((launch.Bottom - settings.DefaultBottomIgnore) / launch.Meniscus) / d.omega2t * 1e13;
    std::istringstream in(testutil::ReadTextFile(path));
    std::string line;
    while (std::getline(in, line)) {
        double s = 0, v = 0, g = 0;
        if (std::sscanf(line.c_str(), "%lf\t%lf\t%lf", &s, &v, &g) == 3) {
            d.s.push_back(s);
            d.g.push_back(g);
        }
    }
    EXPECT_GT(d.s.size(), 100u);
    return d;
}

// The maximum of g(s*) within [lo, hi]: a least-squares parabola in ln s* through the points
// around the largest value that reach 70% of it (the grid is 2.3% wide in s*).
double PeakOf(const Distribution& d, double lo, double hi)
{
    size_t best = d.s.size();
    for (size_t i = 0; i < d.s.size(); ++i)
        if (d.s[i] >= lo && d.s[i] <= hi && (best == d.s.size() || d.g[i] > d.g[best]))
            best = i;
    if (best == d.s.size() || best == 0 || best + 1 == d.s.size())
        return 0;
    size_t a = best, b = best;
    while (a > 0 && d.g[a - 1] >= 0.7 * d.g[best] && d.s[a - 1] >= lo)
        --a;
    while (b + 1 < d.s.size() && d.g[b + 1] >= 0.7 * d.g[best] && d.s[b + 1] <= hi)
        ++b;
    // Normal equations of y = c0 + c1 x + c2 x^2 with x = ln(s / s_best).
    double m[3][4] = {};
    for (size_t i = a; i <= b; ++i) {
        const double x = std::log(d.s[i] / d.s[best]);
        const double p[3] = { 1, x, x * x };
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c)
                m[r][c] += p[r] * p[c];
            m[r][3] += p[r] * d.g[i];
        }
    }
    for (int k = 0; k < 3; ++k)
        for (int r = k + 1; r < 3; ++r) {
            const double f = m[r][k] / m[k][k];
            for (int c = k; c < 4; ++c)
                m[r][c] -= f * m[k][c];
        }
    const double c2 = m[2][3] / m[2][2];
    const double c1 = (m[1][3] - m[1][2] * c2) / m[1][1];
    return d.s[best] * std::exp(-c1 / (2 * c2));
}

// Trapezoid area of g(s*) over s* within [lo, hi].
double AreaOf(const Distribution& d, double lo, double hi)
{
    double area = 0;
    for (size_t i = 1; i < d.s.size(); ++i)
        if (d.s[i - 1] >= lo && d.s[i] <= hi)
            area += 0.5 * (d.g[i] + d.g[i - 1]) * (d.s[i] - d.s[i - 1]);
    return area;
}

SimRun OneSpeciesRun()
{
    SimRun run = DemoRun(); // 50000 rpm, 60 scans from 600 s every 180 s
    run.species.resize(1); // 4.4 S, 66 kDa
    run.species[0].loadingMgPerMl = 1.0;
    run.cells.resize(1); // absorbance, cell 1
    return run;
}

} // namespace

// The method reads s a little low for a protein of this size at this speed (diffusion
// spreads the boundary, and the spread is read as a lower s*): about -1 to -1.5%.
TEST(EndToEnd, SingleSpeciesPeakAndAreaFromAbsorbance)
{
    const SimRun run = OneSpeciesRun();
    const Distribution d = Analyse(run, "0*.RA1");
    ASSERT_GT(d.omega2t, 0);
    const double peak = PeakOf(d, 1, d.sMax);
    EXPECT_NEAR(peak / 4.4, 1.0, 0.025) << "peak at " << peak << " S";
    EXPECT_LT(peak, 4.4) << "the expected bias is low";

    // The area over the distribution is the plateau concentration at the time of the set.
    // The region below 1 S holds only noise near the meniscus and is left out.
    const double plateau = std::exp(-2 * 4.4e-13 * d.omega2t);
    const double area = AreaOf(d, 1, d.sMax);
    EXPECT_NEAR(area / plateau, 1.0, 0.03) << "area " << area << ", plateau " << plateau;
}

// Two species far enough apart that each peak's area can be taken on its side of the gap between
// them: a 4.4 S protein and an 11 S one, each area the plateau concentration of its species.
TEST(EndToEnd, TwoSpeciesShowTwoPeaksWithTheirAmounts)
{
    SimRun run = OneSpeciesRun();
    run.species[0].loadingMgPerMl = 0.6;
    SimSpecies big;
    big.sSvedberg = 11;
    big.diffusionGiven = true;
    big.diffusionCm2s = 3e-7;
    big.loadingMgPerMl = 0.4;
    run.species.push_back(big);
    // At 60000 rpm the slower boundary sharpens sooner; 25 scans every 120 s (to 3480 s) keep the
    // 11 S boundary clear of the bottom.
    run.rpm = 60000;
    run.scans = 25;
    run.intervalSeconds = 120;
    const Distribution d = Analyse(run, "0*.RA1");
    ASSERT_GT(d.sMax, 13.0);
    const double split = 7.5;
    const double small = PeakOf(d, 1, split), large = PeakOf(d, split, d.sMax);
    // This early in the run diffusion still spreads the 4.4 S boundary: its peak reads 2 to 4% low.
    EXPECT_NEAR(small / 4.4, 0.97, 0.015) << "at " << small << " S";
    EXPECT_NEAR(large / 11, 1.0, 0.025) << "at " << large << " S";
    const double smallArea = AreaOf(d, 1, split), largeArea = AreaOf(d, split, d.sMax);
    EXPECT_NEAR(smallArea / (0.6 * std::exp(-2 * 4.4e-13 * d.omega2t)), 1.0, 0.05) << smallArea;
    EXPECT_NEAR(largeArea / (0.4 * std::exp(-2 * 11e-13 * d.omega2t)), 1.0, 0.05) << largeArea;
}

TEST(EndToEnd, InterferenceOffsetsAndFringeJumpsAreCorrectedAway)
{
    SimRun clean = DemoRun();
    clean.cells.erase(clean.cells.begin()); // interference, cell 2
    clean.baselineOffsetSd = 0;
    clean.fringeJumpProbability = 0;
    SimRun messy = clean;
    messy.baselineOffsetSd = 2.0;
    messy.fringeJumpProbability = 0.3;

    const Distribution a = Analyse(clean, "0*.IP2");
    const Distribution b = Analyse(messy, "0*.IP2");
    ASSERT_EQ(a.s.size(), b.s.size());
    double peakG = 0;
    for (double g : a.g)
        peakG = std::max(peakG, g);
    // Both runs carry the same point noise: after the jitter and fringe corrections the scans
    // differ only by the rounding of the written values.
    for (size_t i = 0; i < a.s.size(); ++i) {
        if (a.s[i] < 1 || a.s[i] > a.sMax)
            continue;
        SCOPED_TRACE(a.s[i]);
        EXPECT_NEAR(b.g[i], a.g[i], 0.002 * peakG);
    }
    EXPECT_NEAR(PeakOf(b, 1, 5.5) / 4.4, 1.0, 0.025);
}
