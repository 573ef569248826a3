#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace morvane {

// The display parameters of a data view, with fixed defaults, and their key names.
struct GUISettings {
    double DefaultMeniscus = 5.9;           // cm
    double DefaultJitter = 5.85;            // cm
    double DefaultIntegralFringe = 6.9;     // cm
    int32_t PlayPercentSpeed = 50;          // percent
    double graphPadPercent = 0.05;          // fraction added to chart ranges
    int32_t DefaultExtSetsToPlot = 1;
    double ExtrapolationCutoff = 0.05;
    double ExtrapolationErrorCutoff = 10000;
    double ExtrapolationMinLogS;            // ln(5e-14), computed at construction
    int32_t ExtrapolationSmoothRepetition = 3;
    int32_t ExtrapolationSmoothCarSize = 3;
    int32_t ExtErrorBarPerPoints = 1;
    int32_t DrawAllSetsCutoff = 20;         // below this many raw scans all are drawn
    int32_t DisplayNumberMid = 10;
    int32_t DisplayNumberStart = 5;
    bool bAlwaysPlotExtrapolation = false;

    static constexpr int32_t KeySlots = 100;
    std::array<std::string, KeySlots> KeyNames;
    int32_t KeyCount = 0;

    GUISettings();
};

} // namespace morvane
