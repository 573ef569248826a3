#pragma once
#include <atomic>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "app/cli/CliSupport.h"
#include "cs/CsFit.h"

namespace morvane {

// morvane-cli cs RUN_DIR [options]: the c(s) distribution of a channel fitted to its raw scans
// (cs/CsFit.h), written as the c(s) file (cs/CsFile.h) with its record, and summarised as text or JSON.

struct CsCommandOptions {
    std::string runDir;
    std::string channel; // empty: the channel the main window would select
    AnalysisOptions analysis;
    std::optional<double> sMin, sMax; // S
    std::optional<int> resolution;
    std::string ff0 = "fit"; // "fit" or a number
    std::optional<double> confidence;
    std::optional<double> rMin, rMax; // cm
    bool fitMeniscus = false;
    bool timeInvariant = false; // also on channels that do not call for it
    std::optional<double> vbar, density, viscosity;
    std::string output; // empty: "c(s) for <title>.txt" in the current directory
    bool force = false; // --force: write the output even where it would be a scan among scans
    bool watch = false;
    bool json = false;
    bool progress = false;
};

// Status 0 with the file written, 1 when the data cannot be fitted or the file or its record could
// not be written, 2 for a bad option. With watch, follows the run until `stop`, fitting again
// (adding the new scans to the kept Lamm solutions) after each batch of new scans.
int RunCs(const CsCommandOptions& options, std::ostream& out, std::ostream& err, const std::atomic<bool>& stop,
    const std::function<void(int)>& sleepMs);

// One JSON object on one line: "file", "channel", "scans_used", "meniscus_cm", "bottom_cm", "ff0",
// "ff0_fitted", "rms_residual", "peaks" (each "s", "s20w", "fraction" 0..1, "m_g_per_mol"), "notes".
std::string CsSummaryJson(const morvane::cs::CsResult& result, const std::string& file, const std::string& channel);
// "<file>: c(s) of <channel> from <n> scans, f/f0 <r> (fitted), rms <rms>; peaks at <s> S (<f> %, <M> kDa), ..."
std::string CsSummaryText(const morvane::cs::CsResult& result, const std::string& file, const std::string& channel);

CliCommand AddCsCommand(CLI::App& app, const CliContext& context);

} // namespace morvane
