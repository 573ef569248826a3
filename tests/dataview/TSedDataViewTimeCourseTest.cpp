// The time-course tab: the families, the playback and its speed, the shown set's texts.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "DataViewFixture.h"
#include "testutil/ScriptedPrompts.h"

using namespace dataviewtest;
using testutil::ScriptedPrompts;
using testutil::TempDir;

namespace {

void Choose(TSedDataView& view, int item)
{
    view.RadioGroupChooseTimeCourse = item;
    view.RadioGroupChooseTimeCourseClick();
}

} // namespace

TEST_F(SedDataView, TimeCourseFamilies)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(20));
    TSedDataView view;
    Launch(view, dir.path());
    const RealTimeGofS& e = *view.Engine;
    const struct {
        int item;
        const ChannelDataStore* store;
        bool logarithmic, output;
        int width;
    } cases[] = { { 0, e.RawStore.get(), false, false, 1 }, { 1, e.AvgDcdtStore.get(), true, false, 3 },
        { 2, e.GofsStore.get(), true, true, 1 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(TSedDataView::TimeCourseItems[c.item]);
        Choose(view, c.item);
        EXPECT_EQ(view.TimeCourseStore, c.store);
        EXPECT_EQ(view.ButtonTCOutputAsciiVisible, c.output);
        EXPECT_EQ(view.TimeCourseChart.Bottom.Logarithmic, c.logarithmic);
        EXPECT_FALSE(view.TimeCourseChart.Bottom.Automatic);
        EXPECT_EQ(view.TimeCourseChart.Bottom.Title, c.store->XTitle);
        EXPECT_EQ(view.ScrollBarTime.Max, c.store->GetNumberOfSets() - 1);
        EXPECT_EQ(view.ScrollBarTime.Position, 0);
        const ChartSeries& shown = view.TimeCourseChart.Series[1];
        EXPECT_EQ(shown.Tag, 0);
        EXPECT_TRUE(shown.Active);
        EXPECT_FALSE(shown.Points.empty());
        EXPECT_EQ(shown.Colour, Colours::Fuchsia);
        EXPECT_EQ(shown.LineWidth, c.width);
        EXPECT_TRUE(view.InputEnabled);
    }

    // The label: the text before "^", the rest as the hint; the mean time to two decimals.
    Choose(view, 0);
    view.Engine->RawStore->Headers[3].Time = 1234.5678;
    view.ScrollBarTime.Position = 3;
    view.ScrollBarTimeChange();
    EXPECT_EQ(view.EditTimeCourse1, "Mean Time = 1234.57");
    const std::string label = e.DescribeSet(e.RawStore.get(), 3);
    EXPECT_EQ(view.EditTimeCourse2 + "^" + view.EditTimeCourse2Hint, label);
    EXPECT_EQ(view.EditTimeCourse2, e.RawStore->Headers[3].FileName);

    // Outside the store: nothing drawn.
    EXPECT_EQ(view.ShowTimeCourseSet(e.RawStore->GetNumberOfSets(), 1), -1);
    EXPECT_EQ(view.ShowTimeCourseSet(0, 7), -1);
}

TEST_F(SedDataView, TimeCourseBeforeAnySet)
{
    ScriptedPrompts prompts;
    TSedDataView view(&prompts);
    for (int item : { 0, 1, 2 }) {
        SCOPED_TRACE(item);
        Choose(view, item);
        EXPECT_TRUE(view.InputEnabled);
        EXPECT_TRUE(view.TimeCourseChart.ActiveSeries().empty());
        EXPECT_EQ(view.ScrollBarTime.Max, 0);
        EXPECT_NE(view.TimeCourseChart.EmptyText.find(TSedDataView::TimeCourseItems[item]), std::string::npos);
    }
    view.TimerPlayBack.Enabled = true;
    view.TimerPlayBackTimer();
    EXPECT_TRUE(view.TimeCourseChart.ActiveSeries().empty());
    EXPECT_TRUE(prompts.Messages.empty());

    Choose(view, 3);
    EXPECT_EQ(prompts.Messages, (std::vector<std::string> { "Unexpected error choosing data." }));
    EXPECT_TRUE(view.InputEnabled);
}

