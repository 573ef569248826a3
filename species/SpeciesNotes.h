#pragma once
#include <string>
#include <vector>

#include "species/SetCoverage.h"
#include "species/SpeciesTypes.h"

namespace morvane {

// Why the values of a converged species fit may not be right, in words (the fit's Notes), in
// this order:
//  - a species the data do not determine: a share below 1 %, or a share or D as uncertain as its
//    value;
//  - a species not yet resolved from the meniscus: its g(s*) peak lies fewer than
//    ResolvedWidths of its widths above the lowest fitted s*. The fit then reads the boundary's
//    slow side off points next to the meniscus; on simulated runs its s is then off by 3 to 10
//    times its error (a 4.4 S protein in the first hour at 50000 rpm, a 1.8 S one all run);
//  - a species reaching beyond the largest s* the set can hold, and material beyond the set in the
//    composite curve (SetCoverage.h): a species that had reached the bottom, missed by the fit or
//    replaced by a spurious one, and the fit of the latest set that still holds it;
//  - a frictional ratio no particle can have (f/f0 below 1) or only rods, coils and fibres have
//    (above 4): the data hold fewer species, or vbar, density or viscosity are wrong;
//  - a fit no better than the fit with one species fewer;
//  - a Gaussian model whose bias was too large to take off (SpeciesFit.cpp);
//  - errors that are not defined.
inline constexpr double ResolvedWidths = 3.5;

struct NoteContext {
    SetCoverage Coverage; // of an engine set; default for a plain curve
    std::string HoldingFit; // what the fit of Coverage.HoldingSet gives, in words (SpeciesInBrief)
    double HoldingTime = 0; // s, of that set
    double FewerRmsResidual = speciesunits::NaN; // of the fit with one species fewer where this one is no better
    // Why the Gaussian model's bias was not taken off; empty: it was, or the model has none.
    std::string BiasNotTakenOff;
};

std::vector<std::string> SpeciesNotes(const SpeciesFitResult& result, const NoteContext& context);

// The species of a fit in a few words: "4.40 S (60 %), 6.80 S (25 %)", or why it failed.
std::string SpeciesInBrief(const SpeciesFitResult& result);

} // namespace morvane
