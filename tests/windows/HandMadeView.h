#pragma once
// A stand-in for a data view in the comparison tests: a follower whose engine holds a composite
// curve made by hand on the engine's own ln s grid (501 points, evenly spaced).
#include <memory>
#include <vector>

#include "follower/ChannelFollower.h"

using namespace morvane;

namespace testutil {

class HandMadeView {
public:
    HandMadeView()
    {
        const double radii[] = { 5.9, 7.2 };
        view.Engine->CreateX(radii, 2);
    }

    ChannelFollower view;

    const ChannelDataStore& Gofs() const { return *view.Engine->GofsStore; }
    int32_t Points() const { return Gofs().GetNumberOfPoints(); }
    double Spacing() const { return Gofs().GetX(1) - Gofs().GetX(0); }

    // The composite y and e over the grid (missing entries: no data); one g(s*) set is added so
    // that the view counts as having results.
    void SetComposite(std::vector<double> y, std::vector<double> e)
    {
        RealTimeGofS& engine = *view.Engine;
        ChannelDataStore& g = *engine.GofsStore;
        const auto n = static_cast<size_t>(g.GetNumberOfPoints());
        y.resize(n, 0.0);
        e.resize(n, engine.Settings.DefaultNegativeTag);
        const std::vector<double> valid(n, engine.Settings.DefaultPositiveError);
        g.AddSet(g.GetGrid(), y.data(), valid.data(), g.GetNumberOfPoints(), ScanHeader {}, 1000);
        for (size_t i = 0; i < n; ++i) {
            engine.CompositeX[i] = g.GetX(static_cast<int32_t>(i));
            engine.CompositeY[i] = y[i];
            engine.CompositeE[i] = e[i];
        }
        engine.CompositeEmpty = false;
    }

    // Value c at the m grid points first .. first + m - 1, no data elsewhere.
    void SetConstant(double c, int32_t first, int32_t m)
    {
        std::vector<double> y(static_cast<size_t>(first + m), 0.0), e(y.size(), -1e10);
        for (int32_t i = first; i < first + m; ++i) {
            y[static_cast<size_t>(i)] = c;
            e[static_cast<size_t>(i)] = 1.23456789e-10;
        }
        SetComposite(y, e);
    }
};

} // namespace testutil
