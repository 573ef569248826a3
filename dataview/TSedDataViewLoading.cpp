// Loading and live refresh of the data view: the hooks of ChannelFollower's full load and
// incremental refresh, the refresh tick and the closing of the window.
#include "dataview/TSedDataView.h"

namespace morvane {

void TSedDataView::ShowProgress(const std::string& text)
{
    // The first text of a load is the one that shows the window (only during the first nine loads).
    if (text == "Loading files")
        WaitWindow.Show();
    WaitWindow.SetText(text);
    host_->RepaintWaitWindow(WaitWindow);
}

void TSedDataView::BeginLoad()
{
    InputEnabled = false;
    Raw.ManualScanChoice = false;
    Raw.ShowMarkers();
    Raw.ShowMarkerPositions();
    ShowUnitsInTitles();
    EditTargetChannel = Engine->ChannelName;
}

void TSedDataView::EndLoad(bool loaded)
{
    EditFullPath = DataDirectory;
    if (loaded) {
        Extrapolation.SetUpExtrapolationAfterLoad();
        Raw.RedrawRawScans();
        ShowAverageAndCorrected();
        Raw.SBIntegralFringeEnabled = Engine->CorrectFringes;
        Raw.SBJitterEnabled = Engine->CorrectJitter;
        Cs.DataReplaced(*Engine, "the channel was loaded again since");
    } else if (!HasData) {
        const std::string again = ": looking again every " + std::to_string(Timer1Interval / 1000) + " s";
        if (FileList.empty())
            Raw.Chart1.EmptyText = "No scan files of " + Mask() + " here yet" + again;
        else if (Counts.Read == 0)
            Raw.Chart1.EmptyText = "The scan files of " + Mask() + " are still being written" + again;
        else
            Raw.Chart1.EmptyText = "No readable scan of " + Mask() + " with at least "
                + std::to_string(Engine->Settings.MinimumDataSetSize) + " points yet" + again;
        Raw.Chart1.Repaint();
    }
    LabelScanCount = ScanCountText(Counts);
    InputEnabled = true;
    WaitWindow.Hide();
}

void TSedDataView::NewScanAdded(int32_t index)
{
    (void)index; // always the newest set
    Raw.DrawNewestScan();
}

void TSedDataView::RefreshDone()
{
    ShowAverageAndCorrected();
    Cs.ScansAdded(*Engine);
}

void TSedDataView::Timer1Timer()
{
    if (Closed || !Timer1Enabled || !Engine)
        return;
    ChannelFollower::Timer1Timer();
    LabelScanCount = ScanCountText(Counts);
    // A channel opened before its cell showed a second wavelength names its own once it does.
    EditTargetChannel = Engine->ChannelName;
}

void TSedDataView::FormClose()
{
    if (Closed)
        return;
    if (Owner)
        Owner->DataViewClosed(*this);
    Timer1Enabled = false;
    Species.StopFit();
    Cs.Cancel();
    TimeCourse.Forget();
    Engine.reset();
    Closed = true;
    Visible = false;
}

int32_t TSedDataView::ShowAverageAndCorrected()
{
    const int32_t drawn = Results.Draw();
    if (drawn < 0)
        return -1;
    if (drawn > 0)
        Extrapolation.FollowNewestExtrapolationSet();
    Species.ShowSpeciesAndConvergence();
    return 0;
}

void TSedDataView::RebuildStages(bool transform)
{
    Engine->RefreshStages(transform);
    Raw.RedrawRawScans();
    ShowAverageAndCorrected();
    Cs.DataReplaced(*Engine, "of the positions before");
}

} // namespace morvane
