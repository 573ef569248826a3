#include "dataview/TSedDataView.h"

#include <cctype>

#include "analysis/NumberText.h"
#include "analysis/Rounding.h"

TSedDataView::TSedDataView(Prompts* prompts)
    : prompts_(prompts ? prompts : &silentPrompts_)
{
    SetUpRawChart();
    SetUpResultCharts();
    SetUpExtrapolationCharts();
    SetUpTimeCourseChart();
    SetUpSpeciesCharts();
    UseSpeciesSettings(SpeciesSettings());
    // FormCreate
    HasData = false;
    DisplayStride = 1;
    IncrementalCount = 0;
    InTimer = false;
    UseDisplaySettings(DisplaySettings);
}

void TSedDataView::UseDisplaySettings(const GUISettings& settings)
{
    DisplaySettings = settings;
    UpDownPlaySpeed.SetPosition(DisplaySettings.PlayPercentSpeed);
    UpDownPlaySpeedClick();
}

void TSedDataView::SetPrompts(Prompts* prompts) { prompts_ = prompts ? prompts : &silentPrompts_; }

ChartSeries TSedDataView::InactiveLine()
{
    ChartSeries s;
    s.Kind = SeriesKind::Line;
    s.Active = false;
    return s;
}

ChartAxis TSedDataView::LogSAxis()
{
    ChartAxis a;
    a.Title = "s* in Svedburg Units plotted on a log scale";
    a.Logarithmic = true;
    a.LogBase = 2.71828182845905;
    a.LabelFormat = "0.0";
    a.LabelAngle = 90;
    return a;
}

std::string TSedDataView::SignalUnit() const
{
    const std::string& entry = Engine ? Engine->ChannelName : std::string();
    const auto at
        = [&entry](size_t i) { return i < entry.size() ? std::toupper(static_cast<unsigned char>(entry[i])) : 0; };
    if (at(3) == 'R' && at(4) == 'A')
        return "OD";
    if (at(3) == 'I' && at(4) == 'P')
        return "fringes";
    return "counts"; // intensity and fluorescence: the detector's
}

void TSedDataView::ShowUnitsInTitles()
{
    const std::string unit = " (" + SignalUnit() + ")";
    Chart1.Left.Title = "c(r)" + unit;
    ChartAverage.Left.Title = "t dc/dt" + unit;
    dcdtChart.Left.Title = ChartSExtrapolation.Left.Title = "t dc/dt corrected" + unit;
    ChartExtrapolation.Left.Title = "ln g(s*), g(s*) in " + SignalUnit() + "/S"; // the fits are of ln(y / s*)
    for (SpeciesPanel* panel : { &CorrectedSpecies, &ExtrapolatedSpecies })
        panel->ResidualChart.Left.Title = "residual" + unit; // short: the chart is low
    for (ChartModel* chart : { &Chart1, &ChartAverage, &dcdtChart, &ChartSExtrapolation, &ChartExtrapolation,
             &CorrectedSpecies.ResidualChart, &ExtrapolatedSpecies.ResidualChart })
        chart->Repaint();
}

std::string TSedDataView::NoResultText(int32_t scansRead)
{
    return "No g(s*) yet: at least " + std::to_string(ScansForFirstResult) + " scans are needed ("
        + std::to_string(scansRead) + (scansRead == 1 ? " scan" : " scans") + " read so far)";
}

std::string TSedDataView::ReadOutText(double x, double y) { return "X = " + FloatToStr(x) + "  Y = " + FloatToStr(y); }

void TSedDataView::ReadOut(ChartModel& chart, std::string& edit, double x, double y)
{
    if (!chart.HasSeries(1))
        return;
    edit = ReadOutText(RoundSignificant(x, 5), RoundSignificant(y, 5));
    prompts_->ShowMessage(edit);
}
