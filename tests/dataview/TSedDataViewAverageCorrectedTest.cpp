// The average and corrected views.
#include <gtest/gtest.h>
#include <regex>
#include <string>

#include "DataViewFixture.h"

using namespace dataviewtest;
using testutil::TempDir;

TEST_F(SedDataView, AverageAndCorrectedViews)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(30));
    TSedDataView view;
    Launch(view, dir.path());
    const RealTimeGofS& e = *view.Engine;
    const int L = e.AvgDcdtStore->GetNumberOfSets() - 1;
    ASSERT_GE(L, 0);
    const ScanHeader& h = e.AvgDcdtStore->Headers[static_cast<size_t>(L)];
    const int pairs = h.LastScan - h.FirstScan + 1;
    EXPECT_EQ(view.Results.EditNumberOfdcdt, std::to_string(pairs) + " pairs");
    EXPECT_TRUE(std::regex_match(
        view.Results.EditTimeRange, std::regex("From: [0-9]{1,3}(,[0-9]{3})* to [0-9]{1,3}(,[0-9]{3})* sec")))
        << view.Results.EditTimeRange;

    // One curve per pair, then their mean.
    EXPECT_EQ(static_cast<int>(view.Results.ChartAverage.ActiveSeries().size()), pairs + 1);
    EXPECT_EQ(view.Results.ChartAverage.Bottom.Title, "s* in Svedburg Units plotted on a log scale");

    // One point per grid point of the newest g(s*) set, or of the composite where the set has none.
    int expected = 0;
    for (int p = 0; p < e.GofsStore->GetNumberOfPoints(); ++p)
        if (e.GofsStore->GetE(L, p) >= 0 || e.CompositeE[static_cast<size_t>(p)] > 0)
            ++expected;
    EXPECT_GT(expected, 0);
    EXPECT_EQ(static_cast<int>(view.Results.dcdtChart.Series[1].Points.size()), expected);
}
