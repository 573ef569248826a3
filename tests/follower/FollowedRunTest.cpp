// A run followed tick by tick holds, at every tick, exactly what a full load of the files present
// then gives; a file written in pieces is taken only once it is whole.
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "FollowerCheck.h"
#include "follower/ChannelSession.h"
#include "scanfiles/FileSystem.h"
#include "simulator/RunWriter.h"
#include "simulator/SimulatedRun.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

using namespace followertest;
using testutil::TempDir;

namespace {

// Whether the dc/dt stage pairs scans a fixed distance apart, as the early part of a run does.
bool SpacedPairs(const RealTimeGofS& e)
{
    const int32_t n = e.RawStore->GetNumberOfSets();
    const ChannelDataStore& d = *e.DcdtStore;
    if (n < 4 || d.GetNumberOfSets() != n - (n / 2 - 1))
        return false;
    for (int32_t k = 0; k < d.GetNumberOfSets(); ++k)
        if (d.Headers[static_cast<size_t>(k)].LastScan - d.Headers[static_cast<size_t>(k)].FirstScan != n / 2 - 1)
            return false;
    return true;
}

struct Watched {
    std::string channel;
    std::unique_ptr<ChannelFollower> follower = std::make_unique<ChannelFollower>();
    bool sawSpaced = false;
    int ticks = 0;
};

} // namespace

TEST(FollowedRun, EveryTickEqualsAFullLoadForAllFourKinds)
{
    // The demo's monomer and dimer, with every artefact of a real run: interference offsets and
    // fringe jumps, the meniscus artefact, scans that start and end at different radii.
    SimRun run = DemoRun();
    SimCell intensity;
    intensity.kind = OpticalKind::Intensity;
    intensity.cell = 3;
    SimCell fluorescence;
    fluorescence.kind = OpticalKind::Fluorescence;
    fluorescence.cell = 4;
    run.cells.push_back(intensity);
    run.cells.push_back(fluorescence);
    run.scans = 30;
    run.baselineOffsetSd = 0.5;
    run.fringeJumpProbability = 0.3;

    std::vector<Watched> watched;
    for (const char* channel : { "0*.RA1", "0*.IP2", "0*.RI3Sam", "0*.RI3Ref", "0*.FI4" }) {
        Watched w;
        w.channel = channel;
        ConfigureForLaunch(*w.follower->Engine, LaunchParameters::Defaults(channel), CustomSettings());
        w.follower->Now = LongAfter;
        watched.push_back(std::move(w));
    }
    TempDir dir;
    for (Watched& w : watched)
        w.follower->LoadChannel(dir.path()); // launched before the run wrote anything

    RunSimulator simulator(run);
    const std::string failure
        = WriteRunFiles(simulator, dir.path(), nullptr, [&](const SimScan& scan, const std::string&) {
              for (Watched& w : watched) {
                  if (!MatchesMask(scan.fileName, w.follower->Mask()))
                      continue;
                  SCOPED_TRACE(w.channel + " after " + scan.fileName);
                  w.follower->Timer1Timer();
                  ++w.ticks;
                  ChannelFollower full;
                  FullLoad(full, *w.follower, dir.path());
                  ExpectSameEngine(*w.follower->Engine, *full.Engine);
                  if (w.follower->HasData)
                      w.sawSpaced = w.sawSpaced || SpacedPairs(*w.follower->Engine);
              }
          });
    ASSERT_EQ(failure, "");
    for (const Watched& w : watched) {
        SCOPED_TRACE(w.channel);
        EXPECT_EQ(w.ticks, 30);
        EXPECT_EQ(w.follower->Counts.Used, 30);
        EXPECT_EQ(w.follower->Counts.Reloads, 0) << "every tick appended";
        // The run crossed from pairs a fixed distance apart to each scan paired by its own window.
        EXPECT_TRUE(w.sawSpaced);
        EXPECT_FALSE(SpacedPairs(*w.follower->Engine));
    }
}

TEST(FollowedRun, AFileWrittenInTwoPartsIsTakenOnlyWhenWhole)
{
    SimRun run = DemoRun();
    run.cells.resize(1); // absorbance
    run.scans = 12;
    TempDir dir;
    ChannelFollower live;
    ConfigureForLaunch(*live.Engine, LaunchParameters::Defaults("0*.RA1"), CustomSettings());
    live.Now = LongBefore; // no file is old: only a second look or a later file settles one
    live.LoadChannel(dir.path());

    RunSimulator simulator(run);
    int written = 0;
    auto tick = [&](const std::string& name, bool cut) {
        SCOPED_TRACE(name + (cut ? " cut" : " whole"));
        live.Timer1Timer();
        // The newest file waits: cut inside a line it has no line end, whole it is still changing.
        EXPECT_EQ(live.Counts.Pending, 1);
        EXPECT_EQ(live.Counts.FirstPending, name);
        EXPECT_EQ(live.Counts.Used, cut ? written : written - 1);
        EXPECT_EQ(live.Counts.Refused, 0);
        EXPECT_EQ(live.Counts.Reloads, 0) << "no file was taken too early";
    };
    const std::string failure = WriteRunFiles(
        simulator, dir.path(), nullptr,
        [&](const SimScan& scan, const std::string&) {
            ++written;
            tick(scan.fileName, false);
        },
        [&](const SimScan& scan, const std::string&) { tick(scan.fileName, true); });
    ASSERT_EQ(failure, "");
    live.Timer1Timer(); // the newest file is unchanged since the previous look
    EXPECT_EQ(ScanCountText(live.Counts), "12 scans read, 12 used");
    ChannelFollower full;
    FullLoad(full, live, dir.path());
    ExpectSameEngine(*live.Engine, *full.Engine);
}

TEST(FollowedRun, MovedInterferenceReferencesGiveWhatALoadAtThemGives)
{
    // Each correction shifts a scan by a value read from the scan: moved references must correct
    // the scans as read, not the scans already corrected at the earlier references.
    SimRun run = DemoRun();
    run.cells.erase(run.cells.begin()); // interference
    run.scans = 16;
    run.baselineOffsetSd = 0.5;
    run.fringeJumpProbability = 0.3;
    TempDir dir;
    RunSimulator simulator(run);
    ASSERT_EQ(WriteRunFiles(simulator, dir.path(), nullptr, nullptr), "");
    ChannelFollower moved;
    ConfigureForLaunch(*moved.Engine, LaunchParameters::Defaults("0*.IP2"), CustomSettings());
    moved.Now = LongAfter;
    moved.LoadChannel(dir.path());
    ASSERT_TRUE(moved.HasData);
    for (const double jitter : { 5.8312345678, 5.8456789 }) {
        moved.Engine->Cell.JitterRadius = jitter;
        moved.Engine->Cell.FringeRadius = jitter + 0.9;
        moved.Engine->RefreshStages(true);
    }
    ChannelFollower full;
    FullLoad(full, moved, dir.path());
    ExpectSameEngine(*moved.Engine, *full.Engine);
}
