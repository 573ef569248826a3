#include "species/SetCoverage.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "realtime/RealTimeGofS.h"
#include "species/CurveNoise.h"

namespace morvane {

namespace {

using speciesunits::NaN;
using speciesunits::Svedberg;

// The beyond material must reach this share to count without a peak of its own, and this share
// with one (below it, one species in a hundred is not worth a note).
constexpr double ShareAlone = 0.05;
constexpr double ShareWithPeak = 0.01;
// A peak of its own: it rises this much above the curve at SStarHigh and stands this many times
// the point noise above nothing.
constexpr double PeakRise = 1.25;
constexpr double PeakNoise = 4;

} // namespace

double LargestSStarOfSet(const RealTimeGofS& engine, int32_t set)
{
    if (!engine.GofsStore || set < 0 || set >= engine.GofsStore->GetNumberOfSets())
        return NaN;
    const ScanHeader& h = engine.GofsStore->Headers[static_cast<size_t>(set)];
    const double omega2t = RealTimeGofS::OmegaSquared(h.Rpm) * h.Time;
    if (!(engine.Cell.Meniscus > 0) || !(engine.Cell.Bottom > engine.Cell.Meniscus) || !(omega2t > 0))
        return NaN;
    return std::log(engine.Cell.Bottom / engine.Cell.Meniscus) / omega2t / Svedberg;
}

SetCoverage CoverageOfSet(const RealTimeGofS& engine, int32_t set, double minSStar)
{
    SetCoverage c;
    c.SStarHigh = LargestSStarOfSet(engine, set);
    if (!std::isfinite(c.SStarHigh) || engine.CompositeEmpty)
        return c;
    // The composite's points that hold data, as s* g(s*) against ln s: the area of each is its
    // value times its step in ln s (g ds = s g d ln s).
    const size_t n = std::min(engine.CompositeX.size(), static_cast<size_t>(engine.GofsStore->GetNumberOfPoints()));
    std::vector<double> s, y, dx;
    double inside = 0;
    for (size_t i = 1; i < n; ++i) {
        if (!(engine.CompositeE[i] >= 0) || !std::isfinite(engine.CompositeY[i]))
            continue;
        const double sStar = std::exp(engine.CompositeX[i]) / Svedberg;
        const double step = engine.CompositeX[i] - engine.CompositeX[i - 1];
        if (sStar > c.SStarHigh) {
            s.push_back(sStar);
            y.push_back(engine.CompositeY[i]);
            dx.push_back(step);
        } else if (sStar >= minSStar) {
            inside += engine.CompositeY[i] * step;
        }
    }
    if (s.size() < 5 || !(inside > 0))
        return c;
    double beyond = 0;
    for (size_t i = 0; i < s.size(); ++i)
        beyond += y[i] * dx[i];
    c.BeyondShare = std::max(beyond, 0.0) / (inside + std::max(beyond, 0.0));
    const std::vector<double> smooth = SmoothedFivePointsTwice(y);
    const size_t peak = static_cast<size_t>(std::max_element(smooth.begin(), smooth.end()) - smooth.begin());
    c.BeyondPeakSStar = s[peak];
    size_t top = peak;
    while (top + 1 < s.size() && smooth[top] > 0.2 * smooth[peak])
        ++top;
    c.BeyondTopSStar = s[top];
    const bool ownPeak = peak > 2 && smooth[peak] > PeakRise * std::max(smooth.front(), 0.0)
        && smooth[peak] > PeakNoise * PointNoiseAbout(y, smooth);
    c.MaterialBeyond = c.BeyondShare >= ShareAlone || (ownPeak && c.BeyondShare >= ShareWithPeak);
    if (!c.MaterialBeyond)
        return c;
    for (int32_t k = set; k-- > 0;) {
        if (LargestSStarOfSet(engine, k) >= c.BeyondTopSStar) {
            c.HoldingSet = k;
            break;
        }
    }
    return c;
}

} // namespace morvane
