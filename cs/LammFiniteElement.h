#pragma once
#include <cstdint>
#include <vector>

namespace morvane::cs {

// One ideal species sedimenting in a sector-shaped cell at a constant rotor speed, from a uniform
// loading of 1 at t = 0:
//
//   dc/dt = -(1/r) d/dr [ r (s w^2 r c - D dc/dr) ],   no flux through meniscus and bottom.
//
// Method: the finite elements of W. F. Claverie, H. Dreux and R. Cohen (Biopolymers 14, 1685,
// 1975): c is a sum of hat functions, the weak form is integrated over the sector (weight r), the
// time steps are Crank-Nicolson. The hats move with the species, as in the moving frame of
// P. Schuck (Biophys. J. 75, 1503, 1998): in y = ln r sedimentation is a uniform translation at
// s w^2, so hats on a lattice uniform in y that translates at that speed carry sedimentation
// exactly (their mass matrix, weight r^2 dy, dilutes the plateau as the sector does), and what
// remains on them is diffusion, smooth enough for long steps without oscillation at any s/D. The
// meniscus and bottom nodes stay put; the two elements next to them stretch and shrink, the
// sedimentation across them taken in the arbitrary Lagrangian-Eulerian form (the equation for
// hats of mesh velocity w carries the flux of (s w^2 - w) c). The column is (N + 1/2) lattice
// widths long; each time the lattice has moved one width a node is inserted next to the meniscus
// (on the linear interpolant: nothing changes) and the one half a width from the bottom is taken
// out (the bottom node keeping the amount), so the node count stays N + 1.
class MovingHatLamm {
public:
    // s in seconds (> 0), D in cm^2/s (> 0), radii in cm, omega^2 in rad^2/s^2; `elements` >= 4.
    MovingHatLamm(double sSeconds, double diffusion, double meniscusCm, double bottomCm, double omegaSquared,
        int32_t elements);

    // Integrates from the present time to t (no effect for t at or before it).
    void AdvanceTo(double seconds);
    double Seconds() const { return seconds_; }

    // The solution at the present time: node values and where the lattice stands.
    struct Snapshot {
        std::vector<double> values; // N + 1 node values; empty: zero everywhere below the depletion radius
        double phase = 0; // lattice shift beyond whole widths, in widths, [0, 1)
    };
    Snapshot Take() const;

    // c at ln r for each of n ascending ln r values between meniscus and bottom, from a snapshot of
    // this solver (linear in ln r between nodes), written to out.
    void Evaluate(const Snapshot& snapshot, const double* logRadii, int32_t n, double* out) const;

    // Once no node inward of this radius holds more than `level`, the species has left that part
    // of the cell for good: further steps are skipped and snapshots are empty (zero there).
    void SetDepletionRadius(double radiusCm, double level);
    bool Depleted() const { return depleted_; }

    // The integral of c r dr over the cell (the loading times (b^2 - m^2) / 2 at every time).
    double TotalAmount() const;
    int64_t StepsTaken() const { return steps_; }

private:
    struct Tridiagonal {
        std::vector<double> lower, diag, upper;
    };
    void Step(double dt, double theta);
    void AddEndElements(double phase, double scale, double advection, Tridiagonal& m) const;
    void Wrap();
    double NextStep(double target) const;
    void CheckDepletion();

    double s_ = 0, d_ = 0, omega2_ = 0;
    double logMeniscus_ = 0, logBottom_ = 0;
    int32_t n_ = 0; // elements; nodes 0 .. n_
    double h_ = 0; // lattice width in ln r
    double seconds_ = 0;
    int64_t wraps_ = 0; // whole widths the lattice has moved
    double phase_ = 0;
    int64_t steps_ = 0;
    std::vector<double> c_;
    // Lattice elements 1 .. n_ - 2 at phase 0: mass matrix (weight r^2 dy), tridiagonal by node.
    std::vector<double> massDiag_, massOff_; // massOff_[i]: between nodes i and i + 1
    std::vector<double> rhs_, work_;
    Tridiagonal lhs_, explicit_;
    double depletionLog_ = 0, depletionLevel_ = 0;
    bool depleted_ = false;
};

} // namespace morvane::cs
