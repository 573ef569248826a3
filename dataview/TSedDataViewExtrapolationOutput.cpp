// Output of the extrapolation tab: the extrapolation of the chosen range of smoothed sets as the
// extrapolation file, with its record beside it.
#include "dataview/TSedDataView.h"

#include "follower/ExtrapolationFile.h"
#include "provenance/ChannelRecording.h"
#include "scanfiles/FileSystem.h"

namespace morvane {

void TSedDataView::ButtonOutputExtrapolationClick()
{
    const int32_t start = Extrapolation.ScrollBarStartExtrapolation.Position;
    const int32_t end = Extrapolation.ScrollBarExtrapolation.Position;
    const int32_t sets = Engine && Engine->SmoothGofsStore ? Engine->SmoothGofsStore->GetNumberOfSets() : 0;
    if (!Engine || !Engine->GofsStore || start < 0 || end >= sets || end - start + 1 < 5) {
        host_->ShowMessage("An extrapolation needs a range of at least 5 smoothed g(s*) sets");
        return;
    }
    const ExtrapolationOutput x = ExtrapolateSets(*Engine, DataDirectory, start, end, DisplaySettings);
    if (!x.judgement.Sound()) {
        host_->ShowMessage(ExtrapolationRefusalOf(*Engine, x));
        return;
    }
    const std::string fileName = AskTextOutputName(
        SaveExtrapolationDialogTitle, SaveDialog1InitialDir + ProposedExtrapolationFileName(*Engine));
    if (fileName.empty())
        return;
    if (const std::string failure = WriteFileAtomically(fileName, ExtrapolationFileText(x.header, x.rows));
        !failure.empty()) {
        host_->ShowMessage(failure);
        return;
    }
    Sidecar record = ExtrapolationSidecar(*this, fileName, start, end, DisplaySettings);
    if (const std::string sidecarFailure = WriteSidecar(record, "morvane"); !sidecarFailure.empty())
        host_->ShowMessage(sidecarFailure);
}

} // namespace morvane
