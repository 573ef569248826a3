#pragma once
// A deliberately plain scan-file reader: the whole text split into line strings one by one, and
// one sscanf per line with the file kind's format. The oracle that the real reader's line
// splitting and fast number parsing are checked against, and its yardstick in the benchmark.
#include <cstdint>
#include <string>
#include <vector>

namespace testutil {

struct ReferenceScan {
    int32_t bytes = -1; // bytes read, -1 if the file could not be read or the reader must refuse it
    std::string description;
    std::string headerLine;
    double rpm = 0;
    double omega2t = 0;
    std::vector<double> radius, value, sigma; // one entry per data line read
};

// kind: "RA", "RI", "IP" or "FI"; intensityMode as for BeckmanFile (RI only); expectedRpm as for a
// fresh BeckmanFile (apparent time in use).
ReferenceScan ReadScanReference(const std::string& path, const std::string& kind, int32_t intensityMode);
ReferenceScan ReadScanReferenceText(
    std::string text, const std::string& kind, int32_t intensityMode, double expectedRpm = 0);

} // namespace testutil
