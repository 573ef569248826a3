#pragma once
// Absorbance and intensity cells scanned at several wavelengths in each round (SimRun::wavelengths).
#include <cstdint>
#include <string>
#include <vector>

#include "simulator/SimulatedRun.h"

namespace morvane {

// How many wavelengths a cell of this kind is scanned at in each round: the run's list for
// absorbance and intensity cells (one optical system) when given, else one.
int32_t WavelengthCount(const SimRun& run, OpticalKind kind);

// What is wrong with the run's wavelengths, in words; empty when nothing.
std::string WavelengthProblem(const SimRun& run);

// Parses wavelengths "280,230:3.1": each in nm, optionally with its absorbance per mg/ml after a
// colon (without one, `extinction`). Returns an empty text or what is wrong.
std::string ParseWavelengths(const std::string& text, double extinction, std::vector<SimWavelength>& wavelengths);

} // namespace morvane
