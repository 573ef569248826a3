#include "analysis/CustomSettings.h"

#include <cmath>

namespace morvane {

CustomSettings::CustomSettings()
    : LowLogS(std::log(1e-15))
    , HighLogS(std::log(1e-10))
{
    static const char* const names[] = { "JitterWindow", "LowS", "HighS", "LowLogS", "HighLogS",
        "sGridNumberOfPoints", "DefaultCellTop", "DefaultCellBottom", "DefaultCellMidpoint", "DefaultNegativeTag",
        "DefaultIgnoreTag", "DefaultPositiveError", "DefaultMeniscusIgnore", "DefaultBottomIgnore", "DefaultStepSize",
        "BeginningScanGroupSize", "MinimumDataSetSize", "dcdtWindowFactor", "MaxAveragingPercent", "SmoothRepetition",
        "SmoothCarSize", "ComputeApparentStartTime" };
    for (const char* name : names)
        KeyNames[static_cast<size_t>(KeyCount++)] = name;
}

} // namespace morvane
