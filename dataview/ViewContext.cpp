#include "dataview/ViewContext.h"

#include "analysis/NumberText.h"
#include "analysis/Rounding.h"

namespace morvane {

std::string ViewContext::SignalUnit() const
{
    const RealTimeGofS* engine = CurrentEngine();
    return engine ? engine->SignalUnit() : "counts";
}

void ViewContext::ReadOut(ChartModel& chart, std::string& edit, double x, double y)
{
    if (!chart.HasSeries(1))
        return;
    edit = ReadOutText(RoundSignificant(x, 5), RoundSignificant(y, 5));
    Ask().ShowMessage(edit);
}

std::string ReadOutText(double x, double y) { return "X = " + FloatToStr(x) + "  Y = " + FloatToStr(y); }

ChartSeries InactiveLine()
{
    ChartSeries s;
    s.Kind = SeriesKind::Line;
    s.Active = false;
    return s;
}

ChartAxis LogSAxis()
{
    ChartAxis a;
    a.Title = "s* in Svedburg Units plotted on a log scale";
    a.Logarithmic = true;
    a.LogBase = 2.71828182845905;
    a.LabelFormat = "0.0";
    a.LabelAngle = 90;
    return a;
}

} // namespace morvane
