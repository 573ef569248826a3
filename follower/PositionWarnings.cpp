#include "follower/PositionWarnings.h"

#include <algorithm>

#include "analysis/NumberText.h"

namespace morvane {

namespace {

std::string Cm(double x) { return FloatToStr(x) + " cm"; }

} // namespace

std::vector<std::string> PositionWarnings(const RealTimeGofS& e)
{
    std::vector<std::string> warnings;
    if (!(e.Cell.Meniscus < e.Cell.Bottom))
        warnings.push_back(
            "the meniscus (" + Cm(e.Cell.Meniscus) + ") is at or past the cell bottom (" + Cm(e.Cell.Bottom) + ")");
    const ChannelDataStore* raw = e.RawStore.get();
    if (!raw || raw->GetNumberOfSets() < 1 || raw->GetNumberOfPoints() < 1)
        return warnings;
    const double low = raw->GetX(0);
    const double high = raw->GetX(raw->GetNumberOfPoints() - 1);
    const std::string radii = "the first scan's radii (" + FloatToStr(low) + " to " + Cm(high) + ")";
    auto check = [&](const char* what, double x) {
        if (!(x >= low && x <= high))
            warnings.push_back(std::string(what) + " (" + Cm(x) + ") lies outside " + radii);
    };
    check("the meniscus", e.Cell.Meniscus);
    // The bottom may lie past the data by the margin the analysis leaves out before it anyway.
    const double bottomMargin = std::max(e.Settings.DefaultBottomIgnore, 0.0) + 1e-9;
    if (!(e.Cell.Bottom >= low && e.Cell.Bottom <= high + bottomMargin))
        warnings.push_back("the bottom (" + Cm(e.Cell.Bottom) + ") lies outside " + radii);
    if (e.CorrectJitter)
        check("the jitter reference", e.Cell.JitterRadius);
    if (e.CorrectFringes)
        check("the fringe reference", e.Cell.FringeRadius);
    return warnings;
}

std::string PositionWarningText(const RealTimeGofS& engine)
{
    std::string text;
    for (const std::string& w : PositionWarnings(engine))
        text += (text.empty() ? "" : "; ") + w;
    return text;
}

std::string MeniscusRefusal(double x, double bottom)
{
    if (x < bottom)
        return {};
    return "The meniscus must lie before the cell bottom (" + Cm(bottom) + "): " + Cm(x) + " was not taken";
}

} // namespace morvane
