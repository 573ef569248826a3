#pragma once
#include <array>

#include "species/RunConvergence.h"
#include "species/SpeciesTypes.h"

namespace morvane {

// The species fit's solvent and the thresholds of the convergence measure, as the settings file and
// the settings window hold them: flat numbers in the units a user reads (percent rather than
// fractions). The defaults are the species code's own (SolventConditions, ConvergenceThresholds).
struct SpeciesSettings {
    double Vbar = SolventConditions {}.Vbar; // ml/g, partial specific volume of the sample
    double SolventDensity = SolventConditions {}.Density; // g/ml, at the run's temperature
    double SolventViscosity = SolventConditions {}.ViscosityCp; // cP, at the run's temperature
    // Each g(s*) set is compared with the set this share of its elapsed time earlier.
    double ConvergenceWindowPercent = 100 * ConvergenceThresholds {}.WindowFraction;
    double ConvergencePeakDriftPercent = 100 * ConvergenceThresholds {}.PeakDrift;
    double ConvergenceShapeChangePercent = 100 * ConvergenceThresholds {}.ShapeChange;
    double ConvergenceMeniscusLevelPercent = 100 * ConvergenceThresholds {}.MeniscusLevel; // of the peak
    double ConvergenceSpeciesSChangePercent = 100 * ConvergenceThresholds {}.SpeciesSChange;
    double ConvergenceSharePoints = 100 * ConvergenceThresholds {}.ShareChange; // percentage points
    double ConvergenceMinSStar = ConvergenceThresholds {}.MinSStar; // S
    // The verdict's hysteresis: a measure is clearly within its limit at or below the first share
    // of it, clearly past it above the second, and the verdict turns after this many sets in a row
    // clearly on the other side (a whole number).
    double ConvergenceWithinPercent = 100 * ConvergenceThresholds {}.ClearlyWithin; // of each limit
    double ConvergencePastPercent = 100 * ConvergenceThresholds {}.ClearlyPast; // of each limit
    double ConvergenceConfirmSets = ConvergenceThresholds {}.ConfirmSets;

    // The keys of the settings file's [SpeciesSettings] section, in the order the window lists them.
    static constexpr std::array<const char*, 13> KeyNames
        = { "Vbar", "SolventDensity", "SolventViscosity", "ConvergenceWindowPercent", "ConvergencePeakDriftPercent",
              "ConvergenceShapeChangePercent", "ConvergenceMeniscusLevelPercent", "ConvergenceSpeciesSChangePercent",
              "ConvergenceSharePoints", "ConvergenceMinSStar", "ConvergenceWithinPercent", "ConvergencePastPercent",
              "ConvergenceConfirmSets" };
};

// The solvent of the fit; its temperature stays "from the scans".
SolventConditions SolventOf(const SpeciesSettings& settings);
ConvergenceThresholds ThresholdsOf(const SpeciesSettings& settings);

} // namespace morvane
