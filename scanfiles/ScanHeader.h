#pragma once
#include <cstdint>
#include <string>

namespace morvane {

// Everything the first two lines of a scan file say, plus the bookkeeping of a derived set.
// Copied whole into every set a ChannelDataStore holds.
struct ScanHeader {
    std::string FilePath;            // full path of the scan file
    int32_t Cell = 0;                // second field of the header line
    int32_t HeaderCount = 0;         // last (eighth) field of the header line
    int32_t OpticalSystem = 0;       // from the type letter: R/I 1, F 2, P 3, other 0
    double Omega2t = 0;              // omega squared t, rad^2/s
    double Time = 0;                 // time the analysis uses, s (apparent or recorded)
    double Rpm = 0;                  // rotor speed, rpm
    double Temperature = 0;          // deg C, stored only
    double RecordedTime = 0;         // elapsed time as written, s
    double Wavelength = 0;
    double DescriptionNumber = 0;    // interference: the number of the description line
    std::string Description;         // line 1 as read
    std::string HeaderLine;          // line 2 as read
    std::string DescriptionTag;      // interference: word after the comma; RA/RI: whole line
    std::string FileName;            // file name without directory
    int32_t FirstScan = 0;           // derived set: first set of the stage below
    int32_t LastScan = 0;            // derived set: last set of the stage below
    std::string FluorescenceDescription; // fluorescence: description up to "Voltage:"
    int32_t LastPoint = 0;           // averaged sets: last grid index every set of the window covers
    int32_t UseApparentTime = 1;     // non-zero: Time comes from Omega2t; a speed change clears it

    // Parses HeaderLine and Description into the other fields.
    // Returns 0 good, 1 unrecognised type letter, 2 speed or omega^2 t not positive or a negative
    // elapsed time (2 wins over 1), 4 a speed, elapsed time or omega^2 t (or the apparent time
    // formed from them) that is no finite number (wins over 1 and 2), 3 a fluorescence
    // description without "Voltage:" (wins over all).
    // The fields stay set when the result is not 0. A speed other than expectedRpm (0: no
    // expectation) clears UseApparentTime for good, but only on a header that is otherwise good.
    int32_t ParseHeader(double expectedRpm);
};

} // namespace morvane
