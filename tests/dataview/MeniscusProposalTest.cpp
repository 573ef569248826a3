// The meniscus proposed from simulated runs that carry the meniscus artefact, and from runs that
// hold nothing to find.
#include <cmath>
#include <gtest/gtest.h>
#include <string>

#include "FollowerCheck.h"
#include "dataview/ChannelSession.h"
#include "dataview/MeniscusProposal.h"
#include "simulator/RunWriter.h"
#include "simulator/SimulatedRun.h"
#include "testutil/ScanFileWriter.h"

namespace {

SimRun OneSpeciesRun()
{
    SimRun run;
    SimSpecies monomer;
    run.species = { monomer };
    SimCell absorbance;
    SimCell interference;
    interference.kind = OpticalKind::Interference;
    interference.cell = 2;
    run.cells = { absorbance, interference };
    run.scans = 6;
    run.meniscusArtefact = true;
    return run;
}

// Writes the run and proposes the meniscus of `channel` from it.
MeniscusFinding Propose(const SimRun& run, const std::string& channel)
{
    testutil::TempDir dir;
    RunSimulator simulator(run);
    EXPECT_EQ(WriteRunFiles(simulator, dir.path(), nullptr, nullptr), "");
    ChannelFollower follower;
    follower.Now = followertest::LongAfter;
    OpenChannel(follower, dir.path(), LaunchParameters::Defaults(channel));
    EXPECT_TRUE(follower.HasData);
    return ProposeMeniscus(*follower.Engine);
}

} // namespace

TEST(MeniscusProposal, WithinFiftyMicronsOnSimulatedRuns)
{
    constexpr double Bound = 0.005; // cm
    const struct {
        const char* name;
        const char* channel;
        void (*change)(SimRun&);
    } cases[] = {
        { "absorbance", "0*.RA1", [](SimRun&) {} },
        { "interference", "0*.IP2", [](SimRun&) {} },
        { "the demo's absorbance", "0*.RA1", [](SimRun& r) { r = DemoRun(), r.scans = 6; } },
        { "the demo's interference: offsets, fringe jumps, ragged scan ends", "0*.IP2",
            [](SimRun& r) { r = DemoRun(), r.scans = 6; } },
        { "absorbance, meniscus at 6.05 cm, four times the noise", "0*.RA1",
            [](SimRun& r) { r.meniscusCm = 6.05, r.absorbanceNoise = 0.02, r.scanEdgeJitterCm = 0.003; } },
        { "interference, meniscus at 5.95 cm, four times the noise and a fixed pattern", "0*.IP2",
            [](SimRun& r) { r.meniscusCm = 5.95, r.fringeNoise = 0.02, r.timeInvariantNoiseSd = 0.01; } },
        { "absorbance, a weaker wider spike", "0*.RA1",
            [](SimRun& r) { r.meniscusSpikeOD = 0.3, r.meniscusArtefactWidthCm = 0.03, r.absorbanceNoise = 0.01; } },
        { "interference, a shallow narrow drop", "0*.IP2",
            [](SimRun& r) { r.meniscusDropFringes = 0.3, r.meniscusArtefactWidthCm = 0.012, r.fringeNoise = 0.01; } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimRun run = OneSpeciesRun();
        c.change(run);
        const MeniscusFinding f = Propose(run, c.channel);
        ASSERT_TRUE(f.Found) << f.WhyNot;
        EXPECT_NEAR(f.Radius, run.meniscusCm, Bound);
    }
}

TEST(MeniscusProposal, RunsWithoutTheArtefactFindNone)
{
    for (const char* channel : { "0*.RA1", "0*.IP2" }) {
        SCOPED_TRACE(channel);
        SimRun run = OneSpeciesRun();
        run.meniscusArtefact = false;
        const MeniscusFinding f = Propose(run, channel);
        EXPECT_FALSE(f.Found) << MeniscusFindingText(f);
        EXPECT_EQ(MeniscusFindingText(f).rfind("no meniscus found: no ", 0), 0u);
    }
}
