#include "realtime/MeniscusFinder.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr int32_t MinimumPoints = 20; // fewer radii hold no artefact and its two backgrounds
// A second artefact counts as a rival of the strongest when it reaches this share of its height.
constexpr double RivalShare = 0.3;

// The signal of `scan` on `grid`, linear between its radii; NaN outside them or where it is not finite.
std::vector<double> OnGrid(const MeniscusScan& scan, const std::vector<double>& grid)
{
    std::vector<double> out(grid.size(), NaN);
    const std::vector<double>& r = scan.radii;
    size_t j = 0;
    for (size_t i = 0; i < grid.size(); ++i) {
        const double x = grid[i];
        while (j + 1 < r.size() && r[j + 1] < x)
            ++j;
        if (j + 1 >= r.size() || x < r[j] || !(r[j + 1] > r[j]))
            continue;
        const double w = (x - r[j]) / (r[j + 1] - r[j]);
        out[i] = scan.values[j] + w * (scan.values[j + 1] - scan.values[j]);
    }
    return out;
}

double Median(std::vector<double>& v)
{
    if (v.empty())
        return NaN;
    const auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), mid, v.end());
    return *mid;
}

// Median of y over the grid radii in [a, b]; NaN when fewer than three finite values lie there.
double WindowMedian(const std::vector<double>& grid, const std::vector<double>& y, double a, double b)
{
    const auto first = std::lower_bound(grid.begin(), grid.end(), a);
    const auto last = std::upper_bound(grid.begin(), grid.end(), b);
    std::vector<double> v;
    for (auto it = first; it < last; ++it) {
        const double value = y[static_cast<size_t>(it - grid.begin())];
        if (std::isfinite(value))
            v.push_back(value);
    }
    return v.size() < 3 ? NaN : Median(v);
}

// How far each point stands out of the signal on both sides, oriented so that the artefact looked
// for is positive: a spike counts by its smaller rise over the two sides, a drop by its smaller fall.
// A step (one side level with the point) scores about nothing.
std::vector<double> Prominence(
    const std::vector<double>& grid, const std::vector<double>& y, const MeniscusSearch& s, bool spike)
{
    std::vector<double> out(grid.size(), NaN);
    for (size_t i = 0; i < grid.size(); ++i) {
        if (!std::isfinite(y[i]))
            continue;
        const double left = WindowMedian(grid, y, grid[i] - s.outerCm, grid[i] - s.innerCm);
        const double right = WindowMedian(grid, y, grid[i] + s.innerCm, grid[i] + s.outerCm);
        if (std::isnan(left) || std::isnan(right))
            continue;
        out[i] = spike ? std::min(y[i] - left, y[i] - right) : std::min(left - y[i], right - y[i]);
    }
    return out;
}

// The point-wise mean over the scans, NaN where no scan holds a value.
std::vector<double> Mean(const std::vector<std::vector<double>>& rows, size_t n)
{
    std::vector<double> out(n, NaN);
    for (size_t i = 0; i < n; ++i) {
        double sum = 0;
        int32_t count = 0;
        for (const auto& row : rows)
            if (std::isfinite(row[i])) {
                sum += row[i];
                ++count;
            }
        if (count > 0)
            out[i] = sum / count;
    }
    return out;
}

// The noise SD of a prominence profile from the median absolute deviation, which the few points
// of an artefact do not move; never below a floor tied to the signal's span, so noise-free data
// does not make every rounding error an artefact.
double NoiseOf(const std::vector<double>& p, double span)
{
    std::vector<double> v;
    for (const double x : p)
        if (std::isfinite(x))
            v.push_back(x);
    if (v.empty())
        return NaN;
    const double m = Median(v);
    for (double& x : v)
        x = std::fabs(x - m);
    return std::max({ 1.4826 * Median(v), 1e-6 * span, 1e-12 });
}

struct Candidate {
    size_t index = 0;
    double height = 0;
    double snr = 0;
    bool spike = true;
};

// The local maxima of p inside [from, to] standing minimumSignalToNoise noise SDs high, at least
// outerCm apart (the higher kept).
std::vector<Candidate> Peaks(
    const std::vector<double>& grid, const std::vector<double>& p, double noise, const MeniscusSearch& s, bool spike)
{
    std::vector<Candidate> out;
    for (size_t i = 0; i < grid.size(); ++i) {
        if (!(p[i] > s.minimumSignalToNoise * noise) || grid[i] < s.from || grid[i] > s.to)
            continue;
        if ((i > 0 && p[i - 1] > p[i]) || (i + 1 < p.size() && p[i + 1] >= p[i]))
            continue;
        if (!out.empty() && grid[i] - grid[out.back().index] < s.outerCm) {
            if (p[i] > out.back().height)
                out.back() = { i, p[i], p[i] / noise, spike };
            continue;
        }
        out.push_back({ i, p[i], p[i] / noise, spike });
    }
    return out;
}

