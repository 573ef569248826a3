#include "species/RunConvergence.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "realtime/RealTimeGofS.h"
#include "species/ConvergenceMeasures.h"
#include "species/SpeciesFit.h"
#include "species/SpeciesUnits.h"

namespace morvane {

namespace {

using speciesunits::NaN;

double ElapsedOf(const ScanHeader& h) { return h.RecordedTime > 0 ? h.RecordedTime : h.Time; }

bool Within(double value, double limit) { return value <= limit; } // NaN is never within

// 64-bit FNV-1a over the bytes of values (G. Fowler, L. C. Noll, K.-P. Vo: the FNV hash).
void Mix(uint64_t& hash, const void* data, size_t bytes)
{
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < bytes; ++i)
        hash = (hash ^ p[i]) * 1099511628211ull;
}

template <typename T> void Mix(uint64_t& hash, const T& value) { Mix(hash, &value, sizeof value); }

// What a fit of set options.Set depends on: its g(s*) values, the times of its scans, the
// meniscus and the options.
uint64_t KeyOf(const RealTimeGofS& engine, const SpeciesFitOptions& o)
{
    const ChannelDataStore& gofs = *engine.GofsStore;
    const int32_t n = gofs.GetNumberOfPoints();
    uint64_t hash = 14695981039346656037ull;
    Mix(hash, gofs.GetSetY(o.Set), sizeof(double) * static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i)
        Mix(hash, gofs.GetE(o.Set, i) >= 0);
    const ScanHeader& h = gofs.Headers[static_cast<size_t>(o.Set)];
    for (double v :
        { h.Time, h.Omega2t, h.Rpm, h.RecordedTime, engine.Cell.Meniscus, engine.Cell.Bottom, o.MinSStar, o.MaxSStar })
        Mix(hash, v);
    for (int32_t v : { h.FirstScan, h.LastScan, o.Set, o.Species, static_cast<int32_t>(o.Model), o.MaxIterations })
        Mix(hash, v);
    return hash;
}

ConvergenceFitCache::Fit Summarised(const SpeciesFitResult& r)
{
    ConvergenceFitCache::Fit fit;
    fit.Converged = r.Status == FitStatus::Converged;
    for (const SpeciesEstimate& e : r.Species) {
        fit.S.push_back(e.S);
        fit.Share.push_back(e.Share);
    }
    return fit;
}

// Largest relative change of a fitted s and largest change of a share between two fits.
void CompareFits(const ConvergenceFitCache::Fit& now, const ConvergenceFitCache::Fit& before, ConvergencePoint& p)
{
    p.SpeciesSChange = p.ShareChange = NaN;
    if (!now.Converged || !before.Converged || now.S.size() != before.S.size() || now.S.empty())
        return;
    p.SpeciesSChange = p.ShareChange = 0;
    for (size_t k = 0; k < now.S.size(); ++k) {
        p.SpeciesSChange = std::max(p.SpeciesSChange, std::fabs(now.S[k] - before.S[k]) / now.S[k]);
        p.ShareChange = std::max(p.ShareChange, std::fabs(now.Share[k] - before.Share[k]));
    }
}

// How many species set k compares: as many as the fit asked for, or, without one, as many
// peaks as each of the ConfirmSets sets up to it shows (peaks[], per set), when that is more
// than one; 0 for none.
int32_t SpeciesAt(int32_t k, const std::vector<int32_t>& peaks, const ConvergenceThresholds& t, const SpeciesFitOptions* asked)
{
    if (asked)
        return std::clamp(asked->Species, 1, 3);
    int32_t fewest = 3;
    for (int32_t j = std::max(0, k - std::max(t.ConfirmSets, 1) + 1); j <= k; ++j)
        fewest = std::min(fewest, peaks[static_cast<size_t>(j)]);
    return fewest >= 2 ? fewest : 0;
}

// 0 clearly within the limit, 1 between, 2 clearly past it (or not to be had).
int32_t SideOf(double value, double limit, const ConvergenceThresholds& t)
{
    if (std::isnan(value))
        return 2;
    return value <= t.ClearlyWithin * limit ? 0 : value > t.ClearlyPast * limit ? 2 : 1;
}

ConvergenceSide SideOf(const ConvergencePoint& p, const ConvergenceThresholds& t)
{
    if (p.ComparedSet < 0)
        return ConvergenceSide::None;
    int32_t worst = std::max(
        { SideOf(p.PeakDrift, t.PeakDrift, t), SideOf(p.ShapeChange, t.ShapeChange, t), SideOf(p.MeniscusLevel, t.MeniscusLevel, t) });
    if (p.Fitted)
        worst = std::max({ worst, SideOf(p.SpeciesSChange, t.SpeciesSChange, t), SideOf(p.ShareChange, t.ShareChange, t) });
    return worst == 0 ? ConvergenceSide::Within : worst == 1 ? ConvergenceSide::Between : ConvergenceSide::Past;
}

// The set nearest to `window` before set k, among the earlier sets at least half of it before.
void FindCompared(const ChannelDataStore& store, double window, ConvergencePoint& p)
{
    const double wanted = p.ElapsedSeconds - window;
    for (int32_t j = 0; j < p.Set; ++j) {
        const double t = ElapsedOf(store.Headers[static_cast<size_t>(j)]);
        if (t <= p.ElapsedSeconds - 0.5 * window
            && (p.ComparedSet < 0 || std::fabs(t - wanted) < std::fabs(p.ComparedElapsedSeconds - wanted))) {
            p.ComparedSet = j;
            p.ComparedElapsedSeconds = t;
        }
    }
}

} // namespace

