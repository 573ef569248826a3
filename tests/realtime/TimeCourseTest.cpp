#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "realtime/TimeCourse.h"

using namespace morvane;

namespace {

// A store of `sets` sets on the grid; set k holds y + k at every point but the last, which is
// invalid and far outside the range (99), so that it shows whether invalid points widen the axes.
std::unique_ptr<ChannelDataStore> MakeStore(
    const CustomSettings& settings, const std::vector<double>& grid, const std::vector<double>& y, int32_t sets)
{
    auto store = std::make_unique<ChannelDataStore>(settings, grid.data(), static_cast<int32_t>(grid.size()));
    for (int32_t k = 0; k < sets; ++k) {
        std::vector<double> ys, es;
        for (size_t i = 0; i < grid.size(); ++i) {
            const bool last = i + 1 == grid.size();
            ys.push_back(last ? 99 : y[i] + k);
            es.push_back(last ? -1e10 : 0);
        }
        ScanHeader h;
        h.Time = 100.0 * (k + 1);
        store->AddSet(grid.data(), ys.data(), es.data(), static_cast<int32_t>(grid.size()), h, h.Time);
    }
    store->XTitle = "x of " + std::to_string(sets);
    store->YTitle = "y of " + std::to_string(sets);
    return store;
}

} // namespace

TEST(ChooseTimeCourse, StoreAxesAndScrollRangeByItem)
{
    RealTimeGofS engine;
    const double lnS1 = std::log(1e-13), lnS10 = std::log(1e-12);
    engine.RawStore = MakeStore(engine.Settings, { 5.9, 6.5, 7.1, 7.15 }, { 0.2, 1.0, -0.5, 0 }, 3);
    engine.AvgDcdtStore = MakeStore(engine.Settings, { lnS1, lnS10, lnS10 + 1 }, { 0.5, 2.0, 0 }, 4);
    engine.GofsStore = MakeStore(engine.Settings, { lnS1, lnS10, lnS10 + 1 }, { -1.0, 0.0, 0 }, 2);
    const struct {
        const char* name;
        int32_t item;
        const ChannelDataStore* store;
        bool log, output;
        double bottomMin, bottomMax, leftMin, leftMax;
        int32_t scrollMax;
    } cases[] = {
        // radius 5.9 .. 7.1, c -0.5 .. 1.0 + 2
        { "c vs r", 0, engine.RawStore.get(), false, false, 5.9 * 0.95, 7.1 * 1.05, -0.525, 3.15, 2 },
        // s* 1 .. 10 S, t dc/dt 0.5 .. 2.0 + 3
        { "tdc/dt vs s*", 1, engine.AvgDcdtStore.get(), true, false, 0.95, 10.5, 0.475, 5.25, 3 },
        // s g(s) -1 .. 0 + 1
        { "s g(s) vs s*", 2, engine.GofsStore.get(), true, true, 0.95, 10.5, -1.05, 1.05, 1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TimeCourseView v = ChooseTimeCourse(engine, c.item, 0.05);
        EXPECT_TRUE(v.HasData);
        EXPECT_EQ(v.Message, "");
        EXPECT_EQ(v.Store, c.store);
        EXPECT_EQ(v.LogarithmicBottom, c.log);
        EXPECT_EQ(v.OutputButtonVisible, c.output);
        EXPECT_NEAR(v.BottomMin, c.bottomMin, 1e-9);
        EXPECT_NEAR(v.BottomMax, c.bottomMax, 1e-9);
        EXPECT_NEAR(v.LeftMin, c.leftMin, 1e-12);
        EXPECT_NEAR(v.LeftMax, c.leftMax, 1e-12);
        EXPECT_EQ(v.ScrollBarMax, c.scrollMax);
        EXPECT_EQ(v.BottomTitle, c.store->XTitle);
        EXPECT_EQ(v.LeftTitle, c.store->YTitle);
        EXPECT_NEAR(TimeCourseBottomValue(v, lnS10), c.log ? 10 : lnS10, 1e-9);
    }
}

TEST(ChooseTimeCourse, NothingToShow)
{
    RealTimeGofS engine; // no store before CreateX
    CustomSettings settings;
    const struct {
        const char* name;
        int32_t item;
        bool stores;
        const char* message;
    } cases[] = {
        { "no item chosen", -1, true, "" },
        { "unknown item", 3, true, "Unexpected error choosing data." },
        { "no store", 2, false, "" },
        { "a store without a set", 0, true, "" },
        { "sets without a valid point", 1, true, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        engine.RawStore.reset();
        engine.AvgDcdtStore.reset();
        engine.GofsStore.reset();
        if (c.stores) {
            engine.RawStore = MakeStore(settings, { 6.0, 7.0 }, { 1, 1 }, 0);
            engine.AvgDcdtStore = MakeStore(settings, { -30, -29 }, { 1, 1 }, 0);
            const std::vector<double> grid { -30, -29 }, y { 1, 1 }, e { -1e10, -1e10 };
            ScanHeader h;
            engine.AvgDcdtStore->AddSet(grid.data(), y.data(), e.data(), 2, h, 100);
        }
        const TimeCourseView v = ChooseTimeCourse(engine, c.item, 0.05);
        EXPECT_FALSE(v.HasData);
        EXPECT_EQ(v.Message, c.message);
        EXPECT_EQ(v.ScrollBarMax, 0);
    }
}

TEST(TimeCourse, PlaybackIntervalTable)
{
    const struct {
        int32_t speed, ms;
    } cases[] = { { 100, 1 }, { 90, 2 }, { 80, 7 }, { 70, 20 }, { 60, 54 }, { 50, 148 }, { 40, 403 }, { 30, 1096 },
        { 20, 2980 }, { 10, 8103 }, { 1, 19930 }, { 0, 19930 }, { -5, 19930 }, { 101, 1 }, { 500, 1 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.speed);
        EXPECT_EQ(PlaybackIntervalMs(c.speed), c.ms);
    }
}

TEST(TimeCourse, SampledDcdtSetsOfAnAveragedSet)
{
    auto range = [](int32_t first, int32_t last) {
        std::vector<int32_t> v;
        for (int32_t j = first; j <= last; ++j)
            v.push_back(j);
        return v;
    };
    const struct {
        const char* name;
        int32_t first, last;
        std::vector<int32_t> want;
    } cases[] = {
        { "span 30: every sixth", 10, 40, { 10, 16, 22, 28, 34, 40 } },
        { "span 20: all 21", 10, 30, range(10, 30) },
        { "span 25: all 26", 0, 25, range(0, 25) },
        { "span 26: step 5, the last not reached", 0, 26, { 0, 5, 10, 15, 20, 25 } },
        { "one set", 7, 7, { 7 } },
        { "reversed", 8, 7, {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SampledDcdtSets(c.first, c.last), c.want);
    }
}
