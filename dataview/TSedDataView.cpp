#include "dataview/TSedDataView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/NumberText.h"
#include "analysis/Rounding.h"
#include "dataview/GofsOutput.h"

namespace {

ChartAxis LogSAxis()
{
    ChartAxis a;
    a.Title = "s* in Svedburg Units plotted on a log scale";
    a.Logarithmic = true;
    a.LogBase = 2.71828182845905;
    a.LabelFormat = "0.0";
    a.LabelAngle = 90;
    return a;
}

ChartSeries InactiveLine()
{
    ChartSeries s;
    s.Kind = SeriesKind::Line;
    s.Active = false;
    return s;
}

// Places a point of the ln s grid on the s* axis in Svedbergs.
double SvedbergsOf(double lnS) { return std::exp(lnS) * 1e13; }

} // namespace

TSedDataView::TSedDataView(Prompts* prompts)
    : prompts_(prompts ? prompts : &silentPrompts_)
{
    SetUpCharts();
    // FormCreate
    HasData = false;
    ColourCursor.SetFirst(0);
    ColourCursor.SetLast(4);
    DisplayStride = 1;
    IncrementalCount = 0;
    InTimer = false;
    PlayPercentSpeed = DisplaySettings.PlayPercentSpeed;
    UpDownExtrapolationGraphNumber.Position = DisplaySettings.DefaultExtSetsToPlot;
}

void TSedDataView::SetUpCharts()
{
    Chart1.Title = "Plot of Concentration Meausement vs Radial Position (cm)";
    Chart1.Bottom.Title = "r";
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

    ChartAverage.Bottom = LogSAxis();
    ChartAverage.Left.Title = "t dc/dt";
    ChartAverage.Left.LabelFormat = "#.0 \"x10\" E+0";
    ChartAverage.Series = { InactiveLine(), InactiveLine() };

    dcdtChart.Bottom = LogSAxis();
    dcdtChart.Left.Title = "t dc/dt corrected";
    dcdtChart.Left.LabelFormat = "#.0 \"x10\" E+0";
    dcdtChart.Series = { InactiveLine(), InactiveLine() };
    ChartAverage.EmptyText = dcdtChart.EmptyText = NoResultText(0);
}

std::string TSedDataView::NoResultText(int32_t scansRead)
{
    return "No g(s*) yet: at least " + std::to_string(ScansForFirstResult) + " scans are needed ("
        + std::to_string(scansRead) + (scansRead == 1 ? " scan" : " scans") + " read so far)";
}

// ---- loading hooks ----

void TSedDataView::ShowProgress(const std::string& text)
{
    // The first text of a load is the one that shows the window (only during the first nine loads).
    if (text == "Loading files")
        WaitWindow.Show();
    WaitWindow.SetText(text);
}

void TSedDataView::BeginLoad()
{
    InputEnabled = false;
    ManualScanChoice = false;
    ShowMarkers();
    ShowMarkerPositions();
    EditTargetChannel = Engine->ChannelName;
}

void TSedDataView::EndLoad(bool loaded)
{
    EditFullPath = DataDirectory;
    if (loaded) {
        UpDownExtrapolationGraphNumber.Max = Engine->Settings.sGridNumberOfPoints / 5;
        UpDownExtrapolationGraphNumber.SetPosition(DisplaySettings.DefaultExtSetsToPlot);
        const int32_t m = Engine->GofsStore ? Engine->GofsStore->GetNumberOfSets() - 1 : -1;
        if (m < 1) {
            ScrollBarExtrapolation.Max = 1;
        } else {
            ScrollBarExtrapolation.Max = m;
            ScrollBarExtrapolation.Position = m;
        }
        EditExtSetsToShow = std::to_string(UpDownExtrapolationGraphNumber.Position);
        RedrawRawScans();
        ShowAverageAndCorrected();
        SBIntegralFringeEnabled = Engine->CorrectFringes;
        SBJitterEnabled = Engine->CorrectJitter;
    } else if (!HasData) {
        const std::string again = ": looking again every " + std::to_string(Timer1Interval / 1000) + " s";
        Chart1.EmptyText = FileList.empty() ? "No scan files of " + Mask() + " here yet" + again
                                            : "No readable scan of " + Mask() + " with at least "
                + std::to_string(Engine->Settings.MinimumDataSetSize) + " points yet" + again;
        Chart1.Repaint();
    }
    InputEnabled = true;
    WaitWindow.Hide();
}

