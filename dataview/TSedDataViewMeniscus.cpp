// The meniscus proposed from the data on the raw-data tab: found in the first raw scans, drawn as
// a marker of its own, taken only when the user accepts it.
#include "dataview/TSedDataView.h"

#include "follower/MeniscusProposal.h"

void TSedDataView::ButtonFindMeniscusClick()
{
    if (!Engine)
        return;
    const MeniscusFinding f = ProposeMeniscus(*Engine);
    EditMeniscusProposal = MeniscusFindingText(f);
    if (f.Found)
        ProposedMeniscus = f.Radius;
    else
        ProposedMeniscus.reset();
    ButtonAcceptMeniscusEnabled = ProposedMeniscus.has_value();
    ShowMarkers();
}

void TSedDataView::ButtonAcceptMeniscusClick()
{
    if (!Engine || !ProposedMeniscus)
        return;
    InputEnabled = false;
    const double x = *ProposedMeniscus;
    ProposedMeniscus.reset();
    ButtonAcceptMeniscusEnabled = false;
    if (SetPosition(Position::Meniscus, x))
        EditMeniscusProposal.clear();
    else
        ShowMarkers();
    InputEnabled = true;
}
