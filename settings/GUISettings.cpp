#include "settings/GUISettings.h"

#include <cmath>

namespace morvane {

GUISettings::GUISettings()
    : ExtrapolationMinLogS(std::log(5e-14))
{
    static const char* const names[] = { "DefaultMeniscus", "DefaultJitter", "DefaultIntegralFringe",
        "PlayPercentSpeed", "graphPadPercent", "DefaultExtSetsToPlot", "ExtrapolationCutoff",
        "ExtrapolationErrorCutoff", "ExtrapolationMinLogS", "ExtrapolationSmoothRepetition",
        "ExtrapolationSmoothCarSize", "ExtErrorBarPerPoints", "DrawAllSetsCutoff", "DisplayNumberMid",
        "DisplayNumberStart", "bAlwaysPlotExtrapolation" };
    for (const char* name : names)
        KeyNames[static_cast<size_t>(KeyCount++)] = name;
}

} // namespace morvane
