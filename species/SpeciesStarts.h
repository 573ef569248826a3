#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "species/LevenbergMarquardt.h"
#include "species/SpeciesProblem.h"
#include "species/StartingGuess.h"

namespace morvane {

// The fit of n species from several starts, the best of them kept. For the Lamm-boundary model
// the starts are fitted side by side on the machine's cores, each thread with its own copy of the
// problem; the best is chosen in the starts' order, so the answer is the same to the bit whatever
// the number of threads.

// One fit of the species' parameters (three per species).
struct MultiStartFit {
    LmResult lm;
    bool valid = false;

    bool Good() const { return valid && lm.Converged; }
};

// The sum of the species' curves less the data, for parameters p (three per species).
ResidualFunction SpeciesResiduals(const SpeciesProblem& problem, const std::vector<double>& data);

// The typical sizes of the parameters of `species` species.
std::vector<double> SpeciesScale(const SpeciesProblem& problem, size_t species);

// The best fit of n species: from the curve's peaks, and, where that is no better than the best
// fit of n - 1 (a local minimum: n species can always do at least as well as n - 1), once more from
// the fit of n - 1 with a species added at the largest peak of what it left over. Starts from the
// peaks that have not ended within 40 iterations go on last, bounded by the best fit then in
// hand: one that at its pace cannot come down to it within the iterations left is given up
// (LmOptions::CostToBeat), which spares the long crawls of starts that settle two species onto
// one peak while another start has found the answer.
// `fewerSumOfSquares` is that of the fit of n - 1 (NaN for n = 1 or when it failed).
MultiStartFit FitSpeciesCount(const SpeciesProblem& problem, const std::vector<PeakGuess>& peaks, int32_t n,
    const LmOptions& lmOptions, double& fewerSumOfSquares);

} // namespace morvane
