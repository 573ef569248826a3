// From simulated scan files through the g(s*) engine to the g(s*) file: the distribution read
// back must show the species that were put in.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

#include "follower/ChannelFollower.h"
#include "follower/ChannelSession.h"
#include "follower/GofsOutput.h"
#include "simulator/RunWriter.h"
#include "simulator/SimulatedRun.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

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
    d.sMax = std::log((launch.Cell.Bottom - settings.DefaultBottomIgnore) / launch.Cell.Meniscus) / d.omega2t * 1e13;
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

// The g(s*) of one species as the method shows it: a Gaussian of height a at m (S) with width
// w (S), and beyond it the method's second-order remainder of the radial-dilution correction,
// -4 (s w^2 t)(w^2 t (s* - s)) c / s*, which sets in across the boundary.
double Component(double a, double m, double w, double omega2t, double s)
{
    const double amount = a * std::fabs(w) * std::sqrt(2 * M_PI);
    const double step = 0.5 * std::erfc(-(s - m) / (std::fabs(w) * std::sqrt(2.0)));
    return a * std::exp(-(s - m) * (s - m) / (2 * w * w))
        - 4 * (m * 1e-13 * omega2t) * (omega2t * (s - m) * 1e-13) * amount / s * step;
}

struct TwoSpecies {
    double p[6]; // a1, m1, w1, a2, m2, w2
    double Model(double omega2t, double s) const
    {
        return Component(p[0], p[1], p[2], omega2t, s) + Component(p[3], p[4], p[5], omega2t, s);
    }
    double Amount(int k) const { return p[3 * k] * std::fabs(p[3 * k + 2]) * std::sqrt(2 * M_PI); }
};

// Levenberg-Marquardt least squares of two components to g(s*) within [lo, hi].
TwoSpecies FitTwoSpecies(const Distribution& d, double lo, double hi, TwoSpecies start)
{
    std::vector<double> xs, ys;
    for (size_t i = 0; i < d.s.size(); ++i)
        if (d.s[i] >= lo && d.s[i] <= hi) {
            xs.push_back(d.s[i]);
            ys.push_back(d.g[i]);
        }
    auto cost = [&](const TwoSpecies& f) {
        double sum = 0;
        for (size_t i = 0; i < xs.size(); ++i)
            sum += std::pow(f.Model(d.omega2t, xs[i]) - ys[i], 2);
        return sum;
    };
    TwoSpecies f = start;
    double c = cost(f), lambda = 1e-3;
    for (int iteration = 0; iteration < 200; ++iteration) {
        double a[6][7] = {};
        for (size_t i = 0; i < xs.size(); ++i) {
            double j[6];
            const double y = f.Model(d.omega2t, xs[i]);
            for (int k = 0; k < 6; ++k) {
                TwoSpecies g = f;
                const double h = 1e-6 * std::max(std::fabs(f.p[k]), 1e-3);
                g.p[k] += h;
                j[k] = (g.Model(d.omega2t, xs[i]) - y) / h;
            }
            for (int r = 0; r < 6; ++r) {
                for (int k = 0; k < 6; ++k)
                    a[r][k] += j[r] * j[k];
                a[r][6] += j[r] * (ys[i] - y);
            }
        }
        for (int r = 0; r < 6; ++r)
            a[r][r] *= 1 + lambda;
        for (int k = 0; k < 6; ++k)
            for (int r = k + 1; r < 6; ++r) {
                const double m = a[r][k] / a[k][k];
                for (int col = k; col < 7; ++col)
                    a[r][col] -= m * a[k][col];
            }
        double step[6];
        for (int r = 5; r >= 0; --r) {
            double v = a[r][6];
            for (int col = r + 1; col < 6; ++col)
                v -= a[r][col] * step[col];
            step[r] = v / a[r][r];
        }
        TwoSpecies trial = f;
        for (int k = 0; k < 6; ++k)
            trial.p[k] += step[k];
        const double ct = cost(trial);
        if (ct < c) {
            f = trial;
            c = ct;
            lambda /= 3;
        } else {
            lambda *= 4;
        }
    }
    return f;
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
    // Expected: 1.2% low without noise; the noise of the demo moves the peak by a few tenths of a percent.
    EXPECT_NEAR(peak / 4.4, 0.985, 0.01) << "peak at " << peak << " S";

    // The area over the distribution is the plateau concentration at the time of the set.
    // The region below 1 S holds only noise near the meniscus and is left out.
    const double plateau = std::exp(-2 * 4.4e-13 * d.omega2t);
    const double area = AreaOf(d, 1, d.sMax);
    EXPECT_NEAR(area / plateau, 1.0, 0.03) << "area " << area << ", plateau " << plateau;
}

// The two peaks overlap, so their amounts come from a fit of two components; a split at the
// minimum would hand a third of the dimer's lower flank to the monomer.
TEST(EndToEnd, MonomerAndDimerShowTwoPeaksInProportion)
{
    SimRun run = DemoRun();
    run.cells.resize(1); // absorbance, cell 1
    // At 60000 rpm the two boundaries part further before the dimer nears the bottom; 40 scans
    // every 120 s (to 5280 s) keep the dimer's whole distribution inside the newest set.
    run.rpm = 60000;
    run.scans = 40;
    run.intervalSeconds = 120;
    const Distribution d = Analyse(run, "0*.RA1");
    ASSERT_GT(d.omega2t, 0);
    ASSERT_GT(d.sMax, 9.0);

    const double monomer = PeakOf(d, 1, 5.5);
    const double dimer = PeakOf(d, 5.8, d.sMax);
    EXPECT_NEAR(monomer / 4.4, 1.0, 0.025) << "monomer at " << monomer << " S";
    EXPECT_NEAR(dimer / 6.8, 1.0, 0.025) << "dimer at " << dimer << " S";

    TwoSpecies start { { 0.3, monomer, 0.5, 0.08, dimer, 0.5 } };
    const TwoSpecies fit = FitTwoSpecies(d, 2, d.sMax, start);
    const double w2t = d.omega2t;
    const double want = (0.2 * std::exp(-2 * 6.8e-13 * w2t)) / (0.8 * std::exp(-2 * 4.4e-13 * w2t));
    const double got = fit.Amount(1) / fit.Amount(0);
    EXPECT_NEAR(got / want, 1.0, 0.05) << "dimer/monomer amount " << got << ", expected " << want;
    EXPECT_NEAR(fit.p[1] / 4.4, 1.0, 0.025);
    EXPECT_NEAR(fit.p[4] / 6.8, 1.0, 0.025);
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
