#pragma once
#include <QString>
#include <string>

#include "windows/WindowHost.h"

class QWidget;

namespace morvane {

class CompareWindow;
class SettingsDialog;
class SimpleShowTextWindow;
class ViewAScanWindow;

// Real dialogs and windows for the requests of one window's logic: the dialogs and the modal
// windows have that window as parent. A window with requests of its own (the main window's new
// data views, a data view's wait window) derives from it. A stand-in (tests) answers the dialogs
// instead of real ones; the windows are shown all the same.
class QtWindowHost : public WindowHost {
public:
    explicit QtWindowHost(QWidget* parent, WindowHost* standIn = nullptr)
        : parent_(parent)
        , standIn_(standIn)
    {
    }

    void ShowMessage(const std::string& text) override;
    bool SaveDialog(FileDialogRequest& request) override;
    bool OpenDialog(FileDialogRequest& request) override;
    bool SelectDirectory(FileDialogRequest& request) override;
    bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;

    void ShowScanSelector(TScanSelector& selector) override;
    // The program's settings window when one was given (UseSettingsWindow), else one made for the call.
    void ShowSettingsWindow(TMorvaneSettings& settings) override;
    // A window of its own, freed when it closes; the main window keeps its views in a list instead.
    void ShowDataView(TSedDataView& view) override;
    // Lets the toolkit paint and deliver timer ticks, but no user input.
    void RepaintWaitWindow(TWaitWorking& window) override;
    // The program's viewer window of that viewer when one was given (UseViewerWindows), else a
    // window made for the call and freed when it closes.
    void ShowScanViewer(TViewAScan& viewer) override;
    void ShowTextViewer(TSimpleShowText& viewer) override;
    // A RecomposeDialog made for the call, run modally.
    void ShowRecomposeTool(Trecompose& tool) override;
    // Lets the toolkit paint and deliver timer ticks, but no user input.
    void RepaintRecomposeTool(Trecompose& tool) override;
    // The program's comparison window when one was given (UseComparisonWindow), else a window made
    // for the call and freed when it closes.
    void ShowComparisonWindow(TMorvaneCompare& window) override;

    void UseSettingsWindow(SettingsDialog* dialog) { settingsWindow_ = dialog; }
    void UseViewerWindows(ViewAScanWindow* scanViewer, SimpleShowTextWindow* textViewer)
    {
        scanViewerWindow_ = scanViewer;
        textViewerWindow_ = textViewer;
    }
    void UseComparisonWindow(CompareWindow* window) { comparisonWindow_ = window; }
    WindowHost* StandIn() const { return standIn_; }

    // "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|" as "Text Files (*.txt);;All Files (*.*)".
    static QString QtFilter(const std::string& filter);
    // Where a file dialog opens: the proposed name inside the initial directory (a name that is
    // already a full path as it stands; without a name, the directory).
    static QString StartPath(const FileDialogRequest& request);
    // `file` with `defaultExt` (".txt" or "txt") appended when its name has no extension.
    static std::string WithDefaultExt(const std::string& file, const std::string& defaultExt);

protected:
    QWidget* parent_;

private:
    WindowHost* standIn_;
    SettingsDialog* settingsWindow_ = nullptr;
    ViewAScanWindow* scanViewerWindow_ = nullptr;
    SimpleShowTextWindow* textViewerWindow_ = nullptr;
    CompareWindow* comparisonWindow_ = nullptr;
};

} // namespace morvane
