// Output of the data view: the g(s*) file of the newest corrected set.
#include "dataview/TSedDataView.h"

#include "dataview/GofsOutput.h"

void TSedDataView::ButtonOutputAsciiClick()
{
    if (!Engine || !Engine->GofsStore || Engine->GofsStore->GetNumberOfSets() < 1) {
        prompts_->ShowMessage(NotEnoughDataMessage);
        return;
    }
    FileDialogRequest request;
    request.Title = SaveDialogTitle;
    request.InitialDir = SaveDialog1InitialDir;
    request.FileName = ProposedGofsFileName(*Engine, SaveDialog1InitialDir);
    request.DefaultExt = ".txt";
    request.Filter = TextFileFilter;
    request.OverwritePrompt = true;
    if (!prompts_->SaveDialog(request))
        return;
    // Written through a temporary file and renamed, so an existing file survives a failed write.
    const std::string failure = WriteGofsFile(*Engine, request.FileName, 0, true);
    if (!failure.empty())
        prompts_->ShowMessage(failure);
}
