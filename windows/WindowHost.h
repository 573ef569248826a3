#pragma once
#include <string>

namespace morvane {

// The windows a host shows for window logic; declared only, so that windows/ depends on none of
// the folders that define them.
class TMorvaneCompare;
class TMorvaneSettings;
class TScanSelector;
class TSedDataView;
class TSimpleShowText;
class TViewAScan;
class TWaitWorking;
class Trecompose;

struct FileDialogRequest {
    std::string Title;
    std::string Filter; // toolkit style: "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|"
    std::string DefaultExt; // e.g. ".txt": added to a chosen name that has no extension
    std::string InitialDir;
    std::string FileName; // proposed name in, chosen full path out
    bool OverwritePrompt = false;
};

// Everything window logic asks of its host: what the user must answer or be told (the dialogs),
// and the other windows it shows. The Qt layer implements it per window, so that a dialog belongs
// to the window that asked; windows without a user get SilentHost; tests script
// testutil::ScriptedHost (tests/testutil/).
//
// A new request (the comparison window, the scan viewer, ...) is one pure virtual here, its
// do-nothing answer in SilentHost, its record in ScriptedHost and its window in ui/QtWindowHost.
class WindowHost {
public:
    virtual ~WindowHost() = default;

    // ---- Dialogs ----
    virtual void ShowMessage(const std::string& text) = 0;
    // True when the user confirmed; the chosen path is then in request.FileName.
    virtual bool SaveDialog(FileDialogRequest& request) = 0;
    virtual bool OpenDialog(FileDialogRequest& request) = 0;
    // A directory choice that also takes a file picked inside the directory. True when confirmed;
    // request.FileName then holds the chosen directory (or file).
    virtual bool SelectDirectory(FileDialogRequest& request) = 0;
    // True when confirmed; value holds the proposed text in and the answer out.
    virtual bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) = 0;

    // ---- Windows ----
    // The scan selector, modally: returns when the user has left it (OK, Cancel or closed).
    virtual void ShowScanSelector(TScanSelector& selector) = 0;
    // The settings window, modally.
    virtual void ShowSettingsWindow(TMorvaneSettings& settings) = 0;
    // A data view just launched, not modally, before its first load (so the load can show its
    // progress); it stays until its FormClose.
    virtual void ShowDataView(TSedDataView& view) = 0;
    // Paints the wait window now: its work holds the user-interface thread. The host may deliver
    // timer ticks meanwhile, never user input.
    virtual void RepaintWaitWindow(TWaitWorking& window) = 0;
    // The program's single-scan viewer, not modally: shown (again) and brought to the front.
    virtual void ShowScanViewer(TViewAScan& viewer) = 0;
    // The program's text viewer, not modally: shown (again) and brought to the front.
    virtual void ShowTextViewer(TSimpleShowText& viewer) = 0;
    // The recompose tool, modally: returns when the user has closed it.
    virtual void ShowRecomposeTool(Trecompose& tool) = 0;
    // Paints the recompose tool's status now: its work holds the user-interface thread. As for
    // the wait window, timer ticks may come meanwhile, never user input.
    virtual void RepaintRecomposeTool(Trecompose& tool) = 0;
    // The program's comparison window, not modally: shown (again) and brought to the front.
    virtual void ShowComparisonWindow(TMorvaneCompare& window) = 0;
};

// Answers nothing: messages are dropped, dialogs cancelled, windows not shown. For windows
// without a user.
class SilentHost : public WindowHost {
public:
    void ShowMessage(const std::string&) override { }
    bool SaveDialog(FileDialogRequest&) override { return false; }
    bool OpenDialog(FileDialogRequest&) override { return false; }
    bool SelectDirectory(FileDialogRequest&) override { return false; }
    bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
    void ShowScanSelector(TScanSelector&) override { }
    void ShowSettingsWindow(TMorvaneSettings&) override { }
    void ShowDataView(TSedDataView&) override { }
    void RepaintWaitWindow(TWaitWorking&) override { }
    void ShowScanViewer(TViewAScan&) override { }
    void ShowTextViewer(TSimpleShowText&) override { }
    void ShowRecomposeTool(Trecompose&) override { }
    void RepaintRecomposeTool(Trecompose&) override { }
    void ShowComparisonWindow(TMorvaneCompare&) override { }
};

} // namespace morvane
