#pragma once
#include <atomic>
#include <string>

#include "species/SetCoverage.h"
#include "species/SetModel.h"
#include "species/SpeciesTypes.h"

namespace morvane {

class RealTimeGofS;

// Species from g(s*): one to three ideal species fitted to a g(s*) set by nonlinear least squares
// (LevenbergMarquardt.h), starting from the curve's peaks (StartingGuess.h). A fit of n species
// that ends no better than the fit of n - 1 has stopped in a local minimum: it is started again
// from the fit of n - 1 with a species added at the largest peak of its residuals, and the better
// of the two kept. Per species the fit gives s* and s, D, M by the Svedberg equation and f/f0
// (Svedberg.h), the amount and its share, each with a standard error from the covariance of the
// fit (J^T J inverse scaled by the residual variance, carried to derived values by their first
// derivatives). Neighbouring points of a g(s*) set share scans, so their noise is correlated and
// these errors are lower bounds. The fit's notes say where a value may not be right
// (SpeciesNotes.h).
//
// Where the plain g(s*) peak of a species lies, and why it is low. In the default run (4.4 S,
// 66 kDa, 50000 rpm) the newest set's g(s*) peaks 1.1 % below s without noise, at set 28 of 57
// 2.1 % below (the noise of that run moves the peak by some tenths of a percent more). The model
// of BoundaryShapes.h taken through the engine's arithmetic (SetModel.h) reproduces this to
// 0.05 % and splits it up:
//  - the skew of a diffusing boundary in a sector-shaped cell: its time derivative read at fixed
//    s* peaks at s - sigma^2 / (2 s), sigma the diffusion width of the peak (0.66 S in the newest
//    set): -1.1 %, nearly all of it;
//  - radial dilution: the plateau falls during the run, so t dc/dt holds, besides the boundary,
//    a step of 2 s omega^2 t c across it (+0.4 % at the peak uncorrected); the engine's dilution
//    correction leaves a second-order remainder that is small at the peak (-0.03 %) but pulls
//    the high side down;
//  - the pair span and the averaging over the window: each pair spreads the peak over s* dt / t
//    and the window mixes pairs of different times; both broaden the peak nearly symmetrically
//    and move it by +0.03 %.
// The Lamm-boundary model reproduces all of these, so its s and D need no further correction;
// the Gaussian model corrects its centre for the skew (GaussianModel.h), and in an engine set the
// rest of its bias by fitting itself to the Lamm boundaries of its own answer (SpeciesFit.cpp):
// uncorrected its M reads 2 % low at the end of the default run and 17 % low half an hour in.
// On simulated runs (a 4.4 S, 66 kDa protein; a 2 S, 20 kDa one; a 20 S particle) the
// Lamm-boundary model gives s to 0.3 % and D and M to 1 %, and in mixtures of two and three
// overlapping species s to 0.4 %, M to 5 % and shares to a point, once the boundaries are clear
// of the meniscus (SpeciesNotes.h). The Gaussian model of a plain curve with a time (no engine
// set to correct it in) reads M 2 to 17 % low.
//
// s and D are for the run's solvent and temperature; s20,w and D20,w are corrected to water at
// 20 C with the solvent's density and viscosity (SolventConditions). M needs no such correction.

// Fits options.Species species to g(s*) set options.Set of the engine (its newest by default),
// with the times and speed of the set's scans and the engine's meniscus. Where material has left
// the set (SetCoverage.h), the latest set that still holds it is fitted too, and its answer given
// in a note.
SpeciesFitResult FitSpecies(const RealTimeGofS& engine, const SpeciesFitOptions& options = {});

// Fits a plain curve with the Gaussian model (options.Model and options.Set are not used).
SpeciesFitResult FitSpeciesToCurve(const GofsCurve& curve, const SpeciesFitOptions& options = {});

// A fit in two steps, for a window that fits off its own thread: what the fit needs of the engine
// (or the curve) is copied into a job on the engine's thread, cheaply (the set's layout, its
// coverage, the layout of the set that holds material beyond it); the job is then fitted anywhere,
// reading nothing else, while the engine moves on. RunSpeciesFit(PrepareSpeciesFit(e, o)) is
// FitSpecies(e, o), to the bit.
struct SpeciesFitJob {
    SpeciesFitOptions Options; // the set resolved (the newest when asked for < 0)
    bool OfCurve = false;
    GofsCurve Curve;
    SetLayout Layout;
    std::string LayoutRefusal; // why the set has no layout
    double SetTime = 0; // s, the set's time in the engine when the job was made
    SetCoverage Coverage;
    SetLayout HoldingLayout; // of Coverage.HoldingSet, where material lies beyond the set
    std::string HoldingRefusal;
    double HoldingTime = 0;
};
SpeciesFitJob PrepareSpeciesFit(const RealTimeGofS& engine, const SpeciesFitOptions& options);
SpeciesFitJob PrepareSpeciesFit(const GofsCurve& curve, const SpeciesFitOptions& options);

// What a fit stopped by its cancel flag says (status failed): the optimiser looks at the flag
// before each iteration, so the fit ends within one iteration of it being set.
inline constexpr const char* SpeciesFitCancelled = "Fit cancelled";
SpeciesFitResult RunSpeciesFit(const SpeciesFitJob& job, const std::atomic<bool>* cancel = nullptr);

} // namespace morvane
