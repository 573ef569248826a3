#pragma once
#include <cstddef>
#include <string>

#include "realtime/CellParameters.h"

namespace morvane {

// The four radial positions of a channel, cm.
struct CellPositions {
    double Meniscus = 0;
    double Bottom = 0;
    double JitterRadius = 0;
    double FringeRadius = 0;
    bool operator==(const CellPositions&) const = default;
};

// The positions of a cell's parameters, as remembered; the window rule is not.
CellPositions PositionsOf(const CellParameters& cell);
void SetPositions(CellParameters& cell, const CellPositions& positions);

// The positions last used for each run and channel, so that a new launch of the same channel
// starts where the user left it. One small JSON file in the user's configuration directory:
//
//   { "format": 1, "positions": [ { "run": "/abs/run", "channel": "0*.RA1", "meniscus_cm": 5.95,
//       "bottom_cm": 7.2, "jitter_cm": 5.85, "fringe_cm": 6.9 }, ... ] }
//
// newest first, at most MaxEntries. A run path that is not UTF-8 is written as {"bytes_hex": ".."}.
// The file is written through a temporary file and a rename, and read as text from outside: a
// file that is too large, not this layout, or holds a position the command line would refuse is
// not used (the caller is told why) and is replaced at the next save.
class PositionMemory {
public:
    static constexpr size_t MaxEntries = 500;
    static constexpr size_t MaxFileBytes = size_t { 1 } << 20;
    static constexpr const char* FileName = "positions.json";

    // The file; empty: nothing is recalled or remembered (tests, and windows made without a user).
    std::string File;

    // FileName in $XDG_CONFIG_HOME/morvane (an absolute path), else ~/.config/morvane; empty when
    // neither names a directory. The variables as given, null when unset.
    static std::string DefaultFile(const char* xdgConfigHome, const char* home);
    // The same from the process's environment.
    static std::string DefaultFile();

    // The positions remembered for the channel entry of the run directory. False when there are
    // none; `problem` then says why the file could not be used, or is empty.
    bool Recall(
        const std::string& run, const std::string& channel, CellPositions& positions, std::string& problem) const;
    // Puts the positions first for the run and channel; "" or what failed, one line.
    std::string Remember(const std::string& run, const std::string& channel, const CellPositions& positions);
    // Drops the entry of the run and channel; "" or what failed.
    std::string Forget(const std::string& run, const std::string& channel);
};

} // namespace morvane
