#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "follower/GofsOutput.h"
#include "realtime/Extrapolation.h"
#include "realtime/ExtrapolationGuard.h"
#include "realtime/RealTimeGofS.h"
#include "settings/GUISettings.h"

namespace morvane {

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
    ExtrapolationResult result;
    ExtrapolationJudgement judgement; // not sound: the rows are no result and are not to be written
    ExtrapolationFileHeader header;
    std::vector<ExtrapolatedRow> rows; // empty: no point could be extrapolated
};

// The parameters the data view's extrapolation takes from the display and analysis settings.
ExtrapolationParameters ExtrapolationParametersOf(const RealTimeGofS& engine, const GUISettings& display);

// The extrapolation of the smoothed g(s*) sets start .. end (both existing) of a loaded channel, as
// the file writes it, and its judgement; runDir is the run the file names.
ExtrapolationOutput ExtrapolateSets(
    const RealTimeGofS& engine, const std::string& runDir, int32_t start, int32_t end, const GUISettings& display);

// The proposed file name: "t dcdt extrapolated for " + the first 16 characters of the g(s*)
// file's title + ".txt".
std::string ProposedExtrapolationFileName(const RealTimeGofS& engine);

// The sound range nearest to start .. end of a loaded channel (SoundExtrapolationRange) and the
// sentence that refuses x with it.
std::string ExtrapolationRefusalOf(
    const RealTimeGofS& engine, const ExtrapolationOutput& x, ExtrapolationRange* sound = nullptr);

// A peak of the extrapolated curve is taken only where the value is well determined: its standard
// error below this fraction of the value, so that the value stands two standard errors clear of
// zero (significant at about 95 %). Elsewhere the intercept is mostly noise.
inline constexpr double MaxPeakRelativeError = 0.5;

// The rows as g(s*) rows for FindGofsPeak: g = value / s*, and not finite (never the peak) where
// the value is not well determined.
std::vector<GofsRow> WellDeterminedGofs(const std::vector<ExtrapolatedRow>& rows);

} // namespace morvane
