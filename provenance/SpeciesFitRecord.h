#pragma once
#include <nlohmann/json_fwd.hpp>
#include <string>

#include "follower/ChannelFollower.h"
#include "provenance/Sidecar.h"
#include "species/SpeciesTypes.h"

namespace morvane {

// A saved species table and its record (kind "species-fit"): the fit's options as parameters, so
// that reproduce fits the same set of the recorded load again.
//
//   parameters: "set", "species", "model" ("lamm" or "gaussian"), "min_s", "max_s", "vbar",
//               "density", "viscosity", "temperature" (< 0: from the scans)

inline constexpr const char* KindSpeciesFit = "species-fit";

// The file's text: the table lines of SpeciesTableLines, each ended by a line feed.
std::string SpeciesFitFileText(const SpeciesFitResult& result);

// The parameters of a fit of set `set` with `options`.
nlohmann::ordered_json SpeciesFitParameters(const SpeciesFitOptions& options, int32_t set);

// The options back from a sidecar; "" or what is wrong with its parameters.
std::string SpeciesFitOptionsOf(const Sidecar& sidecar, SpeciesFitOptions& options);

// Writes the table of a converged fit of the follower's engine to `path` (through a temporary file
// and a rename) and its record beside it. Returns "" or the one-line failure (the record's says that
// the table itself stays).
std::string WriteSpeciesFitFile(const ChannelFollower& follower, const std::string& path,
    const SpeciesFitOptions& options, const SpeciesFitResult& result, const std::string& program);

// The table made again from the engine; "" with `text` set, or why none could be made.
std::string RemakeSpeciesFit(const RealTimeGofS& engine, const Sidecar& sidecar, std::string& text);

} // namespace morvane
