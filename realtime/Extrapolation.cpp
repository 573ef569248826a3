#include "realtime/Extrapolation.h"

#include <algorithm>

#include "realtime/Smoothing.h"

namespace morvane {

namespace {

constexpr int32_t MaxGridPoints = 4096;
constexpr double MinUsableY = 0.01;
constexpr double MaxIntercept = 1e30;

double ReferenceMaximum(const ChannelDataStore& smooth)
{
    const double m = smooth.GetExtents(-1, true).MaxY;
    return m > 0 ? m : 0;
}

// The integral of g(s) ds = s g(s) d ln s of set k over its valid points beyond minLogS, by the
// trapezoidal rule over runs of neighbouring valid points.
double AmountOf(const ChannelDataStore& smooth, int32_t k, double minLogS)
{
    double sum = 0;
    const double* y = smooth.GetSetY(k);
    const double* e = smooth.GetSetE(k);
    for (int32_t p = 1; p < smooth.GetNumberOfPoints(); ++p) {
        if (e[p - 1] >= 0 && e[p] >= 0 && smooth.GetX(p - 1) > minLogS && std::isfinite(y[p - 1] + y[p]))
            sum += 0.5 * (y[p - 1] + y[p]) * (smooth.GetX(p) - smooth.GetX(p - 1));
    }
    return sum;
}

// Collects the entries of grid point p from the sets start .. end.
void CollectEntries(const ChannelDataStore& smooth, int32_t p, int32_t start, int32_t end, double floor,
    const ExtrapolationParameters& par, std::vector<ExtrapolationEntry>& out)
{
    const double x = smooth.GetX(p);
    if (!(x > par.MinLogS) || !(smooth.GetSetY(end)[p] > floor))
        return;
    for (int32_t k = start; k <= end; ++k) {
        const double t = smooth.Headers[static_cast<size_t>(k)].Time;
        const double y = smooth.GetSetY(k)[p];
        if (!(smooth.GetSetE(k)[p] >= 0) || !(t > 0) || !(y > MinUsableY))
            continue;
        // ln(y / exp(x)) without forming exp(x): the store holds s g(s) at s = exp(x).
        out.push_back({ std::sqrt(1 / t), 1 / t, std::log(y) - x });
    }
}

// Smooths the point's n entries in place and fits them; fills the point's fit, value and error.
void FitPoint(ExtrapolationEntry* entries, int32_t n, const ExtrapolationParameters& par, ExtrapolationPoint& point)
{
    std::vector<double> X(static_cast<size_t>(n)), Y(X.size()), Z(X.size());
    for (int32_t j = 0; j < n; ++j) {
        X[static_cast<size_t>(j)] = entries[j].X;
        Y[static_cast<size_t>(j)] = entries[j].Y;
        Z[static_cast<size_t>(j)] = entries[j].Z;
    }
    SmoothBoxcar(Z.data(), n, par.SmoothRepetition, par.SmoothCarSize);
    for (int32_t j = 0; j < n; ++j)
        entries[j].Z = Z[static_cast<size_t>(j)];
    double a = 0, b = 0, c = 0, sa = 0;
    if (FitPlane(X.data(), Y.data(), Z.data(), n, a, b, c, sa) < 0 || a > MaxIntercept)
        return;
    point.A = a;
    point.B = b;
    point.C = c;
    // exp(a) exp(x) as one exponential: exp(a) alone may overflow where the product does not.
    const double value = std::exp(a + point.LogS);
    const double error = sa * value;
    if (!std::isfinite(value) || !std::isfinite(error))
        return;
    point.Value = value;
    point.Error = error;
    point.Extrapolated = true;
}

} // namespace

std::span<const ExtrapolationEntry> ExtrapolationResult::EntriesOf(int32_t point) const
{
    if (point < 0 || point >= static_cast<int32_t>(Points.size()))
        return {};
    const ExtrapolationPoint& p = Points[static_cast<size_t>(point)];
    return std::span<const ExtrapolationEntry>(Entries).subspan(
        static_cast<size_t>(p.FirstEntry), static_cast<size_t>(p.EntryCount));
}

ExtrapolationResult Extrapolate(const ChannelDataStore& smooth, const ChannelDataStore& gofs, int32_t start,
    int32_t end, const ExtrapolationParameters& p)
{
    ExtrapolationResult r;
    r.Start = std::max(start, 0);
    r.End = std::min(end, smooth.GetNumberOfSets() - 1);
    if (r.End - r.Start < 4 || smooth.GetNumberOfSets() < 4)
        return r;
    r.Computed = true;
    r.ReferenceMaximum = ReferenceMaximum(smooth);
    const double floor = r.ReferenceMaximum * p.Cutoff;
    for (int32_t k = r.Start; k <= r.End; ++k) {
        if (const double t = smooth.Headers[static_cast<size_t>(k)].Time; t > 0)
            r.Times.push_back(t);
        r.Amounts.push_back(AmountOf(smooth, k, p.MinLogS));
    }
    const int32_t n = std::min(smooth.GetNumberOfPoints(), MaxGridPoints);
    r.Points.resize(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        ExtrapolationPoint& point = r.Points[static_cast<size_t>(i)];
        point.LogS = smooth.GetX(i);
        point.SStar = std::exp(point.LogS) * 1e13;
        point.Error = p.IgnoreTag;
        point.Newest = smooth.GetSetY(r.End)[i];
        point.FirstEntry = static_cast<int32_t>(r.Entries.size());
        CollectEntries(smooth, i, r.Start, r.End, floor, p, r.Entries);
        point.EntryCount = static_cast<int32_t>(r.Entries.size()) - point.FirstEntry;
        if (point.EntryCount < 4)
            continue;
        FitPoint(r.Entries.data() + point.FirstEntry, point.EntryCount, p, point);
        if (point.Extrapolated)
            ++r.ExtrapolatedCount;
    }
    for (int32_t i = 0; i < gofs.GetNumberOfPoints(); ++i) {
        if (gofs.GetE(r.End, i) > 0 && gofs.GetX(i) > p.MinLogS)
            r.NewestGofs.push_back({ std::exp(gofs.GetX(i)) * 1e13, gofs.GetY(r.End, i) });
    }
    return r;
}

} // namespace morvane
