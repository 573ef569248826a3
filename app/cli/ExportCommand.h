#pragma once
#include <iosfwd>
#include <string>

#include "app/cli/CliSupport.h"
#include "follower/ScanExport.h"

namespace morvane {

// morvane-cli export RUN_DIR [options] --output-dir DIR: the channel's raw scans on its common
// radial grid (interference scans as corrected) written as the data view's export writes them,
// numbered from 00001, into DIR.

struct ExportOptions {
    std::string runDir;
    std::string channel; // empty: the channel the main window would select
    AnalysisOptions analysis;
    std::string outputDir; // made when missing; never the run directory
    bool force = false; // may write among the scan files of a directory other than the run's
    LocalDateTime now; // the date and time in the exported descriptions
    bool progress = false;
};

// Loads the channel, exports its scans and prints one summary line. A refusal or a failure is one
// line on err and a non-zero status: 2 for a wrong request, 1 for data or files that fail.
int RunExport(const ExportOptions& options, std::ostream& out, std::ostream& err);

CliCommand AddExportCommand(CLI::App& app, const CliContext& context);

} // namespace morvane
