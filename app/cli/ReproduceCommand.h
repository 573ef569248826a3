#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "app/cli/CliSupport.h"

namespace morvane {

// morvane-cli reproduce SIDECAR.json [--output FILE]: runs the analysis that a sidecar records
// again, on exactly the recorded scan files with the recorded settings, and reports whether the
// inputs are still those recorded and whether the result is byte-identical to the recorded output.

struct ReproduceOptions {
    std::string sidecar;
    std::string output; // empty: the result is kept in memory only
    // Where the recorded scans are now, when the run was moved: one for every channel of the
    // record, or one per channel in the record's order. The result still names the recorded run.
    std::vector<std::string> runDirs;
    bool force = false; // may write among the scan files of a directory other than the run's
};

// Exit status: 0 when every recorded input is unchanged and the result is byte-identical (files of
// the channel added since are named but change nothing), 1 when an input or the result differs or
// no result could be made, 2 for a sidecar that cannot be read or used (one line on err).
int RunReproduce(const ReproduceOptions& options, std::ostream& out, std::ostream& err);

CliCommand AddReproduceCommand(CLI::App& app, const CliContext& context);

} // namespace morvane
