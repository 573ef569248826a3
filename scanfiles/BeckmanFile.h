#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "scanfiles/ScanData.h"
#include "scanfiles/ScanHeader.h"

// Which value an intensity ("RI") file gives: I1 is the second column, I2 the third.
enum IntensityModes : int32_t {
    IntensityRatio = 0,     // log10(I1 / I2)
    IntensityReference = 1, // log10(1000 / I1)
    IntensitySample = 2,    // log10(1000 / I2)
};

// The instrument's scan-file reader. One object is reused for all files of a channel;
// each read overwrites the points and the header.
class BeckmanFile : public ScanData {
public:
    static constexpr int32_t MaxFileBytes = 1048576; // larger files are read up to this size

    ScanHeader Header;

    // Reads one scan file. Returns the number of bytes read, or -1 on failure
    // (unreadable, not a regular file, header that does not parse, fluorescence
    // description without "Voltage:"). Never throws. A file that cannot be read leaves the
    // object unchanged; files larger than MaxFileBytes are read up to that size. The
    // intensity mode only matters for "RI" files; a mode other than 0, 1, 2 acts as 0.
    int32_t ReadScanFile(const std::string& path, int32_t intensityMode, double expectedRpm);

    // Line splitter over [start, end): writes terminators over CR, LF or CR LF in place and
    // never touches *end. Returns false when start == end; otherwise `line` is the line and
    // `next` where the following one starts. A last line without a terminator ends at `end`,
    // so *end must hold a NUL for that line to be terminated (the reader keeps one there).
    static bool NextLine(char* start, char* end, char*& line, char*& next);

private:
    std::vector<char> buffer_; // the whole file plus one terminator; per object, so reads are re-entrant
};

// The scan number in an instrument file name ("00012.RA1" gives 12, "A0003.IP1" 3); 0 if none.
int32_t FileNumberOf(const std::string& fileName);
