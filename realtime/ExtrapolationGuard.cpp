#include "realtime/ExtrapolationGuard.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

namespace morvane {

namespace {

double Dot(const std::vector<double>& a, const std::vector<double>& b)
{
    double s = 0;
    for (size_t i = 0; i < a.size(); ++i)
        s += a[i] * b[i];
    return s;
}

// Removes from v its part along the unit vector q, twice: one pass loses digits when v lies
// nearly along q.
void RemoveAlong(std::vector<double>& v, const std::vector<double>& q)
{
    for (int pass = 0; pass < 2; ++pass) {
        const double d = Dot(v, q);
        for (size_t i = 0; i < v.size(); ++i)
            v[i] -= d * q[i];
    }
}

// Normalises v; false when less than `floor` of its former length is left.
bool Normalise(std::vector<double>& v, double before, double floor)
{
    const double n = std::sqrt(Dot(v, v));
    if (!(n > floor * before))
        return false;
    for (double& x : v)
        x /= n;
    return true;
}

std::string Figure(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", v);
    return text;
}

std::string Seconds(double t)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.0f s", t);
    return text;
}

bool SoundRange(const ChannelDataStore& smooth, const ChannelDataStore& gofs, int32_t start, int32_t end,
    const ExtrapolationParameters& p)
{
    return JudgeExtrapolation(Extrapolate(smooth, gofs, start, end, p)).Sound();
}

// The largest k in [lo, hi] for which sound(k) holds, -1 when none: steps down from hi by 1, 2,
// 4, ... until a sound k, then halves the gap to the unsound k above it. Where soundness does not
// grow monotonically towards lo, the k returned is sound but not always the largest.
template <class Sound> int32_t LargestSound(int32_t lo, int32_t hi, const Sound& sound)
{
    if (hi < lo)
        return -1;
    int32_t bad = hi + 1, k = hi;
    for (int32_t step = 1; !sound(k); step *= 2) {
        if (k == lo)
            return -1;
        bad = k;
        k = std::max(hi - step, lo);
    }
    while (bad - k > 1) {
        const int32_t mid = k + (bad - k) / 2;
        (sound(mid) ? k : bad) = mid;
    }
    return k;
}

} // namespace

double InterceptNoiseGain(std::span<const double> times)
{
    const double infinity = std::numeric_limits<double>::infinity();
    double tMin = infinity;
    for (const double t : times)
        if (t > 0)
            tMin = std::min(tMin, t);
    // u = sqrt(tMin / t) in (0, 1]: the intercept at u = 0 is the same whatever the scale of u.
    std::vector<double> one, u, u2;
    for (const double t : times) {
        if (!(t > 0) || !std::isfinite(t))
            continue;
        one.push_back(1);
        u.push_back(std::sqrt(tMin / t));
        u2.push_back(u.back() * u.back());
    }
    if (one.size() < 3)
        return infinity;
    // [(A^T A)^-1]_00 = 1 / |the part of the column of ones outside the span of u and u^2|^2,
    // found by Gram-Schmidt in the order u, u^2, 1.
    const double floor = 1e-12;
    const double lengthU = std::sqrt(Dot(u, u)), lengthU2 = std::sqrt(Dot(u2, u2));
    if (!Normalise(u, lengthU, 0))
        return infinity;
    RemoveAlong(u2, u);
    if (!Normalise(u2, lengthU2, floor))
        return infinity;
    const double n = static_cast<double>(one.size());
    RemoveAlong(one, u);
    RemoveAlong(one, u2);
    const double rest = std::sqrt(Dot(one, one));
    if (!(rest > floor * std::sqrt(n)))
        return infinity;
    return std::sqrt(n) / rest;
}

