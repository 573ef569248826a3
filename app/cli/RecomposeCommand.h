#pragma once
#include <iosfwd>
#include <string>

#include "app/cli/CliSupport.h"

namespace morvane {

struct RecomposeOptions {
    std::string dataDir;
    std::string paradigm;
    std::string outputDir;
    bool force = false; // may write among the scan files of a directory other than the run's
};

// "morvane-cli recompose": what the recompose tool does, without its window. Prints each status
// line on out; a refusal, a skipped file or a stop is one line each on err and a non-zero status.
int RunRecompose(const RecomposeOptions& options, std::ostream& out, std::ostream& err);

CliCommand AddRecomposeCommand(CLI::App& app, const CliContext& context);

} // namespace morvane