void TSedDataView::NewScanAdded(int32_t index)
{
    (void)index; // always the newest set
    DrawNewestScan();
}

void TSedDataView::RefreshDone() { ShowAverageAndCorrected(); }

void TSedDataView::Timer1Timer()
{
    if (Closed || !Timer1Enabled || !Engine)
        return;
    ChannelFollower::Timer1Timer();
}

void TSedDataView::FormClose()
{
    if (Closed)
        return;
    if (OnClose)
        OnClose(*this);
    Timer1Enabled = false;
    TimerPlayBack.Enabled = false;
    TimeCourseStore = nullptr;
    Engine.reset();
    Closed = true;
    Visible = false;
}

// ---- scan display ----

void TSedDataView::DrawRawSet(int32_t s, int32_t k)
{
    const ChannelDataStore& raw = *Engine->RawStore;
    ChartSeries& series = Chart1.Series[static_cast<size_t>(s)];
    series.Clear();
    for (int32_t p = 0; p < raw.GetNumberOfPoints(); ++p)
        if (raw.GetE(k, p) >= 0)
            series.Add(raw.GetX(p), raw.GetY(k, p));
    series.Tag = k;
}

void TSedDataView::RedrawRawScans()
{
    Chart1.ClearSeriesFrom(1);
    if (!Engine || !Engine->RawStore) {
        Chart1.Repaint();
        return;
    }
    ChannelDataStore& raw = *Engine->RawStore;
    auto& visible = raw.Visible;
    const int32_t n = raw.GetNumberOfSets();
    const GUISettings& gs = DisplaySettings;

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
        series.Colour = SeriesColours[static_cast<size_t>(ColourCursor.GetCurrent())];
        ColourCursor.Next();
    }
    FitRawValueAxis();
    Chart1.Repaint();
}

void TSedDataView::FitRawValueAxis()
{
    const double from = Engine->Meniscus;
    const double to = Engine->Bottom - Engine->Settings.DefaultBottomIgnore;
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
    const double pad = (high - low) * DisplaySettings.graphPadPercent;
    Chart1.Left.Minimum = low - pad;
    Chart1.Left.Maximum = high + pad;
}

int32_t TSedDataView::LastDrawnSeries() const
{
    for (int32_t s = Chart1.SeriesCount() - 1; s >= 2; --s)
        if (Chart1.Series[static_cast<size_t>(s)].Active)
            return s;
    return 1;
}

int32_t TSedDataView::SeriesAfterLastDrawn()
{
    const int32_t s = LastDrawnSeries() + 1;
    return Chart1.HasSeries(s) ? s : Chart1.CloneSeries(1);
}

void TSedDataView::DrawInto(int32_t s, int32_t k)
{
    DrawRawSet(s, k);
    ColourCursor.Next();
    ChartSeries& series = Chart1.Series[static_cast<size_t>(s)];
    series.Active = true;
    series.Colour = SeriesColours[static_cast<size_t>(ColourCursor.GetCurrent())];
}

