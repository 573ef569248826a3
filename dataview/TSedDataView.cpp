#include "dataview/TSedDataView.h"

#include "analysis/NumberText.h"
#include "analysis/Rounding.h"

namespace morvane {

TSedDataView::TSedDataView(WindowHost* host)
    : host_(host ? host : &silentHost_)
{
    // FormCreate
    HasData = false;
    InTimer = false;
    UseDisplaySettings(DisplaySettings);
}

void TSedDataView::UseDisplaySettings(const GUISettings& settings)
{
    DisplaySettings = settings;
    TimeCourse.UpDownPlaySpeed.SetPosition(DisplaySettings.PlayPercentSpeed);
    TimeCourse.UpDownPlaySpeedClick();
}

void TSedDataView::SetHost(WindowHost* host) { host_ = host ? host : &silentHost_; }

void TSedDataView::ShowUnitsInTitles()
{
    const std::string unit = " (" + SignalUnit() + ")";
    Raw.Chart1.Left.Title = "c(r)" + unit;
    Results.ChartAverage.Left.Title = "t dc/dt" + unit;
    Results.dcdtChart.Left.Title = Extrapolation.ChartSExtrapolation.Left.Title = "t dc/dt corrected" + unit;
    Extrapolation.ChartExtrapolation.Left.Title
        = "ln g(s*), g(s*) in " + SignalUnit() + "/S"; // the fits are of ln(y / s*)
    for (SpeciesPanel* panel : { &Species.CorrectedSpecies, &Species.ExtrapolatedSpecies })
        panel->ResidualChart.Left.Title = "residual" + unit; // short: the chart is low
    for (ChartModel* chart : { &Raw.Chart1, &Results.ChartAverage, &Results.dcdtChart,
             &Extrapolation.ChartSExtrapolation, &Extrapolation.ChartExtrapolation,
             &Species.CorrectedSpecies.ResidualChart, &Species.ExtrapolatedSpecies.ResidualChart })
        chart->Repaint();
}

} // namespace morvane
