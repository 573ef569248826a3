#include "species/LevenbergMarquardt.h"

#include <algorithm>
#include <cmath>

namespace morvane {

namespace {

double SumOfSquares(const std::vector<double>& r)
{
    double sum = 0;
    for (double v : r)
        sum += v * v;
    return sum;
}

bool AllFinite(const std::vector<double>& r)
{
    return std::all_of(r.begin(), r.end(), [](double v) { return std::isfinite(v); });
}

double StepOf(double p, double scale, double relative) { return relative * std::max(std::fabs(p), scale); }

// Jacobian (n x m, row by row) by differences: forward during the iterations, central for the
// covariance at the end. A parameter whose neighbour lies outside the model's domain is
// differenced on the other side. False when neither side can be evaluated.
bool Jacobian(const ResidualFunction& f, const std::vector<double>& p, const std::vector<double>& r0,
    const std::vector<double>& scale, bool central, std::vector<double>& jac)
{
    const size_t n = r0.size();
    const size_t m = p.size();
    jac.assign(n * m, 0.0);
    std::vector<double> q = p, up(n), down(n);
    for (size_t j = 0; j < m; ++j) {
        const double h = StepOf(p[j], scale[j], central ? 1e-5 : 1e-7);
        q[j] = p[j] + h;
        const bool haveUp = f(q, up) && AllFinite(up);
        q[j] = p[j] - h;
        const bool haveDown = (central || !haveUp) && f(q, down) && AllFinite(down);
        q[j] = p[j];
        for (size_t i = 0; i < n; ++i) {
            double d;
            if (haveUp && haveDown)
                d = (up[i] - down[i]) / (2 * h);
            else if (haveUp)
                d = (up[i] - r0[i]) / h;
            else if (haveDown)
                d = (r0[i] - down[i]) / h;
            else
                return false;
            jac[i * m + j] = d;
        }
    }
    return true;
}

// J^T J and J^T r.
void NormalEquations(const std::vector<double>& jac, const std::vector<double>& r, size_t m, std::vector<double>& jtj,
    std::vector<double>& jtr)
{
    const size_t n = r.size();
    jtj.assign(m * m, 0.0);
    jtr.assign(m, 0.0);
    for (size_t i = 0; i < n; ++i) {
        const double* row = &jac[i * m];
        for (size_t a = 0; a < m; ++a) {
            jtr[a] += row[a] * r[i];
            for (size_t b = 0; b <= a; ++b)
                jtj[a * m + b] += row[a] * row[b];
        }
    }
    for (size_t a = 0; a < m; ++a)
        for (size_t b = a + 1; b < m; ++b)
            jtj[a * m + b] = jtj[b * m + a];
}

// Whether a fit whose sums of squares so far are `history` cannot reach options.CostToBeat in the
// iterations left: still above it by more than twice what it would gain there at its pace over
// the last PaceWindow iterations. The pace of a crawl along a valley only slows; the factor two
// leaves room for one that quickens.
constexpr size_t PaceWindow = 10;
bool CannotReach(const std::vector<double>& history, const LmOptions& options)
{
    const size_t k = history.size();
    if (!(options.CostToBeat > 0) || k <= PaceWindow)
        return false;
    const double cost = history.back();
    const double pace = (history[k - 1 - PaceWindow] - cost) / PaceWindow;
    const double left = static_cast<double>(options.MaxIterations) - static_cast<double>(k);
    return cost - options.CostToBeat > 2 * pace * left;
}

} // namespace

bool SolveSymmetric(std::vector<double> a, std::vector<double>& b, int32_t n)
{
    const size_t u = static_cast<size_t>(n);
    // Cholesky a = L L^T in the lower triangle; a pivot that is not clearly positive (against the
    // size of its own diagonal entry) means a direction the matrix does not determine.
    for (size_t j = 0; j < u; ++j) {
        const double diagonal = a[j * u + j];
        double d = diagonal;
        for (size_t k = 0; k < j; ++k)
            d -= a[j * u + k] * a[j * u + k];
        if (!(d > 1e-13 * std::fabs(diagonal)) || !std::isfinite(d))
            return false;
        const double l = std::sqrt(d);
        a[j * u + j] = l;
        for (size_t i = j + 1; i < u; ++i) {
            double v = a[i * u + j];
            for (size_t k = 0; k < j; ++k)
                v -= a[i * u + k] * a[j * u + k];
            a[i * u + j] = v / l;
        }
    }
    for (size_t i = 0; i < u; ++i) {
        double v = b[i];
        for (size_t k = 0; k < i; ++k)
            v -= a[i * u + k] * b[k];
        b[i] = v / a[i * u + i];
    }
    for (size_t i = u; i-- > 0;) {
        double v = b[i];
        for (size_t k = i + 1; k < u; ++k)
            v -= a[k * u + i] * b[k];
        b[i] = v / a[i * u + i];
    }
    return true;
}

std::vector<double> InvertSymmetric(const std::vector<double>& a, int32_t n)
{
    const size_t u = static_cast<size_t>(n);
    // Scaled to a unit diagonal first, so parameters of very different sizes do not make the
    // matrix look singular.
    std::vector<double> d(u), c(u * u);
    for (size_t i = 0; i < u; ++i) {
        if (!(a[i * u + i] > 0))
            return {};
        d[i] = 1 / std::sqrt(a[i * u + i]);
    }
    for (size_t i = 0; i < u; ++i)
        for (size_t j = 0; j < u; ++j)
            c[i * u + j] = a[i * u + j] * d[i] * d[j];
    std::vector<double> inverse(u * u);
    for (size_t j = 0; j < u; ++j) {
        std::vector<double> column(u, 0.0);
        column[j] = 1;
        if (!SolveSymmetric(c, column, n))
            return {};
        for (size_t i = 0; i < u; ++i)
            inverse[i * u + j] = column[i] * d[i] * d[j];
    }
    return inverse;
}

LmResult FitLeastSquares(const ResidualFunction& residuals, const std::vector<double>& start,
    const std::vector<double>& scale, int32_t residualCount, const LmOptions& options, const JacobianFunction& jacobian)
{
    LmResult result;
    result.Parameters = start;
    const size_t m = start.size();
    const size_t n = static_cast<size_t>(std::max(residualCount, 0));
    if (m == 0 || n <= m || scale.size() != m) {
        result.Reason = "fewer data points than parameters";
        return result;
    }
    std::vector<double> p = start, r(n);
    if (!residuals(p, r) || !AllFinite(r)) {
        result.Reason = "the model cannot be evaluated at the starting values";
        return result;
    }
    double cost = SumOfSquares(r);
    double lambda = options.Resume ? options.Resume->Lambda : 1e-3;
    std::vector<double> jac, jtj, jtr, trial(m), rTrial(n);
    bool needJacobian = true;
    std::vector<double> history = options.Resume ? options.Resume->History : std::vector<double>();
    const auto cancelled = [&options] { return options.Cancel && options.Cancel->load(std::memory_order_relaxed); };
    for (result.Iterations = options.Resume ? options.Resume->Iterations : 0;
         result.Iterations < options.MaxIterations;) {
        if (cancelled()) {
            result.Reason = "cancelled";
            break;
        }
        if (needJacobian) {
            if (!(jacobian && jacobian(p, jac)) && !Jacobian(residuals, p, r, scale, false, jac)) {
                result.Reason = "the model cannot be evaluated next to the current values";
                break;
            }
            NormalEquations(jac, r, m, jtj, jtr);
            needJacobian = false;
            ++result.Iterations;
            history.push_back(cost);
            if (CannotReach(history, options)) {
                result.Reason = "given up: it cannot come down to the better fit in hand";
                break;
            }
        }
        // Marquardt's damping scales with the diagonal, so the step does not depend on units.
        std::vector<double> a = jtj, step(m);
        for (size_t j = 0; j < m; ++j) {
            const double diagonal = std::max(jtj[j * m + j], 1e-300);
            a[j * m + j] = jtj[j * m + j] + lambda * diagonal;
            step[j] = -jtr[j];
        }
        bool better = false;
        if (SolveSymmetric(a, step, static_cast<int32_t>(m))) {
            for (size_t j = 0; j < m; ++j)
                trial[j] = p[j] + step[j];
            if (residuals(trial, rTrial) && AllFinite(rTrial)) {
                const double trialCost = SumOfSquares(rTrial);
                if (trialCost < cost) {
                    better = true;
                    bool smallStep = true;
                    for (size_t j = 0; j < m; ++j)
                        smallStep = smallStep
                            && std::fabs(step[j]) <= options.StepTolerance * std::max(std::fabs(p[j]), scale[j]);
                    const bool smallGain = cost - trialCost <= options.CostTolerance * cost;
                    p = trial;
                    r = rTrial;
                    cost = trialCost;
                    lambda = std::max(lambda / 3, 1e-12);
                    needJacobian = true;
                    if (smallStep || smallGain) {
                        result.Converged = true;
                        result.Reason = "converged";
                        break;
                    }
                }
            }
        }
        if (!better) {
            lambda *= 4;
            if (lambda > options.MaxLambda) {
                // No step along the gradient lowers the sum of squares: a minimum, as far as the
                // arithmetic can tell.
                result.Converged = true;
                result.Reason = "converged";
                break;
            }
        }
    }
    result.AtCap = !result.Converged && result.Reason.empty();
    result.Progress = { lambda, result.Iterations, std::move(history) };
    if (result.AtCap)
        result.Reason = "no convergence within " + std::to_string(options.MaxIterations) + " iterations";

    result.Parameters = p;
    result.Residuals = r;
    result.SumOfSquares = cost;
    if (!cancelled() && ((jacobian && jacobian(p, jac)) || Jacobian(residuals, p, r, scale, true, jac))) {
        NormalEquations(jac, r, m, jtj, jtr);
        std::vector<double> covariance = InvertSymmetric(jtj, static_cast<int32_t>(m));
        const double variance = cost / static_cast<double>(n - m);
        for (double& v : covariance)
            v *= variance;
        result.Covariance = std::move(covariance);
    }
    return result;
}

} // namespace morvane
