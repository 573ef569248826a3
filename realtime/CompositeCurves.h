#pragma once
#include <cstdint>
#include <vector>

namespace morvane {

class RealTimeGofS;

// The composite g(s*) curve of an engine as the comparison of channels reads it: the points that
// hold data, at s* in Svedbergs, as they are or divided by their total concentration Co.

// Co of a composite curve: the points i < n with e[i] >= 0, taken in grid order as (x_k, y_k),
// k = 0 .. m-1 (x = ln s), give
//   Co = 0.5 y_0 (x_1 - x_0) + sum_{k=1}^{m-3} y_k (x_k - x_{k-1}) + 0.5 y_{m-2} (x_{m-2} - x_{m-3}),
// the integral of y = s* g(s*) over ln s from point 0 to point m-2, which is the integral of g over
// s. NaN with fewer than three such points, where the rule has no last step.
double CompositeCo(const double* x, const double* y, const double* e, int32_t n);

// Whether the engine has a composite curve to show: a g(s*) set exists and filled it.
bool HasComposite(const RealTimeGofS& engine);

struct CompositeCurve {
    std::vector<double> SStar; // Svedbergs, ascending
    std::vector<double> Value; // corrected t*dc/dt, divided by Co when Normalized
    bool Normalized = false;
    double Co = 0; // NaN when it could not be computed
};

// The composite curve over the grid points of GofsStore, the points with e >= 0 (e = 0 included);
// values that are not finite are left out. With normalize, every value is divided by Co when Co is
// finite and not 0; otherwise the values stay as they are and Normalized tells so. Empty without
// a composite (HasComposite).
CompositeCurve ComparisonCurve(const RealTimeGofS& engine, bool normalize);

// The legend text of a curve that was asked to be normalized and could not be.
inline constexpr const char* NotNormalizedSuffix = " (not normalized)";

} // namespace morvane
