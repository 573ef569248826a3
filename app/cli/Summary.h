#pragma once
#include <cstdint>
#include <string>

#include "realtime/RealTimeGofS.h"

// The line the headless program prints for each g(s*) file it writes.

struct Summary {
    int32_t scans = 0;
    int32_t sets = 0;
    int32_t set = 0; // the set written (the newest for the newest-set form)
    double firstTime = 0; // s, first raw scan of the written set
    double lastTime = 0; // s, last raw scan of the written set
    double peakS = 0; // Svedbergs
};

// The summary of set `set` of the engine's g(s*) store, or of the newest set (newest).
Summary Summarise(const RealTimeGofS& engine, int32_t set, bool newest);

// "<file>: <sets> g(s*) sets from <scans> scans of <channel>, t = <first> to <last> s, g(s*) peak at s* = <s> S"
std::string SummaryText(const Summary& s, const std::string& file, const std::string& channel);

// One JSON object on one line (no line end).
std::string SummaryJson(const Summary& s, const std::string& file, const std::string& channel);
