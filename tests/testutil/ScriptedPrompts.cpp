#include "testutil/ScriptedPrompts.h"

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

} // namespace

void ScriptedPrompts::ShowMessage(const std::string& text) { Messages.push_back(text); }

bool ScriptedPrompts::SaveDialog(FileDialogRequest& request) { return Answer(request, SaveRequests, SaveAnswers); }

bool ScriptedPrompts::OpenDialog(FileDialogRequest& request) { return Answer(request, OpenRequests, OpenAnswers); }

bool ScriptedPrompts::SelectDirectory(FileDialogRequest& request)
{
    return Answer(request, DirectoryRequests, DirectoryAnswers);
}

bool ScriptedPrompts::InputQuery(const std::string& caption, const std::string& prompt, std::string& value)
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

void ScriptedPrompts::ShowScanSelector(TScanSelector& selector)
{
    ++ScanSelectorsShown;
    if (ScanSelectorScript)
        ScanSelectorScript(selector);
}

void ScriptedPrompts::ShowSettingsWindow(TMorvaneSettings& settings)
{
    ++SettingsWindowsShown;
    if (SettingsWindowScript)
        SettingsWindowScript(settings);
}

void ScriptedPrompts::ShowDataView(TSedDataView& view)
{
    ++DataViewsShown;
    if (DataViewScript)
        DataViewScript(view);
}

void ScriptedPrompts::RepaintWaitWindow(TWaitWorking& window)
{
    ++WaitWindowRepaints;
    if (WaitWindowScript)
        WaitWindowScript(window);
}

void ScriptedPrompts::ShowScanViewer(TViewAScan& viewer)
{
    ++ScanViewersShown;
    if (ScanViewerScript)
        ScanViewerScript(viewer);
}

void ScriptedPrompts::ShowTextViewer(TSimpleShowText& viewer)
{
    ++TextViewersShown;
    if (TextViewerScript)
        TextViewerScript(viewer);
}

void ScriptedPrompts::ShowRecomposeTool(Trecompose& tool)
{
    ++RecomposeToolsShown;
    if (RecomposeToolScript)
        RecomposeToolScript(tool);
}

void ScriptedPrompts::RepaintRecomposeTool(Trecompose&) { ++RecomposeToolRepaints; }

void ScriptedPrompts::ShowComparisonWindow(TMorvaneCompare& window)
{
    ++ComparisonWindowsShown;
    if (ComparisonWindowScript)
        ComparisonWindowScript(window);
}

} // namespace testutil
