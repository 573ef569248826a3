#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <vector>

#include "dataview/ChannelFollower.h"
#include "testutil/ScanFileWriter.h"

namespace fs = std::filesystem;
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

void Open(ChannelFollower& f, const std::string& channel)
{
    f.Engine->ChannelName = channel;
    f.Engine->Meniscus = 5.9;
    f.Engine->Bottom = 7.2;
    f.Engine->JitterRadius = 5.87;
    f.Engine->FringeRadius = 6.9;
    f.Engine->SetCorrectionsFromChannel();
}

bool SameSet(const ChannelDataStore& a, int i, const ChannelDataStore& b, int j)
{
    for (int p = 0; p < a.GetNumberOfPoints(); ++p)
        if (a.GetY(i, p) != b.GetY(j, p) || a.GetE(i, p) != b.GetE(j, p))
            return false;
    return true;
}

bool SameStore(const ChannelDataStore& a, const ChannelDataStore& b)
{
    if (a.GetNumberOfSets() != b.GetNumberOfSets())
        return false;
    for (int k = 0; k < a.GetNumberOfSets(); ++k)
        if (!SameSet(a, k, b, k))
            return false;
    return true;
}

} // namespace

TEST(ChannelFollower, FullLoadReadsTheChannelInNameOrderSkippingBadFiles)
{
    TempDir dir;
    testutil::RunSpec spec;
    spec.scans = 60;
    testutil::WriteRun(dir.path(), spec);
    // A binary file, a header that does not parse, and a last file cut off while being written.
    testutil::WriteTextFile(dir / "00003.RA1", std::string("\x7f\x45\x4c\x46\0\0\x01\xff junk", 14));
    testutil::WriteTextFile(dir / "00004.RA1", "description\r\nX 1 20 50000 1 1 280 1\r\n6.0 1 1\r\n");
    const std::string full = testutil::ReadTextFile(dir / "00060.RA1");
    testutil::WriteTextFile(dir / "00060.RA1", full.substr(0, full.size() / 2 + 7));

    RecordingFollower f;
    Open(f, "0*.RA1");
    f.LoadChannel(dir.path());
    ASSERT_TRUE(f.HasData);
    EXPECT_EQ(
        f.progress, (std::vector<std::string> { "Loading files", "Found 60 files to process", "Processing file  50" }));
    const ChannelDataStore& raw = *f.Engine->RawStore;
    // 00003 and 00004 fail, the others and the half file load.
    ASSERT_EQ(raw.GetNumberOfSets(), 58);
    EXPECT_EQ(raw.Headers[0].FileName, "00001.RA1");
    EXPECT_EQ(raw.Headers[57].FileName, "00060.RA1");
    EXPECT_GT(f.Engine->GofsStore->GetNumberOfSets(), 0);
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

    testutil::WriteTextFile(dir + "/00008.RA1", "");
    EXPECT_EQ(f.RefreshChannel(), 0);
    EXPECT_EQ(f.FileList.size(), 8u) << "an unreadable new file is not retried";
    fs::remove_all(dir);
    EXPECT_EQ(f.RefreshChannel(), 0);
    EXPECT_EQ(f.Engine->RawStore->GetNumberOfSets(), 7) << "nothing lost when the run directory vanishes";
}

TEST(ChannelFollower, IncrementalRefreshAgreesWithTheFullLoad)
{
    TempDir all, growing;
    testutil::RunSpec spec;
    spec.scans = 40;
    spec.points = 250;
    spec.firstSeconds = 3000; // scans close together: the early refreshes stay with consecutive pairs
    spec.intervalSeconds = 20;
    const std::vector<std::string> names = testutil::WriteRun(all.path(), spec);
    for (int k = 0; k < 4; ++k)
        fs::copy_file(all / names[static_cast<size_t>(k)], growing / names[static_cast<size_t>(k)]);

    ChannelFollower inc;
    Open(inc, "0*.RA1");
    inc.LoadChannel(growing.path());
    int identical = 0;
    for (size_t n = 5; n <= names.size(); ++n) {
        SCOPED_TRACE(n);
        fs::copy_file(all / names[n - 1], growing / names[n - 1]);
        ASSERT_EQ(inc.RefreshChannel(), 1);
        ChannelFollower full;
        Open(full, "0*.RA1");
        full.LoadChannel(growing.path());
        const RealTimeGofS& a = *inc.Engine;
        const RealTimeGofS& b = *full.Engine;
        ASSERT_TRUE(SameStore(*a.RawStore, *b.RawStore));
        // Every pair the two paths share has identical values.
        for (int i = 0; i < a.DcdtStore->GetNumberOfSets(); ++i) {
            const ScanHeader& ha = a.DcdtStore->Headers[static_cast<size_t>(i)];
            for (int j = 0; j < b.DcdtStore->GetNumberOfSets(); ++j) {
                const ScanHeader& hb = b.DcdtStore->Headers[static_cast<size_t>(j)];
                if (ha.FirstScan == hb.FirstScan && ha.LastScan == hb.LastScan) {
                    EXPECT_TRUE(SameSet(*a.DcdtStore, i, *b.DcdtStore, j));
                }
            }
        }
        // The later stages are rebuilt whole from the dc/dt stage: equal input, equal output. The
        // dc/dt stages part only once the newest scan's partner lies in the second half of the run:
        // the incremental path keeps the sets paired before that moment instead of re-pairing them.
        if (SameStore(*a.DcdtStore, *b.DcdtStore)) {
            ++identical;
            EXPECT_TRUE(SameStore(*a.AvgDcdtStore, *b.AvgDcdtStore));
            EXPECT_TRUE(SameStore(*a.GofsStore, *b.GofsStore));
            EXPECT_TRUE(SameStore(*a.SmoothGofsStore, *b.SmoothGofsStore));
        }
    }
    EXPECT_GT(identical, 5);
    EXPECT_LT(identical, 36) << "the paths part once the pairing switches";
}

TEST(ChannelFollower, InterferenceCorrectionsOfNewScans)
{
    // Scans with baseline offsets, three at the full load and three arriving later (the full load
    // is checked end to end with the simulator). In the air above the meniscus every scan holds only
    // its offset: each later scan is zero at the first radius beyond the jitter reference (a
    // one-point baseline, as it arrives).
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
    const ChannelDataStore& raw = *f.Engine->RawStore;
    for (int k = 3; k < 6; ++k)
        write(k);
    ASSERT_EQ(f.RefreshChannel(), 3);
    int beyondJitter = 0;
    while (raw.GetX(beyondJitter) <= 5.87)
        ++beyondJitter;
    for (int k = 3; k < 6; ++k) {
        EXPECT_NEAR(raw.GetY(k, beyondJitter), 0.0, 1e-12) << k;
        for (int i = 0; raw.GetX(i) < 5.9; ++i)
            EXPECT_NEAR(raw.GetY(k, i), raw.GetY(k, beyondJitter), 1e-9) << k << " " << i;
    }
}
