#include "dataview/StoreSeries.h"

#include <cmath>

namespace morvane {

double SvedbergsOf(double lnS) { return std::exp(lnS) * 1e13; }

void DrawStoreSet(ChartSeries& series, const ChannelDataStore& store, int32_t k, StoreAxis axis)
{
    series.Clear();
    series.Tag = k;
    // The store's queries answer 0.0 outside it, which would pass for data.
    if (k < 0 || k >= store.GetNumberOfSets())
        return;
    for (int32_t p = 0; p < store.GetNumberOfPoints(); ++p) {
        if (store.GetE(k, p) < 0)
            continue;
        const double x = store.GetX(p);
        series.Add(axis == StoreAxis::Svedbergs ? SvedbergsOf(x) : x, store.GetY(k, p));
    }
}

} // namespace morvane
