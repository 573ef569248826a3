#include "realtime/MeniscusFinder.h"

#include <algorithm>
#include <cmath>

namespace morvane {

// The artefact is read from its edges. The edge profile at a radius is the median signal just after
// it less the median just before it: a step detector that noise and odd points hardly move (the
// difference of medians, as in Bovik, Huang and Munson, IEEE Trans. PAMI 9 (1987) 181-194). An edge
// of the optics is sharp, a few thousandths of a cm, while a boundary is broadened by diffusion to
// hundredths: only edges that stand out of the edge profile on both sides count, and only where they
// stay put from scan to scan. A spike or drop is an edge and its opposite close behind; a step is a
// lone edge, a dip or bump after it its smaller followers.

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr int32_t MinimumPoints = 20; // fewer radii hold no artefact and its two backgrounds
// A second artefact counts as a rival of the strongest when it reaches this share of its sharpness.
constexpr double RivalShare = 0.3;
// The edge profile at r: the median signal over [r + gap, r + gap + window] less that over the same
// span before r; the gap leaves out the edge's own width. Both grow with the radial step of coarser
// scans, so that a window holds at least three points (Grid).
constexpr double EdgeGapCm = 0.002;
constexpr double EdgeWindowCm = 0.006;
// An edge stays put when, in most scans, the scan's own edge profile is at its extreme within
// StationaryCm of it (looked for within StationarySearchCm), and drifts less than DriftCm over the
// scans (an early scan may hide it under the solution's rise); a boundary moves on from scan to scan.
constexpr double StationaryCm = 0.004;
constexpr double DriftCm = 0.008;
constexpr double StationarySearchCm = 0.012;
// The widest spike or drop, edge to edge.
constexpr double MaxPeakCm = 0.045;
// The second edge of a drop is at least this share of the first, each against the edge profile's
// background on either side: the solution's rise only adds to it, while the dip after a step down
// recovers by less than the step. (A spike's second edge may land on the solution's level, well
// above the air: any is taken.)
constexpr double PairShare = 0.6;
// Smaller edges within this of a step are a dip or bump after it.
constexpr double StepTailCm = 0.03;
// The signal between two rivals changes with time (the solution) when it departs this many noise
// SDs from its median over the scans in some scan; air between them does not change.
constexpr double GapChangeSnr = 6;
// The level beside an edge: the median signal between these distances from it.
constexpr double LevelNearCm = 0.004;
constexpr double LevelFarCm = 0.012;

// The radii of the first scan, with the distances the edges are read over at its radial step.
struct Grid {
    const std::vector<double>& radii;
    double gap = EdgeGapCm;
    double reach = EdgeGapCm + EdgeWindowCm; // the gap and the window
    double levelNear = LevelNearCm, levelFar = LevelFarCm;

    double operator[](size_t i) const { return radii[i]; }
    size_t size() const { return radii.size(); }
    auto begin() const { return radii.begin(); }
    auto end() const { return radii.end(); }
};

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
    if (v.size() % 2)
        return *mid;
    return 0.5 * (*mid + *std::max_element(v.begin(), mid));
}

// Median of y over the grid radii in [a, b]; NaN when fewer than three finite values lie there.
double WindowMedian(const Grid& grid, const std::vector<double>& y, double a, double b)
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

// The grid of `radii` (ascending): on coarse radial steps, each edge window holds three points at
// least, and each level window too.
Grid GridOf(const std::vector<double>& radii)
{
    std::vector<double> steps;
    for (size_t i = 1; i < radii.size(); ++i)
        steps.push_back(radii[i] - radii[i - 1]);
    const double step = Median(steps);
    Grid g { radii };
    g.gap = std::max(EdgeGapCm, step);
    g.reach = g.gap + std::max(EdgeWindowCm, 3 * step);
    g.levelNear = std::max(LevelNearCm, g.gap + step);
    g.levelFar = std::max(LevelFarCm, g.levelNear + 3 * step);
    return g;
}