ExtrapolationJudgement JudgeExtrapolation(const ExtrapolationResult& r)
{
    ExtrapolationJudgement j;
    if (!r.Computed) {
        j.Reason = "a range needs at least 5 smoothed g(s*) sets";
        return j;
    }
    j.NoiseGain = InterceptNoiseGain(r.Times);
    double top = 0, newest = 0;
    const ExtrapolationPoint *first = nullptr, *last = nullptr;
    for (const ExtrapolationPoint& p : r.Points) {
        if (!p.Extrapolated)
            continue;
        top = std::max(top, p.Value);
        newest = std::max(newest, p.Newest);
        first = first ? first : &p;
        last = &p;
    }
    const ExtrapolationPoint* edge = first && first->Value > last->Value ? first : last;
    j.HeightRatio = newest > 0 ? top / newest : 0;
    if (r.ExtrapolatedCount == 0) {
        j.Verdict = ExtrapolationVerdict::Nothing;
        j.Reason = "no point could be extrapolated (at every s*, set " + std::to_string(r.End)
            + " holds too little g(s*) or too few sets hold data)";
    } else if (!(j.NoiseGain <= MaxInterceptNoiseGain)) {
        j.Verdict = ExtrapolationVerdict::IllConditioned;
        j.Reason = "the sets' times are too close together for the 1/sqrt(t) and 1/t terms to be told apart: the "
                   "fit multiplies the noise of ln g "
            + Figure(j.NoiseGain) + " times into the infinite-time value (at most " + Figure(MaxInterceptNoiseGain)
            + " is sound)";
    } else if (!(edge->Value <= MaxEdgeFraction * top)) {
        j.Verdict = ExtrapolationVerdict::CutOff;
        j.Reason = "the curve is cut off at s* = " + Figure(edge->SStar) + " S, where it still stands at "
            + Figure(100 * edge->Value / top) + " % of its peak: set " + std::to_string(r.End)
            + " holds no data beyond (as once a boundary has reached the cell bottom)";
    } else if (!(j.HeightRatio <= MaxHeightRatio) || !(j.HeightRatio >= MinHeightRatio)) {
        j.Verdict = ExtrapolationVerdict::RunsAway;
        j.Reason = "the extrapolated values run away from the sets: the highest is " + Figure(j.HeightRatio)
            + " times the highest of set " + std::to_string(r.End) + " at the same s* (sound: " + Figure(MinHeightRatio)
            + " to " + Figure(MaxHeightRatio) + " times)";
    } else {
        j.Verdict = ExtrapolationVerdict::Sound;
    }
    return j;
}

ExtrapolationRange SoundExtrapolationRange(const ChannelDataStore& smooth, const ChannelDataStore& gofs, int32_t start,
    int32_t end, const ExtrapolationParameters& p)
{
    ExtrapolationRange range;
    const int32_t last = smooth.GetNumberOfSets() - 1;
    start = std::clamp(start, 0, std::max(last, 0));
    end = std::min(end, last);
    if (end - 4 < 0)
        return range;
    start = std::min(start, end - 4);
    // Widening the start with the end kept; else moving the end back with set 0 as start.
    const int32_t widened = LargestSound(0, start, [&](int32_t k) { return SoundRange(smooth, gofs, k, end, p); });
    if (widened >= 0)
        return { true, widened, end };
    // Ends from set 0 are sound by their times from some end on (the gain falls as the range
    // grows) and cease to be once the newest set has lost the boundary: halving works above that.
    std::vector<double> times;
    int32_t lo = 4;
    for (int32_t k = 0; k < end; ++k) {
        times.push_back(smooth.Headers[static_cast<size_t>(k)].Time);
        if (k == lo && !(InterceptNoiseGain(times) <= MaxInterceptNoiseGain))
            ++lo;
    }
    const int32_t earlier = LargestSound(lo, end - 1, [&](int32_t k) { return SoundRange(smooth, gofs, 0, k, p); });
    if (earlier >= 0)
        return { true, 0, earlier };
    return range;
}

std::string ExtrapolationRefusal(
    const ExtrapolationResult& r, const ExtrapolationJudgement& j, const ExtrapolationRange& sound)
{
    std::string text = "The extrapolation of sets " + std::to_string(r.Start) + " to " + std::to_string(r.End);
    if (!r.Times.empty())
        text += " (" + Seconds(r.Times.front()) + " to " + Seconds(r.Times.back()) + ")";
    text += " is no result: " + j.Reason + ". ";
    if (sound.Found)
        return text + "Sets " + std::to_string(sound.Start) + " to " + std::to_string(sound.End)
            + " give a sound extrapolation.";
    return text + "No range of this channel's sets gives a sound extrapolation.";
}

} // namespace morvane
