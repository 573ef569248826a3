// The time-course tab, on a channel loaded without the data view: the families, the playback and
// its speed, the shown set's texts.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "DataViewFixture.h"
#include "testutil/ScriptedHost.h"

using namespace dataviewtest;
using testutil::TempDir;

namespace {

void Choose(TimeCourseTab& tab, int item)
{
    tab.RadioGroupChooseTimeCourse = item;
    tab.RadioGroupChooseTimeCourseClick();
}

} // namespace

TEST(TimeCourseTab, TimeCourseFamilies)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(20));
    TabHost host;
    host.Load(dir.path());
    TimeCourseTab tab(host);
    const RealTimeGofS& e = *host.Follower.Engine;
    const struct {
        int item;
        const ChannelDataStore* store;
        bool logarithmic, output;
        int width;
    } cases[] = { { 0, e.RawStore.get(), false, false, 1 }, { 1, e.AvgDcdtStore.get(), true, false, 3 },
        { 2, e.GofsStore.get(), true, true, 1 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(TimeCourseTab::TimeCourseItems[c.item]);
        Choose(tab, c.item);
        EXPECT_EQ(tab.TimeCourseStore, c.store);
        EXPECT_EQ(tab.ButtonTCOutputAsciiVisible, c.output);
        EXPECT_EQ(tab.TimeCourseChart.Bottom.Logarithmic, c.logarithmic);
        EXPECT_FALSE(tab.TimeCourseChart.Bottom.Automatic);
        EXPECT_EQ(tab.TimeCourseChart.Bottom.Title, c.store->XTitle);
        EXPECT_EQ(tab.ScrollBarTime.Max, c.store->GetNumberOfSets() - 1);
        EXPECT_EQ(tab.ScrollBarTime.Position, 0);
        const ChartSeries& shown = tab.TimeCourseChart.Series[1];
        EXPECT_EQ(shown.Tag, 0);
        EXPECT_TRUE(shown.Active);
        EXPECT_FALSE(shown.Points.empty());
        EXPECT_EQ(shown.Colour, Colours::Fuchsia);
        EXPECT_EQ(shown.LineWidth, c.width);
        EXPECT_TRUE(host.Input);
    }

    // The label: the text before "^", the rest as the hint; the mean time to two decimals.
    Choose(tab, 0);
    host.Follower.Engine->RawStore->Headers[3].Time = 1234.5678;
    tab.ScrollBarTime.Position = 3;
    tab.ScrollBarTimeChange();
    EXPECT_EQ(tab.EditTimeCourse1, "Mean Time = 1234.57");
    const std::string label = e.DescribeSet(e.RawStore.get(), 3);
    EXPECT_EQ(tab.EditTimeCourse2 + "^" + tab.EditTimeCourse2Hint, label);
    EXPECT_EQ(tab.EditTimeCourse2, e.RawStore->Headers[3].FileName);

    // Outside the store: nothing drawn.
    EXPECT_EQ(tab.ShowTimeCourseSet(e.RawStore->GetNumberOfSets(), 1), -1);
    EXPECT_EQ(tab.ShowTimeCourseSet(0, 7), -1);
}

TEST(TimeCourseTab, TimeCourseBeforeAnySet)
{
    TabHost host;
    TimeCourseTab tab(host);
    for (int item : { 0, 1, 2 }) {
        SCOPED_TRACE(item);
        Choose(tab, item);
        EXPECT_TRUE(host.Input);
        EXPECT_TRUE(tab.TimeCourseChart.ActiveSeries().empty());
        EXPECT_EQ(tab.ScrollBarTime.Max, 0);
        EXPECT_NE(tab.TimeCourseChart.EmptyText.find(TimeCourseTab::TimeCourseItems[item]), std::string::npos);
    }
    tab.TimerPlayBack.Enabled = true;
    tab.TimerPlayBackTimer();
    EXPECT_TRUE(tab.TimeCourseChart.ActiveSeries().empty());
    EXPECT_TRUE(host.Asked.Messages.empty());

    Choose(tab, 3);
    EXPECT_EQ(host.Asked.Messages, (std::vector<std::string> { "Unexpected error choosing data." }));
    EXPECT_TRUE(host.Input);
}

