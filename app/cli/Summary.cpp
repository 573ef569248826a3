#include "app/cli/Summary.h"

#include <cmath>
#include <cstdio>

#include "analysis/NumberText.h"
#include "dataview/GofsOutput.h"

namespace {

constexpr double PeakSearchFromS = 0.1; // Svedbergs

std::string JsonString(const std::string& s)
{
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

} // namespace

Summary Summarise(const RealTimeGofS& e, int32_t set, bool newest)
{
    Summary s;
    const ChannelDataStore& raw = *e.RawStore;
    s.scans = raw.GetNumberOfSets();
    s.sets = e.GofsStore->GetNumberOfSets();
    s.set = newest ? s.sets - 1 : set;
    int32_t first = 0, last = s.scans - 1;
    if (!newest) {
        const ScanHeader& g = e.GofsStore->Headers[static_cast<size_t>(set)];
        first = e.DcdtStore->Headers[static_cast<size_t>(g.FirstScan)].FirstScan;
        last = e.DcdtStore->Headers[static_cast<size_t>(g.LastScan)].LastScan;
    }
    s.firstTime = raw.Headers[static_cast<size_t>(first)].Time;
    s.lastTime = raw.Headers[static_cast<size_t>(last)].Time;
    // Below 0.1 S, g = v / s* is dominated by the noise next to the meniscus, amplified by 1 / s*.
    double best = -HUGE_VAL;
    for (const GofsRow& row : GofsRows(e, set, newest)) {
        if (row.sStar >= PeakSearchFromS && row.gofs > best) {
            best = row.gofs;
            s.peakS = row.sStar;
        }
    }
    return s;
}

std::string SummaryText(const Summary& s, const std::string& file, const std::string& channel)
{
    char line[512];
    std::snprintf(line, sizeof line,
        "%s: %d g(s*) sets from %d scans of %s, t = %.0f to %.0f s, g(s*) peak at s* = %.3g S", file.c_str(), s.sets,
        s.scans, channel.c_str(), s.firstTime, s.lastTime, s.peakS);
    return line;
}

std::string SummaryJson(const Summary& s, const std::string& file, const std::string& channel)
{
    return "{\"file\":" + JsonString(file) + ",\"channel\":" + JsonString(channel)
        + ",\"scans\":" + std::to_string(s.scans) + ",\"sets\":" + std::to_string(s.sets)
        + ",\"set\":" + std::to_string(s.set) + ",\"first_time_s\":" + FloatToStr(s.firstTime)
        + ",\"last_time_s\":" + FloatToStr(s.lastTime) + ",\"peak_s_star\":" + FloatToStr(s.peakS) + "}";
}
