#include <cmath>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <sys/stat.h>
#include <vector>

#include "FollowerCheck.h"
#include "follower/ChannelFollower.h"
#include "follower/ChannelSession.h"
#include "scanfiles/ChannelWavelength.h"
#include "simulator/RunWriter.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace fs = std::filesystem;
using namespace followertest;
using testutil::TempDir;

namespace {

// A follower that records what a window would show.
class RecordingFollower : public ChannelFollower {
public:
    std::vector<std::string> progress;
    std::vector<int32_t> newScans;
    int refreshes = 0;

protected:
    void ShowProgress(const std::string& text) override { progress.push_back(text); }
    void NewScanAdded(int32_t index) override { newScans.push_back(index); }
    void RefreshDone() override { ++refreshes; }
};

// One absorbance scan of the test run's boundary at `seconds`, with `points` radii.
testutil::ScanSpec Scan(double seconds, int points = 200)
{
    testutil::ScanSpec s;
    s.seconds = seconds;
    for (int i = 0; i < points; ++i) {
        const double r = std::round((5.85 + 1.3 * i / (points - 1)) * 10000) / 10000;
        s.radius.push_back(r);
        s.value.push_back(testutil::BoundaryValue(r, seconds, 50000, 5.9, 4.4e-13, 1, 0.03));
        s.third.push_back(0.01);
    }
    return s;
}

void ExpectSameAsFullLoad(const ChannelFollower& f)
{
    ChannelFollower full;
    FullLoad(full, f, f.DataDirectory);
    ExpectSameEngine(*f.Engine, *full.Engine);
}

} // namespace

TEST(ChannelFollower, FullLoadReadsTheChannelInNameOrderAndCountsWhatItLeftOut)
{
    TempDir dir;
    testutil::RunSpec spec;
    spec.scans = 60;
    testutil::WriteRun(dir.path(), spec);
    // A header that does not parse, and a last file cut off inside a line while being written.
    testutil::WriteTextFile(dir / "00004.RA1", "description\r\nX 1 20 50000 1 1 280 1\r\n6.0 1 1\r\n");
    const std::string full = testutil::ReadTextFile(dir / "00060.RA1");
    testutil::WriteTextFile(dir / "00060.RA1", full.substr(0, CutInsideDataLine(full, 0.5)));

    RecordingFollower f;
    Open(f, "0*.RA1");
    f.LoadChannel(dir.path());
    ASSERT_TRUE(f.HasData);
    EXPECT_EQ(
        f.progress, (std::vector<std::string> { "Loading files", "Found 60 files to process", "Processing file  50" }));
    const ChannelDataStore& raw = *f.Engine->RawStore;
    ASSERT_EQ(raw.GetNumberOfSets(), 58);
    EXPECT_EQ(raw.Headers[0].FileName, "00001.RA1");
    EXPECT_EQ(raw.Headers[57].FileName, "00059.RA1");
    EXPECT_GT(f.Engine->GofsStore->GetNumberOfSets(), 0);
    EXPECT_EQ(ScanCountText(f.Counts),
        "59 scans read, 58 used, 1 refused (header line does not parse: 00004.RA1), 1 not yet complete (00060.RA1)");

    // The cut file completes: the next tick takes it.
    testutil::WriteTextFile(dir / "00060.RA1", full);
    f.Timer1Timer();
    EXPECT_EQ(raw.GetNumberOfSets(), 59);
    EXPECT_EQ(f.newScans, (std::vector<int32_t> { 58 }));
    EXPECT_EQ(f.Counts.Pending, 0);

    // A file that is no scan, among those read: counted, and nothing to read again.
    testutil::WriteTextFile(dir / "00030x.RA1", "description\r\nheader\r\n");
    f.Timer1Timer();
    EXPECT_EQ(f.Counts.RefusedFor(ScanReason::BadHeader), 2);
    EXPECT_EQ(f.Counts.Reloads, 0);
}

