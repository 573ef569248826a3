#include "species/RunConvergence.h"
#include "species/SpeciesUnits.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>

#include "realtime/RealTimeGofS.h"
#include "species/SpeciesFit.h"

namespace {

using speciesunits::NaN;
using speciesunits::Svedberg;
// The peak is sought where s* g(s*) reaches this fraction of its maximum: g(s*) = y / s* lifts
// the noise next to the meniscus, where s* is small, above the peak otherwise.
constexpr double PeakRegion = 0.2;

double ElapsedOf(const ScanHeader& h) { return h.RecordedTime > 0 ? h.RecordedTime : h.Time; }

// The s* (S) at which g(s*) of set k peaks: the largest g, refined by a parabola in ln s*.
double PeakOf(const ChannelDataStore& store, int32_t k, double minSStar)
{
    const int32_t n = store.GetNumberOfPoints();
    const double* y = store.GetSetY(k);
    const double* e = store.GetSetE(k);
    double top = 0;
    for (int32_t i = 0; i < n; ++i)
        if (e[i] >= 0 && std::exp(store.GetX(i)) / Svedberg >= minSStar)
            top = std::max(top, y[i]);
    int32_t best = -1;
    auto g = [&](int32_t i) { return y[i] / std::exp(store.GetX(i)); };
    for (int32_t i = 0; i < n; ++i)
        if (e[i] >= 0 && std::exp(store.GetX(i)) / Svedberg >= minSStar && y[i] >= PeakRegion * top
            && (best < 0 || g(i) > g(best)))
            best = i;
    if (best < 0 || !(top > 0))
        return NaN;
    double x = store.GetX(best);
    if (best > 0 && best + 1 < n && e[best - 1] >= 0 && e[best + 1] >= 0) {
        const double a = g(best - 1), b = g(best), c = g(best + 1);
        const double curvature = a - 2 * b + c;
        if (curvature < 0)
            x += std::clamp(0.5 * (a - c) / curvature, -1.0, 1.0) * (store.GetX(best + 1) - x);
    }
    return std::exp(x) / Svedberg;
}

// Largest difference of the two sets' cumulative distributions of g(s*) over s*, each normalised
// over the points that both hold above minSStar. Since the grid is uniform in ln s, the integral
// of g ds* is the sum of y d(ln s).
double ShapeChangeOf(const ChannelDataStore& store, int32_t a, int32_t b, double minSStar)
{
    const int32_t n = store.GetNumberOfPoints();
    std::vector<double> fa, fb;
    double sa = 0, sb = 0;
    for (int32_t i = 0; i < n; ++i) {
        if (store.GetE(a, i) < 0 || store.GetE(b, i) < 0 || std::exp(store.GetX(i)) / Svedberg < minSStar)
            continue;
        sa += store.GetY(a, i);
        sb += store.GetY(b, i);
        fa.push_back(sa);
        fb.push_back(sb);
    }
    if (fa.size() < 2 || !(sa > 0) || !(sb > 0))
        return NaN;
    double worst = 0;
    for (size_t i = 0; i < fa.size(); ++i)
        worst = std::max(worst, std::fabs(fa[i] / sa - fb[i] / sb));
    return worst;
}

// s* g(s*) over the first quarter of the range's lower end (minSStar to 1.25 minSStar), against
// the highest s* g(s*) of the set.
double MeniscusLevelOf(const ChannelDataStore& store, int32_t k, double minSStar)
{
    double top = 0, sum = 0;
    int32_t count = 0;
    for (int32_t i = 0; i < store.GetNumberOfPoints(); ++i) {
        const double s = std::exp(store.GetX(i)) / Svedberg;
        if (store.GetE(k, i) < 0 || s < minSStar)
            continue;
        const double y = store.GetY(k, i);
        top = std::max(top, y);
        if (s <= 1.25 * minSStar) {
            sum += y;
            ++count;
        }
    }
    return count > 0 && top > 0 ? std::max(sum / count, 0.0) / top : NaN;
}

// Largest relative change of a fitted s and largest change of a share between two fits.
void CompareFits(const SpeciesFitResult& now, const SpeciesFitResult& before, ConvergencePoint& p)
{
    if (now.Status != FitStatus::Converged || before.Status != FitStatus::Converged
        || now.Species.size() != before.Species.size()) {
        p.SpeciesSChange = NaN;
        p.ShareChange = NaN;
        return;
    }
    p.SpeciesSChange = 0;
    p.ShareChange = 0;
    for (size_t k = 0; k < now.Species.size(); ++k) {
        const SpeciesEstimate& x = now.Species[k];
        const SpeciesEstimate& y = before.Species[k];
        p.SpeciesSChange = std::max(p.SpeciesSChange, std::fabs(x.S - y.S) / x.S);
        p.ShareChange = std::max(p.ShareChange, std::fabs(x.Share - y.Share));
    }
}

bool Within(double value, double limit) { return value <= limit; } // NaN is never within

} // namespace

