#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "realtime/Extrapolation.h"

// The extrapolation file that morvane-cli extrapolate writes: tab-separated, CR LF line ends,
// numbers as the g(s*) file writes them.
//
//   # Morvane: s*g(s*) extrapolated to infinite time
//   # run: <run directory>
//   # channel: <channel entry>
//   # start set: <k>, mean time <t> s            smoothed g(s*) sets; t rounded to whole seconds
//   # end set: <k>, mean time <t> s
//   # extrapolated points: <rows>
//   # s* (S)<TAB>s*g(s*) at infinite time<TAB>standard error
//   <s*><TAB><v><TAB><e>                           one row per point of the extrapolated curve

struct ExtrapolationFileHeader {
    std::string runDir;
    std::string channel;
    int32_t start = 0;
    int32_t end = 0;
    double startTime = 0; // s, mean time of the start set
    double endTime = 0;
};

struct ExtrapolatedRow {
    double sStar; // Svedbergs
    double value; // s*g(s*) at infinite time
    double error; // its standard error
};

// The points the s* axis view draws as the extrapolated curve (e >= 0 and ln s above minLogS),
// in grid order.
std::vector<ExtrapolatedRow> ExtrapolatedRows(const ExtrapolationResult& result, double minLogS);

std::string ExtrapolationFileText(const ExtrapolationFileHeader& header, const std::vector<ExtrapolatedRow>& rows);
