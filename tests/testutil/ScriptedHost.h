#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "windows/WindowHost.h"

using namespace morvane;

namespace testutil {

// The scripted host of the tests: dialogs take their answers from queues, in order (an empty
// answer, or none left, cancels), and everything the logic asked or said is recorded. Windows
// are counted, and a script may act in each one as the user would.
class ScriptedHost : public WindowHost {
public:
    // Answers, each used once.
    std::deque<std::string> SaveAnswers;
    std::deque<std::string> OpenAnswers;
    std::deque<std::string> DirectoryAnswers;
    std::deque<std::optional<std::string>> InputAnswers; // nullopt: cancel

    // What was asked and said.
    std::vector<std::string> Messages;
    std::function<void(const std::string&)> MessageScript; // runs while a message is shown
    std::vector<FileDialogRequest> SaveRequests;
    std::vector<FileDialogRequest> OpenRequests;
    std::vector<FileDialogRequest> DirectoryRequests;
    std::vector<std::pair<std::string, std::string>> InputQueries; // caption, prompt

    // Windows shown, and what the user does in them (or, for the wait window, what happens while
    // it is painted).
    int32_t ScanSelectorsShown = 0;
    int32_t SettingsWindowsShown = 0;
    int32_t DataViewsShown = 0;
    int32_t WaitWindowRepaints = 0;
    std::function<void(TScanSelector&)> ScanSelectorScript;
    std::function<void(TMorvaneSettings&)> SettingsWindowScript;
    std::function<void(TSedDataView&)> DataViewScript;
    std::function<void(TWaitWorking&)> WaitWindowScript;
    int32_t ScanViewersShown = 0;
    int32_t TextViewersShown = 0;
    int32_t RecomposeToolsShown = 0;
    int32_t RecomposeToolRepaints = 0;
    std::function<void(TViewAScan&)> ScanViewerScript;
    std::function<void(TSimpleShowText&)> TextViewerScript;
    std::function<void(Trecompose&)> RecomposeToolScript;
    int32_t ComparisonWindowsShown = 0;
    std::function<void(TMorvaneCompare&)> ComparisonWindowScript;

    void ShowMessage(const std::string& text) override;
    bool SaveDialog(FileDialogRequest& request) override;
    bool OpenDialog(FileDialogRequest& request) override;
    bool SelectDirectory(FileDialogRequest& request) override;
    bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;
    void ShowScanSelector(TScanSelector& selector) override;
    void ShowSettingsWindow(TMorvaneSettings& settings) override;
    void ShowDataView(TSedDataView& view) override;
    void RepaintWaitWindow(TWaitWorking& window) override;
    void ShowScanViewer(TViewAScan& viewer) override;
    void ShowTextViewer(TSimpleShowText& viewer) override;
    void ShowRecomposeTool(Trecompose& tool) override;
    void RepaintRecomposeTool(Trecompose& tool) override;
    void ShowComparisonWindow(TMorvaneCompare& window) override;
};

} // namespace testutil
