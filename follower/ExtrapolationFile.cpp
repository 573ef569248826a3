#include "follower/ExtrapolationFile.h"

#include <cmath>

#include "analysis/NumberText.h"
#include "analysis/Rounding.h"
#include "follower/GofsOutput.h"

namespace morvane {

ExtrapolationParameters ExtrapolationParametersOf(const RealTimeGofS& e, const GUISettings& display)
{
    ExtrapolationParameters p;
    p.Cutoff = display.ExtrapolationCutoff;
    p.MinLogS = display.ExtrapolationMinLogS;
    p.SmoothRepetition = display.ExtrapolationSmoothRepetition;
    p.SmoothCarSize = display.ExtrapolationSmoothCarSize;
    p.IgnoreTag = e.Settings.DefaultIgnoreTag;
    return p;
}

std::vector<ExtrapolatedRow> ExtrapolatedRows(const ExtrapolationResult& result, double minLogS)
{
    std::vector<ExtrapolatedRow> rows;
    for (const ExtrapolationPoint& p : result.Points)
        if (p.Error >= 0 && p.LogS > minLogS)
            rows.push_back({ p.SStar, p.Value, p.Error });
    return rows;
}

std::string ExtrapolationFileText(const ExtrapolationFileHeader& h, const std::vector<ExtrapolatedRow>& rows)
{
    auto set = [](int32_t k, double time) {
        return std::to_string(k) + ", mean time " + FloatToStr(RoundToPowerOfTen(time, 0)) + " s";
    };
    // A line break in a path would end the comment line.
    std::string run = h.runDir;
    for (char& c : run)
        if (c == '\r' || c == '\n')
            c = ' ';
    std::string text = "# Morvane: s*g(s*) extrapolated to infinite time\r\n";
    text += "# run: " + run + "\r\n";
    text += "# channel: " + h.channel + "\r\n";
    text += "# start set: " + set(h.start, h.startTime) + "\r\n";
    text += "# end set: " + set(h.end, h.endTime) + "\r\n";
    text += "# extrapolated points: " + std::to_string(rows.size()) + "\r\n";
    text += "# s* (S)\ts*g(s*) at infinite time\tstandard error\r\n";
    for (const ExtrapolatedRow& r : rows)
        text += FloatToStr(r.sStar) + "\t" + FloatToStr(r.value) + "\t" + FloatToStr(r.error) + "\r\n";
    return text;
}

std::string ProposedExtrapolationFileName(const RealTimeGofS& engine)
{
    return "t dcdt extrapolated for " + FileNameTitle(engine) + ".txt";
}

ExtrapolationOutput ExtrapolateSets(
    const RealTimeGofS& e, const std::string& runDir, int32_t start, int32_t end, const GUISettings& display)
{
    ExtrapolationOutput x;
    const ChannelDataStore& smooth = *e.SmoothGofsStore;
    x.parameters = ExtrapolationParametersOf(e, display);
    x.result = Extrapolate(smooth, *e.GofsStore, start, end, x.parameters);
    x.judgement = JudgeExtrapolation(x.result);
    x.rows = ExtrapolatedRows(x.result, x.parameters.MinLogS);
    x.header = { runDir, e.ChannelName, start, end, smooth.Headers[static_cast<size_t>(start)].Time,
        smooth.Headers[static_cast<size_t>(end)].Time };
    return x;
}

std::string ExtrapolationRefusalOf(const RealTimeGofS& e, const ExtrapolationOutput& x, ExtrapolationRange* sound)
{
    const ExtrapolationRange r
        = SoundExtrapolationRange(*e.SmoothGofsStore, *e.GofsStore, x.result.Start, x.result.End, x.parameters);
    if (sound)
        *sound = r;
    return ExtrapolationRefusal(x.result, x.judgement, r);
}

std::vector<GofsRow> WellDeterminedGofs(const std::vector<ExtrapolatedRow>& rows)
{
    std::vector<GofsRow> curve;
    for (const ExtrapolatedRow& r : rows) {
        const bool determined = r.error >= 0 && r.error < MaxPeakRelativeError * r.value;
        curve.push_back({ r.sStar, r.value, determined ? r.value / r.sStar : std::nan("") });
    }
    return curve;
}

} // namespace morvane
