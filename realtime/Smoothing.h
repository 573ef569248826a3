#pragma once
#include <cstdint>

namespace morvane {

// Repeated moving average in place over positions 1 .. n-1 (position 0 is never touched).
// Returns 0, or -1 (array unchanged) when width < 1, width > n - 1 or n > 4095.
int32_t SmoothBoxcar(double* data, int32_t n, int32_t passes, int32_t width);

// Least-squares plane z = a + b*x + c*y. Returns -1 when the fit fails (fewer than 3 points, a
// singular system: x or y within rounding of a combination of the columns before it, a value that
// is not finite), otherwise the truncated residual measure sigma = sqrt(sum r^2) / (n - 1).
// sa = sigma * sqrt([(A^T A)^-1]_00) is the standard error of a. Stays accurate when 1, x and y are
// nearly collinear.
int32_t FitPlane(
    const double* x, const double* y, const double* z, int32_t n, double& a, double& b, double& c, double& sa);

} // namespace morvane
