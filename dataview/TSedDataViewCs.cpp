// The c(s) tab's handlers: its fit starts from the view's channel and solvent; CsPanel runs it in
// the background and follows the run.
#include "dataview/TSedDataView.h"

namespace morvane {

void TSedDataView::ButtonFitCsClick()
{
    if (!Engine || !HasData) {
        host_->ShowMessage(std::string(CsPanel::FitCaption) + ": no scans loaded yet");
        return;
    }
    SpeciesFitOptions species;
    morvane::cs::CsOptions options;
    std::string why = Species.SpeciesOptionsFromControls(species);
    if (why.empty())
        why = Cs.OptionsFromControls(species.Solvent, options);
    if (why.empty()) {
        Cs.Unit = SignalUnit();
        why = Cs.Start(*Engine, options);
    }
    if (!why.empty())
        host_->ShowMessage(std::string(CsPanel::FitCaption) + ": " + why);
}

bool TSedDataView::PollCs() { return Cs.Poll(Closed ? nullptr : Engine.get()); }

} // namespace morvane
