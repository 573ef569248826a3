// The meniscus proposed from simulated runs that carry the meniscus artefact, and from runs that
// hold nothing to find.
#include <cmath>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <tuple>

#include "FollowerCheck.h"
#include "follower/ChannelSession.h"
#include "follower/MeniscusProposal.h"
#include "simulator/RunWriter.h"
#include "simulator/SimulatedRun.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

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

// Every artefact the simulator draws at the meniscus, on runs with the features of real ones:
// real noise, interference offsets and fringe jumps, ragged scan ends; the meniscus at 5.9, 6.0 and
// 6.1 cm with the seed.
namespace {

struct ArtefactKind {
    const char* name;
    OpticalKind optics;
    void (*change)(SimRun&);
    const char* shape; // how the proposal names it
};

const ArtefactKind Kinds[] = {
    { "absorbance spike", OpticalKind::Absorbance, [](SimRun&) {}, "a spike of " },
    { "absorbance, a weaker wider spike", OpticalKind::Absorbance,
        [](SimRun& r) { r.meniscusSpikeOD = 0.3, r.meniscusArtefactWidthCm = 0.03; }, "a spike of " },
    { "interference drop", OpticalKind::Interference, [](SimRun&) {}, "a drop of " },
    { "interference, a shallow narrow drop", OpticalKind::Interference,
        [](SimRun& r) { r.meniscusDropFringes = 0.3, r.meniscusArtefactWidthCm = 0.012; }, "a drop of " },
    { "interference step down with a dip", OpticalKind::Interference,
        [](SimRun& r) { r.interferenceMeniscus = InterferenceMeniscus::Step; }, "a step down of " },
    { "interference step down", OpticalKind::Interference,
        [](SimRun& r) { r.interferenceMeniscus = InterferenceMeniscus::Step, r.meniscusDipFringes = 0; },
        "a step down of " },
    { "interference step up with a dip", OpticalKind::Interference,
        [](SimRun& r) { r.interferenceMeniscus = InterferenceMeniscus::Step, r.meniscusStepFringes = 0.6; },
        "a step up of " },
    { "interference step up", OpticalKind::Interference,
        [](SimRun& r) {
            r.interferenceMeniscus = InterferenceMeniscus::Step, r.meniscusStepFringes = 0.6;
            r.meniscusDipFringes = 0;
        },
        "a step up of " },
    // The sample's meniscus is the drop the boundaries leave: the outer one (the reference sector is
    // filled fuller), or the inner one when the other lies outward.
    { "two drops, the sample's the outer", OpticalKind::Interference,
        [](SimRun& r) { r.interferenceMeniscus = InterferenceMeniscus::TwoDrops; }, "a drop of " },
    { "two drops, the sample's the inner", OpticalKind::Interference,
        [](SimRun& r) { r.interferenceMeniscus = InterferenceMeniscus::TwoDrops, r.secondDropOffsetCm = 0.03; },
        "a drop of " },
};

} // namespace

class MeniscusOfEachArtefact : public testing::TestWithParam<std::tuple<size_t, uint64_t>> { };

TEST_P(MeniscusOfEachArtefact, WithinFiftyMicrons)
{
    const ArtefactKind& kind = Kinds[std::get<0>(GetParam())];
    const uint64_t seed = std::get<1>(GetParam());
    SimRun run;
    run.species = { SimSpecies() };
    SimCell cell;
    cell.kind = kind.optics;
    run.cells = { cell };
    run.scans = 6;
    run.seed = seed;
    run.meniscusCm = 5.8 + 0.1 * static_cast<double>(seed);
    run.meniscusArtefact = true;
    run.absorbanceNoise = run.fringeNoise = 0.01;
    run.baselineOffsetSd = 0.3;
    run.fringeJumpProbability = 0.1;
    run.scanEdgeJitterCm = 0.003;
    kind.change(run);
    const std::string channel = kind.optics == OpticalKind::Absorbance ? "0*.RA1" : "0*.IP1";
    const MeniscusFinding f = Propose(run, channel);
    ASSERT_TRUE(f.Found) << kind.name << ": " << f.WhyNot;
    EXPECT_NEAR(f.Radius, run.meniscusCm, 0.005) << kind.name;
    const std::string text = MeniscusFindingText(f);
    EXPECT_NE(text.find(" cm (" + std::string(kind.shape)), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(SimulatedRuns, MeniscusOfEachArtefact,
    testing::Combine(testing::Range<size_t>(0, std::size(Kinds)), testing::Values(1u, 2u, 3u)));

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
