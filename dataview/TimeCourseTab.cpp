// The time-course tab of the data view: one family of the engine's curves (raw scans, averaged
// t dc/dt or corrected s g(s)) replayed set by set on fixed axes, by its scroll bar or by the
// playback timer; an averaged set is drawn over a sample of the dc/dt sets it averages.
#include "dataview/TimeCourseTab.h"

#include "analysis/NumberText.h"
#include "analysis/Rounding.h"
#include "dataview/StoreSeries.h"
#include "realtime/TimeCourse.h"

namespace morvane {

TimeCourseTab::TimeCourseTab(ViewContext& view)
    : view_(view)
{
    TimeCourseChart.Bottom = LogSAxis();
    TimeCourseChart.Bottom.LabelAngle = 0;
    TimeCourseChart.Left.Title = "t dc/dt";
    TimeCourseChart.Left.LabelFormat = "#.0 \"x10\" E+0";
    TimeCourseChart.Series = { InactiveLine(), InactiveLine() };
    TimeCourseChart.EmptyText = "Choose the curves to replay above";
}

const ChannelDataStore* TimeCourseTab::ShownTimeCourseStore() const
{
    // A full load makes the engine's stores anew: a pointer to an old one shows nothing.
    const RealTimeGofS* engine = view_.CurrentEngine();
    if (!engine || !TimeCourseStore)
        return nullptr;
    for (const ChannelDataStore* s : { engine->RawStore.get(), engine->AvgDcdtStore.get(), engine->GofsStore.get() })
        if (s == TimeCourseStore)
            return s;
    return nullptr;
}

void TimeCourseTab::RadioGroupChooseTimeCourseClick() { SetupTimeCourse(); }

void TimeCourseTab::ButtonRefreshPlaybackDataClick() { SetupTimeCourse(); }

void TimeCourseTab::SetupTimeCourse()
{
    TimeCourseChart.ClearSeriesFrom(0);
    TimeCourseChart.Repaint();
    const int32_t item = RadioGroupChooseTimeCourse;
    if (item == TimeCourseNone || !view_.CurrentEngine())
        return;
    view_.EnableInput(false);
    const TimeCourseView v = ChooseTimeCourse(*view_.CurrentEngine(), item, view_.Display().graphPadPercent);
    if (!v.Message.empty()) {
        view_.Ask().ShowMessage(v.Message);
        view_.EnableInput(true);
        return;
    }
    TimeCourseStore = v.Store;
    ButtonTCOutputAsciiVisible = v.OutputButtonVisible;
    ChartAxis& bottom = TimeCourseChart.Bottom;
    if (v.LogarithmicBottom) {
        bottom = LogSAxis();
        bottom.LabelAngle = 0;
    } else {
        bottom = ChartAxis {};
        bottom.LabelFormat = "0.0";
    }
    ChartAxis& left = TimeCourseChart.Left;
    bottom.Automatic = left.Automatic = !v.HasData;
    bottom.Minimum = v.BottomMin;
    bottom.Maximum = v.BottomMax;
    left.Minimum = v.LeftMin;
    left.Maximum = v.LeftMax;
    if (v.Store) {
        bottom.Title = v.BottomTitle;
        left.Title = v.LeftTitle + " (" + view_.SignalUnit() + ")";
    }
    ScrollBarTime.Min = 0;
    ScrollBarTime.Max = v.ScrollBarMax;
    ScrollBarTime.Position = 0;
    if (v.HasData) {
        ShowTimeCourseSet(0, 1);
    } else {
        EditTimeCourse1.clear();
        EditTimeCourse2.clear();
        EditTimeCourse2Hint.clear();
        TimeCourseChart.EmptyText = std::string("No \"") + TimeCourseItems[item]
            + "\" curves yet: press \"Refresh Data\" once the run has made some";
    }
    view_.EnableInput(true);
}

int32_t TimeCourseTab::ShowTimeCourseSet(int32_t k, int32_t series)
{
    const ChannelDataStore* store = ShownTimeCourseStore();
    if (!store || !TimeCourseChart.HasSeries(series) || k < 0 || k >= store->GetNumberOfSets())
        return -1;
    const RealTimeGofS& e = *view_.CurrentEngine();
    const bool averaged = store == e.AvgDcdtStore.get();
    ChartSeries& shown = TimeCourseChart.Series[static_cast<size_t>(series)];
    DrawStoreSet(shown, *store, k, store == e.RawStore.get() ? StoreAxis::RadiusCm : StoreAxis::Svedbergs);
    shown.Active = true;
    shown.Colour = Colours::Fuchsia;
    shown.LineWidth = averaged ? 3 : 1;
    shown.InFront = true; // over the dc/dt sets of an averaged set

    EditTimeCourse1 = "Mean Time = " + FloatToStr(RoundToPowerOfTen(store->Headers[static_cast<size_t>(k)].Time, -2));
    const std::string label = e.DescribeSet(store, k);
    const size_t caret = label.find('^');
    EditTimeCourse2 = caret == std::string::npos ? std::string() : label.substr(0, caret);
    EditTimeCourse2Hint = caret == std::string::npos ? label : label.substr(caret + 1);

    if (averaged) {
        TimeCourseChart.ClearSeriesFrom(2);
        const ScanHeader& h = store->Headers[static_cast<size_t>(k)];
        int32_t s = 2;
        for (int32_t j : SampledDcdtSets(h.FirstScan, h.LastScan)) {
            if (!TimeCourseChart.HasSeries(s))
                TimeCourseChart.CloneSeries(0);
            ChartSeries& under = TimeCourseChart.Series[static_cast<size_t>(s++)];
            if (e.DcdtStore)
                DrawStoreSet(under, *e.DcdtStore, j, StoreAxis::Svedbergs);
            under.Active = true;
            under.Colour = Colours::Blue;
            under.LineWidth = 1;
        }
    }
    TimeCourseChart.Repaint();
    return 0;
}

void TimeCourseTab::ScrollBarTimeChange() { ShowTimeCourseSet(ScrollBarTime.Position, 1); }

void TimeCourseTab::SBPlayClick()
{
    SBPlayDown = true;
    TimerPlayBack.Enabled = true;
}

void TimeCourseTab::SBPauseClick()
{
    SBPlayDown = false;
    TimerPlayBack.Enabled = false;
}

void TimeCourseTab::TimerPlayBackTimer()
{
    if (view_.WindowClosed() || !TimerPlayBack.Enabled)
        return;
    // Loops from the last set back to the first until paused.
    if (ScrollBarTime.Position < ScrollBarTime.Max)
        ++ScrollBarTime.Position;
    else
        ScrollBarTime.Position = ScrollBarTime.Min;
    ScrollBarTimeChange();
}

void TimeCourseTab::UpDownPlaySpeedClick()
{
    EditPlayBackSpeed = std::to_string(UpDownPlaySpeed.Position) + "%";
    TimerPlayBack.Interval = PlaybackIntervalMs(UpDownPlaySpeed.Position);
}

void TimeCourseTab::TabTimeCourseExit() { SBPauseClick(); }

void TimeCourseTab::TimeCourseChartClickBackground(double x, double y)
{
    if (TimeCourseMode == PointerMode::DisplayXY)
        view_.ReadOut(TimeCourseChart, EditTDisplayXY, x, y);
}

void TimeCourseTab::Forget()
{
    TimerPlayBack.Enabled = false;
    TimeCourseStore = nullptr;
}

} // namespace morvane
