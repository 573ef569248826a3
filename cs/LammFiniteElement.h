#pragma once
#include <cstddef>
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
// hats of mesh velocity w carries the flux of (s w^2 - w) c). A step may carry the lattice several
// widths: before it, the lattice nodes that would come within half a width of the bottom are
// taken out (the bottom node keeping the amount); after it, nodes are put back one width apart
// next to the meniscus on the linear interpolant (nothing changes), so the node count stays about
// N + 1.
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
        std::vector<double> values; // node values; empty: zero everywhere below the depletion radius
        double firstLattice = 0; // ln r of the first node after the meniscus
    };
    Snapshot Take() const;

    // c at ln r for each of n ascending ln r values between meniscus and bottom, from a snapshot of
    // this solver (linear in ln r between nodes), written to out.
    void Evaluate(const Snapshot& snapshot, const double* logRadii, int32_t n, double* out) const;
    // The same at the present time, without a copy.
    void Evaluate(const double* logRadii, int32_t n, double* out) const;

    // Once no node inward of this radius holds more than `level`, the species has left that part
    // of the cell for good: further steps are skipped and snapshots are empty (zero there).
    void SetDepletionRadius(double radiusCm, double level);
    bool Depleted() const { return depleted_; }

    // The integral of c r dr over the cell (the loading times (b^2 - m^2) / 2 at every time).
    double TotalAmount() const;
    int64_t StepsTaken() const { return steps_; }

private:
    void Step(double dt, double theta);
    void EndElements(double firstLattice, double scale, double out[2][2][2]) const;
    void RemoveNearBottom(double shift);
    void InsertNearMeniscus();
    double NextStep(double target) const;
    void CheckDepletion();
    void Interpolate(const double* values, std::size_t count, double firstLattice, const double* logRadii, int32_t n,
        double* out) const;

    double s_ = 0, d_ = 0, omega2_ = 0;
    double logMeniscus_ = 0, logBottom_ = 0;
    double h_ = 0; // lattice width in ln r
    double seconds_ = 0;
    double firstLattice_ = 0; // ln r of node 1; node i (1 .. size - 2) lies (i - 1) widths beyond it
    int64_t steps_ = 0;
    std::vector<double> c_; // meniscus node, lattice nodes, bottom node
    // Mass matrix of one lattice element (weight exp(2 y) dy) whose left node lies at y = 0, and the
    // factors exp(2 k h) of the k-th lattice element after the first.
    double unitMass_[2][2] = {};
    std::vector<double> growth_;
    // A step's matrices: implicit side (diagonal, upper; lower = upper but at the end elements) and
    // explicit side, and the right-hand side.
    std::vector<double> diag_, upper_, explicitDiag_, explicitUpper_, rhs_;
    double lowerFirst_[2] = {}, lowerLast_[2] = {};
    double depletionLog_ = 0, depletionLevel_ = 0;
    bool depleted_ = false;
};

} // namespace morvane::cs
