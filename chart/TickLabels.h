#pragma once
#include <string>
#include <vector>

namespace morvane {

// The labels of an axis's ticks: one notation for the whole axis (all fixed, or all scientific as
// "1.5e-4" when the values are very large or very small), and as many digits as the ticks need to
// read apart: a step of 0.05 gets two decimals on every label of a linear axis ("3.25, 3.30,
// 3.35", never "3.3, 3.3, 3.4"). On a logarithmic axis, whose steps grow with the values, each
// label carries the digits of its own value ("0.5, 1, 2"). Labels use "." as the decimal point.
std::vector<std::string> TickLabels(const std::vector<double>& ticks, bool logarithmic);

} // namespace morvane
