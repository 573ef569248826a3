#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace morvane {

// The points of one scan file. An empty vector is an array the scan kind does not have
// (interference scans have no Sigma).
class ScanData {
public:
    int32_t OpticalSystem = 2;   // 1 absorbance or intensity, 2 fluorescence, 3 interference
    int32_t NumberOfPoints = 0;  // data lines read into the arrays
    std::string ScanPath;        // full path of the file last read
    std::vector<double> Radius;  // cm
    std::vector<double> Value;   // signal, or the value formed from the intensity columns
    std::vector<double> Sigma;   // third column; OpticalSystem 1 and 2 only

    // Releases every array, then allocates `capacity` zero-filled doubles for each array
    // the current OpticalSystem needs. NumberOfPoints becomes 0.
    void AllocatePoints(int32_t capacity);
};

// Whether radii can serve as the radial grid of a channel: at least two, all finite, rising
// strictly. A grid must never be built from a scan that fails this.
bool RadiiUsableAsGrid(const double* radius, int32_t n);

} // namespace morvane
