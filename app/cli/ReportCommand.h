#pragma once
#include <iosfwd>
#include <optional>
#include <string>

#include "app/cli/CliSupport.h"
#include "app/cli/FitCommand.h"

namespace morvane {

// morvane-cli report RUN_DIR [options] --output FILE.html: the run report (RunReport.h) of a
// channel, with its record.

struct ReportOptions {
    std::string runDir;
    std::string channel; // empty: the channel the main window would select
    AnalysisOptions analysis;
    std::optional<int> start, end; // the extrapolation's range; default every set
    bool speciesTable = false; // the species table, of fit.species species
    FitOptions fit; // the fit's species, model, solvent and s* range (its set and output unused)
    bool cs = false; // the c(s) section, fitted with morvane-cli cs's defaults and fit's solvent
    std::string output;
    bool force = false; // the output may replace or join the scan files of another run's directory
    bool progress = false;
};

// Loads the channel, writes the report and its record, and prints one line naming what it holds.
// Status 0 when written, 1 when the data cannot give a report or it could not be written, 2 for a
// bad option.
int RunReport(const ReportOptions& options, std::ostream& out, std::ostream& err);

CliCommand AddReportCommand(CLI::App& app, const CliContext& context);

} // namespace morvane
