#pragma once
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

#include "analysis/ChannelDataStore.h"

namespace morvane {

// What the extrapolation to infinite time reads from the display and analysis settings; the
// data view fills it from "ExtrapolationCutoff", "ExtrapolationMinLogS",
// "ExtrapolationSmoothRepetition", "ExtrapolationSmoothCarSize" and "DefaultIgnoreTag".
struct ExtrapolationParameters {
    double Cutoff = 0.05; // fraction of the reference maximum the end set must exceed
    double MinLogS = std::log(5e-14); // ln s, s in seconds: points at or below are left out
    int32_t SmoothRepetition = 3; // passes of the box-car over a point's entries
    int32_t SmoothCarSize = 3; // width of the box-car
    double IgnoreTag = -2e10; // e of a point that was not extrapolated
};

// One set's contribution to a grid point: X = 1/sqrt(t), Y = 1/t, Z = ln g = ln(y / s).
struct ExtrapolationEntry {
    double X;
    double Y;
    double Z; // smoothed when the point had 4 entries or more
};

struct ExtrapolationPoint {
    double LogS = 0; // grid value: ln s, s in seconds
    double SStar = 0; // s* in Svedbergs
    double Value = 0; // infinite-time s g(s); 0 when not extrapolated
    double Error = 0; // its standard error; the ignore tag when not extrapolated
    double A = 0, B = 0, C = 0; // the fit Z = A + B X + C Y
    double Newest = 0; // s g(s) of the smoothed end set at this point
    bool Extrapolated = false;
    int32_t FirstEntry = 0; // this point's entries in ExtrapolationResult::Entries,
    int32_t EntryCount = 0; // in order of increasing set
};

struct ExtrapolationCurvePoint {
    double SStar; // Svedbergs
    double Value;
};

struct ExtrapolationResult {
    bool Computed = false; // false: the range or the stores were refused, nothing to draw
    int32_t Start = 0; // the range after clamping to the store
    int32_t End = 0;
    int32_t ExtrapolatedCount = 0;
    double ReferenceMaximum = 0; // M: largest valid y of all smoothed sets, 0 if none is positive
    std::vector<double> Times; // s: the times of the range's sets that have one (t > 0), in set order
    // The amount of each set of the range, start first: the sum of s g(s) d ln s = g(s) ds over
    // the valid points beyond MinLogS.
    std::vector<double> Amounts;
    std::vector<ExtrapolationPoint> Points; // one per grid point, at most 4096
    std::vector<ExtrapolationEntry> Entries; // all points' entries, point after point
    // The g(s*) set End at its points that hold data, beyond the smallest s*: what the s* axis view
    // draws beside the extrapolated curve.
    std::vector<ExtrapolationCurvePoint> NewestGofs;

    std::span<const ExtrapolationEntry> EntriesOf(int32_t point) const;
};

// Extrapolates the smoothed g(s*) sets start .. end to infinite time, grid point by grid point:
// the entries of the sets that hold data there (t > 0, y > 0.01, the point beyond MinLogS and the
// end set above Cutoff x the reference maximum) are smoothed and fitted with
// Z = A + B X + C Y; the intercept gives Value = exp(A) s and Error = sa Value. A point with fewer
// than 4 entries, a failed fit, an intercept above 1e30 or a value that is not finite keeps Value 0
// and Error = IgnoreTag. start is raised to 0 and end lowered to the last set; the range is refused
// when end - start < 4 or `smooth` holds fewer than 4 sets. `gofs` is the unsmoothed g(s*) store
// parallel to `smooth`.
ExtrapolationResult Extrapolate(const ChannelDataStore& smooth, const ChannelDataStore& gofs, int32_t start,
    int32_t end, const ExtrapolationParameters& p);

// Half-length of the error bar the s* axis view draws at an extrapolated point: an error above
// the value is drawn at the value's size.
inline double ErrorBarSize(const ExtrapolationPoint& point) { return std::fmin(point.Error, point.Value); }

} // namespace morvane
