#pragma once
// A deliberately plain scan-file reader: the whole file into a string, lines split one by one,
// and one sscanf per line with the file kind's format. The oracle that the real reader's
// fast number parsing is checked against, and its yardstick in the benchmark.
#include <cstdint>
#include <string>
#include <vector>

namespace testutil {

struct ReferenceScan {
    int32_t bytes = -1; // file size read, -1 if the file could not be read or the header is bad
    std::string description;
    std::string headerLine;
    double rpm = 0;
    double omega2t = 0;
    std::vector<double> radius, value, sigma; // one entry per data line read
};

// kind: "RA", "RI", "IP" or "FI"; intensityMode as for BeckmanFile (RI only).
ReferenceScan ReadScanReference(const std::string& path, const std::string& kind, int32_t intensityMode);

} // namespace testutil
