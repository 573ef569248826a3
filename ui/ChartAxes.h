#pragma once

#include "chart/ChartModel.h"

class QCPAxis;

namespace morvane {

// Sets a QCustomPlot axis from the model's: title, scale, label angle and its ticker, whose labels
// come from TickLabels in the user's decimal point, on a logarithmic axis at 1, 2 and 5 of each
// decade; of labels that would overlap at the axis's length, only those clear of the one before
// are drawn.
void ApplyAxis(QCPAxis* axis, const ChartAxis& model);

} // namespace morvane
