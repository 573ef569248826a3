#include "cs/Hydrodynamics.h"

#include <cmath>

#include "species/SpeciesUnits.h"
#include "species/Svedberg.h"

namespace morvane::cs {

double MolarMassOf(double sSeconds, double ratio, double temperatureC, const SolventConditions& solvent)
{
    const double buoyancy = 1 - solvent.Vbar * solvent.Density;
    if (!(buoyancy > 0) || !(solvent.ViscosityCp > 0) || !(sSeconds > 0) || !(ratio > 0) || !(solvent.Vbar > 0))
        return speciesunits::NaN;
    (void)temperatureC; // M follows from s and f/f0 alone; T enters D
    const double eta = 0.01 * solvent.ViscosityCp; // poise
    const double base = ratio * 6 * M_PI * eta * Avogadro * sSeconds
        * std::cbrt(3 * solvent.Vbar / (4 * M_PI * Avogadro)) / buoyancy;
    return std::pow(base, 1.5);
}

double DiffusionOf(double sSeconds, double ratio, double temperatureC, const SolventConditions& solvent)
{
    const double m = MolarMassOf(sSeconds, ratio, temperatureC, solvent);
    if (!(m > 0) || !std::isfinite(m))
        return speciesunits::NaN;
    return sSeconds * GasConstant * (temperatureC + 273.15) / (m * (1 - solvent.Vbar * solvent.Density));
}

} // namespace morvane::cs
