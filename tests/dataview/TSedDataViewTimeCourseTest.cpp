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
    view.TimeCourse.RadioGroupChooseTimeCourse = item;
    view.TimeCourse.RadioGroupChooseTimeCourseClick();
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
        SCOPED_TRACE(TimeCourseTab::TimeCourseItems[c.item]);
        Choose(view, c.item);
        EXPECT_EQ(view.TimeCourse.TimeCourseStore, c.store);
        EXPECT_EQ(view.TimeCourse.ButtonTCOutputAsciiVisible, c.output);
        EXPECT_EQ(view.TimeCourse.TimeCourseChart.Bottom.Logarithmic, c.logarithmic);
        EXPECT_FALSE(view.TimeCourse.TimeCourseChart.Bottom.Automatic);
        EXPECT_EQ(view.TimeCourse.TimeCourseChart.Bottom.Title, c.store->XTitle);
        EXPECT_EQ(view.TimeCourse.ScrollBarTime.Max, c.store->GetNumberOfSets() - 1);
        EXPECT_EQ(view.TimeCourse.ScrollBarTime.Position, 0);
        const ChartSeries& shown = view.TimeCourse.TimeCourseChart.Series[1];
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
    view.TimeCourse.ScrollBarTime.Position = 3;
    view.TimeCourse.ScrollBarTimeChange();
    EXPECT_EQ(view.TimeCourse.EditTimeCourse1, "Mean Time = 1234.57");
    const std::string label = e.DescribeSet(e.RawStore.get(), 3);
    EXPECT_EQ(view.TimeCourse.EditTimeCourse2 + "^" + view.TimeCourse.EditTimeCourse2Hint, label);
    EXPECT_EQ(view.TimeCourse.EditTimeCourse2, e.RawStore->Headers[3].FileName);

    // Outside the store: nothing drawn.
    EXPECT_EQ(view.TimeCourse.ShowTimeCourseSet(e.RawStore->GetNumberOfSets(), 1), -1);
    EXPECT_EQ(view.TimeCourse.ShowTimeCourseSet(0, 7), -1);
}

TEST_F(SedDataView, TimeCourseBeforeAnySet)
{
    ScriptedPrompts prompts;
    TSedDataView view(&prompts);
    for (int item : { 0, 1, 2 }) {
        SCOPED_TRACE(item);
        Choose(view, item);
        EXPECT_TRUE(view.InputEnabled);
        EXPECT_TRUE(view.TimeCourse.TimeCourseChart.ActiveSeries().empty());
        EXPECT_EQ(view.TimeCourse.ScrollBarTime.Max, 0);
        EXPECT_NE(
            view.TimeCourse.TimeCourseChart.EmptyText.find(TimeCourseTab::TimeCourseItems[item]), std::string::npos);
    }
    view.TimeCourse.TimerPlayBack.Enabled = true;
    view.TimeCourse.TimerPlayBackTimer();
    EXPECT_TRUE(view.TimeCourse.TimeCourseChart.ActiveSeries().empty());
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

    view.TimeCourse.TimerPlayBackTimer(); // paused: a late tick does nothing
    EXPECT_EQ(view.TimeCourse.ScrollBarTime.Position, 0);
    view.TimeCourse.SBPlayClick();
    EXPECT_TRUE(view.TimeCourse.TimerPlayBack.Enabled);
    std::vector<int> shown;
    for (int tick = 0; tick < 13; ++tick) {
        view.TimeCourse.TimerPlayBackTimer();
        shown.push_back(view.TimeCourse.TimeCourseChart.Series[1].Tag);
    }
    EXPECT_EQ(shown, (std::vector<int> { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0, 1 }));

    // Leaving the tab pauses.
    view.TimeCourse.TabTimeCourseExit();
    EXPECT_FALSE(view.TimeCourse.TimerPlayBack.Enabled);
    EXPECT_FALSE(view.TimeCourse.SBPlayDown);
}

TEST_F(SedDataView, TimeCoursePlaySpeed)
{
    TSedDataView view;
    EXPECT_EQ(view.TimeCourse.UpDownPlaySpeed.Position, 50);
    EXPECT_EQ(view.TimeCourse.EditPlayBackSpeed, "50%");
    EXPECT_EQ(view.TimeCourse.TimerPlayBack.Interval, 148);
    EXPECT_FALSE(view.TimeCourse.TimerPlayBack.Enabled);
    const struct {
        int speed;
        const char* text;
        int ms;
    } cases[] = { { 100, "100%", 1 }, { 90, "90%", 2 }, { 50, "50%", 148 }, { 30, "30%", 1096 }, { 1, "1%", 19930 },
        { 0, "1%", 19930 }, { 150, "100%", 1 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.speed);
        view.TimeCourse.UpDownPlaySpeed.SetPosition(c.speed);
        view.TimeCourse.UpDownPlaySpeedClick();
        EXPECT_EQ(view.TimeCourse.EditPlayBackSpeed, c.text);
        EXPECT_EQ(view.TimeCourse.TimerPlayBack.Interval, c.ms);
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
        view.TimeCourse.ScrollBarTime.Position = 2;
        view.TimeCourse.ScrollBarTimeChange();
        std::vector<int> drawn;
        for (int s = 2; s < view.TimeCourse.TimeCourseChart.SeriesCount(); ++s) {
            const ChartSeries& under = view.TimeCourse.TimeCourseChart.Series[static_cast<size_t>(s)];
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
    view.TimeCourse.ScrollBarTimeChange();
    view.TimeCourse.ButtonRefreshPlaybackDataClick();
    EXPECT_EQ(view.TimeCourse.TimeCourseStore, view.Engine->GofsStore.get());
    EXPECT_EQ(view.TimeCourse.ShowTimeCourseSet(0, 1), 0);
}