// The point-wise median over the scans, NaN where no scan holds a value: the artefact stays, and a
// whole-fringe jump of one scan in a few does not carry over.
std::vector<double> PointwiseMedian(const std::vector<std::vector<double>>& rows, size_t n)
{
    std::vector<double> out(n, NaN);
    std::vector<double> v;
    for (size_t i = 0; i < n; ++i) {
        v.clear();
        for (const auto& row : rows)
            if (std::isfinite(row[i]))
                v.push_back(row[i]);
        out[i] = Median(v);
    }
    return out;
}

// The edge profile of y at grid point i (see EdgeGapCm); NaN where a side holds too few values.
double EdgeAt(const Grid& grid, const std::vector<double>& y, size_t i)
{
    const double r = grid[i];
    return WindowMedian(grid, y, r + grid.gap, r + grid.reach) - WindowMedian(grid, y, r - grid.reach, r - grid.gap);
}

// The grid points with radii in [a, b], as [first, last).
std::pair<size_t, size_t> Span(const Grid& grid, double a, double b)
{
    return { static_cast<size_t>(std::lower_bound(grid.begin(), grid.end(), a) - grid.begin()),
        static_cast<size_t>(std::upper_bound(grid.begin(), grid.end(), b) - grid.begin()) };
}

// p less the mean of its medians between innerCm and outerCm on either side, over the grid points
// [first, last) (NaN elsewhere): what stands out of a broad hump such as a boundary's.
std::vector<double> HighPass(
    const Grid& grid, const std::vector<double>& p, const MeniscusSearch& s, size_t first, size_t last)
{
    std::vector<double> out(grid.size(), NaN);
    for (size_t i = first; i < last; ++i) {
        const double left = WindowMedian(grid, p, grid[i] - s.outerCm, grid[i] - s.innerCm);
        const double right = WindowMedian(grid, p, grid[i] + s.innerCm, grid[i] + s.outerCm);
        out[i] = p[i] - 0.5 * (left + right);
    }
    return out;
}

// How far each point of p stands out of p on both sides (between innerCm and outerCm away), oriented
// so that what is looked for is positive: a rise counts by its smaller rise over the two sides, a
// fall by its smaller fall. A broad hump scores about nothing.
std::vector<double> Prominence(const Grid& grid, const std::vector<double>& p, const MeniscusSearch& s, bool rise)
{
    std::vector<double> out(grid.size(), NaN);
    for (size_t i = 0; i < grid.size(); ++i) {
        if (!std::isfinite(p[i]))
            continue;
        const double left = WindowMedian(grid, p, grid[i] - s.outerCm, grid[i] - s.innerCm);
        const double right = WindowMedian(grid, p, grid[i] + s.innerCm, grid[i] + s.outerCm);
        if (std::isnan(left) || std::isnan(right))
            continue;
        out[i] = rise ? std::min(p[i] - left, p[i] - right) : std::min(left - p[i], right - p[i]);
    }
    return out;
}

// The noise SD of a profile from the median absolute deviation, which the few points of an
// artefact do not move; never below a floor tied to the signal's span, so noise-free data does
// not make every rounding error an artefact.
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

// The noise SD of single points, from the differences of points two apart in each scan (the median
// over the scans): scans moved onto a common grid share noise between neighbours.
double PointNoise(const std::vector<std::vector<double>>& rows)
{
    std::vector<double> perScan;
    for (const auto& y : rows) {
        std::vector<double> diff;
        for (size_t i = 2; i < y.size(); ++i)
            if (std::isfinite(y[i]) && std::isfinite(y[i - 2]))
                diff.push_back(y[i] - y[i - 2]);
        const double sd = NoiseOf(diff, 0) / std::sqrt(2.0);
        if (std::isfinite(sd))
            perScan.push_back(sd);
    }
    return Median(perScan);
}

