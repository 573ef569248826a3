// Output of the comparison window: the selected views' composite curves as the comparison file,
// with its record beside it.
#include "windows/TMorvaneCompare.h"

#include "follower/ChannelFollower.h"
#include "follower/ComparisonFile.h"
#include "provenance/ChannelRecording.h"
#include "scanfiles/FileSystem.h"

namespace morvane {

void TMorvaneCompare::ButtonOutputAsciiClick()
{
    const bool normalized = RadioButtonNormalizedChecked;
    std::vector<const ChannelFollower*> views;
    std::vector<std::string> columns, names;
    std::vector<CompositeCurve> curves;
    for (const ComparisonEntry& entry : ListBoxOpenWindows) {
        if (!entry.Selected || !entry.View || !entry.View->Engine)
            continue;
        // A view in the middle of a load holds no whole run, and one without a composite adds nothing.
        if (entry.View->Loading || entry.View->InTimer || !HasComposite(*entry.View->Engine))
            continue;
        views.push_back(entry.View);
        columns.push_back(entry.Text);
        AddComparisonColumn(*entry.View->Engine, entry.Text, normalized, names, curves);
    }
    if (views.empty()) {
        host_->ShowMessage(NothingToWriteText);
        return;
    }
    FileDialogRequest request;
    request.Title = "Save comparison";
    request.FileName = "comparison.txt";
    request.DefaultExt = ".txt";
    request.Filter = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|";
    request.OverwritePrompt = true;
    if (!host_->SaveDialog(request))
        return;
    // Never over, or among, the scan files of a run (another run's included).
    if (const std::string refusal = ScanOverwriteRefusal(request.FileName); !refusal.empty()) {
        host_->ShowMessage(refusal);
        return;
    }
    if (const std::string failure = WriteFileAtomically(request.FileName, ComparisonTableText(names, curves));
        !failure.empty()) {
        host_->ShowMessage(failure);
        return;
    }
    Sidecar record = ComparisonSidecar(views, columns, request.FileName, normalized);
    if (const std::string sidecarFailure = WriteSidecar(record, "morvane"); !sidecarFailure.empty())
        host_->ShowMessage(sidecarFailure);
}

} // namespace morvane
