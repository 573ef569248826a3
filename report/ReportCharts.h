#pragma once
#include <cstdint>
#include <vector>

#include "chart/ChartModel.h"
#include "cs/CsFit.h"
#include "follower/ResultSummary.h"
#include "realtime/RealTimeGofS.h"
#include "species/RunConvergence.h"
#include "species/SpeciesTypes.h"

namespace morvane {

// The charts of a run report, as chart models made from a loaded channel's results. Every result
// chart draws g(s*) (the engine's s* g(s*) over s*) against s* on a logarithmic axis, so that the
// peaks the report names are the tops of the curves drawn.

// The raw scans: at most `most` of them, spread evenly from the first to the newest (both drawn),
// with the meniscus and the bottom (and for interference the jitter and fringe references) as
// vertical lines. The value axis spans the scans between the meniscus and the analysed end, so the
// pile-up at the bottom does not flatten the boundaries.
ChartModel RawScansChart(const RealTimeGofS& engine, int32_t most = 16);

// The newest g(s*) set with the composite's gaps (the rows of the g(s*) file), its peak marked.
ChartModel GofsChart(const RealTimeGofS& engine, const Summary& summary);

// The extrapolated curve with its standard errors (at most about 60 bars) over the newest set of
// its range, its peak marked; a curve that is no result draws nothing and says why.
ChartModel ExtrapolationChart(const ExtrapolationChoice& choice);

// The fitted set, the fit and each species' own curve.
ChartModel SpeciesChart(const SpeciesFitResult& fit);

// The c(s) distribution against s with a bar at each peak's s; the s axis ends at ChartEndS.
ChartModel CsChart(const morvane::cs::CsResult& result, const std::string& unit);

// The convergence measures against elapsed time with their limits, as the data view draws them.
ChartModel ConvergenceChart(const std::vector<ConvergencePoint>& series, const ConvergenceThresholds& thresholds);

} // namespace morvane
