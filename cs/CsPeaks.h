#pragma once
#include <vector>

#include "species/SpeciesTypes.h"

namespace morvane::cs {

// A peak of a c(s) distribution: the grid points between two deep minima (or zeros).
struct CsPeak {
    double s = 0; // S: weight average of s over the peak, sum c_k s_k / sum c_k
    double s20w = 0; // S
    double fraction = 0; // of the whole distribution's signal, 0 .. 1
    double molarMass = 0; // g/mol, from s and the fitted f/f0 (Hydrodynamics.h)
    double sLow = 0, sHigh = 0; // S: the peak's first and last grid point
};

// The peaks of the amounts c_k on the grid s (S): a peak ends where c falls to zero or to a minimum
// below half the lower of the two maxima beside it (shallower dips are wiggles of one peak). Peaks
// holding less than 0.2 % of the signal are left out (the fractions of the rest still refer to the
// whole). Ordered by s.
std::vector<CsPeak> FindPeaks(const std::vector<double>& s, const std::vector<double>& amount, double frictionalRatio,
    double temperatureC, const SolventConditions& solvent);

// Where a chart of the distribution may end: a little past the s below which 99.5 % of the signal
// lies (a short run's default grid reaches far beyond what sediments, and its last points gather
// what the data cannot place); at most the grid's end.
double ChartEndS(const std::vector<double>& s, const std::vector<double>& amount);

} // namespace morvane::cs
