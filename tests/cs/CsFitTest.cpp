// c(s) on simulated runs: what the method promises (s of a single species within 0.5 % and f/f0
// within 5 %; each peak of a 4.4/6.8/9.5 S 70/20/10 mixture within 2 % in s and 3 points in
// fraction; a 3 % aggregate of an antibody in noisy interference within 3 % and 1 point), and
// that the kept Lamm solutions give a new scan the answer of a fresh fit, on any number of threads.
// The runs are thinned (30 scans, coarse radii) so that the fits take a second or two each.
#include <chrono>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>

#include "cs/CsChannel.h"
#include "cs/CsFit.h"
#include "follower/ChannelFollower.h"
#include "follower/ChannelSession.h"
#include "simulator/RunWriter.h"
#include "simulator/SimulatedRun.h"
#include "species/Svedberg.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

using namespace morvane::cs;

namespace {

struct Loaded {
    CsData data;
    NoiseTerms noise;
};

// suffix: "Sam" or "Ref" for an intensity cell, the beam read; given: the positions and radii
// asked for (default: the run's).
Loaded Load(const SimRun& run, const std::string& suffix = "", const CsOptions* given = nullptr)
{
    testutil::TempDir dir;
    RunSimulator simulator(run);
    EXPECT_EQ(WriteRunFiles(simulator, dir.path(), nullptr, nullptr), "");
    const auto past = std::chrono::file_clock::from_sys(std::chrono::system_clock::time_point(std::chrono::seconds(1577836800)));
    for (const auto& file : std::filesystem::directory_iterator(dir.path()))
        std::filesystem::last_write_time(file.path(), past);
    ChannelFollower follower;
    const SimCell& cell = run.cells.front();
    OpenChannel(follower, dir.path(),
        LaunchParameters::Defaults(std::string(1, cell.channelLetter) + "*." + KindCode(cell.kind) + std::to_string(cell.cell) + suffix));
    Loaded l;
    std::vector<std::string> notes;
    CsOptions at = given ? *given : CsOptions();
    if (!given) {
        at.meniscusCm = run.meniscusCm;
        at.bottomCm = run.bottomCm;
    }
    EXPECT_EQ(ChannelData(*follower.Engine, at, l.data, notes), "");
    l.noise = DefaultNoise(*follower.Engine);
    return l;
}

SimRun Thinned(OpticalKind kind)
{
    SimRun run = DemoRun();
    run.cells.resize(1);
    run.cells[0].kind = kind;
    run.species.clear();
    run.scans = 30;
    run.intervalSeconds = 360;
    run.stepCm = kind == OpticalKind::Interference ? 0.003 : 0.004;
    return run;
}

SimSpecies Species(double s, double mw, double mgPerMl)
{
    SimSpecies x;
    x.sSvedberg = s;
    x.molecularWeight = mw;
    x.loadingMgPerMl = mgPerMl;
    return x;
}

CsOptions Options(const Loaded& l, double sMin, double sMax, int32_t resolution)
{
    CsOptions o;
    o.sMin = sMin;
    o.sMax = sMax;
    o.resolution = resolution;
    o.noise = l.noise;
    return o;
}

// The peak nearest s.
const CsPeak& Near(const CsResult& r, double s)
{
    size_t best = 0;
    for (size_t k = 0; k < r.peaks.size(); ++k)
        if (std::fabs(r.peaks[k].s - s) < std::fabs(r.peaks[best].s - s))
            best = k;
    return r.peaks.at(best);
}

} // namespace

