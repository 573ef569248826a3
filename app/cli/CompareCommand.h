#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "app/cli/CliSupport.h"
#include "follower/ComparisonFile.h"

namespace morvane {

// morvane-cli compare RUN_DIR[:MASK] ... --output FILE: the composite g(s*) curves of several
// channels side by side, what the comparison window overlays.

struct CompareOptions {
    std::vector<std::string> inputs; // RUN_DIR or RUN_DIR:MASK
    bool normalized = false; // each curve divided by its total concentration Co
    AnalysisOptions analysis; // the positions and --mw, as for analyze
    std::string output;
    bool force = false; // may write among the scan files of a directory other than the run's
};

// One input: the run directory and the mask after its last ':' (empty: the channel the main
// window would select). A text that names an existing directory is a directory, ':' and all.
struct CompareInput {
    std::string runDir;
    std::string mask;
};
CompareInput ParseCompareInput(const std::string& text);

// Loads every channel, then writes the file through a temporary file and a rename; one summary
// line on out. Errors are one line on err and a non-zero status; nothing is written then.
int RunCompare(const CompareOptions& options, std::ostream& out, std::ostream& err);

CliCommand AddCompareCommand(CLI::App& app, const CliContext& context);

} // namespace morvane
