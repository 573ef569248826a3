#pragma once
#include <atomic>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "app/cli/CliSupport.h"

namespace morvane {

// morvane-cli analyze RUN_DIR [options]: the g(s*) file of a channel, once or following the run.

struct AnalyzeOptions {
    std::string runDir;
    std::string channel; // empty: the channel the main window would select
    AnalysisOptions analysis;
    std::string output; // empty: the proposed name in the current directory
    bool force = false; // may write among the scan files of a directory other than the run's
    std::optional<int> set; // write this g(s*) set alone (time-course form)
    bool watch = false;
    bool json = false;
    bool progress = false; // progress lines on err while loading
};

// Loads the channel like a data view, writes the g(s*) file and prints a summary line per file.
// With watch, follows the run until `stop` becomes true, also before the run directory or the
// channel's first file exists; a failed write is reported and tried again after the next scans.
// `sleepMs` waits (and may return early).
int RunAnalyze(const AnalyzeOptions& options, std::ostream& out, std::ostream& err, const std::atomic<bool>& stop,
    const std::function<void(int)>& sleepMs);

CliCommand AddAnalyzeCommand(CLI::App& app, const CliContext& context);

} // namespace morvane
