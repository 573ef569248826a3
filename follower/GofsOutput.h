#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "realtime/RealTimeGofS.h"

namespace morvane {

// The g(s*) text file: tab-separated s*, corrected t*dc/dt (= s* g(s*)) and g(s*), with the
// run's description and header lines above, CR LF line ends and a final lone LF line.

std::string RemoveChars(const std::string& text, const std::string& set);

// The output title from the first raw scan's description (or its file extension when too short).
std::string GofsTitle(const RealTimeGofS& engine);

// What a proposed file name says of the channel: the first 16 characters of the title, a blank and
// the channel entry after its "." ("RA1", "RI3Sam"; not twice when the title is it), and for a
// channel of one of its cell's several wavelengths a blank and the wavelength ("... RA1 280 nm").
std::string FileNameTitle(const RealTimeGofS& engine);

// "t dcdt vs sStar for " + FileNameTitle + ".txt", after initialDir.
std::string ProposedGofsFileName(const RealTimeGofS& engine, const std::string& initialDir);

struct GofsRow {
    double sStar; // Svedbergs
    double value; // corrected t*dc/dt
    double gofs; // value / s*
};

// Rows of the newest g(s*) set, gaps filled from the composite curve (newestWithComposite), or of
// set `set` alone (the time-course form). Non-finite points are left out.
std::vector<GofsRow> GofsRows(const RealTimeGofS& engine, int32_t set, bool newestWithComposite);

// How far past the meniscus a sedimenting boundary must have moved before the data can hold it:
// closer in, the meniscus and its optical artefact dominate g(s*) (amplified there by 1 / s*).
inline constexpr double BoundaryClearanceCm = 0.02;

// s* in Svedbergs of a boundary clearanceCm past the meniscus after omega2t (rad^2/s):
// ln((meniscus + clearance) / meniscus) / omega2t. 0 when it cannot be computed.
double BoundaryMinimumSStar(double meniscusCm, double omega2t, double clearanceCm = BoundaryClearanceCm);

struct GofsPeak {
    bool Found = false;
    double SStar = 0; // Svedbergs, between grid points
    double Gofs = 0; // g(s*) at SStar
};

// The highest g(s*) among the rows above sMin (Svedbergs), refined by the parabola through it and
// its two neighbours against ln s*; a highest row without a neighbour on both sides (the edge of
// the searched range) is taken as it is. Rows in increasing s*.
GofsPeak FindGofsPeak(const std::vector<GofsRow>& rows, double sMin);

// The peak's width as a Gaussian standard deviation over its s*: the full width where g(s*) first
// falls below half the peak on either side, over 2 sqrt(2 ln 2), linearly interpolated between rows.
// 0 when the curve does not fall to half on both sides within the rows (the width is unknown).
double PeakRelativeWidth(const std::vector<GofsRow>& rows, const GofsPeak& peak);

// The whole file text. `set` is ignored for the newest-set form.
std::string GofsFileText(
    const RealTimeGofS& engine, const std::string& chosenPath, int32_t set, bool newestWithComposite);

inline const char* NotEnoughDataMessage = "Not enough Data";
inline const char* WriteErrorMessage = "Unexpected error writing file, Please check output.";

// Writes the file through a temporary file and a rename. Returns an empty text on success,
// "Not enough Data" when there is no g(s*) set, or the write-error message.
std::string WriteGofsFile(const RealTimeGofS& engine, const std::string& path, int32_t set, bool newestWithComposite,
    std::string* detail = nullptr);

} // namespace morvane
