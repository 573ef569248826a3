// The average and corrected tabs of the data view: the dc/dt curves of the newest averaged set
// with their mean, and the newest g(s*) set; their pointer tools.
#include "dataview/ResultTabs.h"

#include <cstdio>

#include "analysis/NumberText.h"
#include "dataview/StoreSeries.h"

namespace morvane {

ResultTabs::ResultTabs(ViewContext& view)
    : view_(view)
{
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

void ResultTabs::ChartAverageClickBackground(double x, double y)
{
    if (AvgMode == PointerMode::DisplayXY)
        view_.ReadOut(ChartAverage, EditDisplayXYAvg, x, y);
}

void ResultTabs::dcdtChartClickBackground(double x, double y)
{
    if (CorMode == PointerMode::DisplayXY)
        view_.ReadOut(dcdtChart, EditDisplayXYCor, x, y);
}

int32_t ResultTabs::Draw()
{
    ChartAverage.ClearSeriesFrom(0);
    ChartAverage.Repaint();
    if (!view_.CurrentEngine() || !view_.CurrentEngine()->AvgDcdtStore)
        return -1;
    const RealTimeGofS& e = *view_.CurrentEngine();
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
            DrawStoreSet(series, *dcdt, j, StoreAxis::Svedbergs);
            series.Active = true;
            series.Colour = Colours::Blue;
            series.LineWidth = 1;
            ++s;
        }
    }
    if (!ChartAverage.HasSeries(s))
        s = ChartAverage.CloneSeries(0);
    ChartSeries& mean = ChartAverage.Series[static_cast<size_t>(s)];
    DrawStoreSet(mean, avg, L, StoreAxis::Svedbergs);
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
    corrected.Title = "g(s*) set " + std::to_string(L);
    corrected.Active = true;
    corrected.Colour = Colours::Green;
    corrected.LineWidth = 3;
    dcdtChart.Repaint();
    return 1;
}

std::string ResultTabs::NoResultText(int32_t scansRead)
{
    return "No g(s*) yet: at least " + std::to_string(ScansForFirstResult) + " scans are needed ("
        + std::to_string(scansRead) + (scansRead == 1 ? " scan" : " scans") + " read so far)";
}

} // namespace morvane
