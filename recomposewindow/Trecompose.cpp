#include "recomposewindow/Trecompose.h"

#include <filesystem>

#include "recompose/Recompose.h"
#include "scanfiles/FileSystem.h"
#include "scanfiles/ScanText.h"

namespace morvane {

Trecompose::Trecompose(WindowHost* host)
    : Editupdate(IdleStatus)
    , host_(host ? host : &silentHost_)
{
}

void Trecompose::SetHost(WindowHost* host) { host_ = host ? host : &silentHost_; }

void Trecompose::FormShow(const std::string& dataDir)
{
    FormClose();
    EditDataDir = dataDir;
    EditParadigmFileName.clear();
    EditOutput.clear();
    Editupdate = IdleStatus;
    ParadigmLoaded = false;
    OutputChosen = false;
    ButtonRecomposeEnabled = false;
}

void Trecompose::ButtonReadParadigmClick()
{
    FileDialogRequest request;
    request.Title = "Paradigm file";
    request.Filter = "Interference Scans (*.IP?)|*.IP?;*.ip?|All Files (*)|*|";
    request.InitialDir = EditDataDir;
    // The dialog starts at the paradigm last read, or in the data directory.
    request.FileName = !EditParadigmFileName.empty() ? EditParadigmFileName
        : EditDataDir.empty()                        ? std::string()
                                                     : JoinPath(EditDataDir, "");
    if (!host_->OpenDialog(request))
        return;
    ParadigmLines.clear();
    EditParadigmFileName = request.FileName;
    // A paradigm that gives no line is no paradigm: Recompose would have no radius to take.
    const int64_t bytes = ReadFileLines(request.FileName, ParadigmLines);
    ParadigmLoaded = bytes > 0 && !ParadigmLines.empty();
    ButtonRecomposeEnabled = ParadigmLoaded && OutputChosen;
    if (!ParadigmLoaded)
        host_->ShowMessage("The paradigm file " + request.FileName
            + (bytes == NotARegularFile ? " is not a regular file"
                    : bytes < 0         ? " could not be read"
                                        : " is empty"));
}

void Trecompose::ButtonSetOutputClick()
{
    FileDialogRequest request;
    request.Title = OutputDialogTitle;
    request.InitialDir = EditOutput.empty() ? EditDataDir : EditOutput;
    request.FileName
        = request.InitialDir.empty() ? OutputDialogFileName : JoinPath(request.InitialDir, OutputDialogFileName);
    if (!host_->SaveDialog(request))
        return;
    // Only the directory of the chosen name is used; no log file is written.
    const std::string dir = std::filesystem::path(request.FileName).parent_path().string();
    const std::string refusal = RecomposeRefusal(EditDataDir, dir);
    OutputChosen = refusal.empty();
    EditOutput = OutputChosen ? dir : std::string();
    ButtonRecomposeEnabled = ParadigmLoaded && OutputChosen;
    if (!OutputChosen)
        host_->ShowMessage(refusal);
}

void Trecompose::ButtonRecomposeClick()
{
    if (!ButtonRecomposeEnabled)
        return;
    const RecomposeResult result = RecomposeDirectory(
        EditDataDir, ParadigmLines, EditOutput, [this](const std::string& text) { SetStatus(text); });
    if (!result.Complete())
        host_->ShowMessage(result.ProblemsText());
}

void Trecompose::ButtonCloseClick()
{
    Visible = false;
    FormClose();
}

void Trecompose::FormClose()
{
    ParadigmLines.clear();
    ParadigmLines.shrink_to_fit();
    ParadigmLoaded = false;
    ButtonRecomposeEnabled = false;
}

void Trecompose::SetStatus(const std::string& text)
{
    Editupdate = text;
    host_->RepaintRecomposeTool(*this);
}

} // namespace morvane
