#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace morvane {

// A peak of g(s*), where a species' fit starts.
struct PeakGuess {
    double SStar = 0; // S
    double Sigma = 0; // S, from the half width at half height
    double Area = 0; // signal units: height * sigma * sqrt(2 pi)
    double Prominence = 0; // height above the higher of the two valleys beside it
};

// The peaks of a curve y = s* g(s*) over the points sStar (S, ascending), most prominent first:
// local maxima of the lightly smoothed curve that stand out of its point noise by their
// prominence, which must also reach 5 % of the curve's highest value.
// Empty, with the reason in `why`, for a curve without points or without a peak.
std::vector<PeakGuess> FindPeaks(const std::vector<double>& sStar, const std::vector<double>& y, std::string& why);

// The largest peak of what a fit left over (data - fit over the points sStar): where a species the
// fit missed is most likely to be: the highest point of the lightly smoothed residuals, its width
// and area from the half height there; Area 0 when no residual is positive.
PeakGuess LargestResidualPeak(const std::vector<double>& sStar, const std::vector<double>& residuals);

// Starting points for a fit of n species: the n most prominent peaks when there are as many;
// otherwise alternatives for the species no peak shows (the main peak split in two, a shoulder
// on its fast side, one on its slow side), each to be tried. Every start lists n peaks by s*.
std::vector<std::vector<PeakGuess>> StartingSets(const std::vector<PeakGuess>& peaks, int32_t n);

} // namespace morvane
