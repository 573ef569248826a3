#pragma once
#include <iosfwd>
#include <optional>
#include <string>

#include "app/cli/CliSupport.h"
#include "follower/ExtrapolationFile.h"
#include "follower/ResultSummary.h"
#include "settings/GUISettings.h"

namespace morvane {

// morvane-cli extrapolate RUN_DIR [options]: the extrapolation of smoothed g(s*) sets to infinite
// time, as the data view's s* axis view draws it, written as a file (ExtrapolationFile.h).

struct ExtrapolateOptions {
    std::string runDir;
    std::string channel; // empty: the channel the main window would select
    AnalysisOptions analysis;
    std::optional<int> start; // default: 0 (every set up to end, as the data view takes them)
    std::optional<int> end; // default: the newest smoothed set
    std::string output; // empty: the proposed name in the current directory
    bool force = false; // may write among the scan files of a directory other than the run's
    bool json = false;
    bool progress = false;
};

// Loads the channel, extrapolates the sets, writes the file and prints a summary line. An
// extrapolation that is no result (JudgeExtrapolation) is not written: with a range given, the
// reason and a sound range go to err and the status is 2; with the defaults, the sound range is
// taken instead and named on err and in the summary (status 1 when there is none).
int RunExtrapolate(const ExtrapolateOptions& options, std::ostream& out, std::ostream& err);

CliCommand AddExtrapolateCommand(CLI::App& app, const CliContext& context);

} // namespace morvane