TEST(ChannelFollower, NoDataKeepsWaitingThenSlowsDownAndAVanishedRunLosesNothing)
{
    TempDir root;
    const std::string dir = root / "run";
    fs::create_directory(dir);
    RecordingFollower f;
    Open(f, "0*.RA1");
    f.DataDirectory = dir;
    for (int tick = 1; tick <= 10; ++tick)
        f.Timer1Timer();
    EXPECT_EQ(f.Timer1Interval, 10000);
    f.progress.clear();
    f.Timer1Timer(); // the eleventh full load
    EXPECT_EQ(f.Timer1Interval, 30000);
    EXPECT_TRUE(f.progress.empty()) << "no wait window from the tenth load on";

    // Files appear: the next tick loads them, the one after refreshes incrementally.
    testutil::RunSpec spec;
    spec.scans = 5;
    testutil::WriteRun(dir, spec);
    f.Timer1Timer();
    EXPECT_TRUE(f.HasData);
    EXPECT_EQ(f.Engine->RawStore->GetNumberOfSets(), 5);
    spec.scans = 7;
    testutil::WriteRun(dir, spec); // rewrites 1..5 unchanged, adds 6 and 7
    f.Timer1Timer();
    EXPECT_EQ(f.Engine->RawStore->GetNumberOfSets(), 7);
    EXPECT_EQ(f.newScans, (std::vector<int32_t> { 5, 6 })) << "two new files, in name order";
    EXPECT_EQ(f.refreshes, 1) << "later stages rebuilt once per batch";
    EXPECT_EQ(f.Counts.Reloads, 0);

    testutil::WriteTextFile(dir + "/00008.RA1", "");
    EXPECT_EQ(f.RefreshChannel(), 0);
    EXPECT_EQ(ScanCountText(f.Counts), "7 scans read, 7 used, 1 not yet complete (00008.RA1)");
    fs::remove_all(dir);
    EXPECT_EQ(f.RefreshChannel(), 0);
    EXPECT_EQ(f.Engine->RawStore->GetNumberOfSets(), 7) << "nothing lost when the run directory vanishes";
}

