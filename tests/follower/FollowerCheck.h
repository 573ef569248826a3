#pragma once
// What the follower's tests share: clocks that make every file old or none, and a comparison of
// two engines store by store, set by set, bit for bit.
#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "follower/ChannelFollower.h"

using namespace morvane;

namespace followertest {

// Long after any test wrote its files: every file has settled by its age.
inline FileTime LongAfter() { return FileTime(std::chrono::hours(24 * 365 * 100)); }
// Before any file was written: no file has settled by its age.
inline FileTime LongBefore() { return FileTime {}; }

inline bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

inline void ExpectSameHeader(const ScanHeader& a, const ScanHeader& b, const std::string& where)
{
    SCOPED_TRACE(where);
    EXPECT_EQ(a.FileName, b.FileName);
    EXPECT_EQ(a.HeaderLine, b.HeaderLine);
    EXPECT_EQ(a.Description, b.Description);
    EXPECT_TRUE(SameBits(a.Time, b.Time) && SameBits(a.Omega2t, b.Omega2t) && SameBits(a.Rpm, b.Rpm));
    EXPECT_EQ(a.FirstScan, b.FirstScan);
    EXPECT_EQ(a.LastScan, b.LastScan);
    EXPECT_EQ(a.LastPoint, b.LastPoint);
    EXPECT_EQ(a.UseApparentTime, b.UseApparentTime);
}

// Every set of two stores: grid, x, y, e and header. Stops at the first set that differs.
inline void ExpectSameStore(const ChannelDataStore& a, const ChannelDataStore& b, const std::string& name)
{
    SCOPED_TRACE(name);
    ASSERT_EQ(a.GetNumberOfSets(), b.GetNumberOfSets());
    ASSERT_EQ(a.GetNumberOfPoints(), b.GetNumberOfPoints());
    for (int p = 0; p < a.GetNumberOfPoints(); ++p)
        ASSERT_TRUE(SameBits(a.GetX(p), b.GetX(p))) << "grid point " << p;
    for (int k = 0; k < a.GetNumberOfSets(); ++k) {
        for (int p = 0; p < a.GetNumberOfPoints(); ++p)
            ASSERT_TRUE(SameBits(a.GetY(k, p), b.GetY(k, p)) && SameBits(a.GetE(k, p), b.GetE(k, p)))
                << "set " << k << " point " << p << ": " << a.GetY(k, p) << " against " << b.GetY(k, p);
        ExpectSameHeader(
            a.Headers[static_cast<size_t>(k)], b.Headers[static_cast<size_t>(k)], "set " + std::to_string(k));
    }
}

// Every store of two engines and their composite curves.
inline void ExpectSameEngine(const RealTimeGofS& a, const RealTimeGofS& b)
{
    ASSERT_EQ(a.RawStore != nullptr, b.RawStore != nullptr);
    if (!a.RawStore)
        return;
    ExpectSameStore(*a.RawStore, *b.RawStore, "raw");
    ExpectSameStore(*a.DcdtStore, *b.DcdtStore, "dc/dt");
    ExpectSameStore(*a.AvgDcdtStore, *b.AvgDcdtStore, "averaged dc/dt");
    ExpectSameStore(*a.GofsStore, *b.GofsStore, "g(s*)");
    ExpectSameStore(*a.SmoothGofsStore, *b.SmoothGofsStore, "smoothed g(s*)");
    ASSERT_EQ(a.CompositeEmpty, b.CompositeEmpty);
    if (a.CompositeEmpty)
        return;
    for (int i = 0; i < a.GofsStore->GetNumberOfPoints(); ++i) {
        const auto u = static_cast<size_t>(i);
        ASSERT_TRUE(SameBits(a.CompositeX[u], b.CompositeX[u]) && SameBits(a.CompositeY[u], b.CompositeY[u])
            && SameBits(a.CompositeE[u], b.CompositeE[u]))
            << "composite point " << i;
    }
}

// Names the channel in a new follower, with the positions the test runs are written for, the
// files taken as settled; `threads`: its reading threads (0: the environment's).
inline void Open(ChannelFollower& f, const std::string& channel, int32_t threads = 0)
{
    f.Engine->ChannelName = channel;
    f.Engine->Cell = { 5.9, 7.2, 5.87, 6.9, false, CellParameters::DefaultAssumedMW };
    f.Engine->SetCorrectionsFromChannel();
    f.Now = LongAfter;
    f.ReadThreads = threads;
}

// A full load of `dir` by a new follower configured like `model`, all files taken as settled.
inline void FullLoad(ChannelFollower& f, const ChannelFollower& model, const std::string& dir)
{
    const RealTimeGofS& m = *model.Engine;
    RealTimeGofS& e = *f.Engine;
    e.ChannelName = m.ChannelName;
    e.Cell = m.Cell;
    e.CorrectJitter = m.CorrectJitter;
    e.CorrectFringes = m.CorrectFringes;
    e.Settings = m.Settings;
    f.Now = LongAfter;
    f.LoadChannel(dir);
}

} // namespace followertest
