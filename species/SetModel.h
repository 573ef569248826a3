#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace morvane {

class RealTimeGofS;

// One pair of scans of a g(s*) set, as the engine used it.
struct ModelPair {
    double Omega2 = 0; // rad^2/s^2 the engine mapped s* with (speed of the later scan)
    double Time = 0; // s, harmonic mean of the two scan times: the t of t dc/dt and of s*
    double Span = 0; // s, between the two scans
    double Omega2tFirst = 0, Omega2tLast = 0; // rad^2/s of each scan
    double Omega2First = 0, Omega2Last = 0; // rad^2/s^2 of each scan's speed
    std::vector<int32_t> Points; // grid indices at which this pair holds data
    std::vector<double> Radii; // cm, the radius each of those points was read at
};

// What a model of one g(s*) set needs to know of the engine: the grid, the set's valid points,
// the pairs its average was made of and the time and speed of its radial-dilution correction.
struct SetLayout {
    double Meniscus = 0; // cm
    std::vector<double> Grid; // ln s of the whole grid
    std::vector<int32_t> Valid; // grid indices of the set's points that hold data, ascending
    std::vector<double> Y; // the set's s* g(s*) at the valid points
    double Omega2 = 0; // of the set
    double Time = 0; // s, of the set (harmonic mean over its pairs)
    double RecordedTime = 0; // s, elapsed time of the set's newest scan
    double Temperature = 0; // deg C, of the set's newest scan
    double Rpm = 0;
    std::vector<ModelPair> Pairs;
};

// The layout of g(s*) set `set` of the engine; an empty text, or why it cannot be had.
std::string LayoutOfSet(const RealTimeGofS& engine, int32_t set, SetLayout& layout);

// The g(s*) set (s* g(s*) at layout.Valid) that one species of loading 1 (signal units), s
// (seconds) and D (cm^2/s) gives when its boundaries (BoundaryConcentration) go through the
// engine's arithmetic: each pair's difference quotient t (c1 - c2) / (t2 - t1) at the radius of
// each grid s*, the mean over the pairs that hold each point, then the correction for radial
// dilution. The model thereby carries every bias the method has (see SpeciesFit.h), and its
// parameters are s and D themselves. Which pair holds which point is taken from the engine.
std::vector<double> SetOfSpecies(const SetLayout& layout, double sSeconds, double diffusion);

// The same set with its derivatives by s (per second) and by D (per cm^2/s), exact (the chain
// rule through BoundarySlopes, the mean and the dilution correction); Value is SetOfSpecies' to
// the bit. False where a boundary of the set has no derivative (a sharp step).
struct SpeciesSetSlopes {
    std::vector<double> Value, ByS, ByD;
};
bool SetOfSpeciesWithSlopes(const SetLayout& layout, double sSeconds, double diffusion, SpeciesSetSlopes& out);

// The engine's radial-dilution correction of an averaged curve b on the points x (ln s):
// A = B - 2 omega^2 t * integral of B ds from the first point, the last step taken by half.
std::vector<double> CorrectForDilution(const std::vector<double>& x, const std::vector<double>& b, double omega2t);

} // namespace morvane
