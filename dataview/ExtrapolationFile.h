#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "realtime/Extrapolation.h"
#include "realtime/RealTimeGofS.h"
#include "settings/GUISettings.h"

// The extrapolation file that morvane-cli extrapolate and the data view's extrapolation tab write: tab-separated, CR LF
// line ends, numbers as the g(s*) file writes them.
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

// The display settings the extrapolation reads, by key name.
inline constexpr const char* ExtrapolationDisplayKeys[]
    = { "ExtrapolationCutoff", "ExtrapolationMinLogS", "ExtrapolationSmoothRepetition", "ExtrapolationSmoothCarSize" };

struct ExtrapolationOutput {
    ExtrapolationParameters parameters;
    ExtrapolationFileHeader header;
    std::vector<ExtrapolatedRow> rows; // empty: no point could be extrapolated
};

// The extrapolation of the smoothed g(s*) sets start .. end (both existing) of a loaded channel, as
// the file writes it; runDir is the run the file names.
ExtrapolationOutput ExtrapolateSets(
    const RealTimeGofS& engine, const std::string& runDir, int32_t start, int32_t end, const GUISettings& display);

// The proposed file name: "t dcdt extrapolated for " + the first 16 characters of the g(s*)
// file's title + ".txt".
std::string ProposedExtrapolationFileName(const RealTimeGofS& engine);
