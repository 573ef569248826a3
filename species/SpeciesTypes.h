#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "species/SpeciesUnits.h"

namespace morvane {

// Inputs and results of the species fit, plain structs of numbers and texts. A value the fit
// cannot give (D of a curve without a time, an error of a parameter the data do not determine)
// is NaN.

// The solvent and particle, for the Svedberg equation and the correction to s20,w. Density and
// viscosity are those of the solvent at the run's temperature; the defaults are water at 20 C.
struct SolventConditions {
    double Vbar = 0.73; // partial specific volume, ml/g
    double Density = 0.99823; // g/ml
    double ViscosityCp = 1.002; // cP
    double TemperatureC = -1; // deg C; < 0: from the scans' headers (20 when they give none)
};

enum class SpeciesModel {
    // Faxen boundaries of each species taken through the engine's own pairs, average and
    // dilution correction: fits s and D themselves. Needs the engine's set.
    LammBoundaries,
    // A Gaussian in s* per species whose width follows from diffusion (and the pair span of an
    // engine set); s is the centre with the boundary's skew corrected. Any curve.
    Gaussian,
};

const char* SpeciesModelName(SpeciesModel model); // "Lamm boundaries", "Gaussian"

struct SpeciesFitOptions {
    int32_t Species = 1; // 1 ... 3
    SpeciesModel Model = SpeciesModel::LammBoundaries;
    int32_t Set = -1; // g(s*) set of the engine; < 0: the newest
    double MinSStar = 0.5; // S: points below are left out (noise next to the meniscus)
    double MaxSStar = 0; // S; <= 0: up to the set's last point
    SolventConditions Solvent;
    int32_t MaxIterations = 200;
};

// A curve that did not come straight from the engine's stores (an extrapolated curve, a curve
// read from a g(s*) file): s* g(s*) against s*. Only the Gaussian model fits it.
struct GofsCurve {
    std::vector<double> SStar; // S, ascending
    std::vector<double> Y; // s* g(s*), as the engine's g(s*) sets hold it
    double TimeSeconds = 0; // of the curve; <= 0: none (an extrapolation to infinite time), so
                            // the widths are fitted free and D is not given
    double Rpm = 0;
    double MeniscusCm = 0;
    double TemperatureC = -1; // < 0: 20
    bool DilutionCorrected = true; // corrected by the engine's rule (its second-order remainder is modelled)
};

struct SpeciesEstimate {
    double SStar = 0, SStarError = 0; // S: where the species' own g(s*) peaks in the fitted curve
    double S = 0, SError = 0; // S: sedimentation coefficient, the method's bias removed (run conditions)
    double S20w = 0, S20wError = 0; // S: corrected to water at 20 C
    double D = 0, DError = 0; // cm^2/s (run conditions)
    double D20w = 0, D20wError = 0; // cm^2/s
    double M = 0, MError = 0; // g/mol, Svedberg equation
    // f/f0 (Svedberg.h: FrictionalRatio) in the run's solvent; NaN without D. Below 1 no particle
    // can have, above 4 only rods, coils and fibres: the fit's notes name such a species.
    double FrictionalRatio = speciesunits::NaN, FrictionalRatioError = speciesunits::NaN;
    double Sigma = 0; // S: standard deviation of the species' peak in g(s*)
    double Area = 0, AreaError = 0; // signal units: area under its g(s*) at the curve's time
    double Loading = 0, LoadingError = 0; // signal units: its concentration before sedimentation
    double Share = 0, ShareError = 0; // fraction of the summed loading
};

enum class FitStatus { Converged, Failed };

const char* FitStatusName(FitStatus status); // "converged", "failed"

struct SpeciesFitResult {
    FitStatus Status = FitStatus::Failed;
    std::string Message; // "converged", or why the fit failed
    // Of a converged fit, why a value may not be right: species the data do not determine, an
    // impossible frictional ratio, a species not yet resolved from the meniscus, material that
    // has left the set, a fit no better than one with fewer species.
    std::vector<std::string> Notes;
    SpeciesModel Model = SpeciesModel::LammBoundaries;
    int32_t Set = -1; // the engine's g(s*) set; -1 for a plain curve
    double TimeSeconds = 0; // of the set (harmonic mean of its pairs)
    double ElapsedSeconds = 0; // of its newest scan
    double Rpm = 0;
    double TemperatureC = 0; // used for M and s20,w
    // S: the lowest fitted s*, and the largest s* the fitted set can hold, ln(bottom / meniscus) /
    // (omega^2 t) (SetCoverage.h; NaN for a plain curve).
    double SetSStarLow = speciesunits::NaN, SetSStarHigh = speciesunits::NaN;
    // Material above SetSStarHigh in the engine's composite g(s*) curve (which keeps, at each s*, the
    // newest set that still reached it): its share of all the material, and the latest set that
    // still holds it (-1: none is needed, or none holds it).
    double BeyondShare = 0;
    int32_t HoldingSet = -1;
    SolventConditions Solvent;
    std::vector<SpeciesEstimate> Species; // by increasing s
    // On the fitted points, for drawing: s*, the data, the fitted curve, data - fit, and each
    // species' own curve (Components[k][i]).
    std::vector<double> SStar, Data, Fitted, Residuals;
    std::vector<std::vector<double>> Components;
    double RmsResidual = 0;
    int32_t Iterations = 0;
    int32_t Points = 0;
    int32_t Parameters = 0;
};

} // namespace morvane
