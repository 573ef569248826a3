#include "realtime/CompositeCurves.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "realtime/RealTimeGofS.h"

namespace morvane {

double CompositeCo(const double* x, const double* y, const double* e, int32_t n)
{
    std::vector<double> xs, ys;
    for (int32_t i = 0; i < n; ++i) {
        if (e[i] >= 0) {
            xs.push_back(x[i]);
            ys.push_back(y[i]);
        }
    }
    const size_t m = xs.size();
    if (m < 3)
        return std::numeric_limits<double>::quiet_NaN();
    double co = 0.5 * ys[0] * (xs[1] - xs[0]);
    for (size_t k = 1; k + 3 <= m; ++k)
        co += ys[k] * (xs[k] - xs[k - 1]);
    co += 0.5 * ys[m - 2] * (xs[m - 2] - xs[m - 3]);
    return co;
}

bool HasComposite(const RealTimeGofS& engine)
{
    return engine.GofsStore && engine.GofsStore->GetNumberOfSets() > 0 && !engine.CompositeEmpty;
}

CompositeCurve ComparisonCurve(const RealTimeGofS& engine, bool normalize)
{
    CompositeCurve curve;
    curve.Co = std::numeric_limits<double>::quiet_NaN();
    if (!HasComposite(engine))
        return curve;
    const int32_t n = std::min(engine.GofsStore->GetNumberOfPoints(), engine.CompositeSize());
    const double* x = engine.CompositeX.data();
    const double* y = engine.CompositeY.data();
    const double* e = engine.CompositeE.data();
    if (normalize) {
        curve.Co = CompositeCo(x, y, e, n);
        curve.Normalized = std::isfinite(curve.Co) && curve.Co != 0;
    }
    const double divisor = curve.Normalized ? curve.Co : 1.0;
    for (int32_t i = 0; i < n; ++i) {
        if (!(e[i] >= 0))
            continue;
        const double s = std::exp(x[i]) * 1e13;
        const double v = y[i] / divisor;
        if (!std::isfinite(s) || !std::isfinite(v))
            continue;
        curve.SStar.push_back(s);
        curve.Value.push_back(v);
    }
    return curve;
}

} // namespace morvane
