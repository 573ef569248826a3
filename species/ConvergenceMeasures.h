#pragma once
#include <cstdint>

namespace morvane {

class ChannelDataStore;

// The measures of RunConvergence.h on the sets of a g(s*) store (y = s* g(s*) against ln s* on a
// uniform grid; a point holds data where its e >= 0). Each returns NaN where it cannot be had.

// The s* (S) at which g(s*) of set k peaks above minSStar: the largest g where s* g(s*) reaches
// a fifth of its maximum, refined by a Gaussian fitted to the top of the peak.
double PeakOf(const ChannelDataStore& store, int32_t k, double minSStar);

// s* g(s*) over minSStar to 1.25 minSStar against the highest s* g(s*) of the set.
double MeniscusLevelOf(const ChannelDataStore& store, int32_t k, double minSStar);

// The standard deviation of the point noise of s* g(s*) of set k above minSStar, from the
// scatter of each point about the line through its neighbours (the pseudo-residuals of T. Gasser,
// L. Sroka and C. Jennen-Steinmetz, Biometrika 73, 625, 1986), robustly by their median absolute
// value (F. R. Hampel, J. Am. Stat. Assoc. 69, 383, 1974): peaks, which bend the curve, are a
// minority of the points and do not count.
double PointNoiseOf(const ChannelDataStore& store, int32_t k, double minSStar);

// How many peaks set k shows above minSStar: those that stand out of the set's noise by their
// prominence (FindPeaks of StartingGuess.h).
int32_t PeaksShownBy(const ChannelDataStore& store, int32_t k, double minSStar);

// The shape change between set `newer` and set `older` of an unsmoothed g(s*) store, at the
// resolution the data hold:
//  - both sets are blurred by a Gaussian as wide (in ln s*) as the newer set's main peak (its
//    sigma from the half width at half height): g(s*) resolves nothing finer than its boundaries'
//    spread, and so the narrowing of every peak as diffusion falls behind sedimentation (its
//    width goes as 1/sqrt(t), 5 % over a tenth of the run, 1.2 % of the distribution) counts
//    about half, while the point noise is averaged;
//  - the cumulative distributions are compared over the s* range where either blurred set
//    stands ShapeNoiseMultiple times its own point noise (PointNoiseOf, carried through the blur)
//    and ShapeLevelFraction of its peak above zero, widened by ShapeFlankWidths blur widths: the
//    range that holds material at the data's noise. Each set's baseline, the median of its values
//    outside the range, is taken off before the sums. Outside the range the sets hold noise,
//    whose running sum wanders as a random walk, and on interference channels the small offsets
//    of the scans, which lift g(s*) evenly over the whole range; the two made most of the shape
//    change of noisy runs (2-19 % on simulated interference runs). Peaks lower than
//    ShapeLevelFraction of the highest are not taken as peaks either (StartingGuess.h).
// The largest difference of the two cumulative distributions (each normalised to 1 over that
// range): the share of the material that changed its s* class. NaN where the newer set shows no
// peak or no point stands out of the noise.
inline constexpr double ShapeNoiseMultiple = 5;
inline constexpr double ShapeLevelFraction = 0.05;
inline constexpr double ShapeFlankWidths = 1;
double ShapeChangeOf(const ChannelDataStore& store, int32_t newer, int32_t older, double minSStar);

} // namespace morvane
