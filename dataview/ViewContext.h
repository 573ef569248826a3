#pragma once
#include <string>

#include "chart/ChartModel.h"
#include "realtime/RealTimeGofS.h"
#include "settings/GUISettings.h"
#include "windows/WindowHost.h"

namespace morvane {

// Modes of the two-button groups of the charts: zoom by dragging, or read out a click.
enum class PointerMode { ZoomIn, DisplayXY };

// What a tab of a data view reads from, and asks of, the window that holds it: the channel's
// engine, the host of its dialogs and messages, the display settings. A tab keeps its own state;
// the window owns the tabs and the engine. Tests give a tab a context of their own.
class ViewContext {
public:
    virtual ~ViewContext() = default;
    // The channel's engine: its stores are empty before a load; null once the window closed.
    virtual const RealTimeGofS* CurrentEngine() const = 0;
    virtual WindowHost& Ask() = 0;
    virtual const GUISettings& Display() const = 0;
    // The window was closed: timers do nothing more.
    virtual bool WindowClosed() const = 0;
    // Clicks are taken, or not while a long step runs.
    virtual void EnableInput(bool enabled) = 0;
    // The same engine, for a tab that sets the cell's positions.
    virtual RealTimeGofS* EngineToChange() = 0;
    // After the positions changed: the stages made again from the raw scans (transform: the raw
    // sets corrected first), and every tab drawn from them.
    virtual void RebuildStages(bool transform) = 0;

    // The unit of the channel's signal, from its optical system: "OD", "fringes" or "counts".
    std::string SignalUnit() const;
    // Shows the click, rounded to 5 significant digits, in `edit` and in a message, when the chart
    // has series to read.
    void ReadOut(ChartModel& chart, std::string& edit, double x, double y);
};

// "X = " x "  Y = " y, the read-out text of a click.
std::string ReadOutText(double x, double y);
// A line series that draws nothing until it is filled and made active.
ChartSeries InactiveLine();
// The s* axis of the result charts: logarithmic, base e, labels turned 90 degrees.
ChartAxis LogSAxis();

} // namespace morvane
