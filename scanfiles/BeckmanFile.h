#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scanfiles/ScanData.h"
#include "scanfiles/ScanHeader.h"
#include "scanfiles/ScanText.h"

namespace morvane {

// Which value an intensity ("RI") file gives: I1 is the second column, I2 the third.
enum IntensityModes : int32_t {
    IntensityRatio = 0,     // log10(I1 / I2)
    IntensityReference = 1, // log10(1000 / I1)
    IntensitySample = 2,    // log10(1000 / I2)
};

// Why a read gave no scan; each read sets it. The caller may count and report these.
enum class ScanRefusal : int32_t {
    None = 0,        // read (for a file that is no scan kind, only its size)
    Unreadable,      // cannot be opened or read: missing, no permission
    NotRegularFile,  // a directory, a pipe, a device: never waited on or read
    TooLarge,        // more than MaxFileBytes: refused whole rather than read in part
    TooShort,        // fewer than two lines: no header line
    BadHeader,       // unknown type letter, speed or omega^2 t not positive, negative elapsed time
    NoVoltage,       // fluorescence description without "Voltage:"
    NonFiniteHeader, // speed, elapsed time or omega^2 t (or the apparent time from them) is no finite number
    NonFiniteValues, // a data line holds a value that is no finite number (nan, inf, or beyond a double)
    TooManyLines,    // more data lines than the kind's line limit: refused whole rather than read in part
};

// A short text for a refusal, e.g. "header line does not parse".
const char* ScanRefusalText(ScanRefusal refusal);

// The instrument's scan-file reader. One object is reused for all files of a channel;
// each read overwrites the points and the header.
class BeckmanFile : public ScanData {
public:
    // Larger scan files are refused.
    static constexpr int32_t MaxFileBytes = static_cast<int32_t>(ScanFileMaxBytes);

    ScanHeader Header;
    ScanRefusal Refusal = ScanRefusal::None; // of the last read
    // Whether the text of the last read ended with a line end or an end-of-file mark. A file
    // still being written usually does not: take it only once it does.
    bool EndedWithLineEnd = false;
    // Whether the last read got as far as parsing a header line (a name of a scan kind, two lines).
    bool HeaderParsed = false;

    // Reads one scan file: its bytes (ReadWholeFile), then ParseScanText. Returns the number of
    // bytes read, or -1 on failure with the reason in Refusal. Never throws. A file that cannot be
    // read (or is no regular file) leaves points and header unchanged.
    int32_t ReadScanFile(const std::string& path, int32_t intensityMode, double expectedRpm);

    // Parses the text of a scan file held in memory, as ReadScanFile does with the bytes it read;
    // `path` names the file (its extension gives the kind). Returns the number of bytes, or -1 on
    // failure, with NumberOfPoints 0 and the reason in Refusal: more than MaxFileBytes, unknown type
    // letter, speed or omega^2 t not positive, no finite speed, time or omega^2 t, fluorescence
    // description without "Voltage:", a data value that is no finite number, more data lines than
    // the kind takes. For a name of no scan kind only ScanPath is set and the size (at most
    // MaxFileBytes) returned. Blank lines and end-of-file marks (Ctrl-Z) after the last data line are
    // no points; every other line after the header is one, parsed or not. The intensity mode only
    // matters for "RI" files; a mode other than 0, 1, 2 acts as 0.
    int32_t ParseScanText(const std::string& path, std::string_view text, int32_t intensityMode, double expectedRpm);

private:
    std::string buffer_; // the bytes of the last file read; per object, so reads are re-entrant
    std::string line_;   // a data line copied for sscanf, which wants a terminated string
};

// Whether the reader takes a file of this name as a scan: its extension starts with "IP", "RA",
// "RI" or "FI", in any case.
bool IsScanKindName(const std::string& name);

// A read made with recorded times (the header's UseApparentTime 0), as a read under another time
// rule (UseApparentTime, expected rpm) would have ended. Only the header depends on the rule: the
// points are the same under every rule, and no rule takes a header that recorded times refuse, so
// the header is parsed again and nothing else. `read` and `refusal` are the result and refusal of
// the read; returns the result under the rule, with `refusal` and `header` as that read gives them.
// For a read that parsed a header line (HeaderParsed) only.
int32_t ReadUnderTimeRule(
    int32_t read, ScanRefusal& refusal, ScanHeader& header, int32_t useApparentTime, double expectedRpm);

// The scan number in an instrument file name ("00012.RA1" gives 12, "A0003.IP1" 3); 0 if none.
int32_t FileNumberOf(const std::string& fileName);

} // namespace morvane