TEST(CsFit, SingleSpeciesGivesItsSAndFrictionalRatio)
{
    SimRun run = Thinned(OpticalKind::Absorbance);
    run.species = { Species(4.4, 66000, 1.0) };
    const Loaded l = Load(run);
    CsFitter fitter(Options(l, 0.5, 12, 80));
    const CsResult r = fitter.Fit(l.data);
    ASSERT_EQ(r.error, "");
    const SolventConditions water;
    const double trueRatio = FrictionalRatio(4.4e-13, DiffusionOf(run.species[0], run), 20, water);
    EXPECT_NEAR(r.frictionalRatio / trueRatio, 1, 0.05);
    const CsPeak& p = Near(r, 4.4);
    EXPECT_NEAR(p.s / 4.4, 1, 0.005);
    EXPECT_GT(p.fraction, 0.97);
    // The regularisation's known broadening: one species is a peak several grid steps wide.
    EXPECT_GE(p.sHigh - p.sLow, 1.99 * (r.s[1] - r.s[0]));
    // No misfit beyond the noise (the store's interpolation of jittered scans smooths it a little).
    EXPECT_LT(r.rmsResidual, 1.05 * run.absorbanceNoise);
}

// Intensity is fitted as the pseudo-absorbance of one beam, with the lamp's profile as a
// time-invariant term; the reference beam holds no sample and says so.
TEST(CsFit, IntensityAndFluorescenceGiveTheSingleSpecies)
{
    EXPECT_TRUE(NoiseOfChannel("0*.RI3Sam").timeInvariant);
    EXPECT_FALSE(NoiseOfChannel("0*.RI3Sam").radialInvariant);
    EXPECT_TRUE(NoiseOfChannel("0*.ip2").radialInvariant);
    EXPECT_FALSE(NoiseOfChannel("0*.RA1").timeInvariant);
    EXPECT_FALSE(NoiseOfChannel("0*.FI4").timeInvariant);
    for (const auto& [kind, beam] : { std::pair { OpticalKind::Intensity, "Sam" }, std::pair { OpticalKind::Fluorescence, "" } }) {
        SimRun run = Thinned(kind);
        run.species = { Species(4.4, 66000, 1.0) };
        const Loaded l = Load(run, beam);
        const CsResult r = CsFitter(Options(l, 0.1, 12, 80)).Fit(l.data);
        ASSERT_EQ(r.error, "") << KindCode(kind);
        const CsPeak& p = Near(r, 4.4);
        EXPECT_NEAR(p.s / 4.4, 1, 0.005) << KindCode(kind);
        EXPECT_GT(p.fraction, 0.97) << KindCode(kind) << ": no peak of the lamp's profile";
        const double trueRatio = FrictionalRatio(4.4e-13, DiffusionOf(run.species[0], run), 20, SolventConditions());
        EXPECT_NEAR(r.frictionalRatio / trueRatio, 1, 0.05) << KindCode(kind);
        EXPECT_TRUE(r.notes.empty()) << r.notes.front();
    }
    SimRun run = Thinned(OpticalKind::Intensity);
    run.species = { Species(4.4, 66000, 1.0) };
    const Loaded reference = Load(run, "Ref");
    const CsResult r = CsFitter(Options(reference, 0.1, 12, 80)).Fit(reference.data);
    ASSERT_EQ(r.error, "");
    ASSERT_FALSE(r.notes.empty());
    EXPECT_EQ(r.notes.front().rfind("no sedimenting material: the total loading (", 0), 0u) << r.notes.front();
}

// A meniscus given 0.01 cm off is fitted back to the run's; the species stays where it was.
TEST(CsFit, FittedMeniscusFindsTheRunsOwn)
{
    SimRun run = Thinned(OpticalKind::Absorbance);
    run.species = { Species(4.4, 66000, 1.0) };
    CsOptions asked;
    asked.meniscusCm = run.meniscusCm + 0.01;
    asked.bottomCm = run.bottomCm;
    asked.meniscusRangeCm = MeniscusFitRangeCm;
    const Loaded l = Load(run, "", &asked);
    EXPECT_GE(l.data.radii.front(), asked.meniscusCm + MeniscusFitRangeCm + MeniscusMarginCm)
        << "clear of every meniscus tried";
    CsOptions o = Options(l, 0.5, 12, 80);
    o.meniscusCm = asked.meniscusCm;
    o.bottomCm = asked.bottomCm;
    o.meniscusRangeCm = asked.meniscusRangeCm;
    const CsResult r = CsFitter(o).Fit(l.data);
    ASSERT_EQ(r.error, "");
    EXPECT_TRUE(r.meniscusFitted);
    EXPECT_NEAR(r.meniscusCm, run.meniscusCm, 0.002);
    EXPECT_NEAR(Near(r, 4.4).s / 4.4, 1, 0.005);
    EXPECT_TRUE(r.notes.empty()) << r.notes.front();
}

