#pragma once
// What a g(s*) curve's peaks and the end of its material are read from, shared by the starting
// guess of a species fit and the coverage of a set: the curve smoothed, and its point noise.
#include <vector>

namespace morvane {

// Running mean over 5 points (fewer at the ends), twice.
std::vector<double> SmoothedFivePointsTwice(const std::vector<double>& y);

// Robust standard deviation of the point noise: the median distance of the values from their
// smoothed curve, scaled to a normal distribution's standard deviation.
double PointNoiseAbout(const std::vector<double>& y, const std::vector<double>& smooth);

} // namespace morvane
