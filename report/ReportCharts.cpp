#include "report/ReportCharts.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/NumberText.h"
#include "provenance/RecordText.h"

namespace morvane {

namespace {

constexpr std::array<ChartColour, 5> ScanColours
    = { Colours::Red, Colours::Blue, Colours::Green, Colours::Fuchsia, Colours::Purple };
constexpr std::array<ChartColour, 3> SpeciesColours = { Colours::Blue, Colours::Red, Colours::Teal };
// The convergence chart's axis is logarithmic: a measure of 0 is drawn at this floor (percent).
constexpr double LowestPercent = 0.01;

ChartSeries Series(const std::string& title, ChartColour colour, int32_t width, SeriesKind kind = SeriesKind::Line)
{
    ChartSeries s;
    s.Kind = kind;
    s.Title = title;
    s.Colour = colour;
    s.LineWidth = width;
    return s;
}

ChartAxis SAxis()
{
    ChartAxis a;
    a.Title = "s* (S)";
    a.Logarithmic = true;
    a.LogBase = std::exp(1.0);
    return a;
}

// What the channel's values are, by the type letters of its entry ("0*.RA1": RA).
std::string ValueTitle(const std::string& channel)
{
    const std::string type = channel.size() >= 5 ? channel.substr(3, 2) : "";
    if (type == "RA")
        return "absorbance (OD)";
    if (type == "IP")
        return "interference (fringes)";
    if (type == "RI")
        return "intensity";
    if (type == "FI")
        return "fluorescence";
    return "signal";
}

// Fixes the s* axis to where a curve holds its signal: from `from` (where the data can hold a
// boundary) to a little beyond the last point above 2 % of the curve's highest there, so that the
// noise at low s*, which g(s*) amplifies by 1 / s*, and the empty end of the grid stay out.
void FitSAxis(ChartModel& chart, const ChartSeries& curve, double from)
{
    double top = 0, first = 0, last = 0;
    for (const ChartPoint& p : curve.Points)
        if (p.X >= from && std::isfinite(p.Y))
            top = std::max(top, p.Y);
    for (const ChartPoint& p : curve.Points) {
        if (p.X < from || !(p.Y > 0.02 * top))
            continue;
        first = first > 0 ? first : p.X;
        last = p.X;
    }
    if (!(top > 0) || !(last > first))
        return;
    chart.Bottom.Automatic = false;
    chart.Bottom.Minimum = std::max(from, curve.Points.front().X);
    chart.Bottom.Maximum = std::min(last * 1.5, curve.Points.back().X);
}

std::string PeakTitle(const GofsPeak& peak) { return "peak at s* = " + ThreeDigits(peak.SStar) + " S"; }

ChartSeries PeakMark(const GofsPeak& peak)
{
    ChartSeries mark = Series(PeakTitle(peak), Colours::Black, 3, SeriesKind::Points);
    mark.InFront = true;
    mark.Add(peak.SStar, peak.Gofs);
    return mark;
}

} // namespace

ChartModel RawScansChart(const RealTimeGofS& e, int32_t most)
{
    ChartModel chart;
    chart.Bottom.Title = "radius (cm)";
    chart.Left.Title = ValueTitle(e.ChannelName);
    chart.LegendVisible = true;
    chart.EmptyText = "No scans";
    if (!e.RawStore || e.RawStore->GetNumberOfSets() < 1)
        return chart;
    const ChannelDataStore& raw = *e.RawStore;
    const int32_t n = raw.GetNumberOfSets();
    const int32_t shown = std::min(n, std::max(most, 2));
    double low = std::numeric_limits<double>::infinity(), high = -low;
    const double analysedEnd = e.Cell.Bottom - e.Settings.DefaultBottomIgnore;
    for (int32_t i = 0; i < shown; ++i) {
        const int32_t k = shown == 1 ? 0 : static_cast<int32_t>(std::lround(double(i) * (n - 1) / (shown - 1)));
        const ScanHeader& h = raw.Headers[static_cast<size_t>(k)];
        ChartSeries s = Series("scan " + std::to_string(k + 1) + " (" + Printable(h.FileName)
                + "), t = " + FormatThousands(std::round(h.Time)) + " s",
            ScanColours[static_cast<size_t>(i) % ScanColours.size()], 1);
        s.InLegend = i == 0 || i == shown - 1; // the first and the newest name the span
        if (i == shown - 1 && i > 0)
            s.Colour = Colours::Black;
        for (int32_t p = 0; p < raw.GetNumberOfPoints(); ++p) {
            if (raw.GetE(k, p) < 0)
                continue;
            const double r = raw.GetX(p), v = raw.GetY(k, p);
            s.Add(r, v);
            if (r >= e.Cell.Meniscus && r <= analysedEnd && std::isfinite(v)) {
                low = std::min(low, v);
                high = std::max(high, v);
            }
        }
        chart.Series.push_back(std::move(s));
    }
    if (low < high) {
        const double pad = 0.05 * (high - low);
        chart.Left.Automatic = false;
        chart.Left.Minimum = low - pad;
        chart.Left.Maximum = high + pad;
    }
    const bool interference = e.CorrectJitter || e.CorrectFringes;
    const struct {
        const char* name;
        double radius;
        ChartColour colour;
        bool shown;
    } positions[] = {
        { "meniscus", e.Cell.Meniscus, Colours::Olive, true },
        { "bottom", e.Cell.Bottom, Colours::Maroon, true },
        { "jitter reference", e.Cell.JitterRadius, Colours::Teal, interference },
        { "fringe reference", e.Cell.FringeRadius, Colours::Navy, interference },
    };
    const double top = chart.Left.Automatic ? high : chart.Left.Maximum;
    const double bottom = chart.Left.Automatic ? low : chart.Left.Minimum;
    for (const auto& p : positions) {
        if (!p.shown || !(low < high))
            continue;
        ChartSeries line = Series(std::string(p.name) + " " + FloatToStr(p.radius) + " cm", p.colour, 2);
        line.InFront = true;
        line.XAscending = false;
        line.Add(p.radius, bottom);
        line.Add(p.radius, top);
        chart.Series.push_back(std::move(line));
    }
    return chart;
}

ChartModel GofsChart(const RealTimeGofS& e, const Summary& summary)
{
    ChartModel chart;
    chart.Bottom = SAxis();
    chart.Left.Title = "g(s*)";
    chart.LegendVisible = true;
    chart.EmptyText = "No g(s*) set yet";
    const std::vector<GofsRow> rows = GofsRows(e, -1, true);
    ChartSeries curve
        = Series("g(s*) set " + std::to_string(summary.set) + " (gaps from the composite)", Colours::Green, 2);
    double top = 0;
    for (const GofsRow& r : rows) {
        curve.Add(r.sStar, r.gofs);
        if (std::isfinite(r.gofs))
            top = std::max(top, r.gofs);
    }
    if (curve.Points.empty())
        return chart;
    // Below the fit's lowest s* (0.5 S) the noise next to the meniscus, amplified by 1 / s*, would
    // dwarf the peaks.
    FitSAxis(chart, curve, std::max(summary.peakFrom, SpeciesFitOptions {}.MinSStar));
    chart.Series.push_back(std::move(curve));
    if (summary.peakFrom > 0 && top > 0 && (chart.Bottom.Automatic || summary.peakFrom > chart.Bottom.Minimum)) {
        ChartSeries from
            = Series("peak searched above s* = " + ThreeDigits(summary.peakFrom) + " S", Colours::Silver, 1);
        from.XAscending = false;
        from.Add(summary.peakFrom, 0);
        from.Add(summary.peakFrom, top);
        chart.Series.push_back(std::move(from));
    }
    if (summary.peak.Found)
        chart.Series.push_back(PeakMark(summary.peak));
    return chart;
}

ChartModel ExtrapolationChart(const ExtrapolationChoice& c)
{
    ChartModel chart;
    chart.Bottom = SAxis();
    chart.Left.Title = "g(s*)";
    chart.LegendVisible = true;
    if (!c.sound || c.x.rows.empty()) {
        chart.EmptyText = c.refusal.empty() ? "Nothing could be extrapolated" : c.refusal;
        return chart;
    }
    ChartSeries newest = Series("g(s*) of smoothed set " + std::to_string(c.x.header.end), Colours::Green, 2);
    for (const ExtrapolationCurvePoint& g : c.x.result.NewestGofs)
        newest.Add(g.SStar, g.Value / g.SStar);
    ChartSeries curve = Series("extrapolated to infinite time", Colours::Fuchsia, 2);
    ChartSeries bars = Series("standard error", Colours::Fuchsia, 1, SeriesKind::ErrorBars);
    const size_t every = c.x.rows.size() / 60 + 1;
    for (size_t i = 0; i < c.x.rows.size(); ++i) {
        const ExtrapolatedRow& r = c.x.rows[i];
        curve.Add(r.sStar, r.value / r.sStar);
        if (i % every == 0) {
            bars.Add(r.sStar, r.value / r.sStar);
            bars.Points.back().Error = std::fmin(r.error, r.value) / r.sStar;
        }
    }
    FitSAxis(chart, curve, 0);
    chart.Bottom.Minimum
        = std::min(chart.Bottom.Minimum, newest.Points.empty() ? chart.Bottom.Minimum : newest.Points.front().X);
    chart.Series = { std::move(newest), std::move(curve), std::move(bars) };
    if (c.peak.Found)
        chart.Series.push_back(PeakMark(c.peak));
    return chart;
}

ChartModel SpeciesChart(const SpeciesFitResult& fit)
{
    ChartModel chart;
    chart.Bottom = SAxis();
    chart.Left.Title = "g(s*)";
    chart.LegendVisible = true;
    chart.EmptyText = "No fit: " + fit.Message;
    if (fit.Status != FitStatus::Converged)
        return chart;
    const size_t n = fit.SStar.size();
    ChartSeries data = Series(fit.Set >= 0 ? "g(s*) set " + std::to_string(fit.Set) : "g(s*)", Colours::Green, 2);
    ChartSeries fitted = Series("fit: " + std::to_string(fit.Species.size()) + " species", Colours::Black, 2);
    fitted.InFront = true;
    for (size_t i = 0; i < n; ++i) {
        data.Add(fit.SStar[i], fit.Data[i] / fit.SStar[i]);
        fitted.Add(fit.SStar[i], fit.Fitted[i] / fit.SStar[i]);
    }
    chart.Series = { std::move(data), std::move(fitted) };
    for (size_t k = 0; k < fit.Components.size() && k < fit.Species.size(); ++k) {
        ChartSeries one = Series("species " + std::to_string(k + 1) + ": s = " + ThreeDigits(fit.Species[k].S) + " S",
            SpeciesColours[k % SpeciesColours.size()], 1);
        one.InFront = true;
        for (size_t i = 0; i < n && i < fit.Components[k].size(); ++i)
            one.Add(fit.SStar[i], fit.Components[k][i] / fit.SStar[i]);
        chart.Series.push_back(std::move(one));
    }
    return chart;
}

ChartModel CsChart(const morvane::cs::CsResult& r, const std::string& unit)
{
    ChartModel chart;
    chart.Bottom.Title = "s (S)";
    chart.Left.Title = "c(s) (" + unit + "/S)";
    chart.EmptyText = "No c(s): " + r.error;
    if (!r.error.empty() || r.s.empty())
        return chart;
    ChartSeries line = Series("c(s)", Colours::Blue, 2), peaks = Series("peaks", Colours::Red, 1);
    peaks.Kind = SeriesKind::Bars;
    for (size_t k = 0; k < r.s.size(); ++k)
        line.Add(r.s[k], r.distribution[k]);
    for (const morvane::cs::CsPeak& p : r.peaks) {
        double height = 0; // the curve's highest point within the peak
        for (size_t k = 0; k < r.s.size(); ++k)
            if (r.s[k] >= p.sLow && r.s[k] <= p.sHigh)
                height = std::max(height, r.distribution[k]);
        peaks.Add(p.s, height, ThreeDigits(p.s) + " S");
    }
    chart.Bottom.Automatic = false;
    chart.Bottom.Minimum = 0;
    chart.Bottom.Maximum = morvane::cs::ChartEndS(r.s, r.amount);
    chart.Series = { std::move(line), std::move(peaks) };
    return chart;
}

ChartModel ConvergenceChart(const std::vector<ConvergencePoint>& series, const ConvergenceThresholds& thresholds)
{
    ChartModel chart;
    chart.Bottom.Title = "elapsed time (min)";
    chart.Left.Title = "change (%)";
    chart.Left.Logarithmic = true;
    chart.LegendVisible = true;
    chart.Series = { Series("peak drift", Colours::Blue, 2), Series("shape change", Colours::Red, 2),
        Series("peak drift limit", Colours::Blue, 1), Series("shape change limit", Colours::Red, 1) };
    auto percent = [](double fraction) { return std::max(100 * fraction, LowestPercent); };
    double first = std::numeric_limits<double>::quiet_NaN(), last = std::numeric_limits<double>::quiet_NaN();
    for (const ConvergencePoint& p : series) {
        if (p.ComparedSet < 0)
            continue;
        const double minutes = p.ElapsedSeconds / 60;
        if (std::isnan(first))
            first = minutes;
        last = minutes;
        if (std::isfinite(p.PeakDrift))
            chart.Series[0].Add(minutes, percent(p.PeakDrift));
        if (std::isfinite(p.ShapeChange))
            chart.Series[1].Add(minutes, percent(p.ShapeChange));
    }
    if (!std::isnan(first)) {
        const double limits[2] = { thresholds.PeakDrift, thresholds.ShapeChange };
        for (size_t k = 2; k < 4; ++k) {
            chart.Series[k].Add(first, percent(limits[k - 2]));
            chart.Series[k].Add(last, percent(limits[k - 2]));
        }
    }
    chart.EmptyText = series.empty() ? "No g(s*) set yet"
                                     : "No g(s*) set " + FloatToStr(std::round(100 * thresholds.WindowFraction))
            + " % of the run earlier to compare with yet";
    return chart;
}

} // namespace morvane
