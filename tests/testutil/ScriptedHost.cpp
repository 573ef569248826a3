#include "testutil/ScriptedHost.h"

namespace testutil {

namespace {

    // Records the request and answers it from the queue: true with the answer in FileName, or false.
    bool Answer(FileDialogRequest& request, std::vector<FileDialogRequest>& asked, std::deque<std::string>& answers)
    {
        asked.push_back(request);
        if (answers.empty())
            return false;
        const std::string answer = answers.front();
        answers.pop_front();
        if (answer.empty())
            return false;
        request.FileName = answer;
        return true;
    }

    // Counts a window shown (or repainted) and lets the script act in it.
    template <typename Window> void Shown(int32_t& count, const std::function<void(Window&)>& script, Window& window)
    {
        ++count;
        if (script)
            script(window);
    }

} // namespace

void ScriptedHost::ShowMessage(const std::string& text)
{
    Messages.push_back(text);
    if (MessageScript)
        MessageScript(text);
}

bool ScriptedHost::SaveDialog(FileDialogRequest& request) { return Answer(request, SaveRequests, SaveAnswers); }

bool ScriptedHost::OpenDialog(FileDialogRequest& request) { return Answer(request, OpenRequests, OpenAnswers); }

bool ScriptedHost::SelectDirectory(FileDialogRequest& request)
{
    return Answer(request, DirectoryRequests, DirectoryAnswers);
}

bool ScriptedHost::InputQuery(const std::string& caption, const std::string& prompt, std::string& value)
{
    InputQueries.emplace_back(caption, prompt);
    if (InputAnswers.empty())
        return false;
    const std::optional<std::string> answer = InputAnswers.front();
    InputAnswers.pop_front();
    if (!answer)
        return false;
    value = *answer;
    return true;
}

void ScriptedHost::ShowScanSelector(TScanSelector& selector)
{
    Shown(ScanSelectorsShown, ScanSelectorScript, selector);
}

void ScriptedHost::ShowSettingsWindow(TMorvaneSettings& settings)
{
    Shown(SettingsWindowsShown, SettingsWindowScript, settings);
}

void ScriptedHost::ShowDataView(TSedDataView& view) { Shown(DataViewsShown, DataViewScript, view); }

void ScriptedHost::RepaintWaitWindow(TWaitWorking& window) { Shown(WaitWindowRepaints, WaitWindowScript, window); }

void ScriptedHost::ShowScanViewer(TViewAScan& viewer) { Shown(ScanViewersShown, ScanViewerScript, viewer); }

void ScriptedHost::ShowTextViewer(TSimpleShowText& viewer) { Shown(TextViewersShown, TextViewerScript, viewer); }

void ScriptedHost::ShowRecomposeTool(Trecompose& tool) { Shown(RecomposeToolsShown, RecomposeToolScript, tool); }

void ScriptedHost::RepaintRecomposeTool(Trecompose&) { ++RecomposeToolRepaints; }

void ScriptedHost::ShowComparisonWindow(TMorvaneCompare& window)
{
    Shown(ComparisonWindowsShown, ComparisonWindowScript, window);
}

} // namespace testutil