// The middle of the peak of p at `at` between the radii where it falls to half its height,
// interpolated between grid points.
double HalfHeightMiddle(const std::vector<double>& grid, const std::vector<double>& p, size_t at)
{
    const double half = 0.5 * p[at];
    auto crossing = [&](size_t inside, size_t outside) {
        if (!std::isfinite(p[outside]))
            return grid[inside];
        const double w = (p[inside] - half) / (p[inside] - p[outside]);
        return grid[inside] + w * (grid[outside] - grid[inside]);
    };
    size_t a = at;
    while (a > 0 && std::isfinite(p[a - 1]) && p[a - 1] >= half)
        --a;
    size_t b = at;
    while (b + 1 < p.size() && std::isfinite(p[b + 1]) && p[b + 1] >= half)
        ++b;
    const double low = a > 0 ? crossing(a, a - 1) : grid[a];
    const double high = b + 1 < p.size() ? crossing(b, b + 1) : grid[b];
    return 0.5 * (low + high);
}

// How much the signal changes from the first to the last scan used over [a, b]: the mean of the
// absolute differences.
double ChangeOver(const std::vector<double>& grid, const std::vector<double>& first, const std::vector<double>& last,
    double a, double b)
{
    double sum = 0;
    int32_t count = 0;
    for (size_t i = 0; i < grid.size(); ++i)
        if (grid[i] >= a && grid[i] <= b && std::isfinite(first[i]) && std::isfinite(last[i])) {
            sum += std::fabs(last[i] - first[i]);
            ++count;
        }
    return count > 0 ? sum / count : 0;
}

bool Usable(const MeniscusScan& scan)
{
    if (scan.radii.size() != scan.values.size() || scan.radii.size() < static_cast<size_t>(MinimumPoints))
        return false;
    for (size_t i = 1; i < scan.radii.size(); ++i)
        if (!(scan.radii[i] > scan.radii[i - 1]))
            return false;
    return true;
}

} // namespace

MeniscusFinding FindMeniscus(const std::vector<MeniscusScan>& scans, const MeniscusSearch& s)
{
    MeniscusFinding f;
    std::vector<const MeniscusScan*> used;
    for (const MeniscusScan& scan : scans)
        if (used.size() < static_cast<size_t>(std::max(s.firstScans, 1)) && Usable(scan))
            used.push_back(&scan);
    if (used.empty()) {
        f.WhyNot = "no scan with at least " + std::to_string(MinimumPoints) + " radii in ascending order";
        return f;
    }
    f.ScansUsed = static_cast<int32_t>(used.size());
    const std::vector<double>& grid = used.front()->radii;
    std::vector<std::vector<double>> signal;
    double low = INFINITY, high = -INFINITY;
    for (const MeniscusScan* scan : used) {
        signal.push_back(OnGrid(*scan, grid));
        for (const double y : signal.back())
            if (std::isfinite(y)) {
                low = std::min(low, y);
                high = std::max(high, y);
            }
    }
    if (!(high >= low)) {
        f.WhyNot = "the first scans hold no finite value";
        return f;
    }

    std::vector<Candidate> candidates;
    std::vector<std::vector<double>> profiles(2);
    for (const bool spike : { true, false }) {
        if ((spike && s.kind == MeniscusArtefact::Drop) || (!spike && s.kind == MeniscusArtefact::Spike))
            continue;
        std::vector<std::vector<double>> rows;
        for (const auto& y : signal)
            rows.push_back(Prominence(grid, y, s, spike));
        std::vector<double>& p = profiles[spike ? 0 : 1];
        p = Mean(rows, grid.size());
        const double noise = NoiseOf(p, high - low);
        if (std::isnan(noise))
            continue;
        const std::vector<Candidate> found = Peaks(grid, p, noise, s, spike);
        candidates.insert(candidates.end(), found.begin(), found.end());
    }
    if (candidates.empty()) {
        const char* what = s.kind == MeniscusArtefact::Spike ? "spike"
            : s.kind == MeniscusArtefact::Drop               ? "drop"
                                                             : "spike or drop";
        f.WhyNot = std::string("no ") + what + " stands out of the noise in the first "
            + (used.size() == 1 ? std::string("scan") : std::to_string(used.size()) + " scans") + " (none reaches "
            + std::to_string(static_cast<int>(s.minimumSignalToNoise)) + " noise SDs)";
        return f;
    }

    // Rivals: the artefacts nearly as strong as the strongest. The meniscus is the one the
    // boundaries leave: the signal after it changes with time, the signal before it does not.
    const auto strongest = *std::max_element(
        candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) { return a.snr < b.snr; });
    Candidate best = strongest;
    if (used.size() > 1) {
        double bestScore = -INFINITY;
        const double reach = 3 * s.outerCm;
        for (const Candidate& c : candidates) {
            if (c.snr < RivalShare * strongest.snr)
                continue;
            const double r = grid[c.index];
            const double score = ChangeOver(grid, signal.front(), signal.back(), r + s.innerCm, r + reach)
                - ChangeOver(grid, signal.front(), signal.back(), r - reach, r - s.innerCm);
            if (score > bestScore) {
                bestScore = score;
                best = c;
            }
        }
    }
    const std::vector<double>& p = profiles[best.spike ? 0 : 1];
    f.Found = true;
    f.Radius = HalfHeightMiddle(grid, p, best.index);
    f.Height = best.spike ? best.height : -best.height;
    f.SignalToNoise = best.snr;
    return f;
}
