#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace morvane {

// Nonlinear least squares by Levenberg-Marquardt: minimises the sum of squared residuals r(p),
// each step solving (J^T J + lambda diag(J^T J)) dp = -J^T r, lambda lowered after a step that
// lowers the sum and raised after one that does not (K. Levenberg, Q. Appl. Math. 2 (1944) 164;
// the damping scaled by the diagonal: D. W. Marquardt, J. SIAM 11 (1963) 431). J is the model's
// own where it gives one (exact derivatives), else by differences. A start bounded by a fit in
// hand (CostToBeat) is given up by a rule of this program, not of the method: see CannotReach.
//
// Written here rather than taken from a library: the fits have at most nine parameters and a few
// hundred points, they need a model that can refuse a parameter set (a negative D) and the
// covariance at the end, which is about 200 lines; the maintained implementations are either
// under the GPL (GSL), in an unsupported corner of a matrix library (Eigen) or a large solver
// framework (Ceres).

// Fills r (already sized) for parameters p; false when p lies outside the model's domain or the
// model cannot be evaluated there. The optimiser then treats the step as a failed one.
using ResidualFunction = std::function<bool(const std::vector<double>& p, std::vector<double>& r)>;

// Fills jac (n x m, row by row) with the derivatives of the residuals by the parameters at p;
// false where it cannot, and the optimiser then takes differences.
using JacobianFunction = std::function<bool(const std::vector<double>& p, std::vector<double>& jac)>;

// How far a fit got, to go on from where it stopped at its iteration cap (LmOptions::Resume).
struct LmProgress {
    double Lambda = 1e-3; // the damping
    int32_t Iterations = 0;
    std::vector<double> History; // the sum of squares at each iteration
};

struct LmOptions {
    int32_t MaxIterations = 200;
    double CostTolerance = 1e-10; // stop when a step lowers the sum of squares by less than this fraction
    double StepTolerance = 1e-9; // ... or moves every parameter by less than this fraction of its scale
    double MaxLambda = 1e12; // damping beyond which no step can lower the sum of squares any more
    // A sum of squares already reached from another start (0: none). A fit still above it that,
    // at its pace over the last iterations, cannot come down to it within the iterations left is
    // given up (not converged): it would end above that fit or at the cap.
    double CostToBeat = 0;
    // Goes on from a fit that stopped at its cap (started from its Parameters, with a higher
    // MaxIterations): the same steps as if it had not stopped (the iteration it stopped in counted
    // twice where its last step failed).
    const LmProgress* Resume = nullptr;
    // Looked at before every iteration: once set, the fit stops (Reason "cancelled", no covariance).
    const std::atomic<bool>* Cancel = nullptr;
};

struct LmResult {
    std::vector<double> Parameters;
    // Covariance of the parameters, row by row: (J^T J)^-1 times the residual variance
    // SumOfSquares / (n - p). Empty when J^T J is singular (a parameter the data do not determine).
    std::vector<double> Covariance;
    std::vector<double> Residuals; // at Parameters
    double SumOfSquares = 0;
    int32_t Iterations = 0;
    bool Converged = false;
    bool AtCap = false; // stopped by MaxIterations
    std::string Reason; // why it stopped, in words
    LmProgress Progress;
};

// scale[j] is the typical size of parameter j: it sets the finite-difference step where p[j] is
// near 0 and the step tolerance. residualCount must exceed the number of parameters. With
// `jacobian` the derivatives are exact where it gives them (in the iterations and for the
// covariance), by differences elsewhere.
LmResult FitLeastSquares(const ResidualFunction& residuals, const std::vector<double>& start,
    const std::vector<double>& scale, int32_t residualCount, const LmOptions& options = {},
    const JacobianFunction& jacobian = {});

// Solves the symmetric positive definite system a x = b (a is n x n, row by row) by Cholesky
// decomposition; false when a is not positive definite.
bool SolveSymmetric(std::vector<double> a, std::vector<double>& b, int32_t n);

// The inverse of a symmetric positive definite matrix; empty when it is not positive definite.
std::vector<double> InvertSymmetric(const std::vector<double>& a, int32_t n);

} // namespace morvane
