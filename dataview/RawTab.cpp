// The raw-data tab of the data view: the scan display (automatic, incremental and the user's
// choice through the scan selector), the markers and the clicks on the raw-data chart, and the
// meniscus proposed from the data (drawn as a marker of its own, taken only when accepted).
#include "dataview/RawTab.h"

#include <algorithm>

#include "analysis/NumberText.h"
#include "analysis/Rounding.h"
#include "dataview/StoreSeries.h"
#include "follower/MeniscusProposal.h"
#include "follower/PositionWarnings.h"

namespace morvane {

RawTab::RawTab(ViewContext& view)
    : view_(view)
{
    Chart1.Title = "Plot of Concentration Meausement vs Radial Position (cm)";
    Chart1.Bottom.Title = "r (cm)";
    Chart1.Bottom.LabelFormat = "0.#";
    Chart1.Bottom.Increment = 0.1;
    Chart1.Left.Title = "c(r)";
    Chart1.Left.LabelFormat = "0.0";
    Chart1.Right.Visible = false;
    Chart1.Right.Automatic = false;
    Chart1.Right.Minimum = 0;
    Chart1.Right.Maximum = 1;
    ChartSeries bars;
    bars.Kind = SeriesKind::Bars;
    bars.Title = "BarSeries";
    bars.OnRightAxis = true;
    bars.InLegend = false;
    bars.ShowMarks = true;
    bars.LineWidth = 1;
    Chart1.Series.push_back(bars);
    ChartSeries tmpl = InactiveLine();
    tmpl.Title = "Template";
    Chart1.Series.push_back(tmpl);
    Chart1.EmptyText = "No scans loaded yet";
}

void RawTab::DrawRawSet(int32_t s, int32_t k)
{
    DrawStoreSet(Chart1.Series[static_cast<size_t>(s)], *Engine()->RawStore, k, StoreAxis::RadiusCm);
}

void RawTab::RedrawRawScans()
{
    Chart1.ClearSeriesFrom(1);
    if (!Engine() || !Engine()->RawStore) {
        Chart1.Repaint();
        return;
    }
    ChannelDataStore& raw = *Engine()->RawStore;
    auto& visible = raw.Visible;
    const int32_t n = raw.GetNumberOfSets();
    const GUISettings& gs = view_.Display();

    if (!ManualScanChoice) {
        if (n < gs.DrawAllSetsCutoff) {
            for (int32_t k = 0; k < n; ++k)
                visible[static_cast<size_t>(k)] = 1;
        } else {
            const int32_t stride = std::max(n / std::max(gs.DisplayNumberMid, 1), 1);
            DisplayStride = stride;
            IncrementalCount = 0;
            for (int32_t k = 6; k < n; ++k)
                visible[static_cast<size_t>(k)] = 0;
            for (int32_t k = 0; k < gs.DisplayNumberStart && k < n; ++k)
                visible[static_cast<size_t>(k)] = 1;
            for (int32_t k = stride + 6; k < n; k += stride)
                visible[static_cast<size_t>(k)] = 1;
            visible[static_cast<size_t>(n - 1)] = 1;
        }
    } else {
        if (ScanSelector.ChosenStep < 1)
            ScanSelector.ChosenStep = 1;
        DisplayStride = ScanSelector.ChosenStep;
        if (n / DisplayStride > 40)
            DisplayStride = std::max(n / 10, 1);
        IncrementalCount = 0;
        const int32_t end = ScanSelector.OfferedCount;
        for (int32_t k = n - 2; k > end && k >= 0; --k)
            visible[static_cast<size_t>(k)] = 0;
        for (int32_t k = n - 1; k > end && k >= 0; k -= DisplayStride)
            visible[static_cast<size_t>(k)] = 1;
    }

    int32_t s = 1;
    for (int32_t k = 0; k < n; ++k) {
        if (visible[static_cast<size_t>(k)] <= 0)
            continue;
        ++s;
        if (!Chart1.HasSeries(s))
            Chart1.CloneSeries(1);
        DrawRawSet(s, k);
        ChartSeries& series = Chart1.Series[static_cast<size_t>(s)];
        series.Active = true;
        series.Colour = ScanColour(k);
    }
    FitRawValueAxis();
    // The scans a full load brings are what the positions are checked against.
    EditPositionWarning = PositionWarningText(*Engine());
    Chart1.Repaint();
}

void RawTab::FitRawValueAxis()
{
    const double from = Engine()->Cell.Meniscus;
    const double to = Engine()->Cell.Bottom - Engine()->Settings.DefaultBottomIgnore;
    double low = 0, high = 0;
    bool any = false;
    for (int32_t s = 2; s < Chart1.SeriesCount(); ++s) {
        const ChartSeries& series = Chart1.Series[static_cast<size_t>(s)];
        if (!series.Active)
            continue;
        for (const ChartPoint& p : series.Points) {
            if (p.X < from || p.X > to)
                continue;
            low = any ? std::min(low, p.Y) : p.Y;
            high = any ? std::max(high, p.Y) : p.Y;
            any = true;
        }
    }
    Chart1.Left.Automatic = !any || !(high > low);
    if (Chart1.Left.Automatic)
        return;
    const double pad = (high - low) * view_.Display().graphPadPercent;
    Chart1.Left.Minimum = low - pad;
    Chart1.Left.Maximum = high + pad;
}

int32_t RawTab::LastDrawnSeries() const
{
    for (int32_t s = Chart1.SeriesCount() - 1; s >= 2; --s)
        if (Chart1.Series[static_cast<size_t>(s)].Active)
            return s;
    return 1;
}

int32_t RawTab::SeriesAfterLastDrawn()
{
    const int32_t s = LastDrawnSeries() + 1;
    return Chart1.HasSeries(s) ? s : Chart1.CloneSeries(1);
}

void RawTab::DrawInto(int32_t s, int32_t k)
{
    DrawRawSet(s, k);
    ChartSeries& series = Chart1.Series[static_cast<size_t>(s)];
    series.Active = true;
    series.Colour = ScanColour(k);
}

void RawTab::DrawNewestScan()
{
    if (!Engine() || !Engine()->RawStore)
        return;
    ChannelDataStore& raw = *Engine()->RawStore;
    auto& visible = raw.Visible;
    const int32_t n = raw.GetNumberOfSets();
    if (n < 1)
        return;
    // After about a third of the scans came one by one, the display is chosen afresh. Under the
    // user's choice it always is: the sliding tail below would take down scans the user ticked.
    if (ManualScanChoice || IncrementalCount * DisplayStride > 0.33 * n) {
        RedrawRawScans();
        return;
    }
    const int32_t last = n - 1;
    visible[static_cast<size_t>(last)] = 1;
    if (n < view_.Display().DrawAllSetsCutoff) {
        DrawInto(SeriesAfterLastDrawn(), last);
        ++IncrementalCount;
        FitRawValueAxis();
        Chart1.Repaint();
        return;
    }

    // The tail of the display slides: the newest scan and the one DisplayStride before it.
    const int32_t prev = std::max(last - DisplayStride, 0);
    int32_t count = 0;
    for (int32_t k = last - 2; k >= prev + 1; --k) {
        if (visible[static_cast<size_t>(k)] > 0) {
            ++count;
            visible[static_cast<size_t>(k)] = 0;
        }
    }
    // "The last series" is the last one holding a drawn scan: series left over from a larger
    // display stay inactive behind it and must not take the newest scan out of sight.
    int32_t a, b;
    if (count > 0) {
        a = LastDrawnSeries();
        b = a - 1;
        if (a < 2)
            a = SeriesAfterLastDrawn();
    } else {
        b = LastDrawnSeries();
        a = SeriesAfterLastDrawn();
    }
    if (visible[static_cast<size_t>(prev)] <= 0 && b >= 2)
        DrawInto(b, prev);
    DrawInto(a, last);
    ++IncrementalCount;
    FitRawValueAxis();
    Chart1.Repaint();
}

void RawTab::ButtonChooseScansClick()
{
    if (Engine() && Engine()->RawStore) {
        ChannelDataStore& raw = *Engine()->RawStore;
        ScanSelector.SetUp(raw.Visible.data(), raw.Headers.data(), raw.GetNumberOfSets(), DisplayStride);
    } else {
        ScanSelector.SetUp(nullptr, nullptr, 0, DisplayStride);
    }
    ScanSelector.Visible = true;
    view_.Ask().ShowScanSelector(ScanSelector);
    ScanSelector.Visible = false;
    DisplayStride = std::max(ScanSelector.ChosenStep, 1);
    ManualScanChoice = !ScanSelector.Automatic;
    RedrawRawScans();
}

void RawTab::ShowMarkers()
{
    ChartSeries& bars = Chart1.Series[0];
    bars.Clear();
    const RealTimeGofS& e = *Engine();
    bars.AddColoured(e.Cell.Meniscus, 1.0, FloatToStr(e.Cell.Meniscus), Colours::Red);
    if (e.CorrectJitter)
        bars.AddColoured(e.Cell.JitterRadius, 1.0, FloatToStr(e.Cell.JitterRadius), Colours::Purple);
    if (e.CorrectFringes)
        bars.AddColoured(e.Cell.FringeRadius, 1.0, FloatToStr(e.Cell.FringeRadius), Colours::Teal);
    if (ProposedMeniscus)
        bars.AddColoured(*ProposedMeniscus, 1.0, FloatToStr(*ProposedMeniscus) + "?", ProposedMeniscusColour);
    bars.LineWidth = 1;
    Chart1.Repaint();
}

void RawTab::ShowMarkerPositions()
{
    EditIntegralFringe = FloatToStr(Engine()->Cell.FringeRadius);
    EditMeniscus = FloatToStr(Engine()->Cell.Meniscus);
    EditJitter = FloatToStr(Engine()->Cell.JitterRadius);
    EditBottom = FloatToStr(Engine()->Cell.Bottom);
    EditPositionWarning = PositionWarningText(*Engine());
    EditDisplayXY.clear();
}

void RawTab::SBGroup1Click(RawMode mode)
{
    RawChartMode = mode;
    // In zoom mode a drag on the background zooms; otherwise a background click acts.
    Chart1BackgroundClickInstalled = mode != RawMode::ZoomIn;
}

void RawTab::Chart1ClickSeries(double x, double y) { RawChartClick(RoundSignificant(x, 5), RoundSignificant(y, 5)); }

void RawTab::Chart1ClickBackground(double x, double y)
{
    if (!Chart1BackgroundClickInstalled || !Chart1.HasSeries(1))
        return;
    RawChartClick(RoundSignificant(x, 5), RoundSignificant(y, 5));
}

void RawTab::RawChartClick(double x, double y)
{
    if (!Engine())
        return;
    view_.EnableInput(false);
    switch (RawChartMode) {
    case RawMode::DisplayXY:
        EditDisplayXY = ReadOutText(x, y);
        view_.Ask().ShowMessage(EditDisplayXY);
        break;
    case RawMode::IntegralFringe:
        SetPosition(Position::Fringe, x);
        break;
    case RawMode::Jitter:
        SetPosition(Position::Jitter, x);
        break;
    case RawMode::Meniscus:
        SetPosition(Position::Meniscus, x);
        break;
    case RawMode::ZoomIn:
        break;
    }
    view_.EnableInput(true);
}

void RawTab::ButtonFindMeniscusClick()
{
    if (!Engine())
        return;
    const MeniscusFinding f = ProposeMeniscus(*Engine());
    EditMeniscusProposal = MeniscusFindingText(f);
    if (f.Found)
        ProposedMeniscus = f.Radius;
    else
        ProposedMeniscus.reset();
    ButtonAcceptMeniscusEnabled = ProposedMeniscus.has_value();
    ShowMarkers();
}

void RawTab::ButtonAcceptMeniscusClick()
{
    if (!Engine() || !ProposedMeniscus)
        return;
    view_.EnableInput(false);
    const double x = *ProposedMeniscus;
    ProposedMeniscus.reset();
    ButtonAcceptMeniscusEnabled = false;
    if (SetPosition(Position::Meniscus, x))
        EditMeniscusProposal.clear();
    else
        ShowMarkers();
    view_.EnableInput(true);
}

} // namespace morvane
