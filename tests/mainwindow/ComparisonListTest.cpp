#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "mainwindow/TMorvaneForm.h"
#include "testutil/ScanFileWriter.h"
#include "testutil/ScriptedHost.h"

using namespace morvane;

using testutil::TempDir;

namespace {

std::vector<std::string> Texts(const TMorvaneCompare& c)
{
    std::vector<std::string> texts;
    for (const ComparisonEntry& e : c.ListBoxOpenWindows)
        texts.push_back(e.Text);
    return texts;
}

} // namespace

TEST(ComparisonList, FollowsLaunchesAndAClosedViewLeavesItBeforeTheRedraw)
{
    TempDir root;
    testutil::RunSpec spec;
    spec.scans = 8;
    spec.points = 80;
    testutil::WriteRun(root.path(), spec);
    testutil::ScriptedHost host;
    TMorvaneForm form(&host);
    TMorvaneCompare compare;
    form.ChangeWorkingDirectory = false;
    form.ComparisonWindow = &compare;
    ASSERT_EQ(form.ScanRootDir(root.path()), "");

    TSedDataView* first = form.ButtonLaunchClick();
    TSedDataView* second = form.ButtonLaunchClick();
    ASSERT_TRUE(first && second);
    const std::string base = root / "0*.RA1";
    EXPECT_EQ(Texts(compare), (std::vector<std::string> { base, base + "#1 " }));
    EXPECT_EQ(compare.ListBoxOpenWindows[1].View, second);

    for (ComparisonEntry& e : compare.ListBoxOpenWindows)
        e.Selected = true;
    compare.PlotComparison();
    ASSERT_EQ(compare.dcdtChart.ActiveSeries(), (std::vector<int32_t> { 1, 2 }));

    const uint64_t drawn = compare.dcdtChart.Changed;
    first->FormClose();
    EXPECT_EQ(Texts(compare), (std::vector<std::string> { base + "#1 " }));
    EXPECT_EQ(form.ComparisonWindows.size(), 1u);
    EXPECT_GT(compare.dcdtChart.Changed, drawn) << "the window redrew itself";
    EXPECT_EQ(compare.dcdtChart.ActiveSeries(), (std::vector<int32_t> { 1 })) << "without the closed view";
    EXPECT_EQ(compare.dcdtChart.Series[1].Title, "RA1#1 ");

    EXPECT_EQ(host.ComparisonWindowsShown, 0);
    form.ButtonLaunchComparisonClick();
    EXPECT_EQ(host.ComparisonWindowsShown, 1);
    EXPECT_TRUE(compare.Visible);
}
