#include "species/GaussianModel.h"
#include "species/SpeciesUnits.h"

#include <cmath>

#include "species/BoundaryShapes.h"

namespace morvane {

namespace {
using speciesunits::Svedberg;
} // namespace

double GaussianDiffusionVariance(const GaussianConditions& c, double sS, double diffusion)
{
    if (!c.HasTime())
        return 0;
    auto variance = [&](double t) {
        const double sigma = DiffusionSigma(sS * Svedberg, diffusion, c.Meniscus, c.Omega2, t) / Svedberg;
        return sigma * sigma;
    };
    if (c.PairTimes.empty())
        return variance(c.Time);
    double sum = 0;
    for (double t : c.PairTimes)
        sum += variance(t);
    return sum / static_cast<double>(c.PairTimes.size());
}

double GaussianVariance(const GaussianConditions& c, double sS, double diffusion)
{
    double span = 0;
    for (size_t i = 0; i < c.PairTimes.size() && i < c.PairSpans.size(); ++i) {
        const double box = sS * c.PairSpans[i] / c.PairTimes[i];
        span += box * box / 12;
    }
    if (!c.PairTimes.empty())
        span /= static_cast<double>(c.PairTimes.size());
    return GaussianDiffusionVariance(c, sS, diffusion) + span;
}

double GaussianCorrectedS(const GaussianConditions& c, double centreS, double diffusion)
{
    if (!c.HasTime() || !(centreS > 0))
        return centreS;
    return centreS + GaussianDiffusionVariance(c, centreS, diffusion) / (2 * centreS);
}

bool GaussianSpecies(const GaussianConditions& c, const std::vector<double>& sStar, double centreS, double width,
    double area, std::vector<double>& out)
{
    const double sigma = c.HasTime() ? std::sqrt(GaussianVariance(c, centreS, width)) : width;
    if (!(sigma > 0) || !std::isfinite(sigma))
        return false;
    const double w2t = c.HasTime() && c.DilutionCorrected ? c.Omega2 * c.Time * Svedberg : 0;
    out.resize(sStar.size());
    for (size_t i = 0; i < sStar.size(); ++i) {
        const double z = (sStar[i] - centreS) / sigma;
        const double peak = sStar[i] * area * NormalDensity(z) / sigma;
        const double remainder = -4 * w2t * w2t * area * centreS
            * ((sStar[i] - centreS) * NormalDistribution(z) + sigma * NormalDensity(z));
        out[i] = peak + remainder;
    }
    return true;
}

} // namespace morvane