// The trend of v over its order, first to last, by the slope of Sen's estimator (Sen, J. Am. Stat.
// Assoc. 63 (1968) 1379-1389), which an odd value (a scan with a fringe jump) does not move; NaN
// values are left out.
double Trend(const std::vector<double>& v)
{
    std::vector<double> slopes;
    for (size_t k = 0; k < v.size(); ++k)
        for (size_t j = k + 1; j < v.size(); ++j)
            if (std::isfinite(v[k]) && std::isfinite(v[j]))
                slopes.push_back((v[j] - v[k]) / static_cast<double>(j - k));
    return slopes.empty() ? 0 : Median(slopes) * static_cast<double>(v.size() - 1);
}

struct Edge {
    size_t index = 0; // grid point of the edge
    double height = 0; // the edge profile there (negative: down)
    double sharp = 0; // the edge profile there less the mean of its backgrounds on either side
    double snr = 0; // how far it stands out of the edge profile, in noise SDs
};

// How far the sharp part of scan y's edge profile lies shifted against the combined one, hp (high
// passed), around grid point `at`: the shift up to StationarySearchCm at which the two agree best
// (the largest sum of their products over StationarySearchCm either side); NaN when the scan holds
// too little there.
double ShiftOf(
    const Grid& grid, const std::vector<double>& hp, const std::vector<double>& y, size_t at, const MeniscusSearch& s)
{
    const double r = grid[at], w = StationarySearchCm;
    const auto [dFirst, dLast] = Span(grid, r - 2 * w - s.outerCm, r + 2 * w + s.outerCm);
    std::vector<double> d(grid.size(), NaN);
    for (size_t i = dFirst; i < dLast; ++i)
        d[i] = EdgeAt(grid, y, i);
    const auto [first, last] = Span(grid, r - 2 * w, r + 2 * w);
    const std::vector<double> own = HighPass(grid, d, s, first, last);
    const auto [cFirst, cLast] = Span(grid, r - w, r + w);
    double best = -Inf, shift = NaN;
    for (size_t k = cFirst; k < cLast; ++k) { // the scan's point k matched with the combined point `at`
        double sum = 0;
        int32_t n = 0;
        for (size_t i = cFirst; i < cLast; ++i) {
            if (i + k < at + first || i + k >= at + last)
                continue;
            const size_t j = i + k - at;
            if (!std::isfinite(hp[i]) || !std::isfinite(own[j]))
                continue;
            sum += hp[i] * own[j];
            ++n;
        }
        if (n > 0 && sum > best) {
            best = sum;
            shift = grid[k] - r;
        }
    }
    return shift;
}

// Whether the edge at grid point `at` stays put in the scans: each scan's own edge profile matches
// the combined one there unshifted, and the shifts do not drift from scan to scan. One scan cannot
// tell, and passes.
bool Stationary(const Grid& grid, const std::vector<double>& hp, const std::vector<std::vector<double>>& rows,
    size_t at, const MeniscusSearch& s)
{
    if (rows.size() < 2)
        return true;
    std::vector<double> shifts, off;
    for (const auto& y : rows) {
        shifts.push_back(ShiftOf(grid, hp, y, at, s));
        off.push_back(std::isfinite(shifts.back()) ? std::fabs(shifts.back()) : Inf);
    }
    const double drift = Trend(shifts);
    return Median(off) <= StationaryCm && std::fabs(drift) <= DriftCm;
}

