#include "cs/Nnls.h"

#include <algorithm>
#include <cmath>

namespace morvane::cs {

namespace {

// Solves A_PP z = b_P for the passive indices `p` by Cholesky; the ridge is added to the diagonal.
// False when the block is not positive definite even so.
bool SolvePassive(const std::vector<double>& a, const std::vector<double>& b, int32_t n,
    const std::vector<int32_t>& p, double ridge, std::vector<double>& l, std::vector<double>& z)
{
    const size_t m = p.size();
    l.assign(m * m, 0);
    for (size_t i = 0; i < m; ++i) {
        for (size_t j = 0; j <= i; ++j) {
            double sum = a[static_cast<size_t>(p[i]) * static_cast<size_t>(n) + static_cast<size_t>(p[j])];
            if (i == j)
                sum += ridge;
            for (size_t k = 0; k < j; ++k)
                sum -= l[i * m + k] * l[j * m + k];
            if (i == j) {
                if (!(sum > 0))
                    return false;
                l[i * m + i] = std::sqrt(sum);
            } else {
                l[i * m + j] = sum / l[j * m + j];
            }
        }
    }
    z.assign(m, 0);
    for (size_t i = 0; i < m; ++i) {
        double sum = b[static_cast<size_t>(p[i])];
        for (size_t k = 0; k < i; ++k)
            sum -= l[i * m + k] * z[k];
        z[i] = sum / l[i * m + i];
    }
    for (size_t i = m; i-- > 0;) {
        double sum = z[i];
        for (size_t k = i + 1; k < m; ++k)
            sum -= l[k * m + i] * z[k];
        z[i] = sum / l[i * m + i];
    }
    return true;
}

class Solver {
public:
    Solver(const std::vector<double>& a, const std::vector<double>& b, int32_t n)
        : a_(a)
        , b_(b)
        , n_(n)
        , passive_(static_cast<size_t>(n), false)
        , c_(static_cast<size_t>(n), 0)
    {
        double top = 0;
        for (int32_t i = 0; i < n; ++i)
            top = std::max(top, a[static_cast<size_t>(i) * static_cast<size_t>(n) + static_cast<size_t>(i)]);
        ridge_ = 1e-12 * top;
    }

    // z on the passive set, zero elsewhere; false when even the ridge leaves it singular.
    bool Solve(std::vector<double>& z)
    {
        std::vector<int32_t> p;
        for (int32_t i = 0; i < n_; ++i)
            if (passive_[static_cast<size_t>(i)])
                p.push_back(i);
        std::vector<double> zp;
        if (!SolvePassive(a_, b_, n_, p, ridge_, l_, zp) && !SolvePassive(a_, b_, n_, p, ridge_ * 1e6, l_, zp))
            return false;
        z.assign(static_cast<size_t>(n_), 0);
        for (size_t k = 0; k < p.size(); ++k)
            z[static_cast<size_t>(p[k])] = zp[k];
        return true;
    }

    // Lawson and Hanson's inner loop: from the feasible c_ towards the passive-set solution, moving
    // indices that would turn negative back to the active set.
    bool MakeFeasible()
    {
        std::vector<double> z;
        for (int32_t guard = 0; guard <= n_; ++guard) {
            if (!Solve(z))
                return false;
            double step = 1;
            int32_t leaving = -1;
            for (int32_t i = 0; i < n_; ++i) {
                const auto u = static_cast<size_t>(i);
                if (passive_[u] && z[u] <= 0) {
                    const double denom = c_[u] - z[u];
                    const double t = denom > 0 ? c_[u] / denom : 0.0;
                    if (leaving < 0 || t < step) {
                        step = t;
                        leaving = i;
                    }
                }
            }
            if (leaving < 0) {
                c_ = z;
                return true;
            }
            for (int32_t i = 0; i < n_; ++i) {
                const auto u = static_cast<size_t>(i);
                if (!passive_[u])
                    continue;
                c_[u] += step * (z[u] - c_[u]);
                if (i == leaving || c_[u] <= 0) {
                    c_[u] = 0;
                    passive_[u] = false;
                }
            }
        }
        return false;
    }

    NnlsResult Run(const std::vector<double>* start)
    {
        NnlsResult r;
        if (start) {
            for (int32_t i = 0; i < n_; ++i)
                passive_[static_cast<size_t>(i)] = (*start)[static_cast<size_t>(i)] > 0;
            // From c = 0 every passive index with z <= 0 leaves at once: a feasible start.
            if (!MakeFeasible()) {
                std::fill(passive_.begin(), passive_.end(), false);
                std::fill(c_.begin(), c_.end(), 0.0);
            }
        }
        double scale = 0;
        for (double x : b_)
            scale = std::max(scale, std::fabs(x));
        const double tolerance = 1e-11 * scale;
        const int32_t limit = 3 * n_ + 10;
        for (; r.iterations < limit; ++r.iterations) {
            // The gradient w = b - A c; its largest component among the active indices enters.
            int32_t best = -1;
            double bestW = tolerance;
            for (int32_t j = 0; j < n_; ++j) {
                const auto u = static_cast<size_t>(j);
                if (passive_[u])
                    continue;
                double w = b_[u];
                const double* row = a_.data() + u * static_cast<size_t>(n_);
                for (int32_t k = 0; k < n_; ++k)
                    w -= row[k] * c_[static_cast<size_t>(k)];
                if (w > bestW) {
                    bestW = w;
                    best = j;
                }
            }
            if (best < 0) {
                r.converged = true;
                break;
            }
            passive_[static_cast<size_t>(best)] = true;
            if (!MakeFeasible()) {
                passive_[static_cast<size_t>(best)] = false;
                r.converged = true; // the entering column is dependent on the passive ones: nothing more to gain
                break;
            }
            if (!passive_[static_cast<size_t>(best)]) {
                // Entered and left at once: rounding; stop rather than cycle.
                r.converged = true;
                break;
            }
        }
        r.c = c_;
        return r;
    }

private:
    const std::vector<double>& a_;
    const std::vector<double>& b_;
    int32_t n_;
    std::vector<bool> passive_;
    std::vector<double> c_, l_;
    double ridge_ = 0;
};

} // namespace

NnlsResult SolveNnls(const std::vector<double>& a, const std::vector<double>& b, int32_t n,
    const std::vector<double>* start)
{
    if (n <= 0)
        return { {}, 0, true };
    Solver solver(a, b, n);
    return solver.Run(start && start->size() == static_cast<size_t>(n) ? start : nullptr);
}

double SquaredResidual(const std::vector<double>& a, const std::vector<double>& b, double yy,
    const std::vector<double>& c)
{
    const size_t n = c.size();
    double q = yy;
    for (size_t i = 0; i < n; ++i) {
        if (c[i] == 0)
            continue;
        double row = 0;
        for (size_t k = 0; k < n; ++k)
            row += a[i * n + k] * c[k];
        q += c[i] * (row - 2 * b[i]);
    }
    return q;
}

} // namespace morvane::cs
