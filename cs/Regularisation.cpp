#include "cs/Regularisation.h"

#include <algorithm>
#include <cmath>

#include "cs/Nnls.h"

namespace morvane::cs {

std::vector<double> SecondDerivativePenalty(int32_t n)
{
    const auto m = static_cast<size_t>(std::max(n, 0));
    std::vector<double> p(m * m, 0);
    // Row k of L has 1, -2, 1 at k - 1, k, k + 1 (those inside the grid): P += l_k^T l_k.
    for (size_t k = 0; k < m; ++k) {
        const int64_t idx[3] = { static_cast<int64_t>(k) - 1, static_cast<int64_t>(k), static_cast<int64_t>(k) + 1 };
        const double w[3] = { 1, -2, 1 };
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                if (idx[i] >= 0 && idx[j] >= 0 && idx[i] < static_cast<int64_t>(m) && idx[j] < static_cast<int64_t>(m))
                    p[static_cast<size_t>(idx[i]) * m + static_cast<size_t>(idx[j])] += w[i] * w[j];
    }
    return p;
}

double NormalQuantile(double p)
{
    if (!(p > 0 && p < 1))
        return std::nan("");
    double lo = -40, hi = 40;
    for (int i = 0; i < 200 && hi - lo > 1e-15; ++i) {
        const double mid = 0.5 * (lo + hi);
        (0.5 * std::erfc(-mid / std::sqrt(2.0)) < p ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

double FQuantile(double p, double df1, double df2)
{
    // Paulson: ((1 - b) y - (1 - a)) / sqrt(b y^2 + a) is standard normal for y = F^(1/3),
    // a = 2 / (9 df1), b = 2 / (9 df2); solved for y at the normal quantile z.
    const double z = NormalQuantile(p);
    const double a = 2 / (9 * df1), b = 2 / (9 * df2);
    const double denom = (1 - b) * (1 - b) - z * z * b;
    const double root = a * (1 - b) * (1 - b) + b * (1 - a) * (1 - a) - z * z * a * b;
    if (!(denom > 0) || !(root >= 0))
        return std::nan("");
    const double y = ((1 - a) * (1 - b) + z * std::sqrt(root)) / denom;
    return y * y * y;
}

RegularisedFit RegulariseAtConfidence(const std::vector<double>& a, const std::vector<double>& b, double yy,
    int32_t n, double dof, double confidence)
{
    RegularisedFit fit;
    NnlsResult best = SolveNnls(a, b, n);
    fit.solves = 1;
    fit.c = best.c;
    fit.chi2Best = fit.chi2 = SquaredResidual(a, b, yy, best.c);
    if (!(confidence > 0.5) || !(fit.chi2Best > 0) || n < 3)
        return fit;
    fit.ratioAllowed = FQuantile(confidence, dof, dof);
    const double target = fit.chi2Best * fit.ratioAllowed;
    const std::vector<double> penalty = SecondDerivativePenalty(n);
    double traceA = 0, traceP = 0;
    for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
        traceA += a[i * static_cast<size_t>(n) + i];
        traceP += penalty[i * static_cast<size_t>(n) + i];
    }
    const double unit = traceA / traceP;
    std::vector<double> regularised(a.size());
    auto solve = [&](double alpha, std::vector<double>& c) {
        for (size_t i = 0; i < a.size(); ++i)
            regularised[i] = a[i] + alpha * unit * penalty[i];
        c = SolveNnls(regularised, b, n, &c).c;
        ++fit.solves;
        return SquaredResidual(a, b, yy, c);
    };
    // Bracket the alpha at which chi2 reaches the target between neighbouring decades (chi2 grows
    // with alpha), then bisect in ln alpha.
    double lo = 1e-6, hi = 1e-6;
    std::vector<double> cLo = best.c, cHi = best.c;
    double chiLo = solve(lo, cLo), chiHi = chiLo;
    cHi = cLo;
    if (chiLo > target) {
        while (chiLo > target && lo > 1e-15) {
            hi = lo;
            cHi = cLo;
            lo /= 10;
            chiLo = solve(lo, cLo);
        }
        if (chiLo > target) {
            fit.chi2 = fit.chi2Best;
            return fit; // no regularisation the data allow
        }
    } else {
        while (chiHi <= target && hi < 1e6) {
            lo = hi;
            cLo = cHi;
            chiLo = chiHi;
            hi *= 10;
            chiHi = solve(hi, cHi);
        }
        if (chiHi <= target) {
            fit.c = cHi;
            fit.chi2 = chiHi;
            fit.alpha = hi;
            return fit;
        }
    }
    for (int i = 0; i < 12; ++i) {
        const double mid = std::sqrt(lo * hi);
        std::vector<double> c = cLo;
        const double chi = solve(mid, c);
        if (chi <= target) {
            lo = mid;
            cLo = c;
            chiLo = chi;
        } else {
            hi = mid;
        }
    }
    fit.c = cLo;
    fit.chi2 = chiLo;
    fit.alpha = lo;
    return fit;
}

} // namespace morvane::cs