// The sharp edges of the edge profile d that stay put across the scans, in radial order; `moving`
// counts those that stood out but moved.
std::vector<Edge> SharpEdges(const Grid& grid, const std::vector<double>& d,
    const std::vector<std::vector<double>>& rows, const MeniscusSearch& s, double span, int32_t& moving)
{
    const std::vector<double> hp = HighPass(grid, d, s, 0, grid.size());
    std::vector<Edge> edges;
    for (const double sign : { 1.0, -1.0 }) {
        const std::vector<double> p = Prominence(grid, d, s, sign > 0);
        const double noise = NoiseOf(p, span);
        if (std::isnan(noise))
            continue;
        std::vector<Edge> found;
        for (size_t i = 0; i < grid.size(); ++i) {
            if (!(p[i] > s.minimumSignalToNoise * noise) || grid[i] < s.from - MaxPeakCm || grid[i] > s.to + MaxPeakCm)
                continue;
            if ((i > 0 && p[i - 1] > p[i]) || (i + 1 < p.size() && p[i + 1] >= p[i]))
                continue;
            // The edge lies where the edge profile is at its extreme: the prominence peaks beside it when
            // a boundary raises the background on one side.
            size_t at = i;
            for (size_t j = i; j > 0 && grid[i] - grid[j - 1] <= grid.reach; --j)
                if (sign * d[j - 1] > sign * d[at])
                    at = j - 1;
            for (size_t j = i + 1; j < grid.size() && grid[j] - grid[i] <= grid.reach; ++j)
                if (sign * d[j] > sign * d[at])
                    at = j;
            const Edge e { at, d[at], hp[at], p[i] / noise };
            if (!found.empty() && grid[at] - grid[found.back().index] < grid.reach) {
                if (e.snr > found.back().snr)
                    found.back() = e;
                continue;
            }
            found.push_back(e);
        }
        for (const Edge& e : found) {
            if (Stationary(grid, hp, rows, e.index, s))
                edges.push_back(e);
            else
                ++moving;
        }
    }
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.index < b.index; });
    return edges;
}

// The radius where y, followed from grid point `from` in direction dir (+1 outward, -1 inward),
// reaches `level`, interpolated between grid points; NaN when it does not within `reach` cm.
double Crossing(const Grid& grid, const std::vector<double>& y, size_t from, double level, int dir, double reach)
{
    const double side = y[from] - level;
    if (side == 0)
        return grid[from];
    for (size_t j = from;;) {
        if ((dir < 0 && j == 0) || (dir > 0 && j + 1 >= grid.size()))
            return NaN;
        const size_t k = dir > 0 ? j + 1 : j - 1;
        if (std::fabs(grid[k] - grid[from]) > reach || !std::isfinite(y[k]))
            return NaN;
        if ((y[k] - level) * side <= 0) {
            const double w = (y[j] - level) / (y[j] - y[k]);
            return grid[j] + w * (grid[k] - grid[j]);
        }
        j = k;
    }
}

struct Artefact {
    MeniscusShape shape = MeniscusShape::Spike;
    double radius = 0;
    double low = 0, high = 0; // the radii it spans
    double height = 0;
    int32_t afterStep = 0;
    double snr = 0;
};

// The spike or drop between edges a and b: the signal beyond both sides; its radius is the middle
// at half its height (each side's half taken against the level on that side).
bool PeakOf(const Grid& grid, const std::vector<double>& y, const Edge& a, const Edge& b, Artefact& out)
{
    const double sign = a.height > 0 ? 1 : -1;
    const double ra = grid[a.index], rb = grid[b.index];
    const double before = WindowMedian(grid, y, ra - grid.levelFar, ra - grid.levelNear);
    const double after = WindowMedian(grid, y, rb + grid.levelNear, rb + grid.levelFar);
    size_t extreme = a.index;
    for (size_t i = a.index; i <= b.index; ++i)
        if (std::isfinite(y[i]) && !(sign * y[i] <= sign * y[extreme]))
            extreme = i;
    const double top = y[extreme];
    if (!(sign * (top - before) > 0) || !(sign * (top - after) > 0))
        return false;
    const double low = Crossing(grid, y, extreme, 0.5 * (before + top), -1, MaxPeakCm);
    const double high = Crossing(grid, y, extreme, 0.5 * (after + top), 1, MaxPeakCm);
    if (std::isnan(low) || std::isnan(high))
        return false;
    out = { sign > 0 ? MeniscusShape::Spike : MeniscusShape::Drop, 0.5 * (low + high), low, high, top - before, 0,
        std::max(a.snr, b.snr) };
    return true;
}

