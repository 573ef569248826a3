#include "species/ConvergenceMeasures.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "analysis/ChannelDataStore.h"
#include "species/SpeciesUnits.h"
#include "species/StartingGuess.h"

namespace morvane {

namespace {

using speciesunits::NaN;
using speciesunits::Svedberg;
// The peak is sought where s* g(s*) reaches this fraction of its maximum: g(s*) = y / s* lifts
// the noise next to the meniscus, where s* is small, above the peak otherwise.
constexpr double PeakRegion = 0.2;
// The top of a peak whose position is fitted: where g(s*) exceeds this fraction of its highest value.
constexpr double TopRegion = 0.5;

// Solves the 3 x 3 system m (columns 0-2) x = m (column 3) by Gaussian elimination with partial
// pivoting; b and c are x[1] and x[2]. False when it is singular.
bool SolveThree(double m[3][4], double& b, double& c)
{
    for (int32_t col = 0; col < 3; ++col) {
        int32_t pivot = col;
        for (int32_t r = col + 1; r < 3; ++r)
            if (std::fabs(m[r][col]) > std::fabs(m[pivot][col]))
                pivot = r;
        if (!(std::fabs(m[pivot][col]) > 0))
            return false;
        for (int32_t j = 0; j < 4; ++j)
            std::swap(m[col][j], m[pivot][j]);
        for (int32_t r = col + 1; r < 3; ++r) {
            const double f = m[r][col] / m[col][col];
            for (int32_t j = col; j < 4; ++j)
                m[r][j] -= f * m[col][j];
        }
    }
    c = m[2][3] / m[2][2];
    b = (m[1][3] - m[1][2] * c) / m[1][1];
    return std::isfinite(b) && std::isfinite(c);
}

// exp(x) of every point of the store's ln s grid, made once per grid: the measures of every set of
// a run read them again and again, and the exponentials were most of the time of a series.
const std::vector<double>& ExpOfGrid(const ChannelDataStore& store)
{
    thread_local std::vector<double> grid, exps;
    const size_t n = static_cast<size_t>(std::max(store.GetNumberOfPoints(), 0));
    bool same = grid.size() == n;
    for (size_t i = 0; same && i < n; ++i)
        same = grid[i] == store.GetX(static_cast<int32_t>(i));
    if (!same) {
        grid.resize(n);
        exps.resize(n);
        for (size_t i = 0; i < n; ++i) {
            grid[i] = store.GetX(static_cast<int32_t>(i));
            exps[i] = std::exp(grid[i]);
        }
    }
    return exps;
}

double SStarAt(const std::vector<double>& exps, int32_t i) { return exps[static_cast<size_t>(i)] / Svedberg; }

bool Holds(const ChannelDataStore& store, const std::vector<double>& exps, int32_t k, int32_t i, double minSStar)
{
    return store.GetE(k, i) >= 0 && SStarAt(exps, i) >= minSStar;
}

// The points above minSStar that hold data in both sets, in grid order.
std::vector<int32_t> CommonPoints(const ChannelDataStore& store, int32_t a, int32_t b, double minSStar)
{
    const std::vector<double>& exps = ExpOfGrid(store);
    std::vector<int32_t> points;
    for (int32_t i = 0; i < store.GetNumberOfPoints(); ++i)
        if (Holds(store, exps, a, i, minSStar) && Holds(store, exps, b, i, minSStar))
            points.push_back(i);
    return points;
}

// The values blurred by a Gaussian of `width` grid points (each value the weighted mean of the
// values within three widths); `gain` is the factor by which the blur scales independent point
// noise, sqrt(sum of the squared weights) at mid-range.
std::vector<double> Blurred(const std::vector<double>& values, double width, double& gain)
{
    const int32_t n = static_cast<int32_t>(values.size());
    const int32_t reach = std::max(1, static_cast<int32_t>(std::ceil(3 * width)));
    std::vector<double> weight(static_cast<size_t>(reach + 1));
    double total = 0, squares = 0;
    for (int32_t d = 0; d <= reach; ++d) {
        weight[static_cast<size_t>(d)] = width > 0 ? std::exp(-0.5 * d * d / (width * width)) : (d == 0 ? 1.0 : 0.0);
        total += (d == 0 ? 1 : 2) * weight[static_cast<size_t>(d)];
    }
    for (int32_t d = 0; d <= reach; ++d)
        squares += (d == 0 ? 1 : 2) * std::pow(weight[static_cast<size_t>(d)] / total, 2);
    gain = std::sqrt(squares);
    std::vector<double> out(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        double sum = 0, weights = 0;
        for (int32_t j = std::max(0, i - reach); j <= std::min(n - 1, i + reach); ++j) {
            const double w = weight[static_cast<size_t>(std::abs(i - j))];
            sum += w * values[static_cast<size_t>(j)];
            weights += w;
        }
        out[static_cast<size_t>(i)] = sum / weights;
    }
    return out;
}

// The level of the values outside from ... to, where the set holds no material: the median, so
// that an offset that lifts the whole set (the scans' offsets on interference channels) is taken
// off; 0 where fewer than BaselinePoints lie outside.
double BaselineOf(const std::vector<double>& values, size_t from, size_t to)
{
    constexpr size_t BaselinePoints = 8;
    std::vector<double> outside(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(from));
    outside.insert(outside.end(), values.begin() + static_cast<std::ptrdiff_t>(to + 1), values.end());
    if (outside.size() < BaselinePoints)
        return 0;
    const auto middle = outside.begin() + static_cast<std::ptrdiff_t>(outside.size() / 2);
    std::nth_element(outside.begin(), middle, outside.end());
    return *middle;
}

} // namespace

double PeakOf(const ChannelDataStore& store, int32_t k, double minSStar)
{
    const int32_t n = store.GetNumberOfPoints();
    const double* y = store.GetSetY(k);
    const std::vector<double>& exps = ExpOfGrid(store);
    double top = 0;
    for (int32_t i = 0; i < n; ++i)
        if (Holds(store, exps, k, i, minSStar))
            top = std::max(top, y[i]);
    int32_t best = -1;
    auto g = [&](int32_t i) { return y[i] / exps[static_cast<size_t>(i)]; };
    for (int32_t i = 0; i < n; ++i)
        if (Holds(store, exps, k, i, minSStar) && y[i] >= PeakRegion * top && (best < 0 || g(i) > g(best)))
            best = i;
    if (best < 0 || !(top > 0))
        return NaN;
    // The top of the peak, where g reaches TopRegion of its highest value, as a Gaussian: a
    // parabola in ln g against ln s* by least squares (R. A. Caruana, R. B. Searle, T. Heller and
    // S. I. Shupack, Anal. Chem. 58, 1162, 1986). Each point weighs by how far it stands above
    // that level, so a point enters and leaves the fit smoothly from set to set, and the noise of
    // single points, which moves a three-point vertex by up to 1 %, is averaged.
    const double level = TopRegion * g(best);
    int32_t from = best, to = best;
    while (from > 0 && Holds(store, exps, k, from - 1, minSStar) && g(from - 1) > level)
        --from;
    while (to + 1 < n && Holds(store, exps, k, to + 1, minSStar) && g(to + 1) > level)
        ++to;
    double m[3][4] = {};
    for (int32_t i = from; i <= to; ++i) {
        const double u = store.GetX(i) - store.GetX(best), w = g(i) / g(best) - TopRegion;
        const double powers[5] = { 1, u, u * u, u * u * u, u * u * u * u };
        for (int32_t r = 0; r < 3; ++r) {
            for (int32_t c = 0; c < 3; ++c)
                m[r][c] += w * powers[r + c];
            m[r][3] += w * powers[r] * std::log(g(i));
        }
    }
    double x = store.GetX(best);
    double b = 0, c = 0;
    if (to - from >= 2 && SolveThree(m, b, c) && c < 0)
        x += std::clamp(-b / (2 * c), store.GetX(from) - x, store.GetX(to) - x);
    return std::exp(x) / Svedberg;
}

double MeniscusLevelOf(const ChannelDataStore& store, int32_t k, double minSStar)
{
    const std::vector<double>& exps = ExpOfGrid(store);
    double top = 0, sum = 0;
    int32_t count = 0;
    for (int32_t i = 0; i < store.GetNumberOfPoints(); ++i) {
        if (!Holds(store, exps, k, i, minSStar))
            continue;
        const double y = store.GetY(k, i);
        top = std::max(top, y);
        if (SStarAt(exps, i) <= 1.25 * minSStar) {
            sum += y;
            ++count;
        }
    }
    return count > 0 && top > 0 ? std::max(sum / count, 0.0) / top : NaN;
}

double PointNoiseOf(const ChannelDataStore& store, int32_t k, double minSStar)
{
    const std::vector<double>& exps = ExpOfGrid(store);
    std::vector<double> y;
    for (int32_t i = 0; i < store.GetNumberOfPoints(); ++i)
        if (Holds(store, exps, k, i, minSStar))
            y.push_back(store.GetY(k, i));
    if (y.size() < 3)
        return NaN;
    // y_i - (y_i-1 + y_i+1) / 2 has the variance 1.5 sigma^2 for independent noise.
    std::vector<double> residual(y.size() - 2);
    for (size_t i = 1; i + 1 < y.size(); ++i)
        residual[i - 1] = std::fabs(y[i] - 0.5 * (y[i - 1] + y[i + 1])) / std::sqrt(1.5);
    const auto middle = residual.begin() + static_cast<std::ptrdiff_t>(residual.size() / 2);
    std::nth_element(residual.begin(), middle, residual.end());
    return 1.4826 * *middle;
}

int32_t PeaksShownBy(const ChannelDataStore& store, int32_t k, double minSStar)
{
    const std::vector<double>& exps = ExpOfGrid(store);
    std::vector<double> sStar, y;
    for (int32_t i = 0; i < store.GetNumberOfPoints(); ++i)
        if (Holds(store, exps, k, i, minSStar)) {
            sStar.push_back(SStarAt(exps, i));
            y.push_back(store.GetY(k, i));
        }
    std::string why;
    return static_cast<int32_t>(FindPeaks(sStar, y, why).size());
}

double ShapeChangeOf(const ChannelDataStore& store, int32_t newer, int32_t older, double minSStar)
{
    const std::vector<int32_t> points = CommonPoints(store, newer, older, minSStar);
    if (points.size() < 3)
        return NaN;
    const std::vector<double>& exps = ExpOfGrid(store);
    std::vector<double> sStar, y, olderY;
    for (int32_t i : points) {
        sStar.push_back(SStarAt(exps, i));
        y.push_back(store.GetY(newer, i));
        olderY.push_back(store.GetY(older, i));
    }
    std::string why;
    const std::vector<PeakGuess> peaks = FindPeaks(sStar, y, why);
    const double step = store.GetX(1) - store.GetX(0);
    if (peaks.empty() || !(step > 0))
        return NaN;
    // At most as wide as the range, which bounds the blur's cost for the broad peaks of early sets.
    const double width = std::min(peaks.front().Sigma / peaks.front().SStar / step, static_cast<double>(points.size()));
    if (!(width > 0))
        return NaN;
    double gainNewer = 0, gainOlder = 0;
    const std::vector<double> a = Blurred(y, width, gainNewer);
    const std::vector<double> b = Blurred(olderY, width, gainOlder);
    const double levelA = std::max(ShapeNoiseMultiple * gainNewer * PointNoiseOf(store, newer, minSStar),
        ShapeLevelFraction * *std::max_element(a.begin(), a.end()));
    const double levelB = std::max(ShapeNoiseMultiple * gainOlder * PointNoiseOf(store, older, minSStar),
        ShapeLevelFraction * *std::max_element(b.begin(), b.end()));
    size_t from = a.size(), to = 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] > levelA || b[i] > levelB) {
            from = std::min(from, i);
            to = i;
        }
    if (from >= a.size())
        return NaN;
    // A peak that rises just above the level is taken with its flanks, one blur width beyond; the
    // offsets the level keeps out are taken off the whole set by its baseline.
    const size_t flank = static_cast<size_t>(std::ceil(ShapeFlankWidths * width));
    from = from > flank ? from - flank : 0;
    to = std::min(a.size() - 1, to + flank);
    const double baseA = BaselineOf(a, from, to), baseB = BaselineOf(b, from, to);
    double sumA = 0, sumB = 0;
    for (size_t i = from; i <= to; ++i) {
        sumA += a[i] - baseA;
        sumB += b[i] - baseB;
    }
    if (!(sumA > 0) || !(sumB > 0))
        return NaN;
    double runA = 0, runB = 0, worst = 0;
    for (size_t i = from; i <= to; ++i) {
        runA += a[i] - baseA;
        runB += b[i] - baseB;
        worst = std::max(worst, std::fabs(runA / sumA - runB / sumB));
    }
    return worst;
}

} // namespace morvane
