#include "windows/TMorvaneCompare.h"

#include <algorithm>
#include <ctime>

#include "analysis/NumberText.h"
#include "analysis/Rounding.h"
#include "follower/ChannelFollower.h"
#include "realtime/CompositeCurves.h"

namespace morvane {

namespace {

constexpr const char* NoViewOpenText = "No data view is open: launch one from the main window";
constexpr const char* NothingSelectedText = "Select the data sets to compare, then press Refresh";

bool Busy(const ChannelFollower& view) { return view.Loading || view.InTimer; }

} // namespace

TMorvaneCompare::TMorvaneCompare(WindowHost* host)
    : host_(host ? host : &silentHost_)
{
    SetUpChart();
}

void TMorvaneCompare::SetHost(WindowHost* host) { host_ = host ? host : &silentHost_; }

void TMorvaneCompare::SetUpChart()
{
    ChartAxis& b = dcdtChart.Bottom;
    b.Title = "s* in Svedburg Units plotted on a log scale";
    b.Logarithmic = true;
    b.LogBase = 2.71828182845905;
    b.LabelFormat = "0.0";
    b.LabelAngle = 90;
    dcdtChart.Left.Title = RegularLeftTitle;
    dcdtChart.Left.LabelFormat = "#.0 \"x10\" E+0";
    ChartSeries tmpl;
    tmpl.Kind = SeriesKind::Line;
    tmpl.Title = "template";
    tmpl.Colour = Colours::Red;
    tmpl.Active = false;
    tmpl.XAscending = true;
    dcdtChart.Series = { tmpl };
    dcdtChart.EmptyText = NoViewOpenText;
}

void TMorvaneCompare::AddEntry(const std::string& text, const ChannelFollower* view)
{
    ListBoxOpenWindows.push_back({ text, view, false });
    ListChanged();
}

bool TMorvaneCompare::RemoveEntry(const ChannelFollower* view)
{
    const bool removed
        = std::erase_if(ListBoxOpenWindows, [view](const ComparisonEntry& e) { return e.View == view; }) > 0;
    if (removed)
        ListChanged();
    return removed;
}

void TMorvaneCompare::ListChanged()
{
    // The empty chart's hint follows the list until a redraw has something of its own to say.
    if (dcdtChart.EmptyText != NoViewOpenText && dcdtChart.EmptyText != NothingSelectedText)
        return;
    dcdtChart.EmptyText = ListBoxOpenWindows.empty() ? NoViewOpenText : NothingSelectedText;
    dcdtChart.Repaint();
}

void TMorvaneCompare::ButtonRefreshClick()
{
    EditRefreshTime = DateTimeText(Clock());
    InputEnabled = false;
    PlotComparison();
    InputEnabled = true;
}

void TMorvaneCompare::RadioButtonUnNormalizedClick()
{
    RadioButtonNormalizedChecked = false;
    PlotComparison();
}

void TMorvaneCompare::RadioButtonNormalizedClick()
{
    RadioButtonNormalizedChecked = true;
    PlotComparison();
}

void TMorvaneCompare::dcdtChartClickBackground(double x, double y)
{
    if (CorMode != PointerMode::DisplayXY || !dcdtChart.HasSeries(1))
        return;
    EditDisplayXYCor = "X = " + FloatToStr(RoundSignificant(x, 5)) + "  Y = " + FloatToStr(RoundSignificant(y, 5));
    host_->ShowMessage(EditDisplayXYCor);
}

void TMorvaneCompare::PlotComparison()
{
    ColourCursor.SetFirst(0);
    ColourCursor.SetLast(static_cast<int32_t>(CurveColours.size()) - 1);
    ColourCursor.Current = 0;
    for (ChartSeries& s : dcdtChart.Series)
        s.Active = false;
    const bool normalized = RadioButtonNormalizedChecked;
    dcdtChart.Left.Title = normalized ? NormalizedLeftTitle : RegularLeftTitle;

    int32_t shown = 0;
    bool anySelected = false;
    bool waiting = false;
    std::string note;
    auto leftOut
        = [&note](const std::string& title, const char* why) { note += (note.empty() ? "" : "; ") + title + why; };
    for (const ComparisonEntry& entry : ListBoxOpenWindows) {
        if (!entry.Selected || !entry.View || !entry.View->Engine)
            continue;
        anySelected = true;
        const std::string title = SeriesTitle(entry.Text);
        const ChartColour colour = CurveColours[static_cast<size_t>(ColourCursor.Current) % CurveColours.size()];
        // A skipped view keeps its colour, so the others keep theirs when it is drawn later.
        ColourCursor.Next();
        if (Busy(*entry.View)) {
            leftOut(title, LoadingNote);
            waiting = true;
            continue;
        }
        const RealTimeGofS& engine = *entry.View->Engine;
        if (!HasComposite(engine)) {
            leftOut(title, NoGofsNote);
            continue;
        }
        const CompositeCurve curve = ComparisonCurve(engine, normalized);
        ++shown;
        const int32_t s = dcdtChart.SeriesCount() > shown ? shown : dcdtChart.CloneSeries(0);
        ChartSeries& series = dcdtChart.Series[static_cast<size_t>(s)];
        series.Clear();
        for (size_t i = 0; i < curve.SStar.size(); ++i)
            series.Add(curve.SStar[i], curve.Value[i]);
        series.Active = true;
        series.Colour = colour;
        series.LineWidth = 3;
        series.Title = title + (normalized && !curve.Normalized ? NotNormalizedSuffix : "");
    }
    LabelNote = note;
    dcdtChart.LegendVisible = shown > 0;
    TimerBusyViews.Enabled = waiting;
    if (ListBoxOpenWindows.empty())
        dcdtChart.EmptyText = NoViewOpenText;
    else if (!anySelected)
        dcdtChart.EmptyText = NothingSelectedText;
    else
        dcdtChart.EmptyText = note;
    dcdtChart.Repaint();
}

bool TMorvaneCompare::AnySelectedViewBusy() const
{
    return std::any_of(ListBoxOpenWindows.begin(), ListBoxOpenWindows.end(),
        [](const ComparisonEntry& e) { return e.Selected && e.View && Busy(*e.View); });
}

void TMorvaneCompare::TimerBusyViewsTimer()
{
    if (TimerBusyViews.Enabled && !AnySelectedViewBusy())
        PlotComparison();
}

std::string TMorvaneCompare::DateTimeText(std::chrono::system_clock::time_point t)
{
    const std::time_t c = std::chrono::system_clock::to_time_t(t);
    std::tm local {};
    localtime_r(&c, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string TMorvaneCompare::SeriesTitle(const std::string& text)
{
    return text.size() <= 6 ? text : text.substr(text.size() - 6);
}

} // namespace morvane
