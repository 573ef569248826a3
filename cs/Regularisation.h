#pragma once
#include <cstdint>
#include <vector>

namespace morvane::cs {

// Tikhonov-Phillips regularisation of the c(s) problem (D. L. Phillips, J. ACM 9, 84, 1962;
// A. N. Tikhonov, Soviet Math. Dokl. 4, 1035, 1963) at a confidence level chosen by F statistics,
// as P. Schuck (Biophys. J. 78, 1606, 2000) chooses it: among the non-negative solutions of
//
//   chi2(c) + alpha |L c|^2,   L the second differences of c on the s grid,
//
// the one with the largest alpha whose chi2 exceeds the best fit's chi2_0 by no more than the
// F ratio at that probability allows (chi2 / chi2_0 <= F(p; dof, dof)): the smoothest
// distribution the data cannot tell apart from the best fit. A smooth distribution pays for its
// parsimony with width: a single species' peak comes out broader than its s alone would make it
// (the known broadening of the method); its weight-average s and its area stay.

// P = L^T L, n x n row-major, for L the second differences c[k-1] - 2 c[k] + c[k+1] with c taken
// as zero beyond both ends of the grid (so a distribution is also drawn to zero at the ends).
std::vector<double> SecondDerivativePenalty(int32_t n);

// The standard normal quantile (by bisection on erfc; exact to rounding).
double NormalQuantile(double p);

// The p quantile of the F distribution with df1 and df2 degrees of freedom, by the cube-root
// normal approximation of E. Paulson (Ann. Math. Stat. 13, 233, 1942): within 1 % for 5 or more
// degrees of freedom, within 1e-5 for the thousands that scans give.
double FQuantile(double p, double df1, double df2);

struct RegularisedFit {
    std::vector<double> c;
    double chi2 = 0; // of c
    double chi2Best = 0; // of the non-negative fit without regularisation
    double ratioAllowed = 1; // F(p; dof, dof)
    double alpha = 0; // relative to trace(A) / trace(P); 0 without regularisation
    int32_t solves = 0; // NNLS problems solved
};

// a, b, yy: the normal equations and squared data norm of the fit (n unknowns); dof the degrees of
// freedom of chi2. A confidence at or below 0.5 gives the non-negative fit without regularisation.
RegularisedFit RegulariseAtConfidence(const std::vector<double>& a, const std::vector<double>& b, double yy,
    int32_t n, double dof, double confidence);

} // namespace morvane::cs
