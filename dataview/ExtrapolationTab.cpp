// The extrapolation tab of the data view: a range of smoothed g(s*) sets extrapolated to infinite
// time, drawn against s* with error bars ("s* axis") or as the fits of single grid points against
// 1/sqrt(t) ("time axis"). The computation is costly: unless the settings ask for it always, the
// handlers only mark it as pending and "Refresh Extrapolation Needed" runs it.
#include "dataview/ExtrapolationTab.h"

#include <algorithm>

#include "analysis/NumberText.h"
#include "analysis/Rounding.h"
#include "realtime/Extrapolation.h"
#include "realtime/ExtrapolationGuard.h"

namespace morvane {

namespace {

const std::string PendingText = std::string("Press \"") + ExtrapolationTab::RefreshExtrapolationCaption
    + "\" to extrapolate the chosen sets to infinite time";

} // namespace

ExtrapolationTab::ExtrapolationTab(ViewContext& view)
    : view_(view)
{
    ChartSExtrapolation.Bottom = LogSAxis();
    ChartSExtrapolation.Bottom.LabelAngle = 0;
    ChartSExtrapolation.Left.Title = "t dc/dt corrected";
    ChartSExtrapolation.Left.LabelFormat = "#.0 \"x10\" E+0";
    ChartSExtrapolation.Series = { InactiveLine(), InactiveLine(), InactiveLine(), InactiveLine() };
    ChartSExtrapolation.Series[0].Title = "Template";
    ChartSExtrapolation.Series[2].Title = "Extrapolated to infinite time";
    ChartSExtrapolation.Series[3].Title = "StdError";
    ChartSExtrapolation.Series[3].Kind = SeriesKind::ErrorBars;

    ChartExtrapolation.Bottom.Title = "1/sqrt(t) (1/sqrt(s))";
    ChartExtrapolation.Left.Title = "ln g(s*)";
    ChartExtrapolation.LegendVisible = true;
    ChartExtrapolation.Legend = ChartModel::LegendPlace::Right;
    ChartSeries line = InactiveLine();
    line.Title = "LineTemplate";
    ChartSeries points = InactiveLine();
    points.Kind = SeriesKind::Points;
    points.Title = "PointTemplate";
    points.InLegend = false;
    ChartExtrapolation.Series = { line, points };
    ChartSExtrapolation.EmptyText = ChartExtrapolation.EmptyText = PendingText;
}

std::string ExtrapolationTab::ExtrapolationSetText(int32_t k) const
{
    const ChannelDataStore* smooth = Engine() ? Engine()->SmoothGofsStore.get() : nullptr;
    const std::string set = "Set " + std::to_string(k);
    if (!smooth || k < 0 || k >= smooth->GetNumberOfSets())
        return set;
    return set + ", mean time " + FloatToStr(RoundToPowerOfTen(smooth->Headers[static_cast<size_t>(k)].Time, 0));
}

void ExtrapolationTab::ScrollBarExtrapolationChange()
{
    const int32_t end = ScrollBarExtrapolation.Position;
    int32_t& start = ScrollBarStartExtrapolation.Position;
    // The range keeps at least five sets while the end allows it.
    if (end - 3 <= start) {
        start = std::max(end - 4, 0);
        EditExtrapolationStartSet = std::to_string(start);
    }
    if (end >= 5) {
        ScrollBarStartExtrapolation.Max = end - 4;
        EditExtrapolationStartSet = ExtrapolationSetText(start);
    }
    EditExtrapolationDescribe = ExtrapolationSetText(end);
    DrawExtrapolation(end, start, false);
}

void ExtrapolationTab::ScrollBarStartExtrapolationChange()
{
    EditExtrapolationStartSet = ExtrapolationSetText(ScrollBarStartExtrapolation.Position);
    DrawExtrapolation(ScrollBarExtrapolation.Position, ScrollBarStartExtrapolation.Position, false);
}

void ExtrapolationTab::UpDownExtrapolationGraphNumberClick()
{
    ExtStrideChosen = true;
    EditExtSetsToShow = std::to_string(UpDownExtrapolationGraphNumber.Position);
    DrawExtrapolation(ScrollBarExtrapolation.Position, ScrollBarStartExtrapolation.Position, false);
}

void ExtrapolationTab::ButtonRefreshExtrapolationClick()
{
    DrawExtrapolation(ScrollBarExtrapolation.Position, ScrollBarStartExtrapolation.Position, true);
}

void ExtrapolationTab::RadioGroupExtapolationViewClick()
{
    const int32_t item = RadioGroupExtapolationView;
    if (item < 0 || item > 1)
        return;
    const std::string caption = ExtrapolationViewItems[item];
    if (caption == "s* axis") {
        ChartSExtrapolationVisible = true;
        ChartExtrapolationVisible = false;
    } else if (caption == "time axis") {
        ChartSExtrapolationVisible = false;
        ChartExtrapolationVisible = true;
    }
}

void ExtrapolationTab::ChartExtrapolationClickBackground(double x, double y)
{
    if (ExtMode == PointerMode::DisplayXY)
        view_.ReadOut(ChartExtrapolationVisible ? ChartExtrapolation : ChartSExtrapolation, EditDisplayXYExt, x, y);
}

void ExtrapolationTab::SetUpExtrapolationAfterLoad()
{
    UpDownControl& n = UpDownExtrapolationGraphNumber;
    // A stride below 1 would draw no fit at all (and divide by zero).
    n.Max = std::max(Engine()->Settings.sGridNumberOfPoints / 5, n.Min);
    n.SetPosition(view_.Display().DefaultExtSetsToPlot);
    EditExtSetsToShow = std::to_string(n.Position);
    const int32_t m = Engine()->GofsStore ? Engine()->GofsStore->GetNumberOfSets() - 1 : -1;
    // With fewer than two sets the end still stands on its maximum, so it follows the sets to come.
    ScrollBarExtrapolation.Max = std::max(m, 1);
    ScrollBarExtrapolation.Position = ScrollBarExtrapolation.Max;
}

void ExtrapolationTab::FollowNewestExtrapolationSet()
{
    if (!Engine() || !Engine()->GofsStore)
        return;
    if (ScrollBarExtrapolation.Position == ScrollBarExtrapolation.Max) {
        ScrollBarExtrapolation.Max = std::max(Engine()->GofsStore->GetNumberOfSets() - 1, 1);
        ScrollBarExtrapolation.Position = ScrollBarExtrapolation.Max;
        ScrollBarExtrapolationChange();
        return;
    }
    DrawExtrapolation(ScrollBarExtrapolation.Position, ScrollBarStartExtrapolation.Position, false);
}

int32_t ExtrapolationTab::DrawExtrapolation(int32_t end, int32_t start, bool forced)
{
    if (!forced && !view_.Display().bAlwaysPlotExtrapolation) {
        ButtonRefreshExtrapolationEnabled = true;
        return -1;
    }
    if (!Engine() || !Engine()->Created || !Engine()->SmoothGofsStore || !Engine()->GofsStore)
        return -1;
    ExtrapolationParameters par;
    par.Cutoff = view_.Display().ExtrapolationCutoff;
    par.MinLogS = view_.Display().ExtrapolationMinLogS;
    par.SmoothRepetition = view_.Display().ExtrapolationSmoothRepetition;
    par.SmoothCarSize = view_.Display().ExtrapolationSmoothCarSize;
    par.IgnoreTag = Engine()->Settings.DefaultIgnoreTag;
    const ExtrapolationResult r = Extrapolate(*Engine()->SmoothGofsStore, *Engine()->GofsStore, start, end, par);
    if (!r.Computed) {
        ChartSExtrapolation.EmptyText = ChartExtrapolation.EmptyText
            = "An extrapolation needs a range of at least 5 smoothed g(s*) sets";
        ChartSExtrapolation.Repaint();
        ChartExtrapolation.Repaint();
        return -1;
    }

    ButtonRefreshExtrapolationEnabled = false;
    ChartSExtrapolation.ClearSeriesFrom(0);
    ChartExtrapolation.ClearSeriesFrom(0);
    if (!ExtStrideChosen) {
        // Fifty fits in one chart read as none: the stride spreads about ReadableFitCount over the
        // extrapolated points.
        int32_t first = -1, last = -1;
        for (int32_t p = 0; p < static_cast<int32_t>(r.Points.size()); ++p) {
            if (!r.Points[static_cast<size_t>(p)].Extrapolated)
                continue;
            first = first < 0 ? p : first;
            last = p;
        }
        const int32_t spread = (last - first) / ReadableFitCount + 1;
        UpDownExtrapolationGraphNumber.SetPosition(std::max(view_.Display().DefaultExtSetsToPlot, spread));
        EditExtSetsToShow = std::to_string(UpDownExtrapolationGraphNumber.Position);
    }
    const int32_t stride = std::max(UpDownExtrapolationGraphNumber.Position, 1);
    size_t colour = 0; // a fresh palette for every computation
    int32_t line = 2;
    // The fits of single points are drawn in any case: they show why a curve is no result.
    for (int32_t p = 0; p < static_cast<int32_t>(r.Points.size()); ++p) {
        if (!r.Points[static_cast<size_t>(p)].Extrapolated || p % stride != 0)
            continue;
        DrawExtrapolationFit(r, p, line, Colours::Cycle[colour]);
        colour = (colour + 1) % Colours::Cycle.size();
        line += 2;
    }
    const ExtrapolationJudgement verdict = JudgeExtrapolation(r);
    ExtrapolationRefusalText.clear();
    if (verdict.Sound()) {
        DrawExtrapolationSAxis(r);
    } else {
        // Not drawn as a result: the s* axis view says why and which range would give one.
        const ExtrapolationRange sound
            = SoundExtrapolationRange(*Engine()->SmoothGofsStore, *Engine()->GofsStore, r.Start, r.End, par);
        ExtrapolationRefusalText = ExtrapolationRefusal(r, verdict, sound);
        ChartSExtrapolation.EmptyText = ChartExtrapolation.EmptyText = ExtrapolationRefusalText;
        if (forced)
            view_.Ask().ShowMessage(ExtrapolationRefusalText);
    }
    ChartSExtrapolation.Repaint();
    ChartExtrapolation.Repaint();
    return 0;
}

void ExtrapolationTab::DrawExtrapolationFit(const ExtrapolationResult& r, int32_t p, int32_t line, ChartColour colour)
{
    while (!ChartExtrapolation.HasSeries(line + 1))
        ChartExtrapolation.CloneSeries(ChartExtrapolation.SeriesCount() % 2);
    const ExtrapolationPoint& pt = r.Points[static_cast<size_t>(p)];
    const auto entries = r.EntriesOf(p);
    const auto fit = [&pt](double x, double y) { return pt.A + pt.B * x + pt.C * y; };

    ChartSeries& L = ChartExtrapolation.Series[static_cast<size_t>(line)];
    L.Clear();
    // The fit from 1/sqrt(t) = 0 (infinite time) to the latest set used, then at every entry.
    const double xLast = entries.back().X;
    L.Add(0, pt.A);
    for (int32_t i = 1; i <= 19; ++i) {
        const double x = i * 0.05 * xLast;
        L.Add(x, fit(x, x * x));
    }
    for (const ExtrapolationEntry& e : entries)
        L.Add(e.X, fit(e.X, e.Y));
    std::stable_sort(
        L.Points.begin(), L.Points.end(), [](const ChartPoint& a, const ChartPoint& b) { return a.X < b.X; });
    L.Title = FloatToStr(RoundSignificant(pt.SStar, 3)) + " S";
    L.Tag = p; // the grid point
    L.Colour = colour;
    L.Active = true;

    ChartSeries& P = ChartExtrapolation.Series[static_cast<size_t>(line + 1)];
    P.Clear();
    for (const ExtrapolationEntry& e : entries)
        P.Add(e.X, e.Z);
    P.Title = L.Title + " (smoothed data)";
    P.Tag = p;
    P.Colour = colour;
    P.Active = true;
}

void ExtrapolationTab::DrawExtrapolationSAxis(const ExtrapolationResult& r)
{
    ChartSeries& newest = ChartSExtrapolation.Series[1];
    for (const ExtrapolationCurvePoint& g : r.NewestGofs)
        newest.Add(g.SStar, g.Value);
    newest.Title = "g(s*) of set " + std::to_string(r.End);
    newest.Tag = r.End;
    newest.Active = true;
    newest.Colour = Colours::Green;
    newest.LineWidth = 3;

    ChartSeries& curve = ChartSExtrapolation.Series[2];
    ChartSeries& bars = ChartSExtrapolation.Series[3];
    const int32_t every = std::max(view_.Display().ExtErrorBarPerPoints, 1);
    for (int32_t p = 0; p < static_cast<int32_t>(r.Points.size()); ++p) {
        const ExtrapolationPoint& pt = r.Points[static_cast<size_t>(p)];
        if (!pt.Extrapolated || !(pt.Error >= 0) || !(pt.LogS > view_.Display().ExtrapolationMinLogS))
            continue;
        curve.Add(pt.SStar, pt.Value);
        if (p % every == 0) {
            bars.Add(pt.SStar, pt.Value);
            bars.Points.back().Error = ErrorBarSize(pt);
        }
    }
    curve.Active = bars.Active = true;
    curve.Colour = bars.Colour = Colours::Fuchsia;
    curve.LineWidth = 3;
}

} // namespace morvane
