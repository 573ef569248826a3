#pragma once
#include <iosfwd>
#include <optional>
#include <string>

#include "app/cli/CliSupport.h"
#include "app/cli/ExtrapolationFile.h"
#include "settings/GUISettings.h"

// morvane-cli extrapolate RUN_DIR [options]: the extrapolation of smoothed g(s*) sets to infinite
// time, as the data view's s* axis view draws it, written as a file (ExtrapolationFile.h).

struct ExtrapolateOptions {
    std::string runDir;
    std::string channel; // empty: the channel the main window would select
    AnalysisOptions analysis;
    std::optional<int> start; // default: end - 10, at least 0
    std::optional<int> end; // default: the newest smoothed set
    std::string output; // empty: the proposed name in the current directory
    bool json = false;
    bool progress = false;
};

// Extrapolated sets end - start + 1 must be at least this many.
inline constexpr int ExtrapolationMinimumSets = 5;
// The range the defaults take: end - DefaultExtrapolationSpan to end.
inline constexpr int DefaultExtrapolationSpan = 10;

// Loads the channel, extrapolates the sets, writes the file and prints a summary line.
int RunExtrapolate(const ExtrapolateOptions& options, std::ostream& out, std::ostream& err);

// The proposed file name: "t dcdt extrapolated for " + the first 16 characters of the g(s*)
// file's title + ".txt".
std::string ProposedExtrapolationFileName(const RealTimeGofS& engine);

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

CliCommand AddExtrapolateCommand(CLI::App& app, const CliContext& context);
