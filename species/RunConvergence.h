#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "species/SpeciesTypes.h"

class RealTimeGofS;

// "Has the run converged, can I stop it?": how much the g(s*) of a run still changes. Each g(s*)
// set is compared with the set of a fixed time earlier (a fraction of the newest set's elapsed
// time, the same for every set, so the measure of a settling run falls):
//  - peak drift: the relative change of the s* at which g(s*) peaks;
//  - shape change: the largest difference between the two sets' cumulative distributions, each
//    normalised to 1 over the s* range both cover (the share of material that changed its s*
//    class: 0 for the same shape, 1 for disjoint ones). It hardly sees the steady narrowing of a
//    peak as diffusion falls behind sedimentation (about 1 % for the 5 % narrowing of a 10 %
//    longer run), but it sees species that move or part;
//  - with a species fit, the largest relative change of a fitted s and of a share.
// And, of the set alone, the meniscus level: s* g(s*) at the low end of the compared range
// against its peak. Where every species has left the meniscus, the concentration there is
// constant, dc/dt is 0 and so is g(s*); a species whose boundary still reaches the meniscus keeps
// it up. The changes above cannot see such a species: over a tenth of the run it narrows by the
// same fraction as any other.
// The curves are the smoothed g(s*) sets.
struct ConvergenceThresholds {
    // Why these defaults, from simulated runs: over 10 % of the elapsed time a settled single
    // species of the default run (4.4 S at 50000 rpm) moves its peak by 0.1-0.3 % (its skew,
    // -sigma^2 / (2 s), falls as 1/t) and its shape by 1-1.5 %, and leaves below 1 % of its peak
    // at 0.5 S, while a 0.8 S species that has not left the meniscus keeps 7 % there. The peak
    // limit is half the 1 % to which s* is usually quoted; a fitted share within 2 points is
    // within what a fit gives for an overlapping pair.
    double WindowFraction = 0.10; // compare with the set this fraction of the newest elapsed time earlier
    double PeakDrift = 0.005; // relative
    double ShapeChange = 0.02; // fraction of the distribution
    double MeniscusLevel = 0.03; // fraction of the peak of s* g(s*)
    double SpeciesSChange = 0.01; // relative
    double ShareChange = 0.02; // fraction of the loading
    double MinSStar = 0.5; // S: the curves are compared above this s*, clear of the meniscus noise
};

// The measure for one g(s*) set. Measures that could not be had are NaN.
struct ConvergencePoint {
    int32_t Set = 0;
    double ElapsedSeconds = 0; // of the set's newest scan
    int32_t ComparedSet = -1; // the set of the window's time earlier; -1 when there is none
    double ComparedElapsedSeconds = 0;
    double PeakSStar = 0; // S, where the set's g(s*) peaks
    double PeakDrift = 0; // relative
    double ShapeChange = 0; // fraction
    double MeniscusLevel = 0; // fraction of the peak
    bool Fitted = false; // species fits were asked for
    double SpeciesSChange = 0; // relative; NaN without a fit or when a fit failed
    double ShareChange = 0; // fraction; NaN likewise
    bool Stable = false; // every measure within its threshold
};

struct ConvergenceVerdict {
    bool Stable = false;
    double StableForSeconds = 0; // since the first of the newest unbroken run of stable sets
    ConvergencePoint Newest;
    std::string Text; // "stable for 25 min: peak 4.39 S ± 0.3 %, shape change 0.8 %" or "not yet: ..."
};

// The measure for every g(s*) set of the engine, oldest first (a time series for a small chart).
// With fitOptions, every set is also fitted (a second or so per fifty sets).
std::vector<ConvergencePoint> ConvergenceSeries(const RealTimeGofS& engine,
    const ConvergenceThresholds& thresholds = {}, const SpeciesFitOptions* fitOptions = nullptr);

// The verdict on the newest set, from the series.
ConvergenceVerdict JudgeConvergence(
    const std::vector<ConvergencePoint>& series, const ConvergenceThresholds& thresholds = {});
