// Output of the data view: the g(s*) file of the newest corrected set, or of the corrected set
// the time course shows.
#include "dataview/TSedDataView.h"

#include <filesystem>
#include <system_error>

#include "follower/GofsOutput.h"
#include "provenance/ChannelRecording.h"
#include "scanfiles/FileSystem.h"

void TSedDataView::ButtonOutputAsciiClick() { SaveGofsFile(0, true); }

void TSedDataView::ButtonTCOutputAsciiClick()
{
    // The button belongs to the corrected family; another family's position is no corrected set.
    if (!Engine || !Engine->GofsStore || TimeCourse.ShownTimeCourseStore() != Engine->GofsStore.get())
        return;
    SaveGofsFile(TimeCourse.ScrollBarTime.Position, false);
}

void TSedDataView::SaveGofsFile(int32_t set, bool newestWithComposite)
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
    // Never over, or among, the scan files of a run (another run's included).
    if (const std::string refusal = ScanOverwriteRefusal(request.FileName); !refusal.empty()) {
        prompts_->ShowMessage(refusal);
        return;
    }
    // Written through a temporary file and renamed, so an existing file survives a failed write.
    const std::string failure = WriteGofsFile(*Engine, request.FileName, set, newestWithComposite);
    if (!failure.empty()) {
        prompts_->ShowMessage(failure);
        return;
    }
    // The record beside the file, from which the file can be made again. One message either way:
    // where the file went, or why its record is missing, which also says that the file stays.
    Sidecar record = GofsSidecar(*this, request.FileName, set, newestWithComposite);
    if (const std::string sidecarFailure = WriteSidecar(record, "morvane"); !sidecarFailure.empty()) {
        prompts_->ShowMessage(sidecarFailure);
        return;
    }
    prompts_->ShowMessage(OutputWrittenMessage + ShownPath(request.FileName));
}

std::string TSedDataView::ShownPath(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}
