#include "cs/CsPeaks.h"

#include <algorithm>

#include "cs/Hydrodynamics.h"
#include "species/Svedberg.h"

namespace morvane::cs {

namespace {

constexpr double DeepValley = 0.5; // a minimum below this share of the lower maximum beside it splits
constexpr double SmallestPeak = 0.002; // of the whole signal

// Splits [from, to) at its deepest valley when that is deep enough, recursively.
void Split(const std::vector<double>& c, size_t from, size_t to, std::vector<std::pair<size_t, size_t>>& out)
{
    // The highest point, the deepest valley between it and the highest point on either side.
    const size_t top = static_cast<size_t>(std::max_element(c.begin() + static_cast<long>(from), c.begin() + static_cast<long>(to)) - c.begin());
    size_t cut = to;
    double best = 1;
    for (int side = 0; side < 2; ++side) {
        const size_t a = side == 0 ? from : top + 1;
        const size_t b = side == 0 ? top : to;
        if (a >= b)
            continue;
        const size_t other = static_cast<size_t>(std::max_element(c.begin() + static_cast<long>(a), c.begin() + static_cast<long>(b)) - c.begin());
        const size_t lo = std::min(top, other), hi = std::max(top, other);
        if (hi - lo < 2)
            continue;
        const size_t valley = static_cast<size_t>(std::min_element(c.begin() + static_cast<long>(lo), c.begin() + static_cast<long>(hi)) - c.begin());
        const double depth = c[valley] / std::min(c[top], c[other]);
        if (depth < DeepValley && depth < best) {
            best = depth;
            cut = valley;
        }
    }
    if (cut == to) {
        out.emplace_back(from, to);
        return;
    }
    Split(c, from, cut, out);
    Split(c, cut, to, out);
}

} // namespace

std::vector<CsPeak> FindPeaks(const std::vector<double>& s, const std::vector<double>& amount, double ratio,
    double temperatureC, const SolventConditions& solvent)
{
    std::vector<CsPeak> peaks;
    const size_t n = std::min(s.size(), amount.size());
    double total = 0;
    for (size_t k = 0; k < n; ++k)
        total += std::max(amount[k], 0.0);
    if (!(total > 0))
        return peaks;
    std::vector<std::pair<size_t, size_t>> ranges;
    for (size_t k = 0; k < n;) {
        if (!(amount[k] > 0)) {
            ++k;
            continue;
        }
        size_t end = k;
        while (end < n && amount[end] > 0)
            ++end;
        Split(amount, k, end, ranges);
        k = end;
    }
    const double s20wFactor = S20wFactor(solvent);
    for (const auto& [from, to] : ranges) {
        double sum = 0, moment = 0;
        for (size_t k = from; k < to; ++k) {
            sum += amount[k];
            moment += amount[k] * s[k];
        }
        if (sum / total < SmallestPeak)
            continue;
        CsPeak p;
        p.s = moment / sum;
        p.s20w = p.s * s20wFactor;
        p.fraction = sum / total;
        p.molarMass = MolarMassOf(p.s * 1e-13, ratio, temperatureC, solvent);
        p.sLow = s[from];
        p.sHigh = s[to - 1];
        peaks.push_back(p);
    }
    return peaks;
}

double ChartEndS(const std::vector<double>& s, const std::vector<double>& amount)
{
    if (s.empty() || amount.size() != s.size())
        return 1;
    double total = 0;
    for (double c : amount)
        total += std::max(c, 0.0);
    double sum = 0, at = s.back();
    for (size_t k = 0; k < s.size(); ++k) {
        sum += std::max(amount[k], 0.0);
        if (sum >= 0.995 * total) {
            at = s[k];
            break;
        }
    }
    const double step = s.size() > 1 ? s[1] - s[0] : 1;
    return std::min(s.back(), 1.25 * at + 3 * step);
}

} // namespace morvane::cs
