#pragma once
#include <string>

#include "realtime/RealTimeGofS.h"
#include "simulator/SimulatedRun.h"

using namespace morvane;

// Simulated runs of the absorbance cell of the demo, each written, loaded as a launch with the
// default positions would and analysed once per test program.
SimRun SingleSpeciesRun(); // 4.4 S, 66 kDa, 1 mg/ml, 50000 rpm, 60 scans to 11220 s
SimRun MixtureRun(); // 4.4 S and 6.8 S, 80/20 of 1 mg/ml, same run
SimRun SlowSpeciesRun(); // the mixture with a 0.8 S, 10 kDa species in place of the 6.8 S one
SimRun ThreeSpeciesRun(); // 4.4, 6.8 and 9.5 S (66, 132, 200 kDa), 60/25/15 of 1 mg/ml
SimRun SmallProteinRun(); // 1.8 S, 17 kDa, 1 mg/ml
// The three species with 0.6, 0.2 and 0.2 mg/ml (66, 132, 198 kDa), same run.
SimRun ThreeSpeciesEvenRun();
// An antibody (6.5 S, 150 kDa, 0.5 mg/ml, 45000 rpm) in interference with the noise of real runs:
// 0.02 fringes, baseline offsets of 0.3 fringes, a fringe jump in one scan of ten, a 0.01-fringe
// pattern in every scan, the meniscus artefact and jittered scan ends.
SimRun NoisyInterferenceRun();

// The engine of the run's first cell, by name (the first call with a name simulates the run).
const RealTimeGofS& EngineOfRun(const std::string& name, const SimRun& run);
