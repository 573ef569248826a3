// Which files are complete, which scans a channel uses, and the line that reports it.
#include <gtest/gtest.h>
#include <vector>

#include "follower/ScanCounts.h"
#include "follower/ScanIntake.h"

using namespace morvane;

using namespace std::chrono_literals;

TEST(ScanIntake, AFileSettlesBySecondLookAgeOrSuccessor)
{
    const FileTime now = FileTime(1000000s);
    FileLook look { "00003.RA1", 5000, now - 2s, true };
    FileLook grown = look;
    grown.Size = 4000;
    const struct {
        const char* name;
        FileLook look;
        const FileLook* previous;
        bool later;
        bool settled;
    } cases[] = {
        { "first look, fresh", look, nullptr, false, false },
        { "unchanged since the previous look", look, &look, false, true },
        { "grown since the previous look", look, &grown, false, false },
        { "a later file of the channel exists", look, &grown, true, true },
        { "last changed long enough ago", { "x", 5000, now - 5s, true }, nullptr, false, true },
        { "a time ahead of the clock (a share's skew)", { "x", 5000, now + 60s, true }, nullptr, false, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(HasSettled(c.look, c.previous, c.later, now), c.settled);
    }
}

TEST(ScanIntake, TheLongestRunInTimeOrderFirstInNameOrder)
{
    const std::vector<bool> all(8, true);
    const struct {
        const char* name;
        std::vector<double> times;
        std::vector<bool> canStart;
        std::vector<int32_t> chosen;
    } cases[] = {
        { "in order", { 1, 2, 3, 4 }, all, { 0, 1, 2, 3 } },
        { "a stray early name with a late time drops only itself", { 90, 1, 2, 3 }, all, { 1, 2, 3 } },
        { "a stray late time in the middle", { 1, 2, 90, 3, 4 }, all, { 0, 1, 3, 4 } },
        { "a stray early time in the middle", { 1, 2, 0.5, 3, 4 }, all, { 0, 1, 3, 4 } },
        { "equal times: the first of them", { 1, 2, 2, 3 }, all, { 0, 1, 3 } },
        { "one scan against one: the first", { 9, 1 }, all, { 0 } },
        { "two against one: the two", { 9, 1, 2 }, all, { 1, 2 } },
        { "the grid comes from a scan that may give it", { 1, 2, 3, 4 }, { false, false, true, true }, { 2, 3 } },
        { "none may give the grid", { 1, 2 }, { false, false }, {} },
        { "nothing", {}, {}, {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<bool> canStart = c.canStart;
        canStart.resize(c.times.size(), true);
        EXPECT_EQ(ScansInTimeOrder(c.times, canStart), c.chosen);
    }
}

TEST(ScanIntake, NameOrderIgnoresCaseAndStillOrdersEveryName)
{
    EXPECT_TRUE(NameBefore("00001.ra1", "00002.RA1"));
    EXPECT_TRUE(NameBefore("00002.RA1", "00002.ra1")) << "equal but for case: by the bytes";
    EXPECT_FALSE(NameBefore("00002.ra1", "00002.RA1"));
    EXPECT_TRUE(PlausibleScanTimes(3600, 1e11, 50000, 3600));
    EXPECT_FALSE(PlausibleScanTimes(3600, 1e308, 50000, 3600)) << "recorded times do not hide omega^2 t";
    EXPECT_FALSE(PlausibleScanTimes(2e7, 1e11, 50000, 2e7));
}

TEST(ScanIntake, TheCountLine)
{
    ScanCounts c;
    EXPECT_EQ(ScanCountText(c), "0 scans read, 0 used");
    c.Read = c.Used = 1;
    EXPECT_EQ(ScanCountText(c), "1 scan read, 1 used");
    c.Refuse(ScanReason::TimeOrder, "00000.RA1");
    c.Refuse(ScanReason::BadHeader, "00004.RA1");
    c.Refuse(ScanReason::BadHeader, "00009.RA1");
    c.Refuse(ScanReason::BadHeader, "00012.RA1");
    c.Wait("00013.RA1");
    c.Wait("00014.RA1");
    EXPECT_EQ(ScanCountText(c),
        "5 scans read, 1 used, 4 refused (header line does not parse: 00004.RA1 and 2 more; time out of order with "
        "the other scans: 00000.RA1), 2 not yet complete (00013.RA1 and 1 more)");
    EXPECT_EQ(c.RefusedFor(ScanReason::BadHeader), 3);
}
