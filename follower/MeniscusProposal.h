#pragma once
#include <string>

#include "realtime/MeniscusFinder.h"
#include "realtime/RealTimeGofS.h"

namespace morvane {

// The meniscus proposed from a channel's first raw scans, for the data view's "Find meniscus" and
// the --meniscus auto of the headless program's commands.

// Looks for a spike on absorbance channels, a drop on interference channels and either elsewhere,
// and for a step (up or down) on every channel, from the first raw radius to the end of the
// analysed range (the bottom less its ignored part), so the pile-up at the bottom is never taken.
// The radius found is rounded to 5 significant digits, as a click on the raw chart is.
MeniscusFinding ProposeMeniscus(const RealTimeGofS& engine);

// "a spike of 0.79", "a drop of 1.5", "a step down of 0.6 with a dip after it": the shape found.
std::string MeniscusShapeText(const MeniscusFinding& finding);

// "meniscus found at 5.9001 cm (a spike of 0.79 standing 160 noise SDs out of 5 scans)", or
// "no meniscus found: " and the reason.
std::string MeniscusFindingText(const MeniscusFinding& finding);

} // namespace morvane
