#include "dataview/ExtrapolationFile.h"

#include "analysis/NumberText.h"
#include "analysis/Rounding.h"
#include "dataview/GofsOutput.h"

namespace {

// The parameters the data view's extrapolation takes from the display and analysis settings.
ExtrapolationParameters ParametersOf(const RealTimeGofS& e, const GUISettings& display)
{
    ExtrapolationParameters p;
    p.Cutoff = display.ExtrapolationCutoff;
    p.MinLogS = display.ExtrapolationMinLogS;
    p.SmoothRepetition = display.ExtrapolationSmoothRepetition;
    p.SmoothCarSize = display.ExtrapolationSmoothCarSize;
    p.IgnoreTag = e.Settings.DefaultIgnoreTag;
    return p;
}

} // namespace

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
    x.parameters = ParametersOf(e, display);
    const ExtrapolationResult result = Extrapolate(smooth, *e.GofsStore, start, end, x.parameters);
    x.rows = ExtrapolatedRows(result, x.parameters.MinLogS);
    x.header = { runDir, e.ChannelName, start, end, smooth.Headers[static_cast<size_t>(start)].Time,
        smooth.Headers[static_cast<size_t>(end)].Time };
    return x;
}
