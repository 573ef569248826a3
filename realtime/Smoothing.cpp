#include "realtime/Smoothing.h"

#include <cmath>
#include <limits>
#include <vector>

namespace morvane {

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

namespace {

// Reflects column `col` of the n x 4 row-major block m (columns 1, u, v, z) onto the unit vector
// of row `col` and applies the same reflection to the columns after it. Returns R[col][col].
double Reflect(std::vector<double>& m, int32_t n, int32_t col)
{
    auto at
        = [&m](int32_t row, int32_t c) -> double& { return m[static_cast<size_t>(row) * 4 + static_cast<size_t>(c)]; };
    double scale = 0;
    for (int32_t i = col; i < n; ++i)
        scale = std::fmax(scale, std::fabs(at(i, col)));
    if (scale == 0)
        return 0;
    double norm2 = 0;
    for (int32_t i = col; i < n; ++i)
        norm2 += (at(i, col) / scale) * (at(i, col) / scale);
    // The sign opposite to the diagonal entry keeps v = column - alpha e free of cancellation.
    const double alpha = (at(col, col) > 0 ? -1.0 : 1.0) * scale * std::sqrt(norm2);
    at(col, col) -= alpha;
    const double halfVtv = -alpha * at(col, col); // v^T v / 2 = alpha (alpha - diagonal)
    for (int32_t c = col + 1; c < 4; ++c) {
        double dot = 0;
        for (int32_t i = col; i < n; ++i)
            dot += at(i, col) * at(i, c);
        const double f = dot / halfVtv;
        for (int32_t i = col; i < n; ++i)
            at(i, c) -= f * at(i, col);
    }
    return alpha;
}

struct Centred {
    double xm = 0, ym = 0, zm = 0; // means
    double sx = 0, sy = 0; // largest distance from the mean
    double xmax = 0, ymax = 0; // largest magnitude
};

bool Centre(const double* x, const double* y, const double* z, int32_t n, Centred& k)
{
    for (int32_t i = 0; i < n; ++i) {
        if (!std::isfinite(x[i]) || !std::isfinite(y[i]) || !std::isfinite(z[i]))
            return false;
        k.xm += x[i];
        k.ym += y[i];
        k.zm += z[i];
        k.xmax = std::fmax(k.xmax, std::fabs(x[i]));
        k.ymax = std::fmax(k.ymax, std::fabs(y[i]));
    }
    k.xm /= n;
    k.ym /= n;
    k.zm /= n;
    for (int32_t i = 0; i < n; ++i) {
        k.sx = std::fmax(k.sx, std::fabs(x[i] - k.xm));
        k.sy = std::fmax(k.sy, std::fabs(y[i] - k.ym));
    }
    return std::isfinite(k.zm) && std::isfinite(k.xm) && std::isfinite(k.ym);
}

} // namespace

// The fit works on the data, not on its sums: with x = 1/sqrt(t) and y = 1/t of sets close in time,
// 1, x and y are nearly collinear and the normal equations lose the digits the intercept needs.
// x and y are centred and scaled (u, v), the n x 3 matrix (1, u, v) is reduced to R by Householder
// reflections, and the coefficients are mapped back:
//   z = zm + t0 + t1 (x - xm) / sx + t2 (y - ym) / sy.
int32_t FitPlane(
    const double* x, const double* y, const double* z, int32_t n, double& a, double& b, double& c, double& sa)
{
    // Three unknowns need three points; fewer is a singular system.
    if (n < 3 || !x || !y || !z)
        return -1;
    Centred k;
    if (!Centre(x, y, z, n, k))
        return -1;
    // A column is independent of those before it when the part of it they leave unexplained
    // stands above the rounding of centring and reflecting, some n ulps of the column's size.
    const double tolerance = 64.0 * n * std::numeric_limits<double>::epsilon();
    if (!(k.sx > tolerance * k.xmax) || !(k.sy > tolerance * k.ymax))
        return -1;

    std::vector<double> m(static_cast<size_t>(n) * 4);
    for (int32_t i = 0; i < n; ++i) {
        double* row = &m[static_cast<size_t>(i) * 4];
        row[0] = 1;
        row[1] = (x[i] - k.xm) / k.sx;
        row[2] = (y[i] - k.ym) / k.sy;
        row[3] = z[i] - k.zm;
    }
    double r[3][3] {};
    for (int32_t col = 0; col < 3; ++col) {
        r[col][col] = Reflect(m, n, col);
        for (int32_t j = col + 1; j < 3; ++j)
            r[col][j] = m[static_cast<size_t>(col) * 4 + static_cast<size_t>(j)];
    }
    // sx |R11| and sy |R22|: the parts of x and y outside the span of the columns before them.
    const double rootN = std::sqrt(static_cast<double>(n));
    if (!(std::fabs(r[1][1]) * k.sx > tolerance * k.xmax * rootN)
        || !(std::fabs(r[2][2]) * k.sy > tolerance * k.ymax * rootN))
        return -1;

    double t[3];
    for (int32_t row = 2; row >= 0; --row) {
        double s = m[static_cast<size_t>(row) * 4 + 3]; // (Q^T z)[row]
        for (int32_t j = row + 1; j < 3; ++j)
            s -= r[row][j] * t[j];
        t[row] = s / r[row][row];
    }
    // w maps (t0, t1, t2) to the intercept; [(A^T A)^-1]_00 = |R^-T w|^2.
    const double w[3] = { 1.0, -k.xm / k.sx, -k.ym / k.sy };
    a = k.zm + w[0] * t[0] + w[1] * t[1] + w[2] * t[2];
    b = t[1] / k.sx;
    c = t[2] / k.sy;
    double g[3];
    for (int32_t row = 0; row < 3; ++row) {
        double s = w[row];
        for (int32_t j = 0; j < row; ++j)
            s -= r[j][row] * g[j];
        g[row] = s / r[row][row];
    }
    const double inverse00 = g[0] * g[0] + g[1] * g[1] + g[2] * g[2];

    double ss = 0;
    for (int32_t i = 0; i < n; ++i) {
        const double ri = (z[i] - k.zm) - t[0] - t[1] * (x[i] - k.xm) / k.sx - t[2] * (y[i] - k.ym) / k.sy;
        ss += ri * ri;
    }
    const double sigma = std::sqrt(ss) / (n - 1);
    if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(c) || !std::isfinite(sigma)
        || !std::isfinite(inverse00))
        return -1;
    sa = sigma * std::sqrt(inverse00);
    if (sigma > 2147483647.0)
        return 2147483647;
    return static_cast<int32_t>(sigma);
}

} // namespace morvane
