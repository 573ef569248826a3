#include <cmath>
#include <gtest/gtest.h>
#include <vector>

#include "dataview/StoreSeries.h"

using namespace morvane;

namespace {

std::vector<ChartPoint> Drawn(const ChannelDataStore& store, int32_t k, StoreAxis axis)
{
    ChartSeries series;
    series.Add(9, 9); // left from an earlier drawing
    DrawStoreSet(series, store, k, axis);
    EXPECT_EQ(series.Tag, k);
    return series.Points;
}

} // namespace

TEST(StoreSeries, DrawsThePointsThatHoldDataOnTheStoresAxis)
{
    const CustomSettings settings;
    const double x[] = { 5.9, 6.0, 6.1 };
    const double y[] = { 0.1, 0.2, 0.3 };
    const double e[] = { 0.0, -1e10, 1e-10 }; // e = 0 holds data; any negative e does not
    ChannelDataStore store(settings, x, 3);
    ASSERT_EQ(store.AddSet(x, y, e, 3, ScanHeader(), 100), 0);

    const std::vector<ChartPoint> radius = Drawn(store, 0, StoreAxis::RadiusCm);
    ASSERT_EQ(radius.size(), 2u);
    EXPECT_DOUBLE_EQ(radius[0].X, 5.9);
    EXPECT_DOUBLE_EQ(radius[1].X, 6.1);
    EXPECT_DOUBLE_EQ(radius[1].Y, 0.3);

    // ln s = ln(1e-13) is 1 S; ln(4.4e-13) is 4.4 S.
    const double lnS[] = { std::log(1e-13), std::log(2e-13), std::log(4.4e-13) };
    ChannelDataStore sGrid(settings, lnS, 3);
    ASSERT_EQ(sGrid.AddSet(lnS, y, e, 3, ScanHeader(), 100), 0);
    const std::vector<ChartPoint> s = Drawn(sGrid, 0, StoreAxis::Svedbergs);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_NEAR(s[0].X, 1.0, 1e-12);
    EXPECT_NEAR(s[1].X, 4.4, 1e-12);

    // Sets the store does not hold: nothing, not zeros.
    for (const int32_t k : { -1, 1, 999 }) {
        SCOPED_TRACE(k);
        EXPECT_TRUE(Drawn(store, k, StoreAxis::RadiusCm).empty());
    }
}
