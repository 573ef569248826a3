// Export of the data view: the channel's raw scans, as the raw store holds them, written back as
// numbered scan files.
#include "dataview/TSedDataView.h"

#include <filesystem>
#include <system_error>

#include "provenance/ExportRecord.h"

namespace morvane {

namespace fs = std::filesystem;

namespace {

// The text after the last delimiter.
std::string NameOf(const std::string& path)
{
    const size_t k = path.find_last_of(fs::path::preferred_separator);
    return k == std::string::npos ? path : path.substr(k + 1);
}

} // namespace

void TSedDataView::ButtonExportFilesClick()
{
    const LocalDateTime now = ExportClock();
    const ChannelDataStore* raw = Engine ? Engine->RawStore.get() : nullptr;
    if (!raw || raw->GetNumberOfSets() < 1) {
        host_->ShowMessage(NoDataSetsToExportMessage);
        return;
    }
    const std::string extension = ExportExtension(Engine->ChannelName);
    const std::string root = ExportRoot(raw->Headers[0].FilePath);
    // The dated directory is proposed, and made only once the user confirms: a cancelled export
    // leaves no empty run behind.
    const std::string exportDir = ExportDirectory(root, now);
    SaveDialog1InitialDir = exportDir;
    FileDialogRequest request;
    request.Title = ExportDialogTitle;
    request.InitialDir = SaveDialog1InitialDir;
    request.FileName = ProposedExportFileName(extension);
    request.DefaultExt = ".txt";
    request.Filter = TextFileFilter;
    request.OverwritePrompt = true;
    if (!host_->SaveDialog(request))
        return;

    const std::string chosenName = NameOf(request.FileName);
    const int32_t chosen = ChosenExportNumber(chosenName);
    ScanExportRequest job;
    job.Directory = request.FileName.substr(0, request.FileName.size() - chosenName.size());
    job.Extension = extension;
    job.First = chosen > 0 ? chosen : 1;
    job.Suffix = ExportHeaderSuffix(now);
    job.RunDirectory = DataDirectory;
    // A directory that cannot be made shows when the files cannot be written into it.
    std::error_code ec;
    if (ExportRefusal(job.Directory, job.RunDirectory, raw->Headers[0].FilePath).empty())
        fs::create_directories(job.Directory, ec);
    const ScanExportResult result = ExportScans(*raw, job);
    std::string message = ExportResultText(result);
    if (result.Refused.empty() && chosen == 0)
        message += " The name " + chosenName + " holds no number from 1 to " + std::to_string(HighestFirstExportNumber)
            + " after its first character: the files are numbered from " + result.FirstName + ".";
    if (result.Refused.empty() && result.Written > 0)
        SaveDialog1InitialDir = result.Directory;
    // The batch's list of files and its record, from which morvane-cli reproduce exports it again.
    bool recordFailed = false;
    if (std::string record = WriteExportRecord(*this, job, result, "morvane", recordFailed); !record.empty())
        message += " " + record;
    host_->ShowMessage(message);
}

} // namespace morvane