// The step at edges[i], where the signal is halfway from the level before it to the level just
// after it; `next` is set past the smaller edges that follow within StepTailCm (a dip or bump).
Artefact StepOf(const Grid& grid, const std::vector<double>& y, const std::vector<Edge>& edges, size_t i, size_t& next)
{
    const Edge& e = edges[i];
    const double r = grid[e.index];
    const double before = WindowMedian(grid, y, r - grid.levelFar, r - grid.levelNear);
    const double after = WindowMedian(grid, y, r + grid.gap, r + grid.reach);
    Artefact step { e.height > 0 ? MeniscusShape::StepUp : MeniscusShape::StepDown, r, r, r, e.height, 0, e.snr };
    if (std::isfinite(before) && std::isfinite(after)) {
        step.height = after - before;
        const double half = 0.5 * (before + after);
        const double in = Crossing(grid, y, e.index, half, -1, grid.reach);
        const double out = Crossing(grid, y, e.index, half, 1, grid.reach);
        if (std::isfinite(in) || std::isfinite(out))
            step.radius = std::isnan(out) || (std::isfinite(in) && r - in < out - r) ? in : out;
    }
    step.low = step.high = step.radius;
    next = i + 1;
    while (next < edges.size() && grid[edges[next].index] - r <= StepTailCm
        && std::fabs(edges[next].height) < std::fabs(e.height)) {
        if (step.afterStep == 0)
            step.afterStep = edges[next].height > 0 ? -1 : 1; // a rise back from a dip, or a fall after a bump
        step.high = grid[edges[next].index];
        ++next;
    }
    return step;
}

// The artefacts the edges make: an edge and its opposite close behind are a spike or drop of the
// kind looked for, the rest steps.
std::vector<Artefact> Artefacts(
    const Grid& grid, const std::vector<double>& y, const std::vector<Edge>& e, MeniscusArtefact kind)
{
    auto pair = [&](const Edge& a, const Edge& b) {
        if ((a.height > 0) == (b.height > 0) || grid[b.index] - grid[a.index] > MaxPeakCm)
            return false;
        const bool alike = std::fabs(b.sharp) >= PairShare * std::fabs(a.sharp);
        if (a.height > 0)
            return kind != MeniscusArtefact::Drop && (kind == MeniscusArtefact::Spike || alike);
        return kind != MeniscusArtefact::Spike && alike;
    };
    std::vector<Artefact> out;
    for (size_t i = 0; i < e.size();) {
        Artefact a;
        if (i + 1 < e.size() && pair(e[i], e[i + 1]) && PeakOf(grid, y, e[i], e[i + 1], a)) {
            out.push_back(a);
            i += 2;
            continue;
        }
        size_t next = i + 1;
        out.push_back(StepOf(grid, y, e, i, next));
        i = next;
    }
    return out;
}

// Whether the signal between artefacts a and b (a inward) changes with time, as the solution just
// after the meniscus does and air does not: the median there, less that of the signal just before
// a, differs in some scan from its median over the scans by more than GapChangeSnr noise SDs (the
// solution near the meniscus clears in the first scans). A fringe jump at the meniscus moves air
// and air alike. A gap too narrow to hold three points does not change.
bool GapChanges(
    const Grid& grid, const std::vector<std::vector<double>>& rows, const Artefact& a, const Artefact& b, double noise)
{
    // Clear of the flanks, where scans moved onto the common grid differ.
    const double from = a.high + grid.gap, to = b.low - grid.gap;
    const double refFrom = a.low - 3 * grid.levelFar, refTo = a.low - grid.levelFar;
    const auto [first, last] = Span(grid, from, to);
    const auto [refFirst, refLast] = Span(grid, refFrom, refTo);
    if (last < first + 3)
        return false;
    const bool referenced = refLast >= refFirst + 3;
    std::vector<double> g;
    for (const auto& y : rows)
        g.push_back(WindowMedian(grid, y, from, to) - (referenced ? WindowMedian(grid, y, refFrom, refTo) : 0));
    std::vector<double> sorted = g;
    const double middle = Median(sorted);
    double change = 0;
    for (const double x : g)
        change = std::max(change, std::isfinite(x) ? std::fabs(x - middle) : 0);
    // The SD of a median is about 1.25 times that of a mean.
    const double sd = 1.25 * noise
        * std::sqrt(
            1 / static_cast<double>(last - first) + (referenced ? 1 / static_cast<double>(refLast - refFirst) : 0));
    return change > GapChangeSnr * sd;
}

