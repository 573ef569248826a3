#include "follower/GofsOutput.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/NumberText.h"
#include "analysis/Rounding.h"
#include "scanfiles/ChannelWavelength.h"
#include "scanfiles/FileSystem.h"

namespace morvane {

std::string RemoveChars(const std::string& text, const std::string& set)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (set.find(c) == std::string::npos)
            out += c;
    return out;
}

std::string GofsTitle(const RealTimeGofS& engine)
{
    if (!engine.RawStore || engine.RawStore->GetNumberOfSets() < 1)
        return {};
    const ScanHeader& h = engine.RawStore->Headers[0];
    std::string title = h.Description;
    // Positions count from 1 and an absent text counts as position 0, so the kept text starts at
    // the second (after ",") or the eighth (after "Range:") character.
    auto keepFrom = [&](size_t onePosition) { title = onePosition <= title.size() ? title.substr(onePosition) : ""; };
    if (h.OpticalSystem == 3) {
        const size_t comma = title.find(',');
        keepFrom(comma == std::string::npos ? 1 : comma + 2);
    } else if (h.OpticalSystem == 2) {
        const size_t range = title.find("Range:");
        keepFrom(range == std::string::npos ? 7 : range + 8);
    }
    static const std::string unwanted = std::string(".:;?/|\\{}[]*@") + "\t\n\f\r\"'";
    title = RemoveChars(title, unwanted);
    if (title.size() < 3) {
        const size_t dot = h.FileName.find('.');
        title = dot == std::string::npos ? "" : h.FileName.substr(dot + 1, 3);
    }
    return title;
}

std::string FileNameTitle(const RealTimeGofS& engine)
{
    const int32_t nm = EntryWavelength(engine.ChannelName);
    const std::string title = GofsTitle(engine).substr(0, 16);
    // The sample's text is often the same in every cell: the channel tells the files apart.
    const std::string& entry = engine.ChannelName;
    const size_t dot = entry.find('.');
    const std::string channel
        = dot == std::string::npos ? "" : RemoveChars(entry.substr(dot + 1, entry.find(' ') - dot - 1), "*?/\\");
    return title + (channel.empty() || channel == title ? "" : (title.empty() ? "" : " ") + channel)
        + (nm > 0 ? " " + std::to_string(nm) + " nm" : "");
}

std::string ProposedGofsFileName(const RealTimeGofS& engine, const std::string& initialDir)
{
    return initialDir + "t dcdt vs sStar for " + FileNameTitle(engine) + ".txt";
}

std::vector<GofsRow> GofsRows(const RealTimeGofS& engine, int32_t set, bool newestWithComposite)
{
    std::vector<GofsRow> rows;
    const ChannelDataStore* g = engine.GofsStore.get();
    if (!g || g->GetNumberOfSets() < 1)
        return rows;
    const int32_t k = newestWithComposite ? g->GetNumberOfSets() - 1 : set;
    if (k < 0 || k >= g->GetNumberOfSets())
        return rows;
    for (int32_t j = 0; j < g->GetNumberOfPoints(); ++j) {
        double lnS, v;
        if (g->GetE(k, j) >= 0) {
            lnS = g->GetX(j);
            v = g->GetY(k, j);
        } else if (newestWithComposite && j < engine.CompositeSize()
            && engine.CompositeE[static_cast<size_t>(j)] >= 0) {
            lnS = engine.CompositeX[static_cast<size_t>(j)];
            v = engine.CompositeY[static_cast<size_t>(j)];
        } else {
            continue;
        }
        const double s = std::exp(lnS) * 1e13;
        const GofsRow row { s, v, v / s };
        if (std::isfinite(row.sStar) && std::isfinite(row.value) && std::isfinite(row.gofs) && s > 0)
            rows.push_back(row);
    }
    return rows;
}

double BoundaryMinimumSStar(double meniscusCm, double omega2t, double clearanceCm)
{
    if (!(meniscusCm > 0) || !(omega2t > 0) || !(clearanceCm >= 0))
        return 0;
    const double s = std::log((meniscusCm + clearanceCm) / meniscusCm) / omega2t * 1e13;
    return std::isfinite(s) ? s : 0;
}

