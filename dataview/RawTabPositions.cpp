// The radial positions of the raw-data tab as the user sets them: by a click (RawTab.cpp),
// typed into their edits, or back to the defaults; and remembered for the run and channel, so that
// the next launch proposes them.
#include <cmath>

#include "analysis/NumberText.h"
#include "analysis/Rounding.h"
#include "dataview/RawTab.h"
#include "follower/PositionWarnings.h"

void RawTab::RecallPositions(PositionMemory* memory, const std::string& run, LaunchParameters& launch)
{
    positionMemory_ = memory;
    memoryRun_ = run;
    memoryChannel_ = launch.Channel;
    DefaultPositions = PositionsOf(launch);
    LabelPositionsRestored.clear();
    ButtonDefaultPositionsEnabled = false;
    if (!memory)
        return;
    CellPositions remembered;
    std::string problem;
    if (memory->Recall(run, launch.Channel, remembered, problem)) {
        SetPositions(launch, remembered);
        LabelPositionsRestored = RestoredText;
        ButtonDefaultPositionsEnabled = !(remembered == *DefaultPositions);
    }
    if (!problem.empty())
        view_.Ask().ShowMessage(problem);
}

bool RawTab::SetPosition(Position which, double x)
{
    RealTimeGofS& e = *Engine();
    bool transform = false;
    switch (which) {
    case Position::Meniscus:
    case Position::Bottom: {
        // A meniscus at or past the bottom leaves no cell to analyse: it is refused, either way round.
        const bool meniscus = which == Position::Meniscus;
        const std::string refusal = meniscus ? MeniscusRefusal(x, e.Bottom) : MeniscusRefusal(e.Meniscus, x);
        if (!refusal.empty()) {
            view_.Ask().ShowMessage(meniscus ? refusal
                                             : "The cell bottom must lie past the meniscus (" + FloatToStr(e.Meniscus)
                        + " cm): " + FloatToStr(x) + " cm was not taken");
            ShowMarkerPositions();
            return false;
        }
        (meniscus ? e.Meniscus : e.Bottom) = x;
        break;
    }
    case Position::Jitter:
        e.JitterRadius = x;
        transform = e.CorrectJitter || e.CorrectFringes;
        break;
    case Position::Fringe:
        e.FringeRadius = x;
        transform = e.CorrectJitter || e.CorrectFringes;
        break;
    }
    ShowMarkers();
    ShowMarkerPositions();
    // The jitter and fringe references change nothing of a channel without the corrections.
    if (which == Position::Meniscus || which == Position::Bottom || transform)
        view_.RebuildStages(transform);
    PositionsChanged();
    return true;
}

void RawTab::PositionsChanged()
{
    LabelPositionsRestored.clear();
    const CellPositions now = PositionsOf(*Engine());
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
    const CellPositions now = PositionsOf(*Engine());
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
    const CellPositions& defaults = *DefaultPositions;
    const bool references = (e.CorrectJitter || e.CorrectFringes)
        && (e.JitterRadius != defaults.JitterRadius || e.FringeRadius != defaults.FringeRadius);
    SetPositions(e, defaults);
    ShowMarkers();
    ShowMarkerPositions();
    view_.RebuildStages(references);
    PositionsChanged();
    view_.EnableInput(true);
}