// Of rival artefacts, the one the boundaries leave: going outward from the innermost, the next is
// taken while the signal between the two does not change with time (air lies between them); the
// first with solution after it is the meniscus. Of two close drops at an interference meniscus, the
// reference sector's (filled fuller, so inward) is passed over this way.
Artefact Leaving(const Grid& grid, const std::vector<std::vector<double>>& rows, std::vector<Artefact> rivals)
{
    std::sort(rivals.begin(), rivals.end(), [](const Artefact& a, const Artefact& b) { return a.radius < b.radius; });
    const double noise = PointNoise(rows);
    size_t k = 0;
    while (k + 1 < rivals.size() && !GapChanges(grid, rows, rivals[k], rivals[k + 1], noise))
        ++k;
    return rivals[k];
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

// Whether the artefact is of a shape looked for and within the radii searched. A step needs two
// scans: in one, nothing tells it from a steep boundary.
bool Wanted(const Artefact& a, const MeniscusSearch& s, size_t scans)
{
    if (a.radius < s.from || a.radius > s.to)
        return false;
    if (a.shape == MeniscusShape::Spike)
        return s.kind != MeniscusArtefact::Drop;
    if (a.shape == MeniscusShape::Drop)
        return s.kind != MeniscusArtefact::Spike;
    return scans > 1;
}

std::string NothingFound(const MeniscusSearch& s, size_t scans, int32_t moving)
{
    std::string what = s.kind == MeniscusArtefact::Spike ? "spike"
        : s.kind == MeniscusArtefact::Drop               ? "drop"
                                                         : "spike or drop";
    if (scans > 1)
        what = (s.kind == MeniscusArtefact::Either ? "spike, drop" : what) + " or step";
    std::string why = "no " + what + " stands out of the noise in the first "
        + (scans == 1 ? std::string("scan") : std::to_string(scans) + " scans") + " (none reaches "
        + std::to_string(static_cast<int>(s.minimumSignalToNoise)) + " noise SDs";
    if (moving > 0)
        why += std::string(" and stays put: ") + (moving == 1 ? "the edge that does moves" : "the edges that do move")
            + " from scan to scan, as boundaries do";
    return why + ")";
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
    const Grid grid = GridOf(used.front()->radii);
    std::vector<std::vector<double>> signal;
    double low = Inf, high = -Inf;
    for (const MeniscusScan* scan : used) {
        signal.push_back(OnGrid(*scan, grid.radii));
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

    const std::vector<double> y = PointwiseMedian(signal, grid.size());
    std::vector<double> d(grid.size());
    for (size_t i = 0; i < grid.size(); ++i)
        d[i] = EdgeAt(grid, y, i);
    int32_t moving = 0;
    std::vector<Artefact> candidates;
    for (const Artefact& a : Artefacts(grid, y, SharpEdges(grid, d, signal, s, high - low, moving), s.kind))
        if (Wanted(a, s, used.size()))
            candidates.push_back(a);
    if (candidates.empty()) {
        f.WhyNot = NothingFound(s, used.size(), moving);
        return f;
    }

    // Rivals: the artefacts nearly as sharp as the sharpest; with several scans, the one the
    // boundaries leave.
    const double sharpest
        = std::max_element(candidates.begin(), candidates.end(), [](const Artefact& a, const Artefact& b) {
              return a.snr < b.snr;
          })->snr;
    std::vector<Artefact> rivals;
    for (const Artefact& c : candidates) {
        if (c.snr >= RivalShare * sharpest && (used.size() > 1 || c.snr == sharpest))
            rivals.push_back(c);
    }
    const Artefact best = Leaving(grid, signal, rivals);
    f.Found = true;
    f.Radius = best.radius;
    f.Shape = best.shape;
    f.Height = best.height;
    f.AfterStep = best.afterStep;
    f.SignalToNoise = best.snr;
    return f;
}

} // namespace morvane
