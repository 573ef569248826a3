#pragma once
#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "species/SpeciesFit.h"
#include "species/SpeciesTypes.h"

namespace morvane {

class RealTimeGofS;

// "Has the run converged, can I stop it?": how much the g(s*) of a run still changes. Each g(s*)
// set is compared with the set a fraction of its own elapsed time earlier, which is what the
// verdict compared when that set was the newest, so the series is the history of the verdict and
// a run followed live and the same run loaded afterwards give the same verdicts:
//  - peak drift: the relative change of the s* at which g(s*) peaks (the top of the peak fitted);
//  - shape change: the largest difference between the two sets' cumulative distributions, each
//    normalised to 1, compared at the resolution the data hold (ShapeChangeOf of
//    ConvergenceMeasures.h): over the s* range where either set stands clearly out of its own
//    noise, and with both sets blurred to the width of the newer set's peak, so that neither the
//    noise of empty s* ranges nor the narrowing of every peak as diffusion falls behind
//    sedimentation counts as change;
//  - where species are compared, the largest relative change of a fitted s and of a share.
// And, of the set alone, the meniscus level: s* g(s*) at the low end of the compared range
// against its peak. Where every species has left the meniscus, the concentration there is
// constant, dc/dt is 0 and so is g(s*); a species whose boundary still reaches the meniscus keeps
// it up. The changes above cannot see such a species: over a tenth of the run it narrows by the
// same fraction as any other.
//
// Species are compared where a fit was asked for (fitOptions: as many species as that fit) or,
// without one, at a set that, with the ConfirmSets - 1 sets before it, each shows more than one
// peak (as many species as the fewest of them show, at most 3): the set and its compared set are
// fitted with that many species by the Gaussian model, which takes a millisecond or so a fit
// where the Lamm-boundary model takes up to a second.
//
// The verdict has hysteresis: a measure is clearly within its limit at or below ClearlyWithin
// times it, clearly past it above ClearlyPast times it. The verdict turns "stable" once every
// measure has been clearly within its limit for ConfirmSets sets in a row, and back to "not yet"
// only once some measure has been clearly past its limit for ConfirmSets sets in a row; sets in
// between keep the verdict. A measure that cannot be had (no peak stands out of the noise, a fit
// that failed) counts as clearly past its limit.
struct ConvergenceThresholds {
    // Why these defaults, from simulated runs (a 4.4 S protein in absorbance, 0.005 OD noise; a
    // 6.5 S antibody in interference, 0.01-0.02 fringes with offsets and fringe jumps): over the
    // last 10 % of the elapsed time a settled single species moves its plain peak by 0.0-0.5 %
    // (its skew, -sigma^2 / (2 s), falls as 1/t; noise adds some tenths) and its shape, compared at
    // the data's resolution, by 0.3-1.4 % (noisy interference now and then 2 %, which the band
    // keeps from turning the verdict), and leaves below 1 % of its peak at 0.5 S, while a
    // 0.8 S species that has not left the meniscus keeps 7 % there. The peak limit is half the 1 %
    // to which s* is usually quoted; a fitted share within 2 points is within what a fit gives for
    // an overlapping pair. The band around each limit is narrow below it, since the plain peak of
    // a settled protein drifts by 0.3-0.45 % a window in mid-run, just below its limit, and wider
    // above it, beyond the excursions of noise; three sets in a row, since neighbouring sets share
    // most of their scans, so that two are hardly two looks at the data.
    double WindowFraction = 0.10; // compare with the set this fraction of its elapsed time earlier
    double PeakDrift = 0.005; // relative
    double ShapeChange = 0.02; // fraction of the distribution
    double MeniscusLevel = 0.03; // fraction of the peak of s* g(s*)
    double SpeciesSChange = 0.01; // relative
    double ShareChange = 0.02; // fraction of the loading
    double MinSStar = 0.5; // S: the curves are compared above this s*, clear of the meniscus noise
    double ClearlyWithin = 0.9; // of each limit: a measure at or below this is clearly within it
    double ClearlyPast = 1.25; // of each limit: a measure above this is clearly past it
    int32_t ConfirmSets = 3; // sets in a row clearly on the other side before the verdict changes
};

// Where a set's measures lie against their limits (ConvergenceThresholds::ClearlyWithin, ClearlyPast).
enum class ConvergenceSide {
    None, // nothing to compare with
    Within, // every measure clearly within its limit
    Between, // none clearly past, some not clearly within
    Past, // some measure clearly past its limit, or not to be had
};

// The measure for one g(s*) set. Measures that could not be had are NaN.
struct ConvergencePoint {
    int32_t Set = 0;
    double ElapsedSeconds = 0; // of the set's newest scan
    int32_t ComparedSet = -1; // the set a window earlier; -1 when there is none
    double ComparedElapsedSeconds = 0;
    double PeakSStar = 0; // S, where the set's g(s*) peaks
    double PeakDrift = 0; // relative
    double ShapeChange = 0; // fraction
    double MeniscusLevel = 0; // fraction of the peak
    bool Fitted = false; // species were compared at this set
    int32_t FittedSpecies = 0; // how many; 0 when none were
    bool FitAsked = false; // the count is that of a fit asked for (else that of the peaks shown)
    double SpeciesSChange = 0; // relative; NaN without a fit or when a fit failed
    double ShareChange = 0; // fraction; NaN likewise
    ConvergenceSide Side = ConvergenceSide::None;
    bool Stable = false; // the verdict at this set, with its hysteresis
};

struct ConvergenceVerdict {
    bool Stable = false;
    double StableForSeconds = 0; // since the set at which the verdict turned stable
    ConvergencePoint Newest;
    std::string Text; // "stable for 25 min: peak 4.39 S ± 0.3 %, shape change 0.8 %" or "not yet: ..."
};

// Fits of earlier calls, so that a live refresh fits only the sets that are new or changed.
// A fit is taken again only for a set whose g(s*) values, times and meniscus are the same, with
// the same fit options; the fits a call did not use are dropped.
class ConvergenceFitCache {
public:
    struct Fit {
        bool Converged = false;
        std::vector<double> S, Share; // by increasing s
    };
    const Fit& Of(const RealTimeGofS& engine, const SpeciesFitOptions& options);
    void DropUnused(); // called at the end of a series: forgets what this call did not ask for
    size_t Size() const { return fits_.size(); }
    int32_t FitsMade() const { return made_; } // fits made (not taken from the cache) so far

