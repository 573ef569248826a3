#include "species/BoundaryShapes.h"

#include <algorithm>
#include <cmath>

namespace {

// (1 - exp(-2 tau)) / (2 tau), without loss of digits at small tau.
double StretchRatio(double tau)
{
    if (std::fabs(tau) < 1e-12)
        return 1.0;
    return -std::expm1(-2 * tau) / (2 * tau);
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
    return 0.5 * Plateau * std::erfc((Centre - radius) * InverseWidth);
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
