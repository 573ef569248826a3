// The molecular-weight span of the data view: the pairing and averaging window from an assumed
// molecular weight instead of the species at mid-cell.
#include "dataview/TSedDataView.h"

#include "analysis/NumberText.h"
#include "follower/CellChange.h"

namespace morvane {

void TSedDataView::CheckBoxMWGuessClick()
{
    if (!Engine)
        return;
    CellParameters wanted = Engine->Cell;
    wanted.WindowByMW = CheckBoxMWGuess;
    ChangeWindowRule(wanted);
}

void TSedDataView::EditMWGuessClick()
{
    if (!Engine)
        return;
    std::string text;
    if (!host_->InputQuery(MWInputCaption, MWInputPrompt, text))
        return;
    CellParameters wanted = Engine->Cell;
    if (!UserTextToFloat(text, wanted.AssumedMW)) {
        host_->ShowMessage(MWInputError);
        return;
    }
    // While the span follows the weight, the results shown (and any record written of them) are
    // those of the weight shown.
    if (ChangeWindowRule(wanted))
        EditMWGuess = FloatToStr(wanted.AssumedMW);
}

bool TSedDataView::ChangeWindowRule(const CellParameters& wanted)
{
    InputEnabled = false;
    const std::string refusal = ChangeCell(*Engine, wanted, [this](bool transform) {
        Engine->RefreshStages(transform);
        ShowAverageAndCorrected();
    });
    InputEnabled = true;
    if (!refusal.empty())
        host_->ShowMessage(refusal);
    return refusal.empty();
}

} // namespace morvane
