#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "scanfiles/BeckmanFile.h"

namespace morvane {

// Why a complete scan file of a channel is not among its scans.
enum class ScanReason : int32_t {
    Unreadable, // the reader's refusals, as ScanRefusal names them
    NotRegularFile,
    TooLarge,
    TooShort,
    BadHeader,
    NoVoltage,
    NonFiniteHeader,
    NonFiniteValues,
    TooManyLines,
    ImplausibleHeader, // a time (recorded, or from omega^2 t) beyond any run
    UnusableRadii, // radii not all finite and rising: no curve to put on the grid
    TooFewPoints, // before the first scan that has points enough to give the radial grid
    TimeOrder, // its time does not fit the order of the other scans
    SetLimit, // the raw store holds 999 sets already
    NotOnGrid, // none of its radii reaches the channel's radial grid
};
constexpr int32_t ScanReasonCount = 15;

// A short text for a reason, e.g. "time out of order with the other scans".
const char* ScanReasonText(ScanReason reason);

// The reason of a read that the reader refused (ScanRefusal::None has none: Unreadable).
ScanReason ReasonOfRefusal(ScanRefusal refusal);

// What became of a channel's scan files at the latest look: every file is read and used, read and
// refused (with its reason), not yet complete and looked at again at the next tick, or a scan of
// another wavelength of the cell (the channel of that wavelength takes it; neither read as this
// channel's scan nor refused).
struct ScanCounts {
    int32_t Read = 0; // complete files read: Used + Refused
    int32_t Used = 0; // scans in the raw store
    int32_t Refused = 0;
    int32_t Pending = 0; // still being written (no line end yet, or still changing)
    std::array<int32_t, ScanReasonCount> RefusedBy {};
    std::array<std::string, ScanReasonCount> FirstRefused {}; // first file of each reason, in name order
    std::string FirstPending;
    int32_t OtherWavelengths = 0; // scans of the cell's other wavelengths
    std::vector<int32_t> OtherNm; // those wavelengths (nm), in the order met
    int32_t Reloads = 0; // full re-reads since the launch: a file changed after it was read, or a
                         // file arrived or completed before scans already read

    int32_t RefusedFor(ScanReason reason) const { return RefusedBy[static_cast<size_t>(reason)]; }
    void Refuse(ScanReason reason, const std::string& name);
    void Wait(const std::string& name);
    void AtOtherWavelength(int32_t nm);
};

// One line for a person, e.g. "57 scans read, 56 used, 1 refused (time out of order with the other
// scans: 00000.RA1), 1 not yet complete (00058.RA1)", and for a cell of several wavelengths
// ", 57 at other wavelengths (230 nm)".
std::string ScanCountText(const ScanCounts& counts);

} // namespace morvane
