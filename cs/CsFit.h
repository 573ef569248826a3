#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cs/CsPeaks.h"
#include "cs/NoiseElimination.h"
#include "species/SpeciesTypes.h"

namespace morvane::cs {

// The c(s) distribution (P. Schuck, Biophys. J. 78, 1606, 2000): the scans of a channel fitted
// directly by a superposition of Lamm solutions on a grid of s values,
//
//   a(r, t) = sum_k c_k chi(s_k, D(s_k, f/f0), r, t) + b(r) + beta(t),
//
// chi the solution for a unit loading (MovingHatLamm), D from s and one weight-average frictional
// ratio (Hydrodynamics.h), c_k >= 0 by NNLS, the noise terms eliminated algebraically
// (NoiseElimination.h), regularised at a confidence level by F statistics (Regularisation.h). f/f0
// is fitted by Brent's minimisation (R. P. Brent, Algorithms for Minimization without Derivatives,
// 1973, ch. 5) of the best non-negative fit's chi2, or taken as given.
//
// The rotor's acceleration enters through the scans' omega^2 t: each scan is taken at the time
// omega^2 t / omega^2 of a rotor at the run's speed from the start, which gives every species the
// sedimentation the scan shows (diffusion then runs for a slightly shorter time than it did).

// The scans on the fitted radii, in time order.
struct CsData {
    std::vector<double> radii; // cm, ascending, between meniscus and bottom
    std::vector<double> omega2t; // per scan, rad^2/s
    std::vector<std::vector<double>> values; // per scan, one value per radius
    double omegaSquared = 0; // of the run's speed, rad^2/s^2
    double temperatureC = 20;
};

struct CsOptions {
    double meniscusCm = 5.9;
    double bottomCm = 7.2;
    double sMin = 0, sMax = 0; // S; either <= 0: from the data (DefaultSRange)
    int32_t resolution = 150; // grid points
    double frictionalRatio = 0; // > 0: fixed; else fitted between 1 and 3
    double confidence = 0.68; // F-statistics level of the regularisation; <= 0.5: none
    SolventConditions solvent; // its temperature < 0: the data's
    NoiseTerms noise;
    // The fitted radii (ChannelData): > 0 narrows them to start or end here, cm.
    double radiusLowCm = 0, radiusHighCm = 0;
    // > 0: the meniscus is fitted within this distance of meniscusCm, cm (the radii then start
    // clear of the whole range); else it is taken as given.
    double meniscusRangeCm = 0;
    int32_t threads = 0; // 0: as many as the processor has (at most 8); the result does not depend on it
    // Set from another thread: the fit stops soon after, with the error CancelledText (a window
    // closed, positions changed). Null: never.
    const std::atomic<bool>* cancel = nullptr;
};

inline constexpr const char* CancelledText = "the fit was cancelled";

struct CsResult {
    std::string error; // empty: a result
    std::vector<std::string> notes; // why a value may not be right
    std::vector<double> s; // S, the grid
    std::vector<double> amount; // c_k: the loading of each grid point, signal units
    std::vector<double> distribution; // c(s) = c_k / grid step, signal units per S
    std::vector<double> s20w; // S
    std::vector<CsPeak> peaks;
    double frictionalRatio = 0;
    bool ratioFitted = false;
    int32_t ratioScans = 0; // scans of the fit that chose f/f0
    double rmsResidual = 0; // signal units
    double chi2 = 0, chi2Best = 0, alpha = 0;
    int32_t scansUsed = 0, radii = 0;
    double radiusLow = 0, radiusHigh = 0; // cm, the fitted radii
    double meniscusCm = 0, bottomCm = 0, temperatureC = 20;
    bool meniscusFitted = false; // meniscusCm was fitted within the options' range
    SolventConditions solvent;
    std::vector<double> timeInvariant, radialInvariant; // noise found (empty where not fitted)
    double baseline = 0;
    int32_t lammEvaluations = 0; // sets of Lamm solutions computed (one per f/f0 tried, and the final)
};

// The s range a run can show when none is given: from the s whose boundary moves 0.02 cm over
// the run (at least 0.1 S) to the s whose boundary passes the outermost fitted radius a fifth of
// the way through the scans (so that it is seen in at least a fifth of them).
void DefaultSRange(const CsData& data, double meniscusCm, double& sMin, double& sMax);

// The fitted curves of some scans, to be drawn over the data: model = sum_k c_k chi_k + the noise
// terms, on every fitted radius.
struct CsCurves {
    std::vector<size_t> scans; // indices into the data's scans, ascending
    std::vector<std::vector<double>> model; // per scan, one value per fitted radius
};

// The fit with its Lamm solutions kept: a later call with more scans (the same radii and earlier
// scans, one or more added at the end) advances the solutions only over the new scans and adds
// those scans' sums, keeping f/f0, and gives the same result a fresh fit at that f/f0 gives.
class CsFitter {
public:
    explicit CsFitter(const CsOptions& options);
    ~CsFitter();
    CsFitter(const CsFitter&) = delete;
    CsFitter& operator=(const CsFitter&) = delete;

    // A fresh fit: f/f0 searched when not given, then the distribution on every scan.
    CsResult Fit(const CsData& data);
    // The fit with the scans added since the last Fit or Update, at the f/f0 found then. Falls back
    // to Fit when there is nothing to build on (no fit yet, other radii, fewer scans).
    CsResult Update(const CsData& data);
    // Scans of the last search of f/f0 (0 before any).
    int32_t SearchedScans() const;
    // The fitted curves of `result` (the last Fit or Update) at the scans whose solutions the fit
    // keeps for drawing: about KeptCurves spread evenly from the first scan (every scan while
    // the run is short, then every 2nd, 4th, ... as it grows), and the newest. Empty without a fit.
    CsCurves Curves(const CsResult& result) const;
    static constexpr size_t KeptCurves = 12;

private:
    struct State;
    static CsResult Cancelled(State& state);
    std::unique_ptr<State> state_;
};

} // namespace morvane::cs
