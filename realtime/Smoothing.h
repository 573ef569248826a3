#pragma once
#include <cstdint>

// Repeated moving average in place over positions 1 .. n-1 (position 0 is never touched).
// Returns 0, or -1 (array unchanged) when width < 1, width > n - 1 or n > 4095.
int32_t SmoothBoxcar(double* data, int32_t n, int32_t passes, int32_t width);

// Least-squares plane z = a + b*x + c*y. Returns -1 when the fit fails (n < 2, singular system,
// non-finite arithmetic), otherwise the truncated residual measure sqrt(sum r^2) / (n - 1).
// sa is the standard error of a.
int32_t FitPlane(const double* x, const double* y, const double* z, int32_t n, double& a, double& b, double& c,
    double& sa);
