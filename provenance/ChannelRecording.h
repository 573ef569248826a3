#pragma once
#include <cstdint>
#include <string>

#include "dataview/ChannelFollower.h"
#include "provenance/Sidecar.h"

// The sidecar's record of a loaded channel, taken from its follower: the run directory, the channel
// entry, the positions, the averaging rule and the analysis settings of its engine, and every
// complete scan file of the load with its size and SHA-256 (read now, from the run directory).
ChannelRecord RecordChannel(const ChannelFollower& follower);

// Set k of one of the engine's derived stores (GofsStore, SmoothGofsStore, AvgDcdtStore), with the
// raw scans it was computed from; `storeName` names the store in the record.
SetRecord RecordSet(const RealTimeGofS& engine, const ChannelDataStore& store, const std::string& storeName, int32_t k);

// A g(s*) file's sidecar: the newest set with the composite's gaps (kind "gofs"), or set `set` alone
// ("gofs-set", parameter "set").
Sidecar GofsSidecar(
    const ChannelFollower& follower, const std::string& outputPath, int32_t set, bool newestWithComposite);
