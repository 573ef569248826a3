#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "realtime/Extrapolation.h"

namespace morvane {

// Whether an extrapolation to infinite time may be shown as a result, and which range of sets
// would give one. The fit of ln g against 1/sqrt(t) and 1/t reaches 1/sqrt(t) = 0 from the range's
// times: sets close together in time leave the two terms nearly indistinguishable, and the
// intercept then takes up the noise of the data many times over and runs away from the sets.

// The factor by which the fit multiplies independent noise of equal size in ln g into its
// intercept, relative to the mean of as many values: sqrt(n [(A^T A)^-1]_00) for the rows
// (1, 1/sqrt(t_k), 1/t_k) of the n times (Draper and Smith, Applied Regression Analysis, 1998,
// ch. 3: the variance of a least-squares coefficient). Independent of the time scale; 1 would be
// a plain mean, 3 equally spaced sets in 1/sqrt(t) from t to 9t give 10.5, sets within a few
// per cent of each other in time thousands. Infinity with fewer than 3 distinct positive times.
double InterceptNoiseGain(std::span<const double> times);

// The gain above which a range is refused as ill-conditioned. The smoothed sets carry about
// 1 % of noise in ln g at the boundary and more in its flanks, and the model's own misfit (ln g
// is not exactly quadratic in 1/sqrt(t)) is amplified alike. On simulated runs every set gives
// 7 to 9 and the last 11 sets of 57 about 1,500; the noisiest (0.02 OD) keeps its peak within
// 5 % of s up to a gain of about 40.
inline constexpr double MaxInterceptNoiseGain = 30;

// The infinite-time distribution holds the same amount as the sets (their g(s*) is corrected for
// radial dilution) without their diffusion broadening, so it is at least as tall as the newest
// set, and over a run no more than a few times taller (simulated runs: 1.6 to 2.1 times over
// all their sets). The largest extrapolated value must lie within these factors of the largest
// value of the range's newest set at the same points; the lower one leaves room for the noise of
// the two maxima. A newest set lower than the earlier ones (a boundary that has reached the
// bottom) extrapolates below it and is refused too.
inline constexpr double MaxHeightRatio = 5;
inline constexpr double MinHeightRatio = 0.8;

// A curve whose first or last extrapolated point stands above this fraction of its highest is cut
// off: the newest set holds no data beyond it, as once a boundary has reached the cell bottom.
// Whole curves of simulated runs end below 2 % of their peak; one cut at 11 % still peaks
// within 1 % of s, one cut at 35 % no longer does.
inline constexpr double MaxEdgeFraction = 0.2;

enum class ExtrapolationVerdict {
    Sound, // the curve may be shown as a result
    NotComputed, // the range was refused (fewer than 5 sets)
    Nothing, // no point could be extrapolated
    IllConditioned, // the sets' times cannot tell the intercept from the 1/sqrt(t) and 1/t terms
    CutOff, // the curve ends high: the newest set does not hold the whole boundary
    RunsAway, // the extrapolated values are far above or below the newest set
};

struct ExtrapolationJudgement {
    ExtrapolationVerdict Verdict = ExtrapolationVerdict::NotComputed;
    double NoiseGain = 0; // InterceptNoiseGain of the range's times
    // Largest extrapolated value over the largest value of the newest set at the extrapolated
    // points; 0 when nothing was extrapolated.
    double HeightRatio = 0;
    // Why the curve is no result, in words ("the sets' times ..."); empty when sound.
    std::string Reason;

    bool Sound() const { return Verdict == ExtrapolationVerdict::Sound; }
};

// Judges a computed extrapolation by the conditioning of its times first, then by whether the
// curve is whole, then by how far its values lie from the newest set's.
ExtrapolationJudgement JudgeExtrapolation(const ExtrapolationResult& result);

struct ExtrapolationRange {
    bool Found = false;
    int32_t Start = 0;
    int32_t End = 0;
};

// The sound range nearest to start .. end: the smallest widening of the start with the end kept;
// when even set 0 as start fails, the newest end that is sound from set 0 (sets after a fast
// boundary has reached the bottom hold nothing to extrapolate). Both are searched by steps that
// double and then halve, so they are the nearest where soundness changes once along the way, as
// it does but for noise. Found is false when no range is sound. At most some 4 log2(end + 1)
// extrapolations.
ExtrapolationRange SoundExtrapolationRange(const ChannelDataStore& smooth, const ChannelDataStore& gofs, int32_t start,
    int32_t end, const ExtrapolationParameters& parameters);

// One sentence for the user: the range, why it is no result, and the range that would give one
// (or that none does).
std::string ExtrapolationRefusal(
    const ExtrapolationResult& result, const ExtrapolationJudgement& judgement, const ExtrapolationRange& sound);

} // namespace morvane
