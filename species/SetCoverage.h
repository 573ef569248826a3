#pragma once
#include <cstdint>

#include "species/SpeciesUnits.h"

namespace morvane {

class RealTimeGofS;

// Which s* a g(s*) set can still hold, and whether the run holds material beyond it.
//
// A species' boundary lies at rm exp(s omega^2 t); once that is past the bottom, the species has
// left the set: its g(s*) is gone from it, and a fit of the set misses it or puts a spurious
// species in its place. The largest s* a set of time t can hold is therefore
// ln(bottom / meniscus) / (omega^2 t). Material beyond it is seen in the engine's composite g(s*)
// curve, which keeps at each s* the newest set that still reached it: above the set's largest s*
// it holds earlier sets.
struct SetCoverage {
    double SStarHigh = speciesunits::NaN; // S, the largest s* the set can hold
    // In the composite curve above SStarHigh: its share of all the composite's material above the
    // fit's lowest s*, where it peaks and where it ends (falls to a fifth of its peak), S.
    double BeyondShare = 0;
    double BeyondPeakSStar = speciesunits::NaN;
    double BeyondTopSStar = speciesunits::NaN;
    // The material beyond stands out of the noise and of the tails of the species inside (a peak
    // of its own above SStarHigh, or a share of 5 % and more).
    bool MaterialBeyond = false;
    // The latest set whose largest s* reaches BeyondTopSStar; -1 when there is no material beyond
    // or no set holds all of it.
    int32_t HoldingSet = -1;
};

// The largest s* (S) g(s*) set `set` of the engine can hold; NaN without a bottom, meniscus or set.
double LargestSStarOfSet(const RealTimeGofS& engine, int32_t set);

// The coverage of g(s*) set `set`, with the material counted above minSStar (S).
SetCoverage CoverageOfSet(const RealTimeGofS& engine, int32_t set, double minSStar);

} // namespace morvane
