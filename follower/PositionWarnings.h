#pragma once
#include <string>
#include <vector>

#include "realtime/RealTimeGofS.h"

namespace morvane {

// What is wrong with the radial positions of a channel against its data. The defaults (meniscus
// 5.9 cm, jitter reference 5.85 cm) lie outside many real runs' scans; nothing else says so.

// One text per finding, in this order; none when all is well:
//   the meniscus at or past the cell bottom;
//   the meniscus, the bottom, the jitter reference or the fringe reference outside the radii of
//   the first scan (the bottom may lie past them by DefaultBottomIgnore, the margin the analysis
//   leaves out before it; the references only where the channel uses them: the interference
//   corrections).
// Without a raw scan only the bottom is checked.
std::vector<std::string> PositionWarnings(const RealTimeGofS& engine);

// The warnings as one line, separated by "; ".
std::string PositionWarningText(const RealTimeGofS& engine);

// Why a meniscus at radius x cannot be taken (at or past the bottom), or empty when it can.
std::string MeniscusRefusal(double x, double bottom);

} // namespace morvane