TEST(ChannelFollower, EveryRefusalIsCountedWithItsFirstFileOnBothPaths)
{
    TempDir dir;
    testutil::RunSpec spec;
    spec.scans = 10; // 600 s to 3300 s
    testutil::WriteRun(dir.path(), spec);
    RecordingFollower live;
    Open(live, "0*.RA1");
    live.LoadChannel(dir.path());
    ASSERT_EQ(live.Counts.Used, 10);

    testutil::ScanSpec stray = Scan(90000); // an early name with a late time
    testutil::WriteTextFile(dir / "00000.RA1", testutil::ScanFileText(stray));
    testutil::ScanSpec absurd = Scan(3400);
    absurd.omega2t = 1e308;
    testutil::WriteTextFile(dir / "00011.RA1", testutil::ScanFileText(absurd));
    absurd.omega2t = HUGE_VAL;
    testutil::WriteTextFile(dir / "00012.RA1", testutil::ScanFileText(absurd));
    testutil::WriteTextFile(dir / "00013.RA1", "description only\r\n");
    testutil::WriteTextFile(dir / "00014.RA1", "description\r\nX 1 20 50000 3500 1e10 280 1\r\n6.0 1 1\r\n");
    // nan on every 7th line of one scan once moved the peak of a run from 4.36 S to 0.252 S.
    testutil::ScanSpec someNan = Scan(3500, 30);
    for (size_t i = 0; i < someNan.value.size(); i += 7)
        someNan.value[i] = std::numeric_limits<double>::quiet_NaN();
    testutil::WriteTextFile(dir / "00015.RA1", testutil::ScanFileText(someNan));
    testutil::ScanSpec falling = Scan(3500);
    std::swap(falling.radius[10], falling.radius[11]);
    testutil::WriteTextFile(dir / "00016.RA1", testutil::ScanFileText(falling));
    fs::create_directory(dir / "00017.RA1");
    const std::string cut = testutil::ScanFileText(Scan(3500));
    testutil::WriteTextFile(dir / "00018.RA1", cut.substr(0, CutInsideDataLine(cut, 0.5)));
    testutil::WriteTextFile(dir / "00019.RA1", testutil::ScanFileText(Scan(3600)));
    // A pipe once held the load (and the record's hashing) for good, a link to /dev/zero spun on it.
    ASSERT_EQ(::mkfifo((dir / "00020.RA1").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir / "00021.RA1");
    // Cut at the reader's limits, a 100 MB first scan moved the peak from 4.36 S to 3.32 S.
    testutil::ScanSpec large = Scan(3700);
    large.description = std::string(1048576, 'x');
    testutil::WriteTextFile(dir / "00022.RA1", testutil::ScanFileText(large));
    testutil::WriteTextFile(dir / "00023.RA1", testutil::ScanFileText(Scan(3800, 2049)));

    const std::string text = "23 scans read, 11 used, 12 refused (not a regular file: 00017.RA1 and 2 more; larger "
                             "than the reader takes (1,048,576 bytes): 00022.RA1; no header line: 00013.RA1; header "
                             "line does not parse: 00014.RA1; speed, time or omega^2 t is no finite number: 00012.RA1; "
                             "values that are not numbers (nan/inf): 00015.RA1; more data lines than the reader takes "
                             "(2,048; fluorescence 10,000): 00023.RA1; time or omega^2 t beyond any run: 00011.RA1; "
                             "radii not finite and rising: 00016.RA1; time out of order with the other scans: "
                             "00000.RA1), 1 not yet complete (00018.RA1)";
    live.Timer1Timer();
    EXPECT_EQ(ScanCountText(live.Counts), text);
    EXPECT_EQ(live.Counts.Reloads, 1) << "a file before those read: the channel is read again";
    EXPECT_EQ(live.Engine->RawStore->Headers[10].FileName, "00019.RA1") << "no refusal dropped a later scan";
    ExpectSameAsFullLoad(live);

    ChannelFollower full;
    FullLoad(full, live, dir.path());
    EXPECT_EQ(ScanCountText(full.Counts), text);
}

TEST(ChannelFollower, AFirstScanCutInsideALineNeverGivesTheGrid)
{
    TempDir dir;
    testutil::RunSpec spec;
    spec.scans = 8;
    testutil::WriteRun(dir.path(), spec);
    const std::string whole = testutil::ReadTextFile(dir / "00001.RA1");
    testutil::WriteTextFile(dir / "00001.RA1", whole.substr(0, CutInsideDataLine(whole, 0.3)));

    ChannelFollower f;
    Open(f, "0*.RA1");
    f.LoadChannel(dir.path());
    const ChannelDataStore& grid = *f.Engine->RawStore;
    EXPECT_EQ(grid.Headers[0].FileName, "00002.RA1");
    EXPECT_EQ(grid.GetNumberOfPoints(), spec.points);
    EXPECT_DOUBLE_EQ(grid.GetX(spec.points - 1), spec.radiusHigh);
    EXPECT_EQ(ScanCountText(f.Counts), "7 scans read, 7 used, 1 not yet complete (00001.RA1)");

    // Written whole, it takes its place at the head of the channel: only a reload puts it there.
    testutil::WriteTextFile(dir / "00001.RA1", whole);
    f.Timer1Timer();
    EXPECT_EQ(f.Engine->RawStore->Headers[0].FileName, "00001.RA1");
    EXPECT_EQ(f.Counts.Used, 8);
    EXPECT_EQ(f.Counts.Reloads, 1);
    ExpectSameAsFullLoad(f);
}

TEST(ChannelFollower, AFileTakenTooEarlyIsReadAgain)
{
    // A writer that writes line by line can be caught at a line end: the file looks complete.
    TempDir dir;
    testutil::RunSpec spec;
    spec.scans = 6;
    const std::vector<std::string> names = testutil::WriteRun(dir.path(), spec);
    const std::string whole = testutil::ReadTextFile(dir / names[5]);
    std::string part = whole.substr(0, CutInsideDataLine(whole, 0.6));
    part.resize(part.rfind("\r\n") + 2);
    testutil::WriteTextFile(dir / names[5], part);
    ChannelFollower f;
    Open(f, "0*.RA1");
    f.LoadChannel(dir.path());
    ASSERT_EQ(f.Counts.Used, 6);
    EXPECT_LT(f.Engine->RawStore->GetE(5, spec.points - 1), 0) << "the part lacks the outer radii";

    testutil::WriteTextFile(dir / names[5], whole);
    f.Timer1Timer();
    EXPECT_EQ(f.Counts.Reloads, 1);
    EXPECT_GE(f.Engine->RawStore->GetE(5, spec.points - 1), 0);
    ExpectSameAsFullLoad(f);
}

TEST(ChannelFollower, BlankLinesOrAnEndMarkAfterTheFirstScanChangeNothing)
{
    TempDir clean;
    testutil::RunSpec spec;
    spec.scans = 6;
    testutil::WriteRun(clean.path(), spec);
    ChannelFollower reference;
    Open(reference, "0*.RA1");
    reference.LoadChannel(clean.path());
    for (const char* ending : { "\r\n", "\r\n\r\n", "\x1A", "\r\n \r\n\x1A" }) {
        SCOPED_TRACE(testing::PrintToString(std::string(ending)));
        TempDir dir;
        testutil::WriteRun(dir.path(), spec);
        testutil::WriteTextFile(dir / "00001.RA1", testutil::ReadTextFile(dir / "00001.RA1") + ending);
        ChannelFollower f;
        Open(f, "0*.RA1");
        f.LoadChannel(dir.path());
        EXPECT_EQ(ScanCountText(f.Counts), "6 scans read, 6 used");
        ExpectSameEngine(*f.Engine, *reference.Engine);
    }
}

TEST(ChannelFollower, PastTheSetLimitScansAreRefusedAndCounted)
{
    TempDir dir;
    testutil::RunSpec spec;
    spec.scans = 1001;
    spec.points = 25;
    spec.firstSeconds = 300;
    spec.intervalSeconds = 20;
    testutil::WriteRun(dir.path(), spec);
    ChannelFollower f;
    Open(f, "0*.RA1");
    f.LoadChannel(dir.path());
    EXPECT_EQ(f.Engine->RawStore->GetNumberOfSets(), 999);
    EXPECT_EQ(
        ScanCountText(f.Counts), "1001 scans read, 999 used, 2 refused (past the 999-set limit: 01000.RA1 and 1 more)");
    spec.scans = 1002;
    testutil::WriteRun(dir.path(), spec);
    EXPECT_EQ(f.RefreshChannel(), 0);
    EXPECT_EQ(f.Counts.RefusedFor(ScanReason::SetLimit), 3);
    EXPECT_EQ(f.Counts.Reloads, 0);
}

TEST(ChannelFollower, ASpeedChangeSwitchesToRecordedTimesOnBothPaths)
{
    // omega^2 t lags the recorded time by 100 s of acceleration: apparent times are 100 s early.
    TempDir dir;
    ChannelFollower live;
    Open(live, "0*.RA1");
    live.DataDirectory = dir.path();
    for (int k = 0; k < 12; ++k) {
        testutil::ScanSpec s = Scan(1200 + 300 * k);
        s.rpm = k < 7 ? 50000 : 40000;
        s.omega2t = testutil::OmegaSquaredOf(s.rpm) * (s.seconds - 100);
        char name[16];
        std::snprintf(name, sizeof name, "%05d.RA1", k + 1);
        testutil::WriteTextFile(dir / name, testutil::ScanFileText(s));
        live.Timer1Timer();
        ExpectSameAsFullLoad(live);
    }
    const ChannelDataStore& raw = *live.Engine->RawStore;
    ASSERT_EQ(raw.GetNumberOfSets(), 12);
    EXPECT_NEAR(raw.Headers[6].Time, 1200 + 300 * 6 - 100, 0.01); // omega^2 t has six digits in the file
    EXPECT_EQ(raw.Headers[7].Time, 1200 + 300 * 7);
    EXPECT_EQ(raw.Headers[11].Time, 1200 + 300 * 11);
}

TEST(ChannelFollower, InterferenceScansAreZeroedOverTheJitterWindowOnBothPaths)
{
    // Scans with baseline offsets, three at the full load and three arriving later. In the air
    // above the meniscus every scan holds only its offset, and the jitter window (5.85 to 5.89 cm)
    // lies there: every scan ends at zero in the air.
    TempDir dir;
    const double offsets[] = { 0.0, 3.2, -1.7, 2.4, 0.6, -4.1 };
    auto write = [&](int k) {
        testutil::ScanSpec s;
        s.description = "Interference 2.0, test";
        s.typeLetter = 'P';
        s.seconds = 1200 + 300 * k;
        for (int i = 0; i < 300; ++i) {
            const double r = 5.85 + 0.004 * i;
            s.radius.push_back(std::round(r * 10000) / 10000);
            s.value.push_back(offsets[k] + 3 * testutil::BoundaryValue(r, s.seconds, 50000, 5.9, 4.4e-13, 1, 0.03));
        }
        testutil::WriteTextFile(dir / ("0000" + std::to_string(k + 1) + ".IP2"), testutil::ScanFileText(s));
    };
    for (int k = 0; k < 3; ++k)
        write(k);
    ChannelFollower f;
    Open(f, "0*.IP2");
    f.LoadChannel(dir.path());
    for (int k = 3; k < 6; ++k)
        write(k);
    ASSERT_EQ(f.RefreshChannel(), 3);
    const ChannelDataStore& raw = *f.Engine->RawStore;
    for (int k = 0; k < 6; ++k)
        for (int i = 0; raw.GetX(i) < 5.9; ++i)
            EXPECT_NEAR(raw.GetY(k, i), 0.0, 1e-9) << k << " " << i;
    ExpectSameAsFullLoad(f);
}

namespace {

// One cell scanned at 280 and 230 nm in every round: its files alternate between them under 0*.RA1.
SimRun TwoWavelengthRun(int32_t rounds)
{
    SimRun run;
    run.species = { SimSpecies {} };
    run.cells = { SimCell {} };
    run.scans = rounds;
    run.wavelengths = { { 280, 1.0 }, { 230, 3.1 } };
    return run;
}

} // namespace

TEST(ChannelFollower, AChannelHoldsOneWavelengthOfACellScannedAtSeveral)
{
    TempDir mixed, alone;
    ASSERT_EQ(WriteRun(TwoWavelengthRun(12), mixed.path(), FileTimes::Copied), "");
    for (const auto& file : fs::directory_iterator(mixed.path())) {
        bool complete = false;
        if (HeaderWavelength(file.path().string(), complete) == 280)
            fs::copy_file(file.path(), alone / file.path().filename().string());
    }
    ChannelFollower only;
    Open(only, "0*.RA1");
    only.LoadChannel(alone.path());
    ASSERT_EQ(only.Engine->RawStore->GetNumberOfSets(), 12);

    // Named, or plain: the first wavelength in file order, which the entry then names. Followed as
    // the files arrive, or loaded at once: the 280 nm scans alone, exactly.
    for (const char* channel : { "0*.RA1 280 nm", "0*.RA1" }) {
        SCOPED_TRACE(channel);
        TempDir live;
        RecordingFollower f;
        Open(f, channel);
        auto arrive = [&](int from, int to) {
            for (int n = from; n <= to; ++n) {
                char name[16];
                std::snprintf(name, sizeof name, "%05d.RA1", n);
                fs::copy_file(mixed / name, live / name);
            }
        };
        arrive(1, 1);
        f.LoadChannel(live.path());
        EXPECT_EQ(f.Engine->ChannelName, channel) << "one wavelength so far";
        arrive(2, 9);
        f.Timer1Timer();
        for (const auto& file : fs::directory_iterator(mixed.path()))
            fs::copy_file(file.path(), live / file.path().filename().string(), fs::copy_options::skip_existing);
        f.Timer1Timer();
        EXPECT_EQ(f.Engine->ChannelName, "0*.RA1 280 nm");
        EXPECT_EQ(f.Wavelength(), 280);
        EXPECT_EQ(f.Counts.Reloads, 0);
        EXPECT_EQ(ScanCountText(f.Counts), "12 scans read, 12 used, 12 at other wavelengths (230 nm)");
        ExpectSameEngine(*f.Engine, *only.Engine);
        ExpectSameAsFullLoad(f);
    }
    ChannelFollower other;
    Open(other, "0*.RA1 230 nm");
    other.LoadChannel(mixed.path());
    EXPECT_EQ(ScanCountText(other.Counts), "12 scans read, 12 used, 12 at other wavelengths (280 nm)");
    EXPECT_EQ(other.Engine->RawStore->Headers[0].FileName, "00002.RA1");
}

TEST(ChannelFollower, AOneShotLoadTakesAFileWrittenAMomentAgoAndWaitsOnlyWhileOneGrows)
{
    // A run being written: its newest file was changed at `now`, younger than the settle time.
    TempDir dir;
    SimRun run;
    run.species = { SimSpecies {} };
    run.cells = { SimCell {} };
    run.scans = 8;
    const FileTime now = FileTime(std::chrono::hours(24 * 365 * 60));
    ASSERT_EQ(WriteRun(run, dir.path(), FileTimes::Writing, now), "");
    const LaunchParameters launch = LaunchParameters::Defaults("0*.RA1");

    ChannelFollower following;
    following.Now = [now] { return now; };
    OpenChannel(following, dir.path(), launch);
    EXPECT_EQ(ScanCountText(following.Counts), "7 scans read, 7 used, 1 not yet complete (00008.RA1)")
        << "following a run keeps the settle rule";

    const struct {
        const char* name;
        bool unfinished; // a further file without a line end
        bool growing; // which grows at every pause
        int pauses;
        const char* counts;
    } cases[] = {
        { "a complete file is taken after one look", false, false, 1, "8 scans read, 8 used" },
        { "an unfinished file that stopped changing stays out", true, false, 1,
            "8 scans read, 8 used, 1 not yet complete (00009.RA1)" },
        { "one that keeps growing is waited for, boundedly", true, true, FinishedRunLooks,
            "8 scans read, 8 used, 1 not yet complete (00009.RA1)" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string unfinished = "Test sample\r\nR 1 20.0 50";
        fs::remove(dir / "00009.RA1");
        if (c.unfinished)
            testutil::WriteTextFile(dir / "00009.RA1", unfinished);
        int pauses = 0;
        ChannelFollower once;
        once.Now = [now] { return now; };
        OpenFinishedChannel(once, dir.path(), launch, [&](int ms) {
            EXPECT_EQ(ms, FinishedRunLookMs);
            ++pauses;
            if (c.growing)
                testutil::WriteTextFile(dir / "00009.RA1", unfinished += "0");
        });
        EXPECT_EQ(pauses, c.pauses);
        EXPECT_EQ(ScanCountText(once.Counts), c.counts);
    }
}
