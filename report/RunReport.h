#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "cs/CsFit.h"
#include "follower/ChannelFollower.h"
#include "follower/ResultSummary.h"
#include "provenance/Sidecar.h"
#include "settings/GUISettings.h"
#include "settings/SpeciesSettings.h"
#include "species/RunConvergence.h"
#include "species/SpeciesTypes.h"

namespace morvane {

// The run report: one self-contained HTML file of a loaded channel to file away or print. It names
// the run and channel, the scans used and refused, every parameter, and shows the raw scans, the
// newest g(s*) set with its peak, the extrapolation (or why it is no result), the species table
// and the c(s) distribution with its peaks when they were asked for, the convergence verdict, and the inputs' SHA-256
// as the record beside it holds them. Pictures are inline SVG (SvgChart.h); no script, no outside reference. Its
// numbers are those of the headless program's summaries (ResultSummary.h) and species table.
//
// The report is written with its record (kind "report"), and everything the report says of the
// scans, positions, settings and hashes comes from that record, the rest from the engine: so
// `morvane-cli reproduce` makes the same bytes again from the recorded files (a report names the
// program and version its record names, so a later version that computes the same numbers makes
// the same bytes). The record's parameters hold what else the report took:
//   "written_utc"            the time the report names
//   "extrapolation_start", "extrapolation_end"   the range asked for, or null for every set
//   "species_fit"            null, or the fit's options as a species-fit record holds them
//   "convergence"            the convergence settings by key name (ConvergenceWindowPercent, ...)
//   "meniscus_found_cm"      the meniscus found from the data, or null when it was given
//   "cs"                     null (or missing), or the c(s) fit's options as a c(s) record holds them
//   "scans_pending", "first_pending_file", "scans_other_wavelengths", "other_wavelengths_nm"
//                            the channel's files that were not complete, and those of its cell's
//                            other wavelengths, at the load

inline constexpr const char* KindReport = "report";

// What a report takes besides the loaded channel.
struct ReportRequest {
    std::string program = "morvane-cli"; // who writes it: "morvane" or "morvane-cli"
    // The extrapolation's range; none: every set, the nearest sound range when that is no result.
    std::optional<int32_t> start, end;
    std::optional<SpeciesFitOptions> species; // the newest set's species table, fitted with these
    SpeciesSettings convergence; // its Convergence... keys give the verdict's thresholds
    GUISettings display; // the extrapolation's parameters (ExtrapolationDisplayKeys)
    std::optional<double> meniscusFound; // cm, when the meniscus was found from the data
    std::optional<morvane::cs::CsOptions> cs; // a c(s) section, fitted afresh with these
};

// What the report found, for a summary line and for tests.
struct ReportFacts {
    Summary gofs;
    ExtrapolationChoice extrapolation;
    bool extrapolated = false; // an extrapolation was made (the channel has the sets for one)
    std::optional<SpeciesFitResult> species;
    ConvergenceSummary convergence;
    std::optional<morvane::cs::CsResult> cs;
};

// The record of a report of the follower's channel to be written at `outputPath`: the channel as
// RecordChannel records it (reading every scan file for its hash), its newest g(s*) set, the
// extrapolation's display settings and the parameters above (written_utc: now).
Sidecar ReportRecord(const ChannelFollower& follower, const std::string& outputPath, const ReportRequest& request);

// The request a report's record holds; "" or what is wrong with its parameters (one line).
std::string ReportRequestOf(const Sidecar& record, ReportRequest& request);

// The report's HTML from the engine and its record. "" with `html` set, or why there is none (no
// g(s*) set, a record whose parameters are wrong). `fits`: species fits of earlier convergence
// verdicts with the same options (a data view's), or null.
std::string ReportHtml(const RealTimeGofS& engine, const Sidecar& record, std::string& html,
    ReportFacts* facts = nullptr, ConvergenceFitCache* fits = nullptr);

// Writes the report of the follower's channel (through a temporary file and a rename) and its
// record beside it. "" or the one-line failure; a record that could not be written says that the
// report itself stays.
std::string WriteRunReport(const ChannelFollower& follower, const std::string& path, const ReportRequest& request,
    ReportFacts* facts = nullptr, ConvergenceFitCache* fits = nullptr);

// "run report for " + FileNameTitle + ".html".
std::string ProposedReportFileName(const RealTimeGofS& engine);

} // namespace morvane
