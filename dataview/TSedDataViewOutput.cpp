// Output of the data view: the g(s*) file of the newest corrected set, or of the corrected set
// the time course shows; the species table of the corrected tab's fit.
#include "dataview/TSedDataView.h"

#include <filesystem>
#include <system_error>

#include "follower/GofsOutput.h"
#include "provenance/ChannelRecording.h"
#include "provenance/SpeciesFitRecord.h"
#include "scanfiles/FileSystem.h"

namespace morvane {

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
        host_->ShowMessage(NotEnoughDataMessage);
        return;
    }
    const std::string fileName
        = AskTextOutputName(SaveDialogTitle, ProposedGofsFileName(*Engine, SaveDialog1InitialDir));
    if (fileName.empty())
        return;
    // Written through a temporary file and renamed, so an existing file survives a failed write.
    const std::string failure = WriteGofsFile(*Engine, fileName, set, newestWithComposite);
    if (!failure.empty()) {
        host_->ShowMessage(failure);
        return;
    }
    // The record beside the file, from which the file can be made again. One message either way:
    // where the file went, or why its record is missing, which also says that the file stays.
    Sidecar record = GofsSidecar(*this, fileName, set, newestWithComposite);
    if (const std::string sidecarFailure = WriteSidecar(record, "morvane"); !sidecarFailure.empty()) {
        host_->ShowMessage(sidecarFailure);
        return;
    }
    host_->ShowMessage(OutputWrittenMessage + ShownPath(fileName));
}

std::string TSedDataView::AskTextOutputName(const char* title, const std::string& proposed)
{
    FileDialogRequest request;
    request.Title = title;
    request.InitialDir = SaveDialog1InitialDir;
    request.FileName = proposed;
    request.DefaultExt = ".txt";
    request.Filter = TextFileFilter;
    request.OverwritePrompt = true;
    if (!host_->SaveDialog(request))
        return "";
    // Never over, or among, the scan files of a run (another run's included).
    if (const std::string refusal = ScanOverwriteRefusal(request.FileName); !refusal.empty()) {
        host_->ShowMessage(refusal);
        return "";
    }
    return request.FileName;
}

std::string TSedDataView::ShownPath(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

void TSedDataView::ButtonSaveSpeciesTableClick()
{
    const SpeciesPanel& panel = Species.CorrectedSpecies;
    if (panel.Failed || panel.Result.Status != FitStatus::Converged || panel.FittedSet < 0) {
        host_->ShowMessage(
            std::string("No species fit to save: press \"") + SpeciesTab::FitSpeciesCaption + "\" first.");
        return;
    }
    // A fit left behind by a refresh was made of sets the engine no longer holds as they were.
    if (!Species.CorrectedFitIsOfNewestSet()) {
        host_->ShowMessage("The fit is of set " + std::to_string(panel.FittedSet) + ", the chart shows set "
            + std::to_string(Engine->GofsStore->GetNumberOfSets() - 1) + " now: press \""
            + SpeciesTab::FitSpeciesCaption + "\" to fit it, then save.");
        return;
    }
    const std::string fileName = AskTextOutputName(SaveSpeciesTableTitle,
        "species-set" + std::to_string(panel.FittedSet) + " for " + FileNameTitle(*Engine) + ".txt");
    if (fileName.empty())
        return;
    const std::string failure = WriteSpeciesFitFile(*this, fileName, panel.Options, panel.Result, "morvane");
    host_->ShowMessage(failure.empty() ? "Species table written to " + ShownPath(fileName) : failure);
}

} // namespace morvane
