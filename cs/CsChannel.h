#pragma once
#include <string>

#include "cs/CsFit.h"
#include "realtime/RealTimeGofS.h"

namespace morvane::cs {

// The scans of a channel as c(s) fits them: the engine's raw store (interference scans already
// corrected for jitter and integral fringes, which the noise terms would take off anyway) on the
// radii from MeniscusMarginCm past the meniscus (clear of its optical artefact; past the farthest
// meniscus the fit may try) to the engine's ignored band before the bottom, narrowed to the
// options' radius range and to the radii every scan holds. The run's omega^2 is the mean of the
// scans' speeds; the temperature the mean of theirs (20 C when none is given).
inline constexpr double MeniscusMarginCm = 0.02;
// How far from the given meniscus a fitted one may lie (--fit-meniscus, the tab's "fit").
inline constexpr double MeniscusFitRangeCm = 0.02;

// "" with `data` filled, or why the channel cannot be fitted (options: meniscus, bottom, radius
// range, meniscus range). `notes` gets what may make a result less right (speeds that differ
// between scans, radii narrowed by scans that end early).
std::string ChannelData(
    const RealTimeGofS& engine, const CsOptions& options, CsData& data, std::vector<std::string>& notes);

// The noise terms a channel calls for, by its mask or a file name of it: interference ("IP") has a
// time-invariant pattern and an offset per scan; intensity ("RI", one beam read as log10(1000 / I))
// the lamp's profile, a time-invariant pattern; every channel a constant baseline.
NoiseTerms NoiseOfChannel(const std::string& name);
// The same of the engine's first scan.
NoiseTerms DefaultNoise(const RealTimeGofS& engine);

} // namespace morvane::cs
