#include "realtime/Smoothing.h"

#include <cmath>
#include <vector>

int32_t SmoothBoxcar(double* data, int32_t n, int32_t passes, int32_t width)
{
    if (!data || width < 1 || n > 4095 || width > n - 1)
        return -1;
    std::vector<double> b(static_cast<size_t>(n));
    for (int32_t i = 1; i < n; ++i)
        b[static_cast<size_t>(i)] = data[i];
    const int32_t h = (width + 1) / 2;
    for (int32_t pass = 0; pass < passes; ++pass) {
        double sum = 0;
        for (int32_t i = 1; i <= width; ++i)
            sum += b[static_cast<size_t>(i)];
        data[h] = sum / width;
        // The running sum is updated, not recomputed: one addition and one subtraction per point.
        for (int32_t m = 2; m <= n - width; ++m) {
            sum = sum - b[static_cast<size_t>(m - 1)] + b[static_cast<size_t>(m + width - 1)];
            data[h + m - 1] = sum / width;
        }
        for (int32_t i = 1; i < n; ++i)
            b[static_cast<size_t>(i)] = data[i];
    }
    return 0;
}

int32_t FitPlane(const double* x, const double* y, const double* z, int32_t n, double& a, double& b, double& c,
    double& sa)
{
    if (n < 2 || !x || !y || !z)
        return -1;
    double sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0, sz = 0, sxz = 0, syz = 0;
    for (int32_t i = 0; i < n; ++i) {
        sx += x[i];
        sy += y[i];
        sxx += x[i] * x[i];
        sxy += x[i] * y[i];
        syy += y[i] * y[i];
        sz += z[i];
        sxz += x[i] * z[i];
        syz += y[i] * z[i];
    }
    const double N = n;
    // Cramer's rule on  | N  sx  sy  |       | sz  |
    //                   | sx sxx sxy | abc = | sxz |
    //                   | sy sxy syy |       | syz |
    auto det3 = [](double a11, double a12, double a13, double a21, double a22, double a23, double a31, double a32,
                    double a33) {
        return a11 * (a22 * a33 - a23 * a32) - a12 * (a21 * a33 - a23 * a31) + a13 * (a21 * a32 - a22 * a31);
    };
    const double d = det3(N, sx, sy, sx, sxx, sxy, sy, sxy, syy);
    if (d == 0 || !std::isfinite(d))
        return -1;
    // A determinant that is only rounding noise against its terms is a singular system.
    const double scale = N * sxx * syy + 1e-300;
    if (std::fabs(d) < 1e-12 * std::fabs(scale))
        return -1;
    a = det3(sz, sx, sy, sxz, sxx, sxy, syz, sxy, syy) / d;
    b = det3(N, sz, sy, sx, sxz, sxy, sy, syz, syy) / d;
    c = det3(N, sx, sz, sx, sxx, sxz, sy, sxy, syz) / d;
    double ss = 0;
    for (int32_t i = 0; i < n; ++i) {
        const double r = z[i] - a - b * x[i] - c * y[i];
        ss += r * r;
    }
    const double sigma = std::sqrt(ss) / (n - 1);
    const double q = (sxx * syy - sxy * sxy) / d;
    if (q < 0 || !std::isfinite(sigma) || !std::isfinite(q) || !std::isfinite(a))
        return -1;
    sa = sigma * std::sqrt(q);
    if (sigma > 2147483647.0)
        return 2147483647;
    return static_cast<int32_t>(sigma);
}
