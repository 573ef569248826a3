#include "settings/SpeciesSettings.h"

#include <cstdint>

namespace morvane {

SolventConditions SolventOf(const SpeciesSettings& s)
{
    SolventConditions solvent;
    solvent.Vbar = s.Vbar;
    solvent.Density = s.SolventDensity;
    solvent.ViscosityCp = s.SolventViscosity;
    return solvent;
}

ConvergenceThresholds ThresholdsOf(const SpeciesSettings& s)
{
    ConvergenceThresholds t;
    t.WindowFraction = s.ConvergenceWindowPercent / 100;
    t.PeakDrift = s.ConvergencePeakDriftPercent / 100;
    t.ShapeChange = s.ConvergenceShapeChangePercent / 100;
    t.MeniscusLevel = s.ConvergenceMeniscusLevelPercent / 100;
    t.SpeciesSChange = s.ConvergenceSpeciesSChangePercent / 100;
    t.ShareChange = s.ConvergenceSharePoints / 100;
    t.MinSStar = s.ConvergenceMinSStar;
    t.ClearlyWithin = s.ConvergenceWithinPercent / 100;
    t.ClearlyPast = s.ConvergencePastPercent / 100;
    t.ConfirmSets = static_cast<int32_t>(s.ConvergenceConfirmSets);
    return t;
}

} // namespace morvane
