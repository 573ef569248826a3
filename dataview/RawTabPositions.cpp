// The radial positions of the raw-data tab as the user sets them: by a click (RawTab.cpp),
// typed into their edits, or back to the defaults; and remembered for the run and channel, so that
// the next launch proposes them.
#include <cmath>

#include "analysis/NumberText.h"
#include "analysis/Rounding.h"
#include "dataview/RawTab.h"
#include "follower/CellChange.h"
#include "follower/PositionWarnings.h"

namespace morvane {

void RawTab::RecallPositions(PositionMemory* memory, const std::string& run, LaunchParameters& launch)
{
    positionMemory_ = memory;
    memoryRun_ = run;
    memoryChannel_ = launch.Channel;
    DefaultPositions = PositionsOf(launch.Cell);
    LabelPositionsRestored.clear();
    ButtonDefaultPositionsEnabled = false;
    if (!memory)
        return;
    CellPositions remembered;
    std::string problem;
    if (memory->Recall(run, launch.Channel, remembered, problem)) {
        SetPositions(launch.Cell, remembered);
        LabelPositionsRestored = RestoredText;
        ButtonDefaultPositionsEnabled = !(remembered == *DefaultPositions);
    }
    if (!problem.empty())
        view_.Ask().ShowMessage(problem);
}

bool RawTab::SetPosition(Position which, double x)
{
    RealTimeGofS& e = *Engine();
    CellParameters wanted = e.Cell;
    double* const fields[] = { &wanted.Meniscus, &wanted.Bottom, &wanted.JitterRadius, &wanted.FringeRadius };
    *fields[static_cast<size_t>(which)] = x;
    // A meniscus at or past the bottom leaves no cell to analyse: it is refused, either way round.
    if (const std::string refusal = ChangeCell(e, wanted, [this](bool transform) { view_.RebuildStages(transform); });
        !refusal.empty()) {
        view_.Ask().ShowMessage(refusal);
        ShowMarkerPositions();
        return false;
    }
    ShowMarkers();
    ShowMarkerPositions();
    PositionsChanged();
    return true;
}

void RawTab::PositionsChanged()
{
    LabelPositionsRestored.clear();
    const CellPositions now = PositionsOf(Engine()->Cell);
    ButtonDefaultPositionsEnabled = DefaultPositions && !(now == *DefaultPositions);
    if (!positionMemory_)
        return;
    const std::string failure = ButtonDefaultPositionsEnabled
        ? positionMemory_->Remember(memoryRun_, memoryChannel_, now)
        : positionMemory_->Forget(memoryRun_, memoryChannel_);
    if (!failure.empty() && !memoryFailureShown_) {
        memoryFailureShown_ = true;
        view_.Ask().ShowMessage(failure);
    }
}

void RawTab::EditPositionDone(Position which, const std::string& text)
{
    if (!Engine())
        return;
    const CellPositions now = PositionsOf(Engine()->Cell);
    const double current[] = { now.Meniscus, now.Bottom, now.JitterRadius, now.FringeRadius };
    const char* names[] = { "meniscus", "cell bottom", "jitter reference", "fringe reference" };
    const auto index = static_cast<size_t>(which);
    double x = 0;
    if (!UserTextToFloat(text, x) || !std::isfinite(x) || !(x > 0)) {
        view_.Ask().ShowMessage(
            "The " + std::string(names[index]) + " needs a radius in cm, e.g. 5.95: \"" + text + "\" was not taken");
        ShowMarkerPositions();
        return;
    }
    x = RoundSignificant(x, 5);
    if (x == current[index]) {
        ShowMarkerPositions(); // "5.950" reads 5.95 again
        return;
    }
    view_.EnableInput(false);
    SetPosition(which, x);
    view_.EnableInput(true);
}

void RawTab::ButtonDefaultPositionsClick()
{
    if (!Engine() || !DefaultPositions)
        return;
    view_.EnableInput(false);
    RealTimeGofS& e = *Engine();
    CellParameters wanted = e.Cell;
    SetPositions(wanted, *DefaultPositions);
    const std::string refusal
        = ChangeCell(e, wanted, [this](bool transform) { view_.RebuildStages(transform); });
    ShowMarkers();
    ShowMarkerPositions();
    PositionsChanged();
    view_.EnableInput(true);
    if (!refusal.empty()) // said while the window takes input, so that its message box can be closed
        view_.Ask().ShowMessage(refusal);
}

} // namespace morvane
