#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "simulator/RotorSchedule.h"

namespace morvane {

// One ideal, non-interacting species of a sedimentation-velocity run.
struct LammSpecies {
    double sSvedberg = 0; // sedimentation coefficient, S (1 S = 1e-13 s)
    double diffusionCm2s = 0; // diffusion coefficient, cm^2/s
    double loading = 1; // loading concentration, any unit; the solution is in the same unit
};

// How fine the solver works. The defaults are accurate for proteins and larger particles
// at any speed; they are what the simulator uses.
struct LammGridRules {
    double maxCellCm = 0.0005; // cell width at the meniscus (cells are uniform in ln r)
    int32_t minCells = 1000; // at least this many cells over the column
    double maxStepSeconds = 10; // no time step longer than this
    double stepGrowth = 0.1; // early steps: dt <= minStepSeconds + stepGrowth * t
    double minStepSeconds = 0.02; // shortest step; faster species shift several cells per step
};

// Solves the Lamm equation of a sector-shaped cell for one species,
//
//   dc/dt = -(1/r) d/dr [ r (s w^2 r c - D dc/dr) ],  no flux through meniscus and bottom,
//
// with the rotor's w^2(t) from a RotorSchedule.
//
// Method: finite volumes on a grid uniform in y = ln r. In y the sedimentation flux of the
// mass density q = c r^2 is a plain translation at the speed s w^2, the same everywhere in
// the cell (dq/dt = -d/dy [s w^2 q - D dc/dy]). So sedimentation is applied exactly, as
// whole-cell shifts of the cell contents each time s * (w^2 t) grows by one cell width in y;
// the shift also dilutes c by exp(-2 dy), the sector's radial dilution. Diffusion is solved
// implicitly (TR-BDF2, two tridiagonal systems per step) with no flux at either wall; time
// steps end exactly where a shift is due.
// Both parts conserve mass exactly; a boundary without diffusion stays one cell wide and
// never oscillates. Read-outs between shifts move that fraction of each cell's contents on
// that sedimentation has covered since the last shift, so the boundary position is continuous
// in time and the read-out holds the same amount as the cells.
class LammSolver {
public:
    LammSolver(const LammSpecies& species, double meniscusCm, double bottomCm, const RotorSchedule& rotor,
        const LammGridRules& rules = {});

    // Replaces the uniform loading by c(r) at t = 0; only before the first AdvanceTo.
    void SetInitialProfile(const std::function<double(double radiusCm)>& concentration);

    // Integrates from the present time to t (later than or equal to the present time).
    void AdvanceTo(double seconds);

    double Seconds() const { return seconds_; }
    // c at a radius between meniscus and bottom; 0 outside.
    double ConcentrationAt(double radiusCm) const;
    // Adds scale * c(r) for each radius to out (same size as radii).
    void AddProfile(const std::vector<double>& radii, double scale, std::vector<double>& out) const;

    // Total amount per radian per cm of height: the integral of c r dr over the cell.
    double TotalAmount() const;

    // The grid, for tests and diagnostics: cell centres, cell faces (one more) and the cell
    // contents as concentrations, without the read-out's fractional shift.
    const std::vector<double>& CellCentres() const { return centre_; }
    const std::vector<double>& CellFaces() const { return face_; }
    const std::vector<double>& CellConcentrations() const { return c_; }
    int64_t StepsTaken() const { return steps_; }
    int64_t ShiftsDone() const { return shifts_; }

private:
    void Diffuse(double dt);
    void SolveImplicit(double alpha, std::vector<double>& x);
    void UpdateReadout();
    void Shift(int64_t cells);
    double NextStepSeconds(double target) const;

    LammSpecies species_;
    RotorSchedule rotor_;
    LammGridRules rules_;
    double meniscus_;
    double bottom_;
    double dy_ = 0; // cell width in ln r
    double sSeconds_ = 0; // s in seconds
    double seconds_ = 0; // present time
    int64_t steps_ = 0;
    int64_t shifts_ = 0;
    std::vector<double> face_; // N + 1 face radii
    std::vector<double> centre_; // N centre radii (geometric mean of the faces)
    std::vector<double> area_; // integral of r dr over each cell
    std::vector<double> conductance_; // D r / dr at the N - 1 inner faces
    std::vector<double> c_; // concentration per cell
    std::vector<double> work_; // Thomas algorithm scratch
    std::vector<double> stage_; // intermediate stage of a diffusion step
    std::vector<double> readout_; // c per cell at the present time, fraction of a shift included
};

} // namespace morvane
