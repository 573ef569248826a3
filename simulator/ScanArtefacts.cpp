#include "simulator/ScanArtefacts.h"

#include <cmath>

namespace {

constexpr double KneeBelowCeiling = 0.5; // OD below the ceiling where the reading starts to bend
constexpr double NoiseAtCeiling = 20; // times the noise of the linear range

} // namespace

double SaturatedAbsorbance(double a, double ceilingOD)
{
    if (!(ceilingOD > 0))
        return a;
    const double knee = ceilingOD - KneeBelowCeiling;
    if (!(a > knee))
        return a;
    return ceilingOD - KneeBelowCeiling * std::exp(-(a - knee) / KneeBelowCeiling);
}

double SaturationNoiseFactor(double readOD, double ceilingOD)
{
    if (!(ceilingOD > 0))
        return 1;
    const double knee = ceilingOD - KneeBelowCeiling;
    if (!(readOD > knee))
        return 1;
    const double depth = std::fmin((readOD - knee) / KneeBelowCeiling, 1.0);
    return 1 + (NoiseAtCeiling - 1) * depth;
}

double MeniscusSpike(double radiusCm, double meniscusCm, double widthCm, double heightOD)
{
    const double z = (radiusCm - meniscusCm) / (widthCm / 6);
    return heightOD * std::exp(-0.5 * z * z);
}

double MeniscusDrop(double radiusCm, double meniscusCm, double widthCm, double depthFringes)
{
    const double edge = widthCm / 10;
    const double x = radiusCm - meniscusCm;
    if (std::fabs(x) > widthCm)
        return 0;
    return -depthFringes * 0.5 * (std::tanh((x + widthCm / 2) / edge) - std::tanh((x - widthCm / 2) / edge));
}
