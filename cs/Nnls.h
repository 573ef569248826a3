#pragma once
#include <cstdint>
#include <vector>

namespace morvane::cs {

// Non-negative least squares in the form of its normal equations: minimises
//
//   c^T A c - 2 b^T c   over c >= 0,
//
// A symmetric positive (semi-)definite, n x n row-major. The active-set algorithm of C. L. Lawson
// and R. J. Hanson (Solving Least Squares Problems, 1974, ch. 23, algorithm NNLS), worked on A and
// b instead of the design matrix as R. Bro and S. de Jong do (J. Chemometrics 11, 393, 1997), so
// that its cost does not grow with the number of data points. Each passive-set solution is a
// Cholesky factorisation; a set whose block is not positive definite (columns that the data cannot
// tell apart) is solved with a ridge of 1e-12 of A's largest diagonal element.
struct NnlsResult {
    std::vector<double> c;
    int32_t iterations = 0;
    bool converged = false; // the optimality conditions hold (else the iteration limit, 3 n, was hit)
};

// `start`, when given (size n), names a passive set to begin from (a neighbouring problem's
// solution): the algorithm first makes it feasible, then goes on as usual; the answer is the same.
NnlsResult SolveNnls(const std::vector<double>& a, const std::vector<double>& b, int32_t n,
    const std::vector<double>* start = nullptr);

// The quadratic form c^T A c - 2 b^T c + yy (the squared residual when A, b, yy are the normal
// equations of a least-squares problem and yy the squared norm of its data).
double SquaredResidual(const std::vector<double>& a, const std::vector<double>& b, double yy,
    const std::vector<double>& c);

} // namespace morvane::cs
