#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "follower/ExtrapolationFile.h"
#include "follower/GofsOutput.h"
#include "follower/ScanCounts.h"
#include "realtime/RealTimeGofS.h"
#include "settings/GUISettings.h"
#include "species/RunConvergence.h"

namespace morvane {

// What is said of a loaded channel's results, computed in one place for the summaries of the
// headless program and for the run report: the g(s*) set written with its peak, the extrapolation
// with the range taken and its peak, and the convergence verdict.

// ---- g(s*) ----

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
// meniscus at the set's omega^2 t, interpolated between grid points. The engine has a g(s*) set.
Summary Summarise(const RealTimeGofS& engine, int32_t set, bool newest);

// A number for JSON and text summaries: "%.3g".
std::string ThreeDigits(double x);

// ---- Extrapolation ----

// Extrapolated sets end - start + 1 must be at least this many.
inline constexpr int ExtrapolationMinimumSets = 5;

// The extrapolation of a range and what is said of it.
struct ExtrapolationChoice {
    ExtrapolationOutput x; // the range extrapolated last: the result, or the range that is none
    // "given" (the range asked for), "default" (every set) or "chosen" (the default was no result
    // and the sound range nearest to it was taken instead)
    std::string range;
    std::string refusal; // why the range asked for is no result (and which would be); empty when it is one
    bool sound = false; // x is a result
    GofsPeak peak; // among the well-determined points (WellDeterminedGofs) above BoundaryMinimumSStar
    std::string peakNote; // no well-determined peak, or a broad one; empty otherwise
};

// Extrapolates the smoothed sets start .. end (existing, at least ExtrapolationMinimumSets) with
// the display settings' parameters. A range that is no result (JudgeExtrapolation) stays refused
// when given; the default range is replaced by the sound range nearest to it, when there is one.
ExtrapolationChoice ChooseExtrapolation(const RealTimeGofS& engine, const std::string& runDir, int32_t start,
    int32_t end, bool given, const GUISettings& display);

// ---- Convergence ----

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

// The verdict on the newest set of a series (ConvergenceSeries).
ConvergenceSummary SummariseConvergence(
    const std::vector<ConvergencePoint>& series, const ConvergenceThresholds& thresholds);

// The verdict on the newest set; `fits` keeps the species fits between the looks of a followed run.
ConvergenceSummary SummariseConvergence(
    const RealTimeGofS& engine, const ConvergenceThresholds& thresholds = {}, ConvergenceFitCache* fits = nullptr);

} // namespace morvane
