#pragma once
#include "species/SpeciesTypes.h"

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

constexpr double GasConstant = 8.314462618e7; // erg / (mol K)
constexpr double WaterDensity20 = 0.99823; // g/ml
constexpr double WaterViscosity20 = 1.002; // cP
