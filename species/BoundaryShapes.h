#pragma once

namespace morvane {

// The shapes a sedimenting species gives, from the classic approximate solutions of the Lamm
// equation. Units: radius cm, s in seconds, D in cm^2/s, omega^2 in rad^2/s^2, omega^2 t in
// rad^2/s, time in s.

// Concentration relative to the loading of one ideal species in a sector-shaped cell, from
// Faxen's approximate solution of the Lamm equation for a cell without bottom (H. Faxen, Ark. Mat.
// Astr. Fys. 21B (1929); as given in H. Fujita, Foundations of Ultracentrifugal Analysis, 1975):
//
//   c / c0 = 1/2 exp(-2 tau) erfc( (rb - r) / (rb w) ),   tau = s omega^2 t,  rb = rm exp(tau),
//   w^2 = eps (1 - exp(-2 tau)),  eps = 2 D / (s omega^2 rm^2),
//
// written with w^2 = (4 D t / rm^2) (1 - exp(-2 tau)) / (2 tau): the boundary's spread 2 D t,
// stretched as the faster front outruns the back. The plateau falls as exp(-2 tau) (radial
// dilution). Two corrections make it agree with numerical solutions of the Lamm equation to
// 0.0001 cm in the boundary's position and 0.5 % in its width (checked against the simulator's
// solver in the tests; Faxen's own is 0.0009 cm too far out and up to 3 % too wide):
//  - the meniscus. Faxen's cell has none, so its boundary spreads back across it. At a closed
//    meniscus the spread grows as d(sigma_r^2)/dt = 2 D (1 - c(rm, t) / c0) (the flux balance of
//    the Lamm equation, taken plane near the meniscus), and for a boundary that leaves a wall at
//    the speed v = s omega^2 rm the Laplace transform of that equation gives the integral of
//    c(rm, t) / c0 over all time as D / v^2. So t in w^2 is the time at speed, omega^2 t / omega^2 (which also leaves
//    out the slow start, when the boundary has not yet formed), less D / v^2;
//  - the second moment. The exact boundary position rm exp(tau) is that of the second moment
//    (R. J. Goldberg, J. Phys. Chem. 57 (1953)); Faxen's boundary is symmetric in r about it, so
//    its second moment lies sigma_r^2 / (2 rb) too far out. Its centre is moved to
//    sqrt(rb^2 - sigma_r^2), sigma_r = rb w / sqrt(2).
// Valid for eps << 1 and before the boundary nears the bottom.
double BoundaryConcentration(
    double radius, double meniscus, double sSeconds, double diffusion, double omega2t, double omega2);

// The same boundary at one time, for reading it at many radii.
struct BoundaryProfile {
    double Plateau = 0; // c / c0 beyond the boundary
    double Centre = 0; // cm
    double InverseWidth = 0; // 1 / (rb w), 1/cm; 0: a sharp step at Centre

    BoundaryProfile(double meniscus, double sSeconds, double diffusion, double omega2t, double omega2);
    double At(double radius) const;
};

// The rates of change of a BoundaryProfile with s (per second of s) and with D (per cm^2/s), by
// the chain rule through the formulas above, for exact derivatives of a model built of profiles.
// A sharp step (no width) or a boundary spread past its own radius has none: Smooth false.
struct BoundarySlopes {
    bool Smooth = false;
    double PlateauByS = 0; // the plateau does not depend on D
    double CentreByS = 0, CentreByD = 0;
    double InverseWidthByS = 0, InverseWidthByD = 0;

    BoundarySlopes(double meniscus, double sSeconds, double diffusion, double omega2t, double omega2);
    // c / c0 at a radius (the same number as BoundaryProfile::At), and its derivatives by s and D.
    double At(const BoundaryProfile& profile, double radius, double& byS, double& byD) const;
};

// The diffusion time of the boundary above: omega^2 t / omega^2 - D / (s omega^2 rm)^2, >= 0.
double BoundaryDiffusionSeconds(double sSeconds, double diffusion, double meniscus, double omega2t, double omega2);

// Standard deviation in s (seconds) of the g(s*) peak of a species that diffuses: the boundary's
// width above mapped onto s* = ln(r / rm) / (omega^2 t) near rb,
//
//   sigma = sqrt(2 D t_d (1 - exp(-2 tau)) / (2 tau)) / (rm omega^2 t),  t_d as above,
//
// the textbook sigma ~ sqrt(2 D / t) / (r omega^2) with r between rm and the boundary.
double DiffusionSigma(double sSeconds, double diffusion, double meniscus, double omega2, double time);

// Standard normal density and distribution.
double NormalDensity(double z);
double NormalDistribution(double z);

} // namespace morvane
