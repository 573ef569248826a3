#include "species/BoundaryShapes.h"

#include <algorithm>
#include <cmath>

namespace morvane {

namespace {

// Six widths or more from its centre a boundary has settled: erfc(-z) is 2 to the last bit and
// erfc(z) below 2.2e-17, so the curve there is its plateau or nothing, and the error function (the
// cost of a model set) is not needed.
constexpr double SettledZ = 6;

// (1 - exp(-2 tau)) / (2 tau), without loss of digits at small tau.
double StretchRatio(double tau)
{
    if (std::fabs(tau) < 1e-12)
        return 1.0;
    return -std::expm1(-2 * tau) / (2 * tau);
}

// d StretchRatio / d tau = (exp(-2 tau) - StretchRatio) / tau; its series 4 tau / 3 - 1 near 0,
// where the difference loses its digits.
double StretchRatioSlope(double tau)
{
    if (std::fabs(tau) < 1e-4)
        return -1 + 4 * tau / 3;
    return (std::exp(-2 * tau) - StretchRatio(tau)) / tau;
}

} // namespace

double BoundaryDiffusionSeconds(double sSeconds, double diffusion, double meniscus, double omega2t, double omega2)
{
    if (!(omega2 > 0))
        return 0;
    const double v = sSeconds * omega2 * meniscus;
    const double lag = v > 0 ? diffusion / (v * v) : 0;
    return std::max(omega2t / omega2 - lag, 0.0);
}

BoundaryProfile::BoundaryProfile(double meniscus, double sSeconds, double diffusion, double omega2t, double omega2)
{
    const double tau = sSeconds * omega2t;
    Plateau = std::exp(-2 * tau);
    const double rb = meniscus * std::exp(tau);
    const double t = BoundaryDiffusionSeconds(sSeconds, diffusion, meniscus, omega2t, omega2);
    const double w2 = 4 * diffusion * t / (meniscus * meniscus) * StretchRatio(tau);
    Centre = rb;
    if (w2 > 0 && std::isfinite(w2)) {
        Centre = rb * std::sqrt(std::max(1 - 0.5 * w2, 0.0));
        InverseWidth = 1 / (rb * std::sqrt(w2));
    }
}

double BoundaryProfile::At(double radius) const
{
    if (InverseWidth == 0)
        return radius > Centre ? Plateau : (radius == Centre ? 0.5 * Plateau : 0.0);
    const double z = (Centre - radius) * InverseWidth;
    if (z <= -SettledZ)
        return Plateau;
    if (z >= SettledZ)
        return 0;
    return 0.5 * Plateau * std::erfc(z);
}

BoundarySlopes::BoundarySlopes(double meniscus, double sSeconds, double diffusion, double omega2t, double omega2)
{
    if (!(omega2 > 0) || !(sSeconds > 0) || !(diffusion > 0))
        return;
    const double tau = sSeconds * omega2t;
    const double rb = meniscus * std::exp(tau);
    const double v = sSeconds * omega2 * meniscus;
    const double lag = diffusion / (v * v);
    const double t = omega2t / omega2 - lag;
    if (!(t > 0))
        return; // no spread yet, or the clamp of the diffusion time: no derivative
    const double ratio = StretchRatio(tau);
    const double w2 = 4 * diffusion * t / (meniscus * meniscus) * ratio;
    const double inside = 1 - 0.5 * w2;
    if (!(w2 > 0) || !std::isfinite(w2) || !(inside > 0))
        return;
    // t = omega2t / omega2 - D / (s omega2 rm)^2: dt/ds = 2 lag / s, dt/dD = -lag / D.
    const double tByS = 2 * lag / sSeconds, tByD = -lag / diffusion;
    const double k = 4 / (meniscus * meniscus);
    const double w2ByS = k * diffusion * (tByS * ratio + t * StretchRatioSlope(tau) * omega2t);
    const double w2ByD = k * (t + diffusion * tByD) * ratio;
    const double rbByS = rb * omega2t;
    const double root = std::sqrt(inside);
    // Centre = rb sqrt(1 - w2 / 2), InverseWidth = 1 / (rb sqrt(w2)).
    CentreByS = rbByS * root - rb * 0.25 * w2ByS / root;
    CentreByD = -rb * 0.25 * w2ByD / root;
    const double inverseWidth = 1 / (rb * std::sqrt(w2));
    InverseWidthByS = -inverseWidth * (rbByS / rb + 0.5 * w2ByS / w2);
    InverseWidthByD = -inverseWidth * 0.5 * w2ByD / w2;
    PlateauByS = -2 * omega2t * std::exp(-2 * tau);
    Smooth = true;
}

double BoundarySlopes::At(const BoundaryProfile& profile, double radius, double& byS, double& byD) const
{
    const double z = (profile.Centre - radius) * profile.InverseWidth;
    if (z <= -SettledZ || z >= SettledZ) {
        // erfc's slope there, exp(-36) / sqrt(pi), is nothing beside the plateau's.
        byS = z < 0 ? PlateauByS : 0;
        byD = 0;
        return z < 0 ? profile.Plateau : 0;
    }
    const double e = std::erfc(z);
    const double value = 0.5 * profile.Plateau * e;
    // d erfc(z) / dz = -2 / sqrt(pi) exp(-z^2)
    const double slope = -profile.Plateau * std::exp(-z * z) / std::sqrt(M_PI);
    const double zByS = CentreByS * profile.InverseWidth + (profile.Centre - radius) * InverseWidthByS;
    const double zByD = CentreByD * profile.InverseWidth + (profile.Centre - radius) * InverseWidthByD;
    byS = 0.5 * PlateauByS * e + slope * zByS;
    byD = slope * zByD;
    return value;
}

double BoundaryConcentration(
    double radius, double meniscus, double sSeconds, double diffusion, double omega2t, double omega2)
{
    return BoundaryProfile(meniscus, sSeconds, diffusion, omega2t, omega2).At(radius);
}

double DiffusionSigma(double sSeconds, double diffusion, double meniscus, double omega2, double time)
{
    const double omega2t = omega2 * time;
    if (!(omega2t > 0) || !(diffusion > 0) || !(meniscus > 0))
        return 0;
    const double t = BoundaryDiffusionSeconds(sSeconds, diffusion, meniscus, omega2t, omega2);
    return std::sqrt(2 * diffusion * t * StretchRatio(sSeconds * omega2t)) / (meniscus * omega2t);
}

double NormalDensity(double z) { return std::exp(-0.5 * z * z) / std::sqrt(2 * M_PI); }

double NormalDistribution(double z) { return 0.5 * std::erfc(-z / std::sqrt(2.0)); }

} // namespace morvane