TEST(CsFit, ThreeSpeciesMixtureGivesEachPeak)
{
    SimRun run = Thinned(OpticalKind::Absorbance);
    run.species = { Species(4.4, 66000, 0.7), Species(6.8, 132000, 0.2), Species(9.5, 200000, 0.1) };
    const Loaded l = Load(run);
    CsFitter fitter(Options(l, 1, 15, 100));
    const CsResult r = fitter.Fit(l.data);
    ASSERT_EQ(r.error, "");
    const double s[3] = { 4.4, 6.8, 9.5 }, share[3] = { 0.7, 0.2, 0.1 };
    for (int k = 0; k < 3; ++k) {
        const CsPeak& p = Near(r, s[k]);
        EXPECT_NEAR(p.s / s[k], 1, 0.02) << s[k] << " S";
        EXPECT_NEAR(p.fraction, share[k], 0.03) << s[k] << " S";
    }
}

TEST(CsFit, AggregateOfAnAntibodyInNoisyInterference)
{
    SimRun run = Thinned(OpticalKind::Interference);
    run.rpm = 40000;
    run.species = { Species(6.5, 150000, 0.97), Species(9.5, 300000, 0.03) };
    run.fringeNoise = 0.01;
    run.baselineOffsetSd = 0.3;
    run.fringeJumpProbability = 0.1;
    run.timeInvariantNoiseSd = 0.01;
    run.meniscusArtefact = true;
    run.scanEdgeJitterCm = 0.003;
    const Loaded l = Load(run);
    ASSERT_TRUE(l.noise.timeInvariant && l.noise.radialInvariant);
    CsFitter fitter(Options(l, 1, 15, 100));
    const CsResult r = fitter.Fit(l.data);
    ASSERT_EQ(r.error, "");
    const CsPeak& aggregate = Near(r, 9.5);
    EXPECT_NEAR(aggregate.s / 9.5, 1, 0.03);
    EXPECT_NEAR(aggregate.fraction, 0.03, 0.01);
    EXPECT_NEAR(Near(r, 6.5).s / 6.5, 1, 0.005);
}

TEST(CsFit, AddedScansAndThreadsGiveTheFreshFitsAnswer)
{
    SimRun run = Thinned(OpticalKind::Absorbance);
    run.scans = 12;
    run.species = { Species(4.4, 66000, 0.8), Species(6.8, 132000, 0.2) };
    const Loaded l = Load(run);
    CsOptions o = Options(l, 1, 10, 40);
    o.frictionalRatio = 1.3;
    o.threads = 2;
    CsData first = l.data;
    first.omega2t.resize(9);
    first.values.resize(9);
    CsFitter following(o);
    ASSERT_EQ(following.Fit(first).error, "");
    const CsResult updated = following.Update(l.data);
    o.threads = 1;
    CsFitter fresh(o);
    const CsResult direct = fresh.Fit(l.data);
    EXPECT_EQ(updated.scansUsed, 12);
    EXPECT_EQ(updated.amount, direct.amount); // bit for bit
    EXPECT_EQ(updated.rmsResidual, direct.rmsResidual);
}

TEST(CsFit, RefusesWhatCannotBeFitted)
{
    CsData d;
    d.radii = { 6.0, 6.1 };
    CsFitter fitter(CsOptions {});
    EXPECT_NE(fitter.Fit(d).error.find("at least 3 scans"), std::string::npos);
}
