#pragma once
#include "species/SpeciesTypes.h"

namespace morvane::cs {

// A particle's molar mass and diffusion coefficient from its sedimentation coefficient and its
// frictional ratio f/f0 in a solvent, the relation on which the c(s) distribution rests (P. Schuck,
// Biophys. J. 78, 1606, 2000, eq. 5): with f = M (1 - vbar rho) / (N_A s) and
// f0 = 6 pi eta (3 M vbar / (4 pi N_A))^(1/3),
//
//   M = ( (f/f0) 6 pi eta N_A s (3 vbar / (4 pi N_A))^(1/3) / (1 - vbar rho) )^(3/2)
//   D = R T s / (M (1 - vbar rho))               (the Svedberg equation)
//
// s in seconds, eta in poise (1 cP = 0.01 P), D in cm^2/s, M in g/mol. NaN where the buoyancy
// factor, the viscosity, s or f/f0 is not positive. These invert FrictionalRatio (species/Svedberg.h).
double MolarMassOf(double sSeconds, double frictionalRatio, double temperatureC, const SolventConditions& solvent);
double DiffusionOf(double sSeconds, double frictionalRatio, double temperatureC, const SolventConditions& solvent);

} // namespace morvane::cs
