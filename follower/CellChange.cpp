#include "follower/CellChange.h"

#include "analysis/NumberText.h"
#include "follower/PositionWarnings.h"

namespace morvane {

std::string ChangeCell(RealTimeGofS& engine, const CellParameters& wanted, const CellRebuild& rebuild)
{
    const CellParameters was = engine.Cell;
    if (wanted.Meniscus != was.Meniscus) {
        if (std::string refusal = MeniscusRefusal(wanted.Meniscus, wanted.Bottom); !refusal.empty())
            return refusal;
    } else if (wanted.Bottom != was.Bottom && !(wanted.Bottom > wanted.Meniscus))
        return "The cell bottom must lie past the meniscus (" + FloatToStr(wanted.Meniscus)
            + " cm): " + FloatToStr(wanted.Bottom) + " cm was not taken";
    if (wanted.AssumedMW != was.AssumedMW && !MWAccepted(wanted.AssumedMW))
        return MWRefusal;
    engine.Cell = wanted;
    const bool corrected = engine.CorrectJitter || engine.CorrectFringes;
    const bool transform
        = corrected && (wanted.JitterRadius != was.JitterRadius || wanted.FringeRadius != was.FringeRadius);
    const bool window = wanted.WindowByMW != was.WindowByMW || (wanted.WindowByMW && wanted.AssumedMW != was.AssumedMW);
    if (transform || window || wanted.Meniscus != was.Meniscus || wanted.Bottom != was.Bottom)
        rebuild(transform);
    return {};
}

std::string ChangeCell(RealTimeGofS& engine, const CellParameters& wanted)
{
    return ChangeCell(engine, wanted, [&engine](bool transform) { engine.RefreshStages(transform); });
}

} // namespace morvane