void JudgeEachSet(std::vector<ConvergencePoint>& series, const ConvergenceThresholds& t)
{
    const int32_t confirm = std::max(t.ConfirmSets, 1);
    bool stable = false;
    int32_t within = 0, past = 0;
    for (ConvergencePoint& p : series) {
        p.Side = SideOf(p, t);
        within = p.Side == ConvergenceSide::Within ? within + 1 : 0;
        past = p.Side == ConvergenceSide::Past ? past + 1 : 0;
        if (p.Side == ConvergenceSide::None)
            stable = false;
        else if (!stable && within >= confirm)
            stable = true;
        else if (stable && past >= confirm)
            stable = false;
        p.Stable = stable;
    }
}

const ConvergenceFitCache::Fit& ConvergenceFitCache::Of(const RealTimeGofS& engine, const SpeciesFitOptions& options)
{
    const uint64_t key = KeyOf(engine, options);
    auto it = fits_.find(key);
    if (it == fits_.end() && collecting_) {
        static const Fit none;
        if (!missing_.contains(key))
            missing_.emplace(key, PrepareSpeciesFit(engine, options));
        return none;
    }
    if (it == fits_.end()) {
        it = fits_.emplace(key, Entry { Summarised(FitSpecies(engine, options)), false }).first;
        ++made_;
    }
    it->second.Used = true;
    return it->second.Result;
}

std::vector<ConvergenceFitCache::Missing> ConvergenceFitCache::TakeMissing()
{
    std::vector<Missing> missing;
    for (auto& [key, job] : missing_)
        missing.push_back({ key, std::move(job) });
    missing_.clear();
    return missing;
}

ConvergenceFitCache::Fit ConvergenceFitCache::FitOf(const SpeciesFitJob& job, const std::atomic<bool>* cancel)
{
    return Summarised(RunSpeciesFit(job, cancel));
}

void ConvergenceFitCache::Put(uint64_t key, Fit fit) { fits_.insert_or_assign(key, Entry { std::move(fit), false }); }

void ConvergenceFitCache::DropUnused()
{
    if (collecting_)
        return;
    std::erase_if(fits_, [](const auto& entry) { return !entry.second.Used; });
    for (auto& entry : fits_)
        entry.second.Used = false;
}

