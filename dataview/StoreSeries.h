#pragma once
#include <cstdint>

#include "analysis/ChannelDataStore.h"
#include "chart/ChartModel.h"

namespace morvane {

// How the x of a store's grid is placed on a chart's bottom axis.
enum class StoreAxis {
    RadiusCm, // the raw store: the radius as stored
    Svedbergs, // the log-s stores: x = ln s (s in seconds), drawn at s* = exp(x) * 1e13
};

// s* in Svedbergs of a point of the ln s grid.
double SvedbergsOf(double lnS);

// Clears `series` and fills it with the points of set k of `store` that hold data (e >= 0), with
// x placed by `axis`; Tag becomes k. A k that is not a set of the store leaves the series empty.
// Colour, width and activity stay the caller's.
void DrawStoreSet(ChartSeries& series, const ChannelDataStore& store, int32_t k, StoreAxis axis);

} // namespace morvane
