#pragma once
#include <cstdint>
#include <vector>

namespace morvane::cs {

// Systematic noise taken off algebraically, as P. Schuck and B. Demeler (Biophys. J. 76, 2288,
// 1999) show: a time-invariant profile b(r) (the same in every scan: optics, window, cell), a
// radially invariant offset beta(t) (the same at every radius of a scan: interference's baseline
// jitter and integral fringes), or a single baseline. For fixed c(s) the best noise terms are
// means of the residual over scans, radii or both, so eliminating them leaves the least-squares
// problem of c alone on the data and the Lamm solutions centred accordingly:
//
//   x~_ji = x_ji - x_.i - x_j. + x_..        (both; x_.i the mean over scans, x_j. over radii)
//
// Centring is linear, so the normal equations of the centred problem follow from sums that grow
// scan by scan: the Gram matrix of the solutions, their sums over scans at each radius and over
// radii in each scan, and the same of the data. A new scan adds to them; nothing is centred again.
struct NoiseTerms {
    bool timeInvariant = false; // b(r)
    bool radialInvariant = false; // beta(t)
    bool baseline = false; // one constant (implied by either of the others)
};

class ScanSums {
public:
    ScanSums(int32_t species, int32_t radii);

    // Row length of the species-by-radius matrices AddScan takes: radii rounded up to an even count.
    int32_t Stride() const { return stride_; }
    // Rows those matrices hold: species rounded up to a multiple of 4 (zero rows beyond).
    int32_t Rows() const { return rows_; }

    // Adds one scan: `x` the species' Lamm solutions on the radii (Rows() x Stride(), zero padding),
    // `y` the data (radii values). The Gram matrix is left to AddGram, which threads may share.
    void AddScan(const double* x, const double* y);
    // Adds x x^T of one scan's solutions to the Gram matrix, for the row blocks of 4 species whose
    // block index b satisfies b % parts == part: parts taken by different threads touch different
    // entries, and every entry sums its scans in the same order whatever the number of parts.
    void AddGram(const double* x, int32_t part, int32_t parts);
    // Appends the scans of `later` (summed after these).
    void Append(const ScanSums& later);

    int32_t Scans() const { return scans_; }
    int32_t Species() const { return species_; }
    int32_t Radii() const { return radii_; }

    // The normal equations of the centred problem (a: species x species row-major, b) and the
    // centred data's squared norm; `dof` the data points less the noise terms and the species.
    void NormalEquations(const NoiseTerms& noise, std::vector<double>& a, std::vector<double>& b, double& yy,
        double& dof) const;

    // The noise terms that go with c: b(r) per radius, beta(t) per scan (empty where not fitted),
    // and the baseline (0 where not fitted; with both terms the grand mean sits in beta).
    void NoiseValues(const NoiseTerms& noise, const std::vector<double>& c, std::vector<double>& timeInvariant,
        std::vector<double>& radialInvariant, double& baseline) const;

private:
    int32_t species_, radii_, stride_, rows_;
    int32_t scans_ = 0;
    std::vector<double> gram_; // rows_ x rows_, upper triangle filled
    std::vector<double> xy_; // species
    double yy_ = 0;
    std::vector<double> colX_; // species x radii: sums over scans
    std::vector<double> colY_; // radii
    std::vector<double> rowX_; // scans x species: sums over radii
    std::vector<double> rowY_; // scans
};

} // namespace morvane::cs
