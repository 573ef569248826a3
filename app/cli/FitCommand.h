#pragma once
#include <iosfwd>
#include <optional>
#include <string>

#include "app/cli/CliSupport.h"
#include "settings/SpeciesSettings.h"
#include "species/SpeciesTypes.h"

namespace morvane {

// morvane-cli fit RUN_DIR [options]: one to three species fitted to a g(s*) set of a channel, printed
// as the species table (SpeciesTable.h) or as one JSON object.

struct FitOptions {
    std::string runDir;
    std::string channel; // empty: the channel the main window would select
    AnalysisOptions analysis;
    int species = 1;
    std::string model = "lamm"; // "lamm" or "gaussian"
    std::optional<int> set; // default: the newest g(s*) set
    std::optional<double> vbar; // ml/g; default the settings' (0.73)
    std::optional<double> density; // g/ml; default water at 20 C
    std::optional<double> viscosity; // cP; default water at 20 C
    std::optional<double> temperature; // deg C; default from the scans
    std::optional<double> minSStar; // S; default 0.5
    std::optional<double> maxSStar; // S; default the set's last point
    std::string output; // empty: the table is printed only; otherwise also written here, with its sidecar
    bool force = false; // may write among the scan files of a directory other than the run's
    bool json = false;
    bool progress = false;
};

// Loads the channel, fits the set and prints the result (and writes the table to options.output):
// status 0 for a converged fit, 1 when the data cannot be had, the fit failed (the reason on err, or
// in the JSON object) or the table or its sidecar could not be written, 2 for a bad option.
int RunFit(const FitOptions& options, std::ostream& out, std::ostream& err);

// The fit as one JSON object on one line: what was fitted, how the fit went, the solvent, and
// per species each value with its standard error (numbers that are not finite as null), and
// "meniscus_found_cm" when --meniscus auto found it.
std::string FitJson(const SpeciesFitResult& result, const std::string& runDir, const std::string& channel,
    std::optional<double> meniscusFound = std::nullopt);

// The fit's options from the command line over the species settings; empty, or what is wrong.
std::string SpeciesFitOptionsFrom(const FitOptions& options, const SpeciesSettings& species, SpeciesFitOptions& fit);

// --species, --model and the solvent and range options, into `options`.
void AddSpeciesFitOptions(CLI::App& command, FitOptions& options);

CliCommand AddFitCommand(CLI::App& app, const CliContext& context);

} // namespace morvane
