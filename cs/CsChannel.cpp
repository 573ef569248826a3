#include "cs/CsChannel.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "analysis/NumberText.h"

namespace morvane::cs {

std::string ChannelData(const RealTimeGofS& e, const CsOptions& o, CsData& d, std::vector<std::string>& notes)
{
    d = CsData();
    const double meniscusCm = o.meniscusCm, bottomCm = o.bottomCm;
    const ChannelDataStore* raw = e.RawStore.get();
    const int32_t scans = raw ? raw->GetNumberOfSets() : 0;
    if (scans < 3)
        return "c(s) needs at least 3 scans, the channel has " + std::to_string(scans);
    double low = meniscusCm + std::max(o.meniscusRangeCm, 0.0) + MeniscusMarginCm;
    double high = bottomCm - e.Settings.DefaultBottomIgnore;
    if (o.radiusLowCm > 0 && o.radiusLowCm > low)
        low = o.radiusLowCm;
    if (o.radiusHighCm > 0 && o.radiusHighCm < high)
        high = o.radiusHighCm;
    // The radii between low and high that every scan holds, as one stretch from the first.
    int32_t first = -1, last = -1;
    for (int32_t i = 0; i < raw->GetNumberOfPoints(); ++i) {
        const double r = raw->GetX(i);
        if (r < low || r > high)
            continue;
        bool everywhere = true;
        for (int32_t j = 0; j < scans && everywhere; ++j)
            everywhere = raw->GetE(j, i) >= 0;
        if (everywhere && first < 0)
            first = i;
        if (everywhere && first >= 0 && (last < 0 || last == i - 1))
            last = i;
    }
    if (first < 0 || last - first + 1 < 20)
        return "fewer than 20 radii between " + FloatToStr(low) + " and " + FloatToStr(high)
            + " cm hold data in every scan (meniscus " + FloatToStr(meniscusCm) + ", bottom " + FloatToStr(bottomCm)
            + " cm)";
    for (int32_t i = first; i <= last; ++i)
        d.radii.push_back(raw->GetX(i));
    double w2 = 0, temperature = 0, w2Low = 1e300, w2High = 0;
    int32_t temperatures = 0;
    for (int32_t j = 0; j < scans; ++j) {
        const ScanHeader& h = raw->Headers[static_cast<size_t>(j)];
        const double w = RealTimeGofS::OmegaSquared(h.Rpm);
        w2 += w;
        w2Low = std::min(w2Low, w);
        w2High = std::max(w2High, w);
        if (h.Temperature != 0) {
            temperature += h.Temperature;
            ++temperatures;
        }
        d.omega2t.push_back(h.Omega2t);
        const double* y = raw->GetSetY(j);
        d.values.emplace_back(y + first, y + last + 1);
    }
    d.omegaSquared = w2 / scans;
    d.temperatureC = temperatures > 0 ? temperature / temperatures : 20;
    if (w2High > 1.01 * w2Low)
        notes.push_back("the scans were taken at more than one speed: c(s) models one speed, the mean");
    if (d.radii.front() > low + 0.01 || d.radii.back() < high - 0.01)
        notes.push_back("radii " + FloatToStr(d.radii.front()) + " to " + FloatToStr(d.radii.back())
            + " cm fitted: the scans do not all hold " + FloatToStr(low) + " to " + FloatToStr(high) + " cm");
    return {};
}

NoiseTerms NoiseOfChannel(const std::string& name)
{
    const size_t dot = name.rfind('.');
    auto kind = [&](const char* code) {
        return dot != std::string::npos && name.size() > dot + 2 && std::toupper(name[dot + 1]) == code[0]
            && std::toupper(name[dot + 2]) == code[1];
    };
    NoiseTerms n;
    const bool interference = kind("IP");
    // An intensity channel is read as log10(1000 / I) of one beam: a pseudo-absorbance that holds
    // -log10 of the lamp's radial profile, the same in every scan (Kar et al., Anal. Biochem. 285
    // (2000) 135-142), so it is fitted with a time-invariant term as interference is.
    n.timeInvariant = interference || kind("RI");
    n.radialInvariant = interference;
    n.baseline = true;
    return n;
}

NoiseTerms DefaultNoise(const RealTimeGofS& e)
{
    if (!e.RawStore || e.RawStore->GetNumberOfSets() < 1)
        return NoiseOfChannel("");
    const ScanHeader& h = e.RawStore->Headers[0];
    NoiseTerms n = NoiseOfChannel(h.FileName);
    if (h.OpticalSystem == 3)
        n.timeInvariant = n.radialInvariant = true;
    return n;
}

} // namespace morvane::cs
