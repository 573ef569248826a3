// A full load reads its files on several threads but judges and takes them in name order, and makes
// the dc/dt pairs on several threads but keeps them in order: the stores, the counts, the progress
// texts, the g(s*) file and the record are the same, bit for bit, whatever the number of threads.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "FollowerCheck.h"
#include "follower/ChannelFollower.h"
#include "follower/GofsOutput.h"
#include "provenance/ChannelRecording.h"
#include "scanfiles/Sha256.h"
#include "simulator/RunWriter.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

using namespace followertest;
using testutil::TempDir;

namespace {

class ProgressFollower : public ChannelFollower {
public:
    std::vector<std::string> progress;

protected:
    void ShowProgress(const std::string& text) override { progress.push_back(text); }
};

std::string Name(int k, const std::string& extension = "RA1")
{
    char name[32];
    std::snprintf(name, sizeof name, "0%04d.%s", k, extension.c_str());
    return name;
}

// Scan k of a run of absorbance scans 300 s apart, with `points` radii.
testutil::ScanSpec Scan(int k, int points = 60)
{
    testutil::ScanSpec s;
    s.seconds = 300.0 + 300 * k;
    for (int i = 0; i < points; ++i) {
        const double r = std::round((5.85 + 1.3 * i / (points - 1)) * 10000) / 10000;
        s.radius.push_back(r);
        s.value.push_back(testutil::BoundaryValue(r, s.seconds, 50000, 5.9, 4.4e-13, 1, 0.03));
        s.third.push_back(0.01);
    }
    return s;
}

void Write(const TempDir& dir, int k, const testutil::ScanSpec& s)
{
    testutil::WriteTextFile(dir / Name(k), testutil::ScanFileText(s));
}

struct Case {
    const char* what;
    std::string channel;
    std::function<void(const TempDir&)> write;
    std::vector<std::string> left; // files whose scans the store must not hold
    std::string counts;
};

// Enough files that the reading threads wrap round their results many times.
constexpr int Files = 150;

std::vector<Case> Cases()
{
    return {
        { "a refused file, a file still being written and a stray with a late time", "0*.RA1",
            [](const TempDir& dir) {
                for (int k = 1; k <= Files; ++k)
                    Write(dir, k, Scan(k));
                testutil::WriteTextFile(dir / Name(7), "description\r\nX 1 20 50000 1 1 280 1\r\n6.0 1 1\r\n");
                const std::string text = testutil::ScanFileText(Scan(40));
                testutil::WriteTextFile(dir / Name(40), text.substr(0, CutInsideDataLine(text, 0.5)));
                Write(dir, 90, Scan(1000));
            },
            { Name(7), Name(40), Name(90) },
            "149 scans read, 147 used, 2 refused (header line does not parse: 00007.RA1; time out of order with "
            "the other scans: 00090.RA1), 1 not yet complete (00040.RA1)" },
        { "a short first scan, and a stray whose time falls between its neighbours'", "0*.RA1",
            [](const TempDir& dir) {
                Write(dir, 1, Scan(1, 10));
                for (int k = 2; k <= Files; ++k)
                    Write(dir, k, Scan(k));
                testutil::ScanSpec stray = Scan(60);
                stray.seconds -= 100; // as good a continuation as 00060.RA1, which comes first by name
                Write(dir, 61, stray);
                Write(dir, 120, Scan(0)); // an early time far below its neighbours'
            },
            { Name(1), Name(61), Name(120) },
            "150 scans read, 147 used, 3 refused (too few points to give the radial grid: 00001.RA1; time out of "
            "order with the other scans: 00061.RA1 and 1 more)" },
        { "a change of speed that switches to recorded times", "0*.RA1",
            [](const TempDir& dir) {
                for (int k = 1; k <= Files; ++k) {
                    testutil::ScanSpec s = Scan(k);
                    s.rpm = k < 80 ? 50000 : 40000;
                    s.omega2t = testutil::OmegaSquaredOf(s.rpm) * (s.seconds - 100);
                    Write(dir, k, s);
                }
            },
            {}, "150 scans read, 150 used" },
        { "interference scans, corrected for jitter and fringe jumps as they are taken", "0*.IP2",
            [](const TempDir& dir) {
                testutil::RunSpec spec;
                spec.extension = "IP2";
                spec.scans = Files;
                spec.points = 60;
                testutil::WriteRun(dir.path(), spec);
            },
            {}, "150 scans read, 150 used" },
    };
}

} // namespace

