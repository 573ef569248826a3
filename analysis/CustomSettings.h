#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace morvane {

// The numeric parameters of the analysis, with fixed defaults, and their key names.
struct CustomSettings {
    int32_t JitterWindow = 10;              // grid points: the jitter baseline averages w + 1 points
    double LowLogS;                         // ln(LowS), computed once at construction
    double HighLogS;                        // ln(HighS), computed once at construction
    double LowS = 1e-15;                    // s, lower end of the s* grid (0.01 S)
    double HighS = 1e-10;                   // s, upper end of the s* grid (1000 S)
    double DefaultCellBottom = 7.2;         // cm
    double DefaultCellTop = 5.75;           // cm
    double DefaultStepSize = 0.003;         // cm
    int32_t sGridNumberOfPoints = 501;
    double DefaultNegativeTag = -1e10;      // e of a point outside the data
    double DefaultIgnoreTag = -2e10;        // e of a point to be ignored
    double DefaultCellMidpoint = 6.475;     // cm
    int32_t BeginningScanGroupSize = 20;
    int32_t MinimumDataSetSize = 20;        // points the first scan of a channel must have
    double DefaultMeniscusIgnore = 0.002;   // cm excluded beyond the meniscus
    double DefaultBottomIgnore = 0.1;       // cm excluded before the bottom
    double dcdtWindowFactor = 1.0;
    double DefaultPositiveError = 1.23456789e-10; // e of a valid derived point
    double MaxAveragingPercent = 0.2;       // fraction: cap of the averaging window
    int32_t SmoothRepetition = 3;
    int32_t SmoothCarSize = 3;
    int32_t ComputeApparentStartTime = 1;   // non-zero: scan times from omega^2 t

    static constexpr int32_t KeySlots = 100;
    std::array<std::string, KeySlots> KeyNames;
    int32_t KeyCount = 0;

    CustomSettings();
};

} // namespace morvane
