#pragma once
#include "species/SpeciesTypes.h"

namespace morvane {

// The Svedberg equation (T. Svedberg and K. O. Pedersen, The Ultracentrifuge, 1940): a particle's
// molar mass from its sedimentation and diffusion coefficients measured in the same solvent,
//
//   M = s R T / (D (1 - vbar rho)),
//
// s in seconds, D in cm^2/s, R in erg/(mol K), T in K, vbar in ml/g, rho in g/ml; M in g/mol.
// NaN when D or the buoyancy factor 1 - vbar rho is not positive.
double SvedbergMolarMass(double sSeconds, double diffusion, double temperatureC, const SolventConditions& solvent);

// The standard correction to water at 20 C (same textbooks):
//   s20,w = s (eta / eta20,w) (1 - vbar rho20,w) / (1 - vbar rho)
//   D20,w = D (293.15 / T) (eta / eta20,w)
// with eta and rho the solvent's at the run's temperature T. Both factors are 1 for water at 20 C.
double S20wFactor(const SolventConditions& solvent);
double D20wFactor(double temperatureC, const SolventConditions& solvent);

// The frictional ratio f/f0 of a particle of s and D in the solvent (C. R. Cantor and P. R. Schimmel,
// Biophysical Chemistry, Part II, 1980, ch. 10-11; T. Svedberg and K. O. Pedersen, 1940): its
// frictional coefficient f = kT / D = M (1 - vbar rho) / (N_A s), over that of a sphere of the same
// mass and partial specific volume, f0 = 6 pi eta (3 M vbar / (4 pi N_A))^(1/3), M by the Svedberg
// equation, eta the solvent's viscosity. No particle has f/f0 below 1 (a sphere has 1, with
// hydration about 1.1); compact proteins lie near 1.2-1.3, elongated ones up to 2-3, and only long
// rods, random coils and fibres reach above 4. NaN where M is not defined.
double FrictionalRatio(double sSeconds, double diffusion, double temperatureC, const SolventConditions& solvent);

constexpr double GasConstant = 8.314462618e7; // erg / (mol K)
constexpr double WaterDensity20 = 0.99823; // g/ml
constexpr double WaterViscosity20 = 1.002; // cP
constexpr double Avogadro = 6.02214076e23; // 1/mol

} // namespace morvane