TEST_F(SedDataView, TimeCoursePlaybackLoops)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(15));
    TSedDataView view;
    Launch(view, dir.path());
    Choose(view, 1);
    const int sets = view.Engine->AvgDcdtStore->GetNumberOfSets();
    ASSERT_EQ(sets, 12) << "the run makes this many averaged sets";

    view.TimerPlayBackTimer(); // paused: a late tick does nothing
    EXPECT_EQ(view.ScrollBarTime.Position, 0);
    view.SBPlayClick();
    EXPECT_TRUE(view.TimerPlayBack.Enabled);
    std::vector<int> shown;
    for (int tick = 0; tick < 13; ++tick) {
        view.TimerPlayBackTimer();
        shown.push_back(view.TimeCourseChart.Series[1].Tag);
    }
    EXPECT_EQ(shown, (std::vector<int> { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0, 1 }));

    // Leaving the tab pauses.
    view.TabTimeCourseExit();
    EXPECT_FALSE(view.TimerPlayBack.Enabled);
    EXPECT_FALSE(view.SBPlayDown);
}

TEST_F(SedDataView, TimeCoursePlaySpeed)
{
    TSedDataView view;
    EXPECT_EQ(view.UpDownPlaySpeed.Position, 50);
    EXPECT_EQ(view.EditPlayBackSpeed, "50%");
    EXPECT_EQ(view.TimerPlayBack.Interval, 148);
    EXPECT_FALSE(view.TimerPlayBack.Enabled);
    const struct {
        int speed;
        const char* text;
        int ms;
    } cases[] = { { 100, "100%", 1 }, { 90, "90%", 2 }, { 50, "50%", 148 }, { 30, "30%", 1096 }, { 1, "1%", 19930 },
        { 0, "1%", 19930 }, { 150, "100%", 1 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.speed);
        view.UpDownPlaySpeed.SetPosition(c.speed);
        view.UpDownPlaySpeedClick();
        EXPECT_EQ(view.EditPlayBackSpeed, c.text);
        EXPECT_EQ(view.TimerPlayBack.Interval, c.ms);
    }
}

// An averaged set is drawn over every dc/dt set it averages, or over six of them beyond 26.
TEST_F(SedDataView, TimeCourseAveragedOverSampledDcdtSets)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(60));
    TSedDataView view;
    Launch(view, dir.path());
    ASSERT_GT(view.Engine->DcdtStore->GetNumberOfSets(), 40);
    Choose(view, 1);
    ScanHeader& h = view.Engine->AvgDcdtStore->Headers[2];
    const struct {
        int first, last;
        std::vector<int> drawn;
    } cases[] = {
        { 10, 40, { 10, 16, 22, 28, 34, 40 } },
        { 10, 30, Sets({}, 10, 1, 31, {}) },
        { 3, 5, { 3, 4, 5 } },
    };
    for (const auto& c : cases) {
        h.FirstScan = c.first;
        h.LastScan = c.last;
        view.ScrollBarTime.Position = 2;
        view.ScrollBarTimeChange();
        std::vector<int> drawn;
        for (int s = 2; s < view.TimeCourseChart.SeriesCount(); ++s) {
            const ChartSeries& under = view.TimeCourseChart.Series[static_cast<size_t>(s)];
            if (!under.Active)
                continue;
            drawn.push_back(under.Tag);
            EXPECT_EQ(under.Colour, Colours::Blue);
            EXPECT_FALSE(under.Points.empty());
        }
        EXPECT_EQ(drawn, c.drawn);
    }
}

// A full load makes the engine's stores anew: the time course reads only a store the engine holds
// (the sanitizer build checks that the old one is not read).
TEST_F(SedDataView, TimeCourseAfterTheStoresWereMadeAnew)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(12));
    TSedDataView view;
    Launch(view, dir.path());
    Choose(view, 2);
    view.LoadChannel(dir.path(), "watch");
    view.ScrollBarTimeChange();
    view.ButtonRefreshPlaybackDataClick();
    EXPECT_EQ(view.TimeCourseStore, view.Engine->GofsStore.get());
    EXPECT_EQ(view.ShowTimeCourseSet(0, 1), 0);
}