std::vector<ConvergencePoint> ConvergenceSeries(const RealTimeGofS& engine, const ConvergenceThresholds& thresholds,
    const SpeciesFitOptions* fitOptions, ConvergenceFitCache* cache)
{
    std::vector<ConvergencePoint> series;
    if (!engine.IsCreated() || !engine.SmoothGofsStore || !engine.GofsStore
        || engine.SmoothGofsStore->GetNumberOfSets() < 1
        || engine.GofsStore->GetNumberOfSets() != engine.SmoothGofsStore->GetNumberOfSets())
        return series;
    const ChannelDataStore& smooth = *engine.SmoothGofsStore;
    const ChannelDataStore& gofs = *engine.GofsStore;
    const ConvergenceThresholds& t = thresholds;
    const int32_t sets = smooth.GetNumberOfSets();
    std::vector<int32_t> peaks(static_cast<size_t>(sets), 0);
    if (!fitOptions)
        for (int32_t k = 0; k < sets; ++k)
            peaks[static_cast<size_t>(k)] = PeaksShownBy(gofs, k, t.MinSStar);
    // The Gaussian model: a millisecond or so a fit, where the Lamm-boundary model takes up to a
    // second, and its s and shares move with the data as the other model's do.
    SpeciesFitOptions options = fitOptions ? *fitOptions : SpeciesFitOptions {};
    options.Model = SpeciesModel::Gaussian;
    if (!fitOptions)
        options.MinSStar = t.MinSStar;
    ConvergenceFitCache ownCache;
    ConvergenceFitCache& fits = cache ? *cache : ownCache;
    auto fitOf = [&](int32_t k, int32_t species) -> const ConvergenceFitCache::Fit& {
        options.Set = k;
        options.Species = species;
        return fits.Of(engine, options);
    };
    for (int32_t k = 0; k < sets; ++k) {
        ConvergencePoint p;
        p.Set = k;
        p.ElapsedSeconds = ElapsedOf(smooth.Headers[static_cast<size_t>(k)]);
        p.PeakSStar = PeakOf(smooth, k, t.MinSStar);
        p.MeniscusLevel = MeniscusLevelOf(smooth, k, t.MinSStar);
        p.SpeciesSChange = p.ShareChange = NaN;
        // What the verdict saw when this set was the newest: the set a fraction of its time before.
        const double window = t.WindowFraction * p.ElapsedSeconds;
        if (window > 0)
            FindCompared(smooth, window, p);
        if (p.ComparedSet < 0) {
            p.PeakDrift = p.ShapeChange = NaN;
            series.push_back(p);
            continue;
        }
        const double before = PeakOf(smooth, p.ComparedSet, t.MinSStar);
        p.PeakDrift = std::fabs(p.PeakSStar - before) / p.PeakSStar;
        p.ShapeChange = ShapeChangeOf(gofs, k, p.ComparedSet, t.MinSStar);
        p.FittedSpecies = SpeciesAt(k, peaks, t, fitOptions);
        if (p.FittedSpecies > 0) {
            p.Fitted = true;
            p.FitAsked = fitOptions != nullptr;
            const ConvergenceFitCache::Fit now = fitOf(k, p.FittedSpecies);
            CompareFits(now, fitOf(p.ComparedSet, p.FittedSpecies), p);
        }
        series.push_back(p);
    }
    fits.DropUnused();
    JudgeEachSet(series, t);
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

// The measures of a point with the limits they pass: "peak 4.39 S ± 0.3 %, shape change 0.8 %".
std::string MeasuresOf(const ConvergencePoint& p, const ConvergenceThresholds& t, bool& anyBeyond)
{
    anyBeyond = !Within(p.PeakDrift, t.PeakDrift) || !Within(p.ShapeChange, t.ShapeChange)
        || !Within(p.MeniscusLevel, t.MeniscusLevel)
        || (p.Fitted && (!Within(p.SpeciesSChange, t.SpeciesSChange) || !Within(p.ShareChange, t.ShareChange)));
    char text[96];
    std::snprintf(text, sizeof text, "peak %.2f S ± ", p.PeakSStar);
    std::string measures = text + Percent(p.PeakDrift) + Beyond(p.PeakDrift, t.PeakDrift);
    measures += ", shape change " + Percent(p.ShapeChange) + Beyond(p.ShapeChange, t.ShapeChange);
    if (!Within(p.MeniscusLevel, t.MeniscusLevel))
        measures += ", material still leaves the meniscus: " + Percent(p.MeniscusLevel) + " of the peak"
            + Beyond(p.MeniscusLevel, t.MeniscusLevel);
    if (p.Fitted) {
        if (!p.FitAsked) {
            std::snprintf(text, sizeof text, ", %d peaks fitted:", p.FittedSpecies);
            measures += text;
        } else {
            measures += ",";
        }
        measures += " species s " + Percent(p.SpeciesSChange) + Beyond(p.SpeciesSChange, t.SpeciesSChange);
        measures += ", shares " + Percent(p.ShareChange, "points") + Beyond(p.ShareChange, t.ShareChange, "points");
    }
    return measures;
}

} // namespace

ConvergenceVerdict JudgeConvergence(const std::vector<ConvergencePoint>& series, const ConvergenceThresholds& thresholds)
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
    bool anyBeyond = false;
    const std::string measures = MeasuresOf(p, thresholds, anyBeyond);
    if (v.Stable) {
        std::snprintf(text, sizeof text, "stable for %.0f min: ", v.StableForSeconds / 60);
        v.Text = text + measures;
        return v;
    }
    std::snprintf(text, sizeof text, " over the last %.0f min", (p.ElapsedSeconds - p.ComparedElapsedSeconds) / 60);
    v.Text = "not yet: " + measures + text;
    if (!anyBeyond) {
        // Within every limit, but not yet clearly so for the sets in a row the verdict asks.
        std::snprintf(text, sizeof text, "; within the limits, not yet clearly for %d sets in a row",
            std::max(thresholds.ConfirmSets, 1));
        v.Text += text;
    }
    return v;
}

} // namespace morvane
