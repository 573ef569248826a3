#include "species/CurveNoise.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace morvane {

std::vector<double> SmoothedFivePointsTwice(const std::vector<double>& y)
{
    std::vector<double> out = y;
    const size_t n = y.size();
    for (int pass = 0; pass < 2; ++pass) {
        const std::vector<double> in = out;
        for (size_t i = 0; i < n; ++i) {
            const size_t lo = i >= 2 ? i - 2 : 0, hi = std::min(n - 1, i + 2);
            double sum = 0;
            for (size_t j = lo; j <= hi; ++j)
                sum += in[j];
            out[i] = sum / static_cast<double>(hi - lo + 1);
        }
    }
    return out;
}

double PointNoiseAbout(const std::vector<double>& y, const std::vector<double>& smooth)
{
    std::vector<double> d(y.size());
    for (size_t i = 0; i < y.size(); ++i)
        d[i] = std::fabs(y[i] - smooth[i]);
    if (d.empty())
        return 0;
    std::nth_element(d.begin(), d.begin() + static_cast<std::ptrdiff_t>(d.size() / 2), d.end());
    return 1.4826 * d[d.size() / 2];
}

} // namespace morvane
