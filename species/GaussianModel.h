#pragma once
#include <vector>

namespace morvane {

// The Gaussian approximation of a diffusing boundary (T. Svedberg and K. O. Pedersen, The
// Ultracentrifuge, 1940: the gradient of a boundary spreading by diffusion is a Gaussian of
// variance 2 D t in r), carried over to s* = ln(r / rm) / (omega^2 t): a species gives a peak of
// g(s*) of area a (the plateau concentration at the curve's time) and standard deviation sigma,
// from diffusion (DiffusionSigma) and, in an engine set, from the pair span: a
// pair of scans dt apart smears a boundary over s* dt / t (a box of variance (s dt / t)^2 / 12),
// and the set averages its pairs, so the variances are averaged over them.
//
// Where the g(s*) peak lies: the time derivative of a boundary in a sector-shaped cell is skewed,
// and to first order in sigma / s its g(s*) peaks at s - sigma_D^2 / (2 s) (sigma_D the diffusion
// part of the width: worked out from the Faxen boundary of BoundaryShapes.h), so the model's
// centre c gives s = c + sigma_D^2 / (2 c).
//
// The engine's dilution correction A = B - 2 omega^2 t * integral of B ds is exact only to first
// order: for a species of s and area a it leaves -4 (omega^2 t)^2 a s ((s* - s) Phi(z) + sigma
// phi(z)), z = (s* - s) / sigma, which pulls the high side down. The model carries it for a curve
// corrected by that rule.

struct GaussianConditions {
    double Meniscus = 0; // cm
    double Omega2 = 0; // rad^2/s^2
    double Time = 0; // s; <= 0: no time, the width is a parameter and D is not defined
    bool DilutionCorrected = true;
    // An engine set's pairs: time (harmonic mean) and span of each, s; empty for a plain curve.
    std::vector<double> PairTimes, PairSpans;

    bool HasTime() const { return Time > 0 && Omega2 > 0 && Meniscus > 0; }
};

// Variance (S^2) of the diffusion part and of the whole peak of a species of centre s (S) and
// D (cm^2/s).
double GaussianDiffusionVariance(const GaussianConditions& c, double sS, double diffusion);
double GaussianVariance(const GaussianConditions& c, double sS, double diffusion);

// s (S) of a species whose model centre is centreS.
double GaussianCorrectedS(const GaussianConditions& c, double centreS, double diffusion);

// One species' s* g(s*) at the points sStar (S), with its centre (S), its D (cm^2/s) or, without a
// time, its sigma (S) as `width`, and its area (signal units). False when the width is not
// positive.
bool GaussianSpecies(const GaussianConditions& c, const std::vector<double>& sStar, double centreS, double width,
    double area, std::vector<double>& out);

} // namespace morvane
