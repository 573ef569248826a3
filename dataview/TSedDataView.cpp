#include "dataview/TSedDataView.h"

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
    ColourCursor.SetFirst(0);
    ColourCursor.SetLast(4);
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
