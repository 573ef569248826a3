#include "follower/MeniscusProposal.h"

#include <cmath>

#include "analysis/NumberText.h"
#include "analysis/Rounding.h"

namespace morvane {

namespace {

MeniscusArtefact ArtefactOf(const RealTimeGofS& e)
{
    if (e.CorrectFringes)
        return MeniscusArtefact::Drop;
    const std::string& c = e.ChannelName;
    if (c.size() >= 5 && c.compare(2, 3, ".RA") == 0)
        return MeniscusArtefact::Spike;
    return MeniscusArtefact::Either;
}

} // namespace

MeniscusFinding ProposeMeniscus(const RealTimeGofS& e)
{
    const ChannelDataStore* raw = e.RawStore.get();
    MeniscusSearch search;
    search.kind = ArtefactOf(e);
    std::vector<MeniscusScan> scans;
    const int32_t sets = raw ? std::min(raw->GetNumberOfSets(), search.firstScans) : 0;
    for (int32_t k = 0; k < sets; ++k) {
        MeniscusScan scan;
        for (int32_t p = 0; p < raw->GetNumberOfPoints(); ++p)
            if (raw->GetE(k, p) >= 0) {
                scan.radii.push_back(raw->GetX(p));
                scan.values.push_back(raw->GetY(k, p));
            }
        scans.push_back(std::move(scan));
    }
    if (scans.empty()) {
        MeniscusFinding none;
        none.WhyNot = "no scan has been read";
        return none;
    }
    const double end = e.Cell.Bottom - e.Settings.DefaultBottomIgnore;
    if (std::isfinite(end) && end > 0)
        search.to = end;
    MeniscusFinding f = FindMeniscus(scans, search);
    if (f.Found)
        f.Radius = RoundSignificant(f.Radius, 5);
    return f;
}

std::string MeniscusShapeText(const MeniscusFinding& f)
{
    const std::string size = " of " + FloatToStr(RoundSignificant(std::fabs(f.Height), 2));
    switch (f.Shape) {
    case MeniscusShape::Spike:
        return "a spike" + size;
    case MeniscusShape::Drop:
        return "a drop" + size;
    case MeniscusShape::StepUp:
    case MeniscusShape::StepDown:
        break;
    }
    const char* after = f.AfterStep < 0 ? " with a dip after it" : f.AfterStep > 0 ? " with a bump after it" : "";
    return std::string(f.Shape == MeniscusShape::StepUp ? "a step up" : "a step down") + size + after;
}

std::string MeniscusFindingText(const MeniscusFinding& f)
{
    if (!f.Found)
        return "no meniscus found: " + f.WhyNot;
    const std::string scans = f.ScansUsed == 1 ? "1 scan" : std::to_string(f.ScansUsed) + " scans";
    return "meniscus found at " + FloatToStr(f.Radius) + " cm (" + MeniscusShapeText(f) + " standing "
        + std::to_string(static_cast<long>(std::lround(f.SignalToNoise))) + " noise SDs out of " + scans + ")";
}

} // namespace morvane
