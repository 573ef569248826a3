#pragma once
#include <nlohmann/json_fwd.hpp>
#include <string>

#include "cs/CsFit.h"
#include "follower/ChannelFollower.h"
#include "provenance/Sidecar.h"

namespace morvane {

// A c(s) file and its record (kind "cs"): the fit's options as parameters, so that reproduce fits
// the recorded scans again with the recorded meniscus and bottom (the channel's positions).
//
//   parameters: "s_min", "s_max" (0: from the data), "resolution", "ff0" (0: fitted),
//               "confidence", "vbar", "density", "viscosity", "temperature" (< 0: from the scans),
//               "noise" ({"time_invariant", "radially_invariant", "baseline"}),
//               "r_min", "r_max" (0: the default radii), "meniscus_range" (0: the meniscus as given;
//               else fitted within it; the meniscus itself is the channel's)

inline constexpr const char* KindCs = "cs";

nlohmann::ordered_json CsParameters(const morvane::cs::CsOptions& options);

// The options back from a sidecar (meniscus and bottom are the channel's); "" or what is wrong.
std::string CsOptionsOf(const Sidecar& sidecar, morvane::cs::CsOptions& options);

// What is wrong with options as the command line or a record gives them, or "" (one line).
std::string CsOptionsRefusal(const morvane::cs::CsOptions& options);

// Writes the c(s) file of a fit of the follower's channel to `path` (a temporary file and a
// rename) and its record beside it. Returns "" or the one-line failure.
std::string WriteCsFile(const ChannelFollower& follower, const std::string& path, const morvane::cs::CsOptions& options,
    const morvane::cs::CsResult& result, const std::string& program);

// The c(s) fit of an engine's channel with its meniscus and bottom; `result.error` says why none.
morvane::cs::CsResult FitChannel(const RealTimeGofS& engine, morvane::cs::CsOptions& options);

// The file made again from the engine; "" with `text` set, or why none could be made.
std::string RemakeCs(const RealTimeGofS& engine, const Sidecar& sidecar, std::string& text);

} // namespace morvane