std::vector<ConvergencePoint> ConvergenceSeries(
    const RealTimeGofS& engine, const ConvergenceThresholds& thresholds, const SpeciesFitOptions* fitOptions)
{
    std::vector<ConvergencePoint> series;
    if (!engine.IsCreated() || !engine.SmoothGofsStore || engine.SmoothGofsStore->GetNumberOfSets() < 1)
        return series;
    const ChannelDataStore& store = *engine.SmoothGofsStore;
    const int32_t sets = store.GetNumberOfSets();
    const double window = thresholds.WindowFraction * ElapsedOf(store.Headers[static_cast<size_t>(sets - 1)]);
    std::map<int32_t, SpeciesFitResult> fits;
    auto fitOf = [&](int32_t k) -> const SpeciesFitResult& {
        auto it = fits.find(k);
        if (it == fits.end()) {
            SpeciesFitOptions options = *fitOptions;
            options.Set = k;
            it = fits.emplace(k, FitSpecies(engine, options)).first;
        }
        return it->second;
    };
    for (int32_t k = 0; k < sets; ++k) {
        ConvergencePoint p;
        p.Set = k;
        p.ElapsedSeconds = ElapsedOf(store.Headers[static_cast<size_t>(k)]);
        p.PeakSStar = PeakOf(store, k, thresholds.MinSStar);
        p.MeniscusLevel = MeniscusLevelOf(store, k, thresholds.MinSStar);
        // The set nearest to the window's time earlier, among the earlier sets.
        const double wanted = p.ElapsedSeconds - window;
        for (int32_t j = 0; j < k; ++j) {
            const double t = ElapsedOf(store.Headers[static_cast<size_t>(j)]);
            if (t <= p.ElapsedSeconds - 0.5 * window
                && (p.ComparedSet < 0 || std::fabs(t - wanted) < std::fabs(p.ComparedElapsedSeconds - wanted))) {
                p.ComparedSet = j;
                p.ComparedElapsedSeconds = t;
            }
        }
        if (p.ComparedSet < 0 || !(window > 0)) {
            p.PeakDrift = p.ShapeChange = p.SpeciesSChange = p.ShareChange = NaN;
            series.push_back(p);
            continue;
        }
        const double before = PeakOf(store, p.ComparedSet, thresholds.MinSStar);
        p.PeakDrift = std::fabs(p.PeakSStar - before) / p.PeakSStar;
        p.ShapeChange = ShapeChangeOf(store, k, p.ComparedSet, thresholds.MinSStar);
        p.Stable = Within(p.PeakDrift, thresholds.PeakDrift) && Within(p.ShapeChange, thresholds.ShapeChange)
            && Within(p.MeniscusLevel, thresholds.MeniscusLevel);
        if (fitOptions) {
            p.Fitted = true;
            CompareFits(fitOf(k), fitOf(p.ComparedSet), p);
            p.Stable = p.Stable && Within(p.SpeciesSChange, thresholds.SpeciesSChange)
                && Within(p.ShareChange, thresholds.ShareChange);
        } else {
            p.SpeciesSChange = p.ShareChange = NaN;
        }
        series.push_back(p);
    }
    return series;
}

namespace {

// A fraction as "0.3 %" (or "2.0 points"), "unknown" for NaN.
std::string Percent(double value, const char* unit = "%")
{
    if (std::isnan(value))
        return "unknown";
    char text[48];
    std::snprintf(text, sizeof text, "%.1f %s", 100 * value, unit);
    return text;
}

// " (limit 0.5 %)" for a value beyond its limit, else nothing.
std::string Beyond(double value, double limit, const char* unit = "%")
{
    return Within(value, limit) ? std::string() : " (limit " + Percent(limit, unit) + ")";
}

} // namespace

ConvergenceVerdict JudgeConvergence(
    const std::vector<ConvergencePoint>& series, const ConvergenceThresholds& thresholds)
{
    ConvergenceVerdict v;
    if (series.empty()) {
        v.Text = "not yet: no g(s*) set has been computed";
        return v;
    }
    v.Newest = series.back();
    const ConvergencePoint& p = v.Newest;
    v.Stable = p.Stable;
    size_t first = series.size();
    while (first > 0 && series[first - 1].Stable)
        --first;
    if (v.Stable)
        v.StableForSeconds = p.ElapsedSeconds - series[first].ElapsedSeconds;
    char text[160];
    if (p.ComparedSet < 0) {
        std::snprintf(text, sizeof text, "not yet: no g(s*) set %.0f min before the newest to compare with",
            thresholds.WindowFraction * p.ElapsedSeconds / 60);
        v.Text = text;
        return v;
    }
    // A stable verdict shows the numbers; "not yet" also names the limits that were passed.
    const ConvergenceThresholds& t = thresholds;
    auto limit = [&](double value, double bound, const char* unit = "%") {
        return v.Stable ? std::string() : Beyond(value, bound, unit);
    };
    std::snprintf(text, sizeof text, "peak %.2f S ± ", p.PeakSStar);
    std::string measures = text + Percent(p.PeakDrift) + limit(p.PeakDrift, t.PeakDrift);
    measures += ", shape change " + Percent(p.ShapeChange) + limit(p.ShapeChange, t.ShapeChange);
    if (!Within(p.MeniscusLevel, t.MeniscusLevel))
        measures += ", material still leaves the meniscus: " + Percent(p.MeniscusLevel) + " of the peak"
            + limit(p.MeniscusLevel, t.MeniscusLevel);
    if (p.Fitted) {
        measures += ", species s " + Percent(p.SpeciesSChange) + limit(p.SpeciesSChange, t.SpeciesSChange);
        measures += ", shares " + Percent(p.ShareChange, "points") + limit(p.ShareChange, t.ShareChange, "points");
    }
    if (v.Stable) {
        std::snprintf(text, sizeof text, "stable for %.0f min: ", v.StableForSeconds / 60);
        v.Text = text + measures;
        return v;
    }
    std::snprintf(text, sizeof text, " over the last %.0f min", (p.ElapsedSeconds - p.ComparedElapsedSeconds) / 60);
    v.Text = "not yet: " + measures + text;
    return v;
}
