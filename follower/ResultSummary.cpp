#include "follower/ResultSummary.h"

#include <cmath>
#include <cstdio>

namespace morvane {

std::string ThreeDigits(double x)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", x);
    return text;
}

Summary Summarise(const RealTimeGofS& e, int32_t set, bool newest)
{
    Summary s;
    const ChannelDataStore& raw = *e.RawStore;
    s.scans = raw.GetNumberOfSets();
    s.sets = e.GofsStore->GetNumberOfSets();
    s.set = newest ? s.sets - 1 : set;
    const ScanHeader& g = e.GofsStore->Headers[static_cast<size_t>(s.set)];
    int32_t first = 0, last = s.scans - 1;
    if (!newest) {
        first = e.DcdtStore->Headers[static_cast<size_t>(g.FirstScan)].FirstScan;
        last = e.DcdtStore->Headers[static_cast<size_t>(g.LastScan)].LastScan;
    }
    s.firstTime = raw.Headers[static_cast<size_t>(first)].Time;
    s.lastTime = raw.Headers[static_cast<size_t>(last)].Time;
    s.peakFrom = BoundaryMinimumSStar(e.Cell.Meniscus, g.Omega2t);
    s.peak = FindGofsPeak(GofsRows(e, set, newest), s.peakFrom);
    return s;
}

namespace {

const char* NoPeakNote = "no well-determined g(s*) peak: no point's standard error is below half its value";

// The extrapolation removes only part of the diffusion broadening, and the g(s*) peak of a broad
// boundary lies below s by about sigma^2 / (2 s): past a width of a fifth of s* that is 2 % or more.
// Simulated: 2 S, 20 kDa at 50,000 rpm width 30 %, peak 8 % low; 4.4 S, 66 kDa at 30,000 rpm 28 %,
// 1.6 % high; at 50,000 and 60,000 rpm 11 to 13 %, within 2 %.
constexpr double BroadPeakWidth = 0.2;

std::string PeakNote(const GofsPeak& peak, double relativeWidth)
{
    if (!peak.Found)
        return NoPeakNote;
    if (relativeWidth < BroadPeakWidth)
        return {};
    return "a broad peak (its width " + std::to_string(static_cast<int>(std::lround(100 * relativeWidth)))
        + " % of its s*): the diffusion the extrapolation leaves may put it several per cent from s";
}

} // namespace

ExtrapolationChoice ChooseExtrapolation(const RealTimeGofS& e, const std::string& runDir, int32_t start, int32_t end,
    bool given, const GUISettings& display)
{
    ExtrapolationChoice c;
    c.range = given ? "given" : "default";
    c.x = ExtrapolateSets(e, runDir, start, end, display);
    c.sound = c.x.judgement.Sound();
    if (!c.sound) {
        // A curve that is no result is not shown; without a range given, a sound one is taken.
        ExtrapolationRange sound;
        c.refusal = ExtrapolationRefusalOf(e, c.x, &sound);
        if (given || !sound.Found)
            return c;
        c.range = "chosen";
        c.x = ExtrapolateSets(e, runDir, sound.Start, sound.End, display);
        c.sound = true;
    }
    const double omega2t = e.SmoothGofsStore->Headers[static_cast<size_t>(c.x.header.end)].Omega2t;
    const std::vector<GofsRow> determined = WellDeterminedGofs(c.x.rows);
    c.peak = FindGofsPeak(determined, BoundaryMinimumSStar(e.Cell.Meniscus, omega2t));
    c.peakNote = PeakNote(c.peak, PeakRelativeWidth(determined, c.peak));
    return c;
}

ConvergenceSummary SummariseConvergence(
    const std::vector<ConvergencePoint>& series, const ConvergenceThresholds& thresholds)
{
    const ConvergenceVerdict v = JudgeConvergence(series, thresholds);
    const ConvergencePoint& p = v.Newest;
    ConvergenceSummary c;
    c.converged = v.Stable;
    c.verdict = v.Text;
    const bool compared = p.ComparedSet >= 0;
    c.peakDriftPercent = compared ? 100 * p.PeakDrift : std::nan("");
    c.shapeChangePercent = compared ? 100 * p.ShapeChange : std::nan("");
    c.stableMinutes = v.StableForSeconds / 60;
    c.meniscusLevelPercent = 100 * p.MeniscusLevel;
    c.speciesCompared = p.Fitted ? p.FittedSpecies : 0;
    c.speciesSChangePercent = p.Fitted ? 100 * p.SpeciesSChange : std::nan("");
    c.shareChangePoints = p.Fitted ? 100 * p.ShareChange : std::nan("");
    return c;
}

ConvergenceSummary SummariseConvergence(
    const RealTimeGofS& engine, const ConvergenceThresholds& thresholds, ConvergenceFitCache* fits)
{
    return SummariseConvergence(ConvergenceSeries(engine, thresholds, nullptr, fits), thresholds);
}

} // namespace morvane
