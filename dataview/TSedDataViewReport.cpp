// The run report of the data view: the channel it holds, as morvane-cli report writes it.
#include "dataview/TSedDataView.h"

#include "report/RunReport.h"

namespace morvane {

void TSedDataView::ButtonReportClick()
{
    if (!Engine || !Engine->GofsStore || Engine->GofsStore->GetNumberOfSets() < 1) {
        host_->ShowMessage(NotEnoughDataMessage);
        return;
    }
    FileDialogRequest request;
    request.Title = SaveReportTitle;
    request.InitialDir = SaveDialog1InitialDir;
    request.FileName = SaveDialog1InitialDir + ProposedReportFileName(*Engine);
    request.DefaultExt = ".html";
    request.Filter = HtmlFileFilter;
    request.OverwritePrompt = true;
    if (!host_->SaveDialog(request))
        return;
    ReportRequest report;
    report.program = "morvane";
    report.display = DisplaySettings;
    report.convergence = Species.SpeciesDefaults;
    // The range the extrapolation tab chose; while it is every set, the report takes the default
    // (and a sound range in its place when every set is no result), as the command line does.
    const int32_t start = Extrapolation.ScrollBarStartExtrapolation.Position,
                  end = Extrapolation.ScrollBarExtrapolation.Position;
    const int32_t sets = Engine->SmoothGofsStore ? Engine->SmoothGofsStore->GetNumberOfSets() : 0;
    if (start != 0 || end != sets - 1) {
        report.start = start;
        report.end = end;
    }
    // The fit the panel made, of the newest set; the verdict then compares as many species, as the view's does.
    const SpeciesPanel& fit = Species.CorrectedSpecies;
    if (fit.FittedSet >= 0 && !fit.Failed) {
        report.species = fit.Options;
        report.species->Set = -1;
    }
    // The c(s) tab's choices when it holds a result: the report fits afresh on the scans as they
    // are, so that its record makes the same report again.
    if (Cs.Result().error.empty()) {
        report.cs = Cs.ResultOptions();
        report.cs->cancel = nullptr;
    }
    // On this thread, as a fit is: no refresh tick can change the engine meanwhile.
    const std::string failure = WriteRunReport(*this, request.FileName, report, nullptr, &Species.ConvergenceFits());
    host_->ShowMessage(failure.empty() ? "Run report written to " + ShownPath(request.FileName) : failure);
}

} // namespace morvane
