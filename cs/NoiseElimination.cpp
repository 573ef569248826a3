#include "cs/NoiseElimination.h"

#include <algorithm>
#include <cstring>

namespace morvane::cs {

namespace {

// Two doubles at once: plain SSE2, which every x86-64 processor has; other targets get the same
// arithmetic from the compiler's generic vectors.
typedef double Pair __attribute__((vector_size(16), may_alias));

inline Pair Load(const double* p)
{
    Pair v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

} // namespace

ScanSums::ScanSums(int32_t species, int32_t radii)
    : species_(species)
    , radii_(radii)
    , stride_((radii + 1) / 2 * 2)
    , rows_((species + 3) / 4 * 4)
{
    const auto n = static_cast<size_t>(species_);
    gram_.assign(static_cast<size_t>(rows_) * static_cast<size_t>(rows_), 0);
    xy_.assign(n, 0);
    colX_.assign(n * static_cast<size_t>(radii_), 0);
    colY_.assign(static_cast<size_t>(radii_), 0);
}

void ScanSums::AddScan(const double* x, const double* y)
{
    const auto n = static_cast<size_t>(species_);
    const auto m = static_cast<size_t>(radii_);
    double ySum = 0;
    for (size_t i = 0; i < m; ++i) {
        colY_[i] += y[i];
        ySum += y[i];
        yy_ += y[i] * y[i];
    }
    rowY_.push_back(ySum);
    for (size_t k = 0; k < n; ++k) {
        const double* row = x + k * static_cast<size_t>(stride_);
        double* col = colX_.data() + k * m;
        double sum = 0, dot = 0;
        for (size_t i = 0; i < m; ++i) {
            col[i] += row[i];
            sum += row[i];
            dot += row[i] * y[i];
        }
        rowX_.push_back(sum);
        xy_[k] += dot;
    }
    ++scans_;
}

void ScanSums::AddGram(const double* x, int32_t part, int32_t parts)
{
    // Blocks of 4 rows by 2 columns held in eight two-wide accumulators over the radii.
    const auto stride = static_cast<size_t>(stride_);
    const auto rows = static_cast<size_t>(rows_);
    for (int32_t block = part; block * 4 < rows_; block += parts) {
        const size_t k0 = static_cast<size_t>(block) * 4;
        const double* a0 = x + k0 * stride;
        const double* a1 = a0 + stride;
        const double* a2 = a1 + stride;
        const double* a3 = a2 + stride;
        for (size_t l0 = k0; l0 < rows; l0 += 2) {
            const double* b0 = x + l0 * stride;
            const double* b1 = b0 + stride;
            Pair s00 = {}, s01 = {}, s10 = {}, s11 = {}, s20 = {}, s21 = {}, s30 = {}, s31 = {};
            for (size_t i = 0; i < stride; i += 2) {
                const Pair v0 = Load(b0 + i), v1 = Load(b1 + i);
                const Pair u0 = Load(a0 + i), u1 = Load(a1 + i), u2 = Load(a2 + i), u3 = Load(a3 + i);
                s00 += u0 * v0;
                s01 += u0 * v1;
                s10 += u1 * v0;
                s11 += u1 * v1;
                s20 += u2 * v0;
                s21 += u2 * v1;
                s30 += u3 * v0;
                s31 += u3 * v1;
            }
            const Pair sums[4][2] = { { s00, s01 }, { s10, s11 }, { s20, s21 }, { s30, s31 } };
            for (size_t r = 0; r < 4; ++r)
                for (size_t c = 0; c < 2; ++c)
                    if (k0 + r <= l0 + c)
                        gram_[(k0 + r) * rows + l0 + c] += sums[r][c][0] + sums[r][c][1];
        }
    }
}

void ScanSums::Append(const ScanSums& later)
{
    for (size_t i = 0; i < gram_.size(); ++i)
        gram_[i] += later.gram_[i];
    for (size_t i = 0; i < xy_.size(); ++i)
        xy_[i] += later.xy_[i];
    yy_ += later.yy_;
    for (size_t i = 0; i < colX_.size(); ++i)
        colX_[i] += later.colX_[i];
    for (size_t i = 0; i < colY_.size(); ++i)
        colY_[i] += later.colY_[i];
    rowX_.insert(rowX_.end(), later.rowX_.begin(), later.rowX_.end());
    rowY_.insert(rowY_.end(), later.rowY_.begin(), later.rowY_.end());
    scans_ += later.scans_;
}

void ScanSums::NormalEquations(
    const NoiseTerms& noise, std::vector<double>& a, std::vector<double>& b, double& yy, double& dof) const
{
    const auto n = static_cast<size_t>(species_);
    const auto m = static_cast<size_t>(radii_);
    const auto scans = static_cast<size_t>(scans_);
    const auto rows = static_cast<size_t>(rows_);
    a.assign(n * n, 0);
    b = xy_;
    yy = yy_;
    for (size_t k = 0; k < n; ++k)
        for (size_t l = k; l < n; ++l)
            a[k * n + l] = a[l * n + k] = gram_[k * rows + l];
    const double points = static_cast<double>(m) * static_cast<double>(scans);
    dof = points - static_cast<double>(n);
    if (scans == 0 || m == 0)
        return;
    // Totals over all data, for the grand mean.
    std::vector<double> total(n, 0);
    double yTotal = 0;
    for (size_t i = 0; i < m; ++i)
        yTotal += colY_[i];
    for (size_t k = 0; k < n; ++k)
        for (size_t i = 0; i < m; ++i)
            total[k] += colX_[k * m + i];
    auto subtractOuter = [&](const std::vector<double>& u, double uy, double weight) {
        for (size_t k = 0; k < n; ++k) {
            for (size_t l = 0; l < n; ++l)
                a[k * n + l] -= weight * u[k] * u[l];
            b[k] -= weight * u[k] * uy;
        }
        yy -= weight * uy * uy;
    };
    if (noise.timeInvariant) {
        // Minus (1/J) sum_i S_k(i) S_l(i), S the sums over scans at radius i.
        const double w = 1 / static_cast<double>(scans);
        for (size_t k = 0; k < n; ++k) {
            const double* sk = colX_.data() + k * m;
            for (size_t l = k; l < n; ++l) {
                const double* sl = colX_.data() + l * m;
                double dot = 0;
                for (size_t i = 0; i < m; ++i)
                    dot += sk[i] * sl[i];
                a[k * n + l] -= w * dot;
                if (l != k)
                    a[l * n + k] -= w * dot;
            }
            double dot = 0;
            for (size_t i = 0; i < m; ++i)
                dot += sk[i] * colY_[i];
            b[k] -= w * dot;
        }
        double dot = 0;
        for (size_t i = 0; i < m; ++i)
            dot += colY_[i] * colY_[i];
        yy -= w * dot;
        dof -= static_cast<double>(m);
    }
    if (noise.radialInvariant) {
        const double w = 1 / static_cast<double>(m);
        std::vector<double> u(n);
        for (size_t j = 0; j < scans; ++j) {
            for (size_t k = 0; k < n; ++k)
                u[k] = rowX_[j * n + k];
            subtractOuter(u, rowY_[j], w);
        }
        dof -= static_cast<double>(scans);
    }
    if (noise.timeInvariant && noise.radialInvariant) {
        subtractOuter(total, yTotal, -1 / points); // the grand mean was taken off twice
        dof += 1;
    } else if (noise.baseline && !noise.timeInvariant && !noise.radialInvariant) {
        subtractOuter(total, yTotal, 1 / points);
        dof -= 1;
    }
}

void ScanSums::NoiseValues(const NoiseTerms& noise, const std::vector<double>& c, std::vector<double>& timeInvariant,
    std::vector<double>& radialInvariant, double& baseline) const
{
    const auto n = static_cast<size_t>(species_);
    const auto m = static_cast<size_t>(radii_);
    const auto scans = static_cast<size_t>(scans_);
    timeInvariant.clear();
    radialInvariant.clear();
    baseline = 0;
    if (scans == 0 || m == 0)
        return;
    // Residual means: over scans at each radius, over radii in each scan, and over everything.
    std::vector<double> byRadius(m), byScan(scans);
    double grand = 0;
    for (size_t i = 0; i < m; ++i) {
        double v = colY_[i];
        for (size_t k = 0; k < n; ++k)
            v -= c[k] * colX_[k * m + i];
        byRadius[i] = v / static_cast<double>(scans);
        grand += v;
    }
    grand /= static_cast<double>(m) * static_cast<double>(scans);
    for (size_t j = 0; j < scans; ++j) {
        double v = rowY_[j];
        for (size_t k = 0; k < n; ++k)
            v -= c[k] * rowX_[j * n + k];
        byScan[j] = v / static_cast<double>(m);
    }
    if (noise.timeInvariant && noise.radialInvariant) {
        timeInvariant = byRadius;
        for (double& v : timeInvariant)
            v -= grand;
        radialInvariant = byScan;
    } else if (noise.timeInvariant) {
        timeInvariant = byRadius;
    } else if (noise.radialInvariant) {
        radialInvariant = byScan;
    } else if (noise.baseline) {
        baseline = grand;
    }
}

} // namespace morvane::cs
