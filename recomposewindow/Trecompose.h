#pragma once
#include <string>
#include <vector>

#include "windows/WindowHost.h"

namespace morvane {

// The recompose tool: a modal window that rewrites the interference scans of the main window's
// data directory into an output directory with the description and radii of a paradigm file
// (RecomposeDirectory does the work). The program makes one at start-up; each opening (FormShow)
// starts it afresh with the data directory of that moment.
class Trecompose {
public:
    static constexpr const char* OutputDialogTitle = "Choose a directory where the log file and new data will go";
    static constexpr const char* OutputDialogFileName = "Recompose.log";

    explicit Trecompose(WindowHost* host = nullptr);
    // The host of this window's dialogs; null: none (messages dropped, dialogs cancelled).
    void SetHost(WindowHost* host);

    std::string Caption = "recompose";
    std::string EditDataDir; // "Data Directory"
    std::string EditParadigmFileName; // "Paradigm file"
    std::string EditOutput; // "Output Directory"
    std::string Editupdate; // "Status"
    bool ButtonRecomposeEnabled = false;
    bool Visible = false;

    // The paradigm file's lines, held while the window is open.
    std::vector<std::string> ParadigmLines;
    // Whether this opening holds a paradigm and a usable output directory: "Recompose" needs both.
    bool ParadigmLoaded = false;
    bool OutputChosen = false;

    // An opening from the main window: everything as new, the data directory given.
    void FormShow(const std::string& dataDir);
    void ButtonReadParadigmClick();
    void ButtonSetOutputClick();
    void ButtonRecomposeClick();
    void ButtonCloseClick();
    // Releases the paradigm's lines.
    void FormClose();

private:
    void SetStatus(const std::string& text);

    SilentHost silentHost_;
    WindowHost* host_;
};

} // namespace morvane
