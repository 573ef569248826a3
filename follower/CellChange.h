#pragma once
#include <functional>
#include <string>

#include "realtime/RealTimeGofS.h"

namespace morvane {

// The one way a loaded channel's cell parameters change, for the window's tools and the command
// line alike: check, assign, rebuild what the change touches.

// The refusal of a molecular weight outside MWAccepted.
inline constexpr const char* MWRefusal
    = "Error entering Molecular Weight, please enter a weight between 100 and 1,000,000 in the correct format";

// Rebuilds the engine's stages (RealTimeGofS::RefreshStages), and whatever shows them;
// `transform`: correct the raw sets first.
using CellRebuild = std::function<void(bool transform)>;

// Takes `wanted` as the engine's cell parameters and calls `rebuild` once when the result depends on
// what changed: the meniscus, the bottom, the window rule, the molecular weight while the window
// follows it, and a jitter or fringe reference that the channel's corrections use (then with
// transform; a reference the channel does not use changes nothing). Nothing changes, and the reason
// is returned, for a meniscus at or past the bottom (either moved) or a molecular weight outside
// MWAccepted; otherwise "".
std::string ChangeCell(RealTimeGofS& engine, const CellParameters& wanted, const CellRebuild& rebuild);

// The same with the engine's own rebuild, for callers that show nothing.
std::string ChangeCell(RealTimeGofS& engine, const CellParameters& wanted);

} // namespace morvane
