#pragma once
#include <string>

#include "follower/ResultSummary.h"

namespace morvane {

// The line the headless program prints for each file it writes, as text or as JSON.

// "<file>: <sets> g(s*) sets from <scans> scans of <channel>, t = <first> to <last> s, g(s*) peak at
// s* = <s> S" (or ", no g(s*) peak above s* = <from> S"), then "; " and the scan counts as
// ScanCountText gives them ("12 scans read, 11 used, 1 refused (...)").
std::string SummaryText(const Summary& s, const std::string& file, const std::string& channel);

// One JSON object on one line (no line end); a peak that was not found is null. The scan counts
// follow as "scans_read", "scans_used", "scans_refused", "refusals" (one {"reason", "count",
// "first_file"} per reason that refused a file), "scans_pending", "first_pending_file" (null when
// none is pending) and "reloads". A channel of one of its cell's wavelengths adds "wavelength_nm"
// after "channel" and "scans_other_wavelengths" (the cell's scans at its other wavelengths) last.
std::string SummaryJson(const Summary& s, const std::string& file, const std::string& channel);

// Text as a JSON string can hold it: valid UTF-8 as it is, every byte that is not part of a
// valid UTF-8 character as the four characters \xNN (NN its value in hex), so a path that is
// not UTF-8 stays readable and tells its bytes.
std::string Utf8OrEscaped(const std::string& text);

// ---- Convergence of a followed run (analyze --watch) ----

// The summary line with the convergence added: text gets "; " and the verdict; JSON gets the fields
// "converged", "verdict", "peak_drift_percent", "shape_change_percent" (null when unknown),
// "stable_minutes", then "meniscus_level_percent", "species_compared" (0 when no species were
// compared), "species_s_change_percent" and "share_change_points" (null when not compared).
std::string WithConvergence(const std::string& summary, const ConvergenceSummary& convergence, bool json);

} // namespace morvane
