#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "follower/ChannelFollower.h"
#include "provenance/Sidecar.h"

namespace morvane {

// The sidecar's record of a loaded channel, taken from its follower: the run directory, the channel
// entry, the positions, the averaging rule and the analysis settings of its engine, and every
// complete scan file of the load with the size and SHA-256 of the bytes its reading parsed.
ChannelRecord RecordChannel(const ChannelFollower& follower);

// Set k of one of the engine's derived stores (GofsStore, SmoothGofsStore, AvgDcdtStore), with the
// raw scans it was computed from; `storeName` names the store in the record.
SetRecord RecordSet(const RealTimeGofS& engine, const ChannelDataStore& store, const std::string& storeName, int32_t k);

// A g(s*) file's sidecar: the newest set with the composite's gaps (kind "gofs"), or set `set` alone
// ("gofs-set", parameter "set").
Sidecar GofsSidecar(
    const ChannelFollower& follower, const std::string& outputPath, int32_t set, bool newestWithComposite);

// An extrapolation file's sidecar: smoothed sets start .. end of the channel, and the display
// settings the extrapolation read.
Sidecar ExtrapolationSidecar(const ChannelFollower& follower, const std::string& outputPath, int32_t start, int32_t end,
    const GUISettings& display);

// A comparison file's sidecar: each channel with its newest g(s*) set, `columns` naming them as the
// file's header row does (before any "(not normalized)" mark).
Sidecar ComparisonSidecar(const std::vector<const ChannelFollower*>& followers, const std::vector<std::string>& columns,
    const std::string& outputPath, bool normalized);

// For any other writer: the record of `outputPath`, just written from the channel `follower` holds,
// under `kind` (its own name, e.g. "export" or "species-fit") with what else it took in `parameters`
// (names and values that `morvane-cli reproduce` needs to make the file again). The newest g(s*) set
// is recorded as the set used. Writes the record beside the output; `program` is "morvane" or
// "morvane-cli". Returns "" or the one-line message to show; the output itself stays either way.
//     if (std::string m = WriteOutputSidecar(follower, path, "export", { { "scan", k } }, "morvane"); !m.empty())
//         host->ShowMessage(m);
// Reproduce makes a kind again once ReproduceCommand.cpp has its row in Kinds.
std::string WriteOutputSidecar(const ChannelFollower& follower, const std::string& outputPath, const std::string& kind,
    const nlohmann::ordered_json& parameters, const std::string& program);

} // namespace morvane
