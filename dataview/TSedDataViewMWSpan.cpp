// The molecular-weight span of the data view: the pairing and averaging window from an assumed
// molecular weight instead of the species at mid-cell.
#include "dataview/TSedDataView.h"

#include "analysis/NumberText.h"

void TSedDataView::CheckBoxMWGuessClick()
{
    if (!Engine)
        return;
    InputEnabled = false;
    Engine->WindowByMW = CheckBoxMWGuess;
    Engine->RefreshStages(false);
    ShowAverageAndCorrected();
    InputEnabled = true;
}

void TSedDataView::EditMWGuessClick()
{
    if (!Engine)
        return;
    std::string text;
    if (!prompts_->InputQuery(MWInputCaption, MWInputPrompt, text))
        return;
    double mw = 0;
    // Both ends excluded: 100 and 1,000,000 are refused.
    if (!UserTextToFloat(text, mw) || !(mw > 100 && mw < 1000000)) {
        prompts_->ShowMessage(MWInputError);
        return;
    }
    Engine->AssumedMW = mw;
    EditMWGuess = FloatToStr(mw);
    // While the span follows the weight, the results shown (and any record written of them) must
    // be those of the weight shown.
    if (Engine->WindowByMW)
        CheckBoxMWGuessClick();
}
