#include "species/StartingGuess.h"

#include <algorithm>
#include <cmath>

#include "species/CurveNoise.h"

namespace morvane {

namespace {

    constexpr size_t HalfWidth = 2; // of SmoothedFivePointsTwice

    // The peak of the smoothed s* g(s*) values g at point i.
    PeakGuess Describe(const std::vector<double>& s, const std::vector<double>& g, size_t i, double prominence)
    {
        PeakGuess p;
        p.Prominence = prominence;
        // A parabola through the three points around the maximum, in s*.
        p.SStar = s[i];
        if (i > 0 && i + 1 < s.size()) {
            const double a = g[i - 1], b = g[i], c = g[i + 1];
            const double curvature = a - 2 * b + c;
            if (curvature < 0)
                p.SStar = s[i] + std::clamp(0.5 * (a - c) / curvature, -1.0, 1.0) * 0.5 * (s[i + 1] - s[i - 1]);
        }
        const double half = 0.5 * g[i];
        size_t lo = i, hi = i;
        while (lo > 0 && g[lo] > half)
            --lo;
        while (hi + 1 < s.size() && g[hi] > half)
            ++hi;
        const double hwhm = 0.5 * (s[hi] - s[lo]);
        p.Sigma = hwhm > 0 ? hwhm / std::sqrt(2 * std::log(2.0)) : 0.1 * s[i];
        p.Area = g[i] / s[i] * p.Sigma * std::sqrt(2 * M_PI);
        return p;
}

} // namespace

std::vector<PeakGuess> FindPeaks(const std::vector<double>& sStar, const std::vector<double>& y, std::string& why)
{
    const size_t n = std::min(sStar.size(), y.size());
    if (n < 2 * HalfWidth + 3) {
        why = "the curve holds too few points to fit (" + std::to_string(n) + ")";
        return {};
    }
    // Peaks are sought in s* g(s*), whose noise is about even over s*: g(s*) itself magnifies the
    // noise next to the meniscus, where s* is small.
    const std::vector<double> values(y.begin(), y.begin() + static_cast<std::ptrdiff_t>(n));
    const std::vector<double> smooth = SmoothedFivePointsTwice(values);
    const double noise = PointNoiseAbout(values, smooth);
    const double top = *std::max_element(smooth.begin(), smooth.end());
    if (!(top > 0)) {
        why = "the curve shows no peak: g(s*) is nowhere positive";
        return {};
    }
    std::vector<PeakGuess> peaks;
    for (size_t i = 1; i + 1 < n; ++i) {
        if (smooth[i] < smooth[i - 1] || smooth[i] <= smooth[i + 1])
            continue;
        // The valley on each side: the lowest point before the curve rises above this peak.
        double left = smooth[i], right = smooth[i];
        for (size_t j = i; j-- > 0 && smooth[j] <= smooth[i];)
            left = std::min(left, smooth[j]);
        for (size_t j = i + 1; j < n && smooth[j] <= smooth[i]; ++j)
            right = std::min(right, smooth[j]);
        const double prominence = smooth[i] - std::max(left, right);
        if (prominence >= 0.05 * top && prominence > 4 * noise)
            peaks.push_back(Describe(sStar, smooth, i, prominence));
    }
    std::sort(
        peaks.begin(), peaks.end(), [](const PeakGuess& a, const PeakGuess& b) { return a.Prominence > b.Prominence; });
    if (peaks.empty())
        why = "the curve shows no peak that stands out of its noise: it is flat";
    return peaks;
}

PeakGuess LargestResidualPeak(const std::vector<double>& sStar, const std::vector<double>& residuals)
{
    PeakGuess p;
    const size_t n = std::min(sStar.size(), residuals.size());
    if (n < 3)
        return p;
    const std::vector<double> smooth = SmoothedFivePointsTwice(
        std::vector<double>(residuals.begin(), residuals.begin() + static_cast<std::ptrdiff_t>(n)));
    const size_t top = static_cast<size_t>(std::max_element(smooth.begin(), smooth.end()) - smooth.begin());
    if (!(smooth[top] > 0)) {
        p.SStar = sStar[n / 2];
        p.Sigma = 0.1 * p.SStar;
        return p;
    }
    return Describe(sStar, smooth, top, smooth[top]);
}

std::vector<std::vector<PeakGuess>> StartingSets(const std::vector<PeakGuess>& peaks, int32_t n)
{
    std::vector<std::vector<PeakGuess>> sets;
    if (peaks.empty() || n < 1)
        return sets;
    const size_t count = static_cast<size_t>(n);
    auto bySStar = [](std::vector<PeakGuess> v) {
        std::sort(v.begin(), v.end(), [](const PeakGuess& a, const PeakGuess& b) { return a.SStar < b.SStar; });
        return v;
    };
    if (peaks.size() >= count) {
        sets.push_back(bySStar(std::vector<PeakGuess>(peaks.begin(), peaks.begin() + n)));
        return sets;
    }
    const PeakGuess& main = peaks.front();
    const size_t missing = count - peaks.size();
    auto shifted = [&](double factor, double share) {
        PeakGuess p = main;
        p.SStar = main.SStar * factor;
        p.Area = main.Area * share;
        return p;
    };
    // The main peak split into missing + 1 species across its width.
    {
        std::vector<PeakGuess> v(peaks.begin() + 1, peaks.end());
        const double spread = std::min(main.Sigma / main.SStar, 0.3);
        for (size_t k = 0; k <= missing; ++k) {
            const double offset = (static_cast<double>(k) - 0.5 * static_cast<double>(missing)) * spread;
            v.push_back(shifted(1 + offset, 1.0 / static_cast<double>(missing + 1)));
        }
        sets.push_back(bySStar(v));
    }
    // Small species beside the main peak, on its fast and on its slow side.
    for (double direction : { 1.0, -1.0 }) {
        std::vector<PeakGuess> v = peaks;
        for (size_t k = 1; k <= missing; ++k)
            v.push_back(shifted(std::pow(1.5, direction * static_cast<double>(k)), 0.15));
        sets.push_back(bySStar(v));
    }
    return sets;
}

} // namespace morvane