TEST(TimeCourseTab, TimeCoursePlaybackLoops)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(15));
    TabHost host;
    host.Load(dir.path());
    TimeCourseTab tab(host);
    Choose(tab, 1);
    const int sets = host.Follower.Engine->AvgDcdtStore->GetNumberOfSets();
    ASSERT_EQ(sets, 12) << "the run makes this many averaged sets";

    tab.TimerPlayBackTimer(); // paused: a late tick does nothing
    EXPECT_EQ(tab.ScrollBarTime.Position, 0);
    tab.SBPlayClick();
    EXPECT_TRUE(tab.TimerPlayBack.Enabled);
    std::vector<int> shown;
    for (int tick = 0; tick < 13; ++tick) {
        tab.TimerPlayBackTimer();
        shown.push_back(tab.TimeCourseChart.Series[1].Tag);
    }
    EXPECT_EQ(shown, (std::vector<int> { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0, 1 }));

    // Leaving the tab pauses.
    tab.TabTimeCourseExit();
    EXPECT_FALSE(tab.TimerPlayBack.Enabled);
    EXPECT_FALSE(tab.SBPlayDown);
}

TEST(TimeCourseTab, TimeCoursePlaySpeed)
{
    TabHost host;
    TimeCourseTab tab(host);
    tab.UpDownPlaySpeedClick(); // as the window does with its settings
    EXPECT_EQ(tab.UpDownPlaySpeed.Position, 50);
    EXPECT_EQ(tab.EditPlayBackSpeed, "50%");
    EXPECT_EQ(tab.TimerPlayBack.Interval, 148);
    EXPECT_FALSE(tab.TimerPlayBack.Enabled);
    const struct {
        int speed;
        const char* text;
        int ms;
    } cases[] = { { 100, "100%", 1 }, { 90, "90%", 2 }, { 50, "50%", 148 }, { 30, "30%", 1096 }, { 1, "1%", 19930 },
        { 0, "1%", 19930 }, { 150, "100%", 1 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.speed);
        tab.UpDownPlaySpeed.SetPosition(c.speed);
        tab.UpDownPlaySpeedClick();
        EXPECT_EQ(tab.EditPlayBackSpeed, c.text);
        EXPECT_EQ(tab.TimerPlayBack.Interval, c.ms);
    }
}

// An averaged set is drawn over every dc/dt set it averages, or over six of them beyond 26.
TEST(TimeCourseTab, TimeCourseAveragedOverSampledDcdtSets)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(60));
    TabHost host;
    host.Load(dir.path());
    TimeCourseTab tab(host);
    ASSERT_GT(host.Follower.Engine->DcdtStore->GetNumberOfSets(), 40);
    Choose(tab, 1);
    ScanHeader& h = host.Follower.Engine->AvgDcdtStore->Headers[2];
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
        tab.ScrollBarTime.Position = 2;
        tab.ScrollBarTimeChange();
        std::vector<int> drawn;
        for (int s = 2; s < tab.TimeCourseChart.SeriesCount(); ++s) {
            const ChartSeries& under = tab.TimeCourseChart.Series[static_cast<size_t>(s)];
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
TEST(TimeCourseTab, TimeCourseAfterTheStoresWereMadeAnew)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(12));
    TabHost host;
    host.Load(dir.path());
    TimeCourseTab tab(host);
    Choose(tab, 2);
    host.Follower.LoadChannel(dir.path(), "watch");
    tab.ScrollBarTimeChange();
    tab.ButtonRefreshPlaybackDataClick();
    EXPECT_EQ(tab.TimeCourseStore, host.Follower.Engine->GofsStore.get());
    EXPECT_EQ(tab.ShowTimeCourseSet(0, 1), 0);
}