void TSedDataView::DrawNewestScan()
{
    if (!Engine || !Engine->RawStore)
        return;
    ChannelDataStore& raw = *Engine->RawStore;
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
    if (n < DisplaySettings.DrawAllSetsCutoff) {
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

void TSedDataView::ButtonChooseScansClick()
{
    if (Engine && Engine->RawStore) {
        ChannelDataStore& raw = *Engine->RawStore;
        ScanSelector.SetUp(raw.Visible.data(), raw.Headers.data(), raw.GetNumberOfSets(), DisplayStride);
    } else {
        ScanSelector.SetUp(nullptr, nullptr, 0, DisplayStride);
    }
    ScanSelector.Visible = true;
    if (ShowScanSelector)
        ShowScanSelector(ScanSelector);
    ScanSelector.Visible = false;
    DisplayStride = std::max(ScanSelector.ChosenStep, 1);
    ManualScanChoice = !ScanSelector.Automatic;
    RedrawRawScans();
}

// ---- markers and clicks ----

void TSedDataView::ShowMarkers()
{
    ChartSeries& bars = Chart1.Series[0];
    bars.Clear();
    const RealTimeGofS& e = *Engine;
    bars.AddColoured(e.Meniscus, 1.0, FloatToStr(e.Meniscus), Colours::Red);
    if (e.CorrectJitter)
        bars.AddColoured(e.JitterRadius, 1.0, FloatToStr(e.JitterRadius), Colours::Purple);
    if (e.CorrectFringes)
        bars.AddColoured(e.FringeRadius, 1.0, FloatToStr(e.FringeRadius), Colours::Teal);
    bars.LineWidth = 1;
    Chart1.Repaint();
}

void TSedDataView::ShowMarkerPositions()
{
    EditIntegralFringe = FloatToStr(Engine->FringeRadius);
    EditMeniscus = FloatToStr(Engine->Meniscus);
    EditJitter = FloatToStr(Engine->JitterRadius);
    EditDisplayXY.clear();
}

void TSedDataView::SBGroup1Click(RawMode mode)
{
    RawChartMode = mode;
    // In zoom mode a drag on the background zooms; otherwise a background click acts.
    Chart1BackgroundClickInstalled = mode != RawMode::ZoomIn;
}

void TSedDataView::Chart1ClickSeries(double x, double y)
{
    RawChartClick(RoundSignificant(x, 5), RoundSignificant(y, 5));
}

void TSedDataView::Chart1ClickBackground(double x, double y)
{
    if (!Chart1BackgroundClickInstalled || !Chart1.HasSeries(1))
        return;
    RawChartClick(RoundSignificant(x, 5), RoundSignificant(y, 5));
}

std::string TSedDataView::ReadOutText(double x, double y) { return "X = " + FloatToStr(x) + "  Y = " + FloatToStr(y); }

void TSedDataView::RebuildAfterMarker(bool transform)
{
    RealTimeGofS& e = *Engine;
    if (transform)
        e.IPtransform();
    e.Refreshdcdtvss();
    e.RefreshAvgdcdtvss();
    e.RefreshGofsvss();
    RedrawRawScans();
    ShowAverageAndCorrected();
}

void TSedDataView::RawChartClick(double x, double y)
{
    if (!Engine)
        return;
    InputEnabled = false;
    RealTimeGofS& e = *Engine;
    switch (RawChartMode) {
    case RawMode::DisplayXY:
        EditDisplayXY = ReadOutText(x, y);
        prompts_->ShowMessage(EditDisplayXY);
        break;
    case RawMode::IntegralFringe:
    case RawMode::Jitter:
        if (RawChartMode == RawMode::IntegralFringe)
            e.FringeRadius = x;
        else
            e.JitterRadius = x;
        ShowMarkers();
        ShowMarkerPositions();
        if (e.CorrectJitter || e.CorrectFringes)
            RebuildAfterMarker(true);
        break;
    case RawMode::Meniscus:
        e.Meniscus = x;
        ShowMarkers();
        ShowMarkerPositions();
        RebuildAfterMarker(false);
        break;
    case RawMode::ZoomIn:
        break;
    }
    InputEnabled = true;
}

void TSedDataView::ReadOut(ChartModel& chart, std::string& edit, double x, double y)
{
    if (!chart.HasSeries(1))
        return;
    edit = ReadOutText(RoundSignificant(x, 5), RoundSignificant(y, 5));
    prompts_->ShowMessage(edit);
}

void TSedDataView::ChartAverageClickBackground(double x, double y)
{
    if (AvgMode == PointerMode::DisplayXY)
        ReadOut(ChartAverage, EditDisplayXYAvg, x, y);
}

void TSedDataView::dcdtChartClickBackground(double x, double y)
{
    if (CorMode == PointerMode::DisplayXY)
        ReadOut(dcdtChart, EditDisplayXYCor, x, y);
}

// ---- average and corrected views ----

int32_t TSedDataView::ShowAverageAndCorrected()
{
    ChartAverage.ClearSeriesFrom(0);
    ChartAverage.Repaint();
    if (!Engine || !Engine->AvgDcdtStore)
        return -1;
    const RealTimeGofS& e = *Engine;
    const ChannelDataStore& avg = *e.AvgDcdtStore;
    const int32_t L = avg.GetNumberOfSets() - 1;
    if (L < 0) {
        const int32_t scans = e.RawStore ? e.RawStore->GetNumberOfSets() : 0;
        ChartAverage.EmptyText = dcdtChart.EmptyText = NoResultText(scans);
        dcdtChart.ClearSeriesFrom(0);
        dcdtChart.Repaint();
        return 0;
    }
    const ChannelDataStore* dcdt = e.DcdtStore.get();
    const ScanHeader& h = avg.Headers[static_cast<size_t>(L)];
    const int32_t a = h.FirstScan;
    const int32_t b = h.LastScan;
    if (dcdt && a >= 0 && b < dcdt->GetNumberOfSets()) {
        EditTimeRange = "From: " + FormatThousands(dcdt->Headers[static_cast<size_t>(a)].Time) + " to "
            + FormatThousands(dcdt->Headers[static_cast<size_t>(b)].Time) + " sec";
    }
    char pairs[32];
    std::snprintf(pairs, sizeof pairs, "%d", b - a + 1);
    EditNumberOfdcdt = std::string(pairs) + " pairs";

    int32_t s = 1;
    if (dcdt) {
        for (int32_t j = a; j <= b && j < dcdt->GetNumberOfSets(); ++j) {
            if (j < 0)
                continue;
            if (!ChartAverage.HasSeries(s))
                s = ChartAverage.CloneSeries(0);
            ChartSeries& series = ChartAverage.Series[static_cast<size_t>(s)];
            series.Clear();
            for (int32_t p = 0; p < dcdt->GetNumberOfPoints(); ++p)
                if (dcdt->GetE(j, p) >= 0)
                    series.Add(SvedbergsOf(dcdt->GetX(p)), dcdt->GetY(j, p));
            series.Tag = j;
            series.Active = true;
            series.Colour = Colours::Blue;
            series.LineWidth = 1;
            ++s;
        }
    }
    if (!ChartAverage.HasSeries(s))
        s = ChartAverage.CloneSeries(0);
    ChartSeries& mean = ChartAverage.Series[static_cast<size_t>(s)];
    mean.Clear();
    for (int32_t p = 0; p < avg.GetNumberOfPoints(); ++p)
        if (avg.GetE(L, p) >= 0)
            mean.Add(SvedbergsOf(dcdt ? dcdt->GetX(p) : avg.GetX(p)), avg.GetY(L, p));
    mean.Tag = L;
    mean.Active = true;
    mean.Colour = Colours::Red;
    mean.LineWidth = 3;
    ChartAverage.Repaint();

    if (!e.GofsStore)
        return -1;
    const ChannelDataStore& g = *e.GofsStore;
    const int32_t cs = dcdtChart.SeriesCount() >= 2 ? 1 : dcdtChart.CloneSeries(0);
    ChartSeries& corrected = dcdtChart.Series[static_cast<size_t>(cs)];
    corrected.Clear();
    for (int32_t p = 0; p < g.GetNumberOfPoints(); ++p) {
        if (g.GetE(L, p) >= 0)
            corrected.Add(SvedbergsOf(g.GetX(p)), g.GetY(L, p));
        else if (p < e.CompositeSize() && e.CompositeE[static_cast<size_t>(p)] > 0)
            corrected.Add(SvedbergsOf(e.CompositeX[static_cast<size_t>(p)]), e.CompositeY[static_cast<size_t>(p)]);
    }
    corrected.Tag = L;
    corrected.Active = true;
    corrected.Colour = Colours::Green;
    corrected.LineWidth = 3;
    dcdtChart.Repaint();

    // The extrapolation follows the newest set while the user has left its scroll bar at the end.
    if (ScrollBarExtrapolation.Position == ScrollBarExtrapolation.Max) {
        ScrollBarExtrapolation.Max = std::max(g.GetNumberOfSets() - 1, 0);
        ScrollBarExtrapolation.Position = ScrollBarExtrapolation.Max;
    }
    return 0;
}

// ---- output ----

void TSedDataView::ButtonOutputAsciiClick()
{
    if (!Engine || !Engine->GofsStore || Engine->GofsStore->GetNumberOfSets() < 1) {
        prompts_->ShowMessage(NotEnoughDataMessage);
        return;
    }
    FileDialogRequest request;
    request.Title = SaveDialogTitle;
    request.InitialDir = SaveDialog1InitialDir;
    request.FileName = ProposedGofsFileName(*Engine, SaveDialog1InitialDir);
    request.DefaultExt = ".txt";
    request.Filter = TextFileFilter;
    request.OverwritePrompt = true;
    if (!prompts_->SaveDialog(request))
        return;
    // Written through a temporary file and renamed, so an existing file survives a failed write.
    const std::string failure = WriteGofsFile(*Engine, request.FileName, 0, true);
    if (!failure.empty())
        prompts_->ShowMessage(failure);
}