    // The fits a series lacks, made elsewhere: while collecting, Of() makes no fit but keeps the
    // job of each one it lacks (TakeMissing) and answers with a failed fit, and nothing is
    // dropped; the series of such a call is to be thrown away. A window makes the missing fits
    // on a thread of its own (FitOf), puts them here and asks for the series again.
    struct Missing {
        uint64_t Key = 0;
        SpeciesFitJob Job;
    };
    void Collect(bool on) { collecting_ = on; }
    std::vector<Missing> TakeMissing();
    static Fit FitOf(const SpeciesFitJob& job, const std::atomic<bool>* cancel = nullptr);
    void Put(uint64_t key, Fit fit);

private:
    struct Entry {
        Fit Result;
        bool Used = false;
    };
    std::map<uint64_t, Entry> fits_;
    int32_t made_ = 0;
    bool collecting_ = false;
    std::map<uint64_t, SpeciesFitJob> missing_;
};

// The measure for every g(s*) set of the engine, oldest first (a time series for a small chart),
// each with the verdict the sets up to it give. fitOptions: species are compared at every set with
// its number of species (by the Gaussian model, whatever model it names) and fit range; without,
// as the peaks show. cache: fits of earlier calls (none: every fit is made afresh).
std::vector<ConvergencePoint> ConvergenceSeries(const RealTimeGofS& engine,
    const ConvergenceThresholds& thresholds = {}, const SpeciesFitOptions* fitOptions = nullptr,
    ConvergenceFitCache* cache = nullptr);

// The verdict at each set of a series whose measures are filled in (Side and Stable, with the
// hysteresis above): what ConvergenceSeries does last.
void JudgeEachSet(std::vector<ConvergencePoint>& series, const ConvergenceThresholds& thresholds = {});

// The verdict on the newest set, from the series.
ConvergenceVerdict JudgeConvergence(
    const std::vector<ConvergencePoint>& series, const ConvergenceThresholds& thresholds = {});

} // namespace morvane
