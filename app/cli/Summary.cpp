#include "app/cli/Summary.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "scanfiles/ChannelWavelength.h"

namespace morvane {

namespace {

// Length of the valid UTF-8 character at text[i], or 0 when the byte there starts none.
size_t Utf8Length(const std::string& text, size_t i)
{
    auto byte = [&](size_t k) { return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u; };
    auto continuation
        = [&](size_t k, unsigned low = 0x80, unsigned high = 0xBF) { return byte(k) >= low && byte(k) <= high; };
    const unsigned b = byte(i);
    if (b < 0x80)
        return 1;
    if (b >= 0xC2 && b <= 0xDF)
        return continuation(i + 1) ? 2 : 0;
    if (b >= 0xE0 && b <= 0xEF) {
        // No overlong forms (E0 80..9F), no surrogates (ED A0..BF).
        const unsigned low = b == 0xE0 ? 0xA0 : 0x80, high = b == 0xED ? 0x9F : 0xBF;
        return continuation(i + 1, low, high) && continuation(i + 2) ? 3 : 0;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        // No overlong forms (F0 80..8F), nothing above U+10FFFF (F4 90..).
        const unsigned low = b == 0xF0 ? 0x90 : 0x80, high = b == 0xF4 ? 0x8F : 0xBF;
        return continuation(i + 1, low, high) && continuation(i + 2) && continuation(i + 3) ? 4 : 0;
    }
    return 0;
}

} // namespace

std::string Utf8OrEscaped(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t n = Utf8Length(text, i);
        if (n > 0) {
            out.append(text, i, n);
            i += n;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(text[i]));
            out += escaped;
            ++i;
        }
    }
    return out;
}

std::string SummaryText(const Summary& s, const std::string& file, const std::string& channel)
{
    char times[96];
    std::snprintf(times, sizeof times, ", t = %.0f to %.0f s, ", s.firstTime, s.lastTime);
    return file + ": " + std::to_string(s.sets) + " g(s*) sets from " + std::to_string(s.scans) + " scans of " + channel
        + times
        + (s.peak.Found ? "g(s*) peak at s* = " + ThreeDigits(s.peak.SStar) + " S"
                        : "no g(s*) peak above s* = " + ThreeDigits(s.peakFrom) + " S")
        + "; " + ScanCountText(s.counts);
}

// ---- Scan counts ----
namespace {

void AddScanCounts(nlohmann::ordered_json& j, const ScanCounts& c)
{
    j["scans_read"] = c.Read;
    j["scans_used"] = c.Used;
    j["scans_refused"] = c.Refused;
    nlohmann::ordered_json refusals = nlohmann::ordered_json::array();
    for (size_t r = 0; r < c.RefusedBy.size(); ++r) {
        if (c.RefusedBy[r] == 0)
            continue;
        nlohmann::ordered_json refusal;
        refusal["reason"] = ScanReasonText(static_cast<ScanReason>(r));
        refusal["count"] = c.RefusedBy[r];
        refusal["first_file"] = Utf8OrEscaped(c.FirstRefused[r]);
        refusals.push_back(std::move(refusal));
    }
    j["refusals"] = std::move(refusals);
    j["scans_pending"] = c.Pending;
    j["first_pending_file"]
        = c.Pending > 0 ? nlohmann::ordered_json(Utf8OrEscaped(c.FirstPending)) : nlohmann::ordered_json(nullptr);
    j["reloads"] = c.Reloads;
}

} // namespace

std::string SummaryJson(const Summary& s, const std::string& file, const std::string& channel)
{
    nlohmann::ordered_json j;
    j["file"] = Utf8OrEscaped(file);
    j["channel"] = Utf8OrEscaped(channel);
    const int32_t nm = EntryWavelength(channel);
    if (nm > 0)
        j["wavelength_nm"] = nm;
    j["scans"] = s.scans;
    j["sets"] = s.sets;
    j["set"] = s.set;
    j["first_time_s"] = s.firstTime;
    j["last_time_s"] = s.lastTime;
    j["peak_s_star"] = s.peak.Found ? nlohmann::ordered_json(s.peak.SStar) : nlohmann::ordered_json(nullptr);
    j["peak_search_from_s_star"] = s.peakFrom;
    if (s.meniscusFound)
        j["meniscus_found_cm"] = *s.meniscusFound;
    AddScanCounts(j, s.counts);
    if (nm > 0 || s.counts.OtherWavelengths > 0)
        j["scans_other_wavelengths"] = s.counts.OtherWavelengths;
    return j.dump();
}

std::string WithConvergence(const std::string& summary, const ConvergenceSummary& c, bool json)
{
    if (!json)
        return summary + "; " + c.verdict;
    auto number
        = [](double x) { return std::isfinite(x) ? nlohmann::ordered_json(x) : nlohmann::ordered_json(nullptr); };
    nlohmann::ordered_json j = nlohmann::ordered_json::parse(summary);
    j["converged"] = c.converged;
    j["verdict"] = c.verdict;
    j["peak_drift_percent"] = number(c.peakDriftPercent);
    j["shape_change_percent"] = number(c.shapeChangePercent);
    j["stable_minutes"] = number(c.stableMinutes);
    j["meniscus_level_percent"] = number(c.meniscusLevelPercent);
    j["species_compared"] = c.speciesCompared;
    j["species_s_change_percent"] = number(c.speciesSChangePercent);
    j["share_change_points"] = number(c.shareChangePoints);
    return j.dump();
}

} // namespace morvane
