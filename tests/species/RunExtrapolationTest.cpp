// The extrapolation to infinite time on simulated runs of the demo's absorbance cell, with the
// range the data view and the command line take by default: every set.
#include <gtest/gtest.h>

#include "SimulatedChannel.h"
#include "follower/ExtrapolationFile.h"
#include "follower/GofsOutput.h"
#include "settings/GUISettings.h"

using namespace morvane;

namespace {

struct Extrapolated {
    ExtrapolationOutput x;
    GofsPeak peak;
};

Extrapolated Of(const RealTimeGofS& e, int32_t start, int32_t end)
{
    Extrapolated r { ExtrapolateSets(e, "run", start, end, GUISettings()), {} };
    const double omega2t = e.SmoothGofsStore->Headers[static_cast<size_t>(end)].Omega2t;
    r.peak = FindGofsPeak(WellDeterminedGofs(r.x.rows), BoundaryMinimumSStar(e.Cell.Meniscus, omega2t));
    return r;
}

} // namespace

// Over every set the curve is a result and peaks within 5 % of the (main) species' s, 1 to 2 %
// low as the g(s*) peak of a diffusing species lies; over the last 11 sets the fit cannot tell
// its terms apart, and the nearest sound range again peaks within 5 %.
TEST(RunExtrapolation, EverySetIsSoundTheLastElevenAreNot)
{
    for (const char* name : { "single", "mixture" }) {
        SCOPED_TRACE(name);
        const RealTimeGofS& e = EngineOfRun(name, std::string(name) == "single" ? SingleSpeciesRun() : MixtureRun());
        const int32_t end = e.SmoothGofsStore->GetNumberOfSets() - 1;
        const Extrapolated all = Of(e, 0, end);
        EXPECT_TRUE(all.x.judgement.Sound()) << all.x.judgement.Reason;
        EXPECT_NEAR(all.peak.SStar, 4.4, 0.05 * 4.4);
        EXPECT_LT(all.peak.SStar, 4.4);

        const Extrapolated last = Of(e, end - 10, end);
        EXPECT_EQ(last.x.judgement.Verdict, ExtrapolationVerdict::IllConditioned);
        ExtrapolationRange sound;
        ExtrapolationRefusalOf(e, last.x, &sound);
        ASSERT_TRUE(sound.Found);
        EXPECT_EQ(sound.End, end);
        const Extrapolated nearest = Of(e, sound.Start, sound.End);
        EXPECT_TRUE(nearest.x.judgement.Sound());
        EXPECT_NEAR(nearest.peak.SStar, 4.4, 0.05 * 4.4);
    }
}

// A 10 S species reaches the bottom before the run ends: the newest sets hold nothing to
// extrapolate, and the newest end that is sound keeps the whole boundary.
TEST(RunExtrapolation, FastSpeciesEndsBeforeItsBoundaryLeaves)
{
    SimRun run = SingleSpeciesRun();
    run.species[0].sSvedberg = 10;
    run.species[0].molecularWeight = 300000;
    const RealTimeGofS& e = EngineOfRun("fast", run);
    const int32_t end = e.SmoothGofsStore->GetNumberOfSets() - 1;
    const Extrapolated all = Of(e, 0, end);
    EXPECT_FALSE(all.x.judgement.Sound());
    ExtrapolationRange sound;
    ExtrapolationRefusalOf(e, all.x, &sound);
    ASSERT_TRUE(sound.Found);
    EXPECT_EQ(sound.Start, 0);
    EXPECT_LT(sound.End, end);
    const Extrapolated chosen = Of(e, 0, sound.End);
    EXPECT_NEAR(chosen.peak.SStar, 10, 0.05 * 10);
    EXPECT_LE(chosen.x.judgement.HeightRatio, MaxHeightRatio);
}