GofsPeak FindGofsPeak(const std::vector<GofsRow>& rows, double sMin)
{
    GofsPeak peak;
    size_t top = 0, first = rows.size();
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!(rows[i].sStar > sMin) || !std::isfinite(rows[i].gofs))
            continue;
        if (first == rows.size())
            first = i;
        if (!peak.Found || rows[i].gofs > rows[top].gofs) {
            top = i;
            peak.Found = true;
        }
    }
    if (!peak.Found)
        return peak;
    peak.SStar = rows[top].sStar;
    peak.Gofs = rows[top].gofs;
    if (top == first || top + 1 >= rows.size())
        return peak;
    // Vertex of the parabola through (x, y) of the three rows, x = ln s*.
    const double x0 = std::log(rows[top - 1].sStar), x1 = std::log(rows[top].sStar), x2 = std::log(rows[top + 1].sStar);
    const double y0 = rows[top - 1].gofs, y1 = rows[top].gofs, y2 = rows[top + 1].gofs;
    const double d01 = (y1 - y0) / (x1 - x0), d12 = (y2 - y1) / (x2 - x1);
    const double curvature = (d12 - d01) / (x2 - x0); // the parabola's leading coefficient
    if (!(curvature < 0) || !std::isfinite(y2))
        return peak;
    const double x = 0.5 * (x0 + x1) - d01 / (2 * curvature);
    const double y = y1 + (x - x1) * (d01 + curvature * (x - x0));
    if (!std::isfinite(x) || !std::isfinite(y))
        return peak;
    peak.SStar = std::exp(x);
    peak.Gofs = y;
    return peak;
}

double PeakRelativeWidth(const std::vector<GofsRow>& rows, const GofsPeak& peak)
{
    if (!peak.Found || !(peak.Gofs > 0) || !(peak.SStar > 0))
        return 0;
    const double half = peak.Gofs / 2;
    // The first crossing of half height walking out from the peak, or NaN when there is none.
    auto crossing = [&](bool outward) {
        const auto at = std::lower_bound(
            rows.begin(), rows.end(), peak.SStar, [](const GofsRow& r, double s) { return r.sStar < s; });
        std::ptrdiff_t i = at - rows.begin() - (outward ? 0 : 1);
        const std::ptrdiff_t step = outward ? 1 : -1, n = static_cast<std::ptrdiff_t>(rows.size());
        double sInside = peak.SStar, gInside = peak.Gofs;
        for (; i >= 0 && i < n; i += step) {
            const GofsRow& r = rows[static_cast<size_t>(i)];
            if (!std::isfinite(r.gofs))
                continue;
            if (r.gofs < half)
                return sInside + (r.sStar - sInside) * (gInside - half) / (gInside - r.gofs);
            sInside = r.sStar;
            gInside = r.gofs;
        }
        return std::numeric_limits<double>::quiet_NaN();
    };
    const double low = crossing(false), high = crossing(true);
    if (!std::isfinite(low) || !std::isfinite(high))
        return 0;
    return (high - low) / (2 * std::sqrt(2 * std::log(2.0))) / peak.SStar;
}

std::string GofsFileText(
    const RealTimeGofS& engine, const std::string& chosenPath, int32_t set, bool newestWithComposite)
{
    const ChannelDataStore& raw = *engine.RawStore;
    const int32_t scans = raw.GetNumberOfSets();
    std::vector<std::string> lines;
    lines.push_back("Output file from Morvane originally named " + chosenPath);
    std::string dataSets;
    if (newestWithComposite) {
        dataSets = raw.Headers[0].FileName + raw.Headers[static_cast<size_t>(scans - 1)].FileName;
    } else {
        const std::string label = engine.DescribeSet(engine.GofsStore.get(), set);
        const size_t caret = label.find('^');
        dataSets = caret == std::string::npos ? "" : label.substr(0, caret);
    }
    lines.push_back("Corrected tdc/dt [s*g(s*)] vs s* for data sets " + dataSets);
    lines.push_back(raw.Headers[0].Description);
    lines.push_back(raw.Headers[0].HeaderLine);
    for (int32_t i = 1; i < scans; ++i)
        if (RoundSignificant(raw.Headers[static_cast<size_t>(i)].Rpm, 3)
            != RoundSignificant(raw.Headers[static_cast<size_t>(i - 1)].Rpm, 3))
            lines.push_back(raw.Headers[static_cast<size_t>(i)].HeaderLine);
    lines.push_back("s*\t*dc/dt\tg(s*)");
    for (const GofsRow& r : GofsRows(engine, set, newestWithComposite))
        lines.push_back(FloatToStr(r.sStar) + "\t" + FloatToStr(r.value) + "\t" + FloatToStr(r.gofs));
    lines.push_back("\n");

    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

std::string WriteGofsFile(
    const RealTimeGofS& engine, const std::string& path, int32_t set, bool newestWithComposite, std::string* detail)
{
    if (!engine.GofsStore || engine.GofsStore->GetNumberOfSets() < 1 || !engine.RawStore
        || engine.RawStore->GetNumberOfSets() < 1)
        return NotEnoughDataMessage;
    if (!newestWithComposite && (set < 0 || set >= engine.GofsStore->GetNumberOfSets()))
        return NotEnoughDataMessage;
    const std::string failure = WriteFileAtomically(path, GofsFileText(engine, path, set, newestWithComposite));
    if (!failure.empty()) {
        if (detail)
            *detail = failure;
        return WriteErrorMessage;
    }
    return {};
}

} // namespace morvane
