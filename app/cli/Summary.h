#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "dataview/GofsOutput.h"
#include "dataview/ScanCounts.h"
#include "realtime/RealTimeGofS.h"
#include "species/RunConvergence.h"

// The line the headless program prints for each file it writes, as text or as JSON.

struct Summary {
    int32_t scans = 0;
    int32_t sets = 0;
    int32_t set = 0; // the set written (the newest for the newest-set form)
    double firstTime = 0; // s, first raw scan of the written set
    double lastTime = 0; // s, last raw scan of the written set
    double peakFrom = 0; // Svedbergs: the peak is searched above it (BoundaryMinimumSStar)
    GofsPeak peak;
    std::optional<double> meniscusFound; // cm, when the meniscus was found from the data
    // ---- Scan counts: what became of the channel's scan files at the latest look ----
    ScanCounts counts;
};

// The summary of set `set` of the engine's g(s*) store, or of the newest set (newest). The peak is
// the highest g(s*) of the written rows above the s* of a boundary BoundaryClearanceCm past the
// meniscus at the set's omega^2 t, interpolated between grid points.
Summary Summarise(const RealTimeGofS& engine, int32_t set, bool newest);

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

// A number for JSON and text summaries: "%.3g".
std::string ThreeDigits(double x);

// ---- Convergence of a followed run (analyze --watch) ----

// The verdict of RunConvergence.h on the newest g(s*) set, for a summary line.
struct ConvergenceSummary {
    bool converged = false;
    std::string verdict; // "stable for 25 min: peak 4.39 S ± 0.3 %, shape change 0.8 %" or "not yet: ..."
    double peakDriftPercent = 0; // NaN when there is no earlier set to compare with
    double shapeChangePercent = 0;
    double stableMinutes = 0;
    double meniscusLevelPercent = 0; // of the peak; NaN when unknown
    int32_t speciesCompared = 0; // species whose fitted answers were compared (as the peaks show); 0: none
    double speciesSChangePercent = 0; // NaN without species compared or when a fit failed
    double shareChangePoints = 0;
};

// The verdict on the newest set; `fits` keeps the species fits between the looks of a followed run.
ConvergenceSummary SummariseConvergence(
    const RealTimeGofS& engine, const ConvergenceThresholds& thresholds = {}, ConvergenceFitCache* fits = nullptr);

// The summary line with the convergence added: text gets "; " and the verdict; JSON gets the fields
// "converged", "verdict", "peak_drift_percent", "shape_change_percent" (null when unknown),
// "stable_minutes", then "meniscus_level_percent", "species_compared" (0 when no species were
// compared), "species_s_change_percent" and "share_change_points" (null when not compared).
std::string WithConvergence(const std::string& summary, const ConvergenceSummary& convergence, bool json);
