#pragma once
// What real scans show besides the solution, as functions of the clean signal or the radius.
#include <string>

#include "simulator/SimulatedRun.h"

namespace morvane {

// The absorbance a detector reads for a true absorbance a: unchanged up to ceiling - 0.5, then
// bending over smoothly (value and slope continuous) toward the ceiling, which it never reaches.
// ceiling <= 0: no ceiling.
double SaturatedAbsorbance(double a, double ceilingOD);

// How much noisier a read absorbance is than one in the linear range: 1 up to ceiling - 0.5,
// rising linearly to 20 at the ceiling, where few photons reach the detector.
double SaturationNoiseFactor(double readOD, double ceilingOD);

// The meniscus spike of absorbance scans: a Gaussian peak of height heightOD at the meniscus,
// with an SD of a sixth of the width, so that it lies within widthCm.
double MeniscusSpike(double radiusCm, double meniscusCm, double widthCm, double heightOD);

// The meniscus drop of interference scans: the signal falls steeply by depth fringes over the
// widthCm centred on the meniscus and climbs back as steeply (edges a tenth of the width).
double MeniscusDrop(double radiusCm, double meniscusCm, double widthCm, double depthFringes);

// The interference baseline at the meniscus of real runs: it steps by stepFringes (negative:
// down) across the meniscus, where half the step is reached (a tanh edge of 0.0015 cm, so 90 %
// of the step lies within 0.003 cm of the meniscus), then dips by dipFringes below the stepped
// level over the dipWidthCm after the meniscus (a sine-squared trough, deepest halfway).
double MeniscusStep(double radiusCm, double meniscusCm, double stepFringes, double dipFringes, double dipWidthCm);

// The interference artefact of the run's shape (SimRun::interferenceMeniscus) at a radius.
double InterferenceMeniscusArtefact(const SimRun& run, double meniscusCm, double radiusCm);

// What is wrong with the run's meniscus artefact, in words; empty when nothing or no artefact.
std::string MeniscusArtefactProblem(const SimRun& run);

} // namespace morvane