TEST(ParallelLoad, OneTwoAndEightThreadsGiveTheSameStoresCountsProgressFileAndRecord)
{
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        c.write(dir);
        ProgressFollower one, two, eight;
        Open(one, c.channel, 1);
        Open(two, c.channel, 2);
        Open(eight, c.channel, 8);
        for (ProgressFollower* f : { &one, &two, &eight })
            f->LoadChannel(dir.path());
        ASSERT_TRUE(one.HasData && two.HasData && eight.HasData);
        const std::string gofs = GofsFileText(*one.Engine, "g.txt", -1, true);
        const std::string record = SidecarText(GofsSidecar(one, "g.txt", -1, true));
        for (ProgressFollower* f : { &two, &eight }) {
            ExpectSameEngine(*one.Engine, *f->Engine);
            EXPECT_EQ(ScanCountText(f->Counts), c.counts);
            EXPECT_EQ(one.progress, f->progress);
            EXPECT_EQ(GofsFileText(*f->Engine, "g.txt", -1, true), gofs);
            EXPECT_EQ(SidecarText(GofsSidecar(*f, "g.txt", -1, true)), record);
        }
        EXPECT_EQ(ScanCountText(one.Counts), c.counts);
        EXPECT_EQ(eight.progress.back(), "Processing file  100");
        // Each input's hash is that of its bytes, taken as it was read.
        const Sidecar s = GofsSidecar(eight, "g.txt", -1, true);
        ASSERT_FALSE(s.Channels.at(0).Files.empty());
        for (const InputFile& f : s.Channels[0].Files)
            ASSERT_EQ(f.Sha256, Sha256Hex(testutil::ReadTextFile(dir / f.Name))) << f.Name;

        const ChannelDataStore& raw = *eight.Engine->RawStore;
        for (int k = 0; k < raw.GetNumberOfSets(); ++k)
            for (const std::string& name : c.left)
                ASSERT_NE(raw.Headers[static_cast<size_t>(k)].FileName, name) << "set " << k;

        // The live refresh after either load appends the next scan alike.
        testutil::ScanSpec next = Scan(Files + 1);
        if (c.channel == "0*.RA1")
            Write(dir, Files + 1, next);
        one.Timer1Timer();
        eight.Timer1Timer();
        ExpectSameEngine(*one.Engine, *eight.Engine);
        EXPECT_EQ(one.Counts.Reloads, 0);
        EXPECT_EQ(eight.Counts.Reloads, 0);
    }
}

TEST(ParallelLoad, TheThreadCountComesFromTheEnvironmentOrTheMachine)
{
    const char* before = std::getenv("MORVANE_THREADS");
    const std::string saved = before ? before : "";
    ::unsetenv("MORVANE_THREADS");
    const int32_t machine = ReadingThreadsFromEnvironment();
    EXPECT_GE(machine, 1);
    ::setenv("MORVANE_THREADS", "3", 1);
    EXPECT_EQ(ReadingThreadsFromEnvironment(), 3);
    for (const char* junk : { "0", "-2", "two", "2x", "" }) {
        ::setenv("MORVANE_THREADS", junk, 1);
        EXPECT_EQ(ReadingThreadsFromEnvironment(), machine) << junk;
    }
    if (before)
        ::setenv("MORVANE_THREADS", saved.c_str(), 1);
    else
        ::unsetenv("MORVANE_THREADS");
}
