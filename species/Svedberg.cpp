#include "species/Svedberg.h"
#include "species/SpeciesUnits.h"

#include <cmath>
#include <limits>

namespace morvane {

namespace {
using speciesunits::NaN;
constexpr double Kelvin = 273.15;
} // namespace

double SvedbergMolarMass(double sSeconds, double diffusion, double temperatureC, const SolventConditions& solvent)
{
    const double buoyancy = 1 - solvent.Vbar * solvent.Density;
    if (!(diffusion > 0) || !(buoyancy > 0))
        return NaN;
    return sSeconds * GasConstant * (temperatureC + Kelvin) / (diffusion * buoyancy);
}

double FrictionalRatio(double sSeconds, double diffusion, double temperatureC, const SolventConditions& solvent)
{
    const double m = SvedbergMolarMass(sSeconds, diffusion, temperatureC, solvent);
    if (!(m > 0) || !std::isfinite(m) || !(solvent.ViscosityCp > 0))
        return NaN;
    const double f = GasConstant * (temperatureC + Kelvin) / (Avogadro * diffusion); // g/s
    const double radius = std::cbrt(3 * m * solvent.Vbar / (4 * M_PI * Avogadro)); // cm, of the anhydrous sphere
    const double f0 = 6 * M_PI * 0.01 * solvent.ViscosityCp * radius; // viscosity in poise
    return f / f0;
}

double S20wFactor(const SolventConditions& solvent)
{
    const double buoyancy = 1 - solvent.Vbar * solvent.Density;
    if (!(buoyancy > 0) || !(solvent.ViscosityCp > 0))
        return NaN;
    return solvent.ViscosityCp / WaterViscosity20 * (1 - solvent.Vbar * WaterDensity20) / buoyancy;
}

double D20wFactor(double temperatureC, const SolventConditions& solvent)
{
    if (!(solvent.ViscosityCp > 0) || !(temperatureC + Kelvin > 0))
        return NaN;
    return (20 + Kelvin) / (temperatureC + Kelvin) * solvent.ViscosityCp / WaterViscosity20;
}

} // namespace morvane
