#pragma once
#include <string>
#include <vector>

#include "species/SpeciesTypes.h"

namespace morvane {

// The species of a fit as aligned text lines (for the command line): what was fitted, the
// solvent, a column header and one row per species, each value with its standard error written to
// the error's second significant digit, then the fit's notes. A failed fit gives one line with the
// reason. No line ends; "±" is written in UTF-8.
//
//   Species fit of g(s*) set 56: t 9326 s (newest scan at 11220 s), 50000 rpm, 20.0 C
//   Lamm boundaries model: converged after 4 iterations, rms residual 0.0144 over 122 points
//   vbar 0.73 ml/g, solvent density 0.99823 g/ml, viscosity 1.002 cP
//   species  s* (S)           s (S)            s20,w (S)        D (1e-7 cm^2/s)  M (kg/mol)     f/f0         ...
//         1  4.3471 ± 0.0020  4.3977 ± 0.0020  ...
//   note: species 2 is not determined by the data (share 0.4 %)
std::vector<std::string> SpeciesTableLines(const SpeciesFitResult& result);

// The parts of those lines, for a window that lays the table out itself: the lines above the
// table (what was fitted, how the fit went, the solvent; the one line of a failure), the column
// header, and one row of cells per species (none for a failed fit).
std::vector<std::string> SpeciesFitHeadLines(const SpeciesFitResult& result);
std::vector<std::string> SpeciesTableHeader();
std::vector<std::vector<std::string>> SpeciesTableCells(const SpeciesFitResult& result);

// "value ± error" with the value rounded to the error's second significant digit, but not beyond
// whole units and to no more than six significant digits (four when the error is 0 or unknown);
// "-" for an unknown value.
std::string ValueWithError(double value, double error);

} // namespace morvane
