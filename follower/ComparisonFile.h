#pragma once
#include <string>
#include <vector>

#include "realtime/CompositeCurves.h"

namespace morvane {

// The comparison file that morvane-cli compare and the comparison window write: the composite
// g(s*) curves of several channels side by side, what the comparison window overlays.

// The file text: a header row "s*" and one name per curve, then one row per s* that any curve
// holds, ascending: s* and each curve's value there, an empty cell where a curve has no point.
// Tab-separated, numbers as FloatToStr writes them, CR LF line ends.
std::string ComparisonTableText(const std::vector<std::string>& names, const std::vector<CompositeCurve>& curves);

// Appends the column of a loaded channel: its composite curve (divided by its Co when normalized)
// and its name, marked when it could not be normalized.
void AddComparisonColumn(const RealTimeGofS& engine, const std::string& name, bool normalized,
    std::vector<std::string>& names, std::vector<CompositeCurve>& curves);

} // namespace morvane
