// Species and convergence in the data view: "Fit species" on the corrected and the extrapolated
// curve (the fit drawn over the curve, its residuals and its table), and the run's convergence
// measure after every refresh (a chart of the measure against time and the verdict).
#include "dataview/SpeciesTab.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/NumberText.h"
#include "report/ReportCharts.h"
#include "species/RunConvergence.h"
#include "species/SpeciesFit.h"
#include "species/SpeciesTable.h"

namespace morvane {

namespace {

constexpr std::array<ChartColour, 3> SpeciesColours = { Colours::Blue, Colours::Red, Colours::Teal };

size_t IndexOf(SpeciesTab::SpeciesSource source) { return source == SpeciesTab::SpeciesSource::Corrected ? 0 : 1; }

std::string Joined(const std::vector<std::string>& lines, const char* separator)
{
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : separator) + line;
    return text;
}

// A number the user typed into a panel's edit: why not, or "".
std::string ReadPositive(const std::string& text, const char* what, double& value)
{
    if (!UserTextToFloat(text, value) || !std::isfinite(value) || !(value > 0))
        return std::string("the ") + what + " \"" + text + "\" is not a positive number";
    return "";
}

ChartSeries Line(const char* title, ChartColour colour, int32_t width)
{
    ChartSeries s;
    s.Title = title;
    s.Colour = colour;
    s.LineWidth = width;
    s.Active = false;
    return s;
}

} // namespace

SpeciesTab::SpeciesTab(ViewContext& view, ChartModel& correctedChart, ExtrapolationTab& extrapolation)
    : view_(view)
    , correctedChart_(correctedChart)
    , extrapolation_(extrapolation)
{
    for (SpeciesPanel* panel : { &CorrectedSpecies, &ExtrapolatedSpecies }) {
        ChartModel& r = panel->ResidualChart;
        r.Bottom = LogSAxis();
        r.Bottom.LabelAngle = 0;
        r.Bottom.Title = "s* (S)";
        r.Left.Title = "residual"; // data - fit
        r.Series = { Line("zero", Colours::Silver, 1), Line("residuals", Colours::Black, 1) };
        r.Series[0].InLegend = false;
        r.EmptyText = std::string("Residuals of a species fit: press \"") + FitSpeciesCaption + "\"";
        panel->TableHeader = SpeciesTableHeader();
    }
    ConvergenceChart.Bottom.Title = "elapsed time (min)";
    ConvergenceChart.Left.Title = "change (%)";
    ConvergenceChart.Left.Logarithmic = true;
    ConvergenceChart.Left.LogBase = 10;
    ConvergenceChart.LegendVisible = true;
    ConvergenceChart.Legend = ChartModel::LegendPlace::Below;
    ConvergenceChart.Series = { Line("peak drift", Colours::Blue, 2), Line("shape change", Colours::Red, 2),
        Line("peak drift limit", Colours::Blue, 1), Line("shape change limit", Colours::Red, 1) };
    // The limits are the thin lines of their measure's colour: a legend of two covers less of a
    // narrow chart.
    ConvergenceChart.Series[2].InLegend = false;
    ConvergenceChart.Series[3].InLegend = false;
    ConvergenceChart.EmptyText = "Convergence: no g(s*) yet";
    UseSpeciesSettings(SpeciesSettings());
}

void SpeciesTab::UseSpeciesSettings(const SpeciesSettings& settings)
{
    SpeciesDefaults = settings;
    EditVbar = FloatToStr(settings.Vbar);
    EditSolventDensity = FloatToStr(settings.SolventDensity);
    EditSolventViscosity = FloatToStr(settings.SolventViscosity);
    convergenceThresholds_ = ThresholdsOf(settings);
}

std::string SpeciesTab::SpeciesOptionsFromControls(SpeciesFitOptions& options) const
{
    const int32_t n = UpDownSpecies.Position;
    if (n < 1 || n > 3)
        return "the number of species must be 1 to 3 (got " + std::to_string(n) + ")";
    options.Species = n;
    options.Model = ComboSpeciesModel == 1 ? SpeciesModel::Gaussian : SpeciesModel::LammBoundaries;
    SolventConditions& s = options.Solvent;
    s = SolventOf(SpeciesDefaults);
    for (const std::string& why : { ReadPositive(EditVbar, "partial specific volume", s.Vbar),
             ReadPositive(EditSolventDensity, "solvent density", s.Density),
             ReadPositive(EditSolventViscosity, "solvent viscosity", s.ViscosityCp) })
        if (!why.empty())
            return why;
    if (!(s.Vbar * s.Density < 1))
        return "the partial specific volume times the solvent density must be below 1 (the particle would float)";
    return "";
}

std::string SpeciesTab::SpeciesJobOf(SpeciesSource source, const SpeciesFitOptions& options, SpeciesFitJob& job) const
{
    if (source == SpeciesSource::Corrected) {
        if (!Engine() || !Engine()->GofsStore || Engine()->GofsStore->GetNumberOfSets() < 1)
            return "no g(s*) set has been computed yet";
        job = PrepareSpeciesFit(*Engine(), options);
        return "";
    }
    // The curve as the s* axis view draws it: the infinite-time s* g(s*) at the extrapolated points.
    const ChartSeries& drawn = extrapolation_.ChartSExtrapolation.Series[2];
    if (!drawn.Active || drawn.Points.empty()) {
        return !extrapolation_.ExtrapolationRefusalText.empty()
            ? extrapolation_.ExtrapolationRefusalText
            : std::string("no extrapolated curve is drawn: press \"") + ExtrapolationTab::RefreshExtrapolationCaption
                + "\" first";
    }
    GofsCurve curve;
    for (const ChartPoint& p : drawn.Points) {
        curve.SStar.push_back(p.X);
        curve.Y.push_back(p.Y);
    }
    if (Engine() && Engine()->RawStore && Engine()->RawStore->GetNumberOfSets() > 0) {
        const ChannelDataStore& raw = *Engine()->RawStore;
        const double t = raw.Headers[static_cast<size_t>(raw.GetNumberOfSets() - 1)].Temperature;
        curve.TemperatureC = t > 0 ? t : -1;
    }
    job = PrepareSpeciesFit(curve, options);
    return "";
}

SpeciesFitResult SpeciesTab::FitSpeciesOf(SpeciesSource source, const SpeciesFitOptions& options, double& setTime) const
{
    SpeciesFitJob job;
    SpeciesFitResult none;
    none.Message = SpeciesJobOf(source, options, job);
    setTime = job.SetTime;
    return none.Message.empty() ? RunSpeciesFit(job) : none;
}

void SpeciesTab::ButtonFitSpeciesClick(SpeciesSource source)
{
    SpeciesFitOptions options;
    if (const std::string why = SpeciesOptionsFromControls(options); !why.empty()) {
        view_.Ask().ShowMessage(std::string(FitSpeciesCaption) + ": " + why);
        return;
    }
    view_.EnableInput(false);
    PanelOf(source).Options = options;
    double setTime = 0;
    const SpeciesFitResult result = FitSpeciesOf(source, options, setTime);
    ShowSpeciesFit(source, result, setTime);
    // The verdict compares the answer of this many species from now on.
    if (source == SpeciesSource::Corrected)
        ShowConvergence();
    view_.EnableInput(true);
}

bool SpeciesTab::StartSpeciesFit(SpeciesSource source)
{
    if (speciesFit_)
        return false;
    SpeciesFitOptions options;
    if (const std::string why = SpeciesOptionsFromControls(options); !why.empty()) {
        view_.Ask().ShowMessage(std::string(FitSpeciesCaption) + ": " + why);
        return false;
    }
    SpeciesFitJob job;
    if (const std::string why = SpeciesJobOf(source, options, job); !why.empty()) {
        SpeciesFitResult none;
        none.Message = why;
        PanelOf(source).Options = options;
        ShowSpeciesFit(source, none, 0);
        return false;
    }
    // The fits the verdict will compare with these options, made on the fit's thread too.
    std::vector<ConvergenceFitCache::Missing> convergence;
    if (source == SpeciesSource::Corrected) {
        SpeciesFitOptions asked = job.Options;
        asked.Set = -1; // as the panel will hold them
        convergenceFits_.Collect(true);
        ConvergenceSeries(*Engine(), convergenceThresholds_, &asked, &convergenceFits_);
        convergenceFits_.Collect(false);
        convergence = convergenceFits_.TakeMissing();
    }
    speciesFitSource_ = source;
    PanelOf(source).FitState = "Fitting " + std::to_string(options.Species) + " species...";
    speciesFit_ = std::make_unique<SpeciesFitWorker>(std::move(job), std::move(convergence));
    return true;
}

void SpeciesTab::CancelSpeciesFit()
{
    if (speciesFit_)
        speciesFit_->Cancel();
}

bool SpeciesTab::PollSpeciesFit()
{
    if (!speciesFit_ || (!speciesFit_->Done() && !speciesFit_->Cancelled()))
        return false;
    EndSpeciesFit();
    return true;
}

void SpeciesTab::FinishSpeciesFit()
{
    // A refit of the newest set may follow the fit that ends.
    while (speciesFit_)
        EndSpeciesFit();
}

void SpeciesTab::EndSpeciesFit()
{
    const std::unique_ptr<SpeciesFitWorker> worker = std::move(speciesFit_);
    const SpeciesFitResult result = worker->Take();
    SpeciesPanel& panel = PanelOf(speciesFitSource_);
    // A cancel the fit did not see in time still leaves the fit before it: the user asked for that.
    if (worker->Cancelled()) {
        panel.FitState = SpeciesFitCancelled;
        return;
    }
    panel.FitState.clear();
    panel.Options = worker->Job().Options;
    panel.Options.Set = -1; // as the controls give it: the newest set
    ShowSpeciesFit(speciesFitSource_, result, worker->Job().SetTime);
    if (speciesFitSource_ != SpeciesSource::Corrected)
        return;
    for (auto& [key, fit] : worker->TakeConvergenceFits())
        convergenceFits_.Put(key, std::move(fit));
    ShowConvergence();
    // Scans came in while it fitted: the user asked for the newest set to be fitted.
    if (CheckBoxRefitEachRefresh && !panel.Failed && !CorrectedFitIsOfNewestSet())
        StartRefit();
}

void SpeciesTab::StartRefit()
{
    SpeciesFitOptions options;
    if (!speciesFit_ && SpeciesOptionsFromControls(options).empty())
        StartSpeciesFit(SpeciesSource::Corrected);
    GreyOutdatedFit();
}

bool SpeciesTab::CorrectedFitIsOfNewestSet() const
{
    const SpeciesPanel& panel = CorrectedSpecies;
    if (!Engine() || !Engine()->GofsStore || panel.FittedSet < 0)
        return false;
    const ChannelDataStore& g = *Engine()->GofsStore;
    const int32_t newest = g.GetNumberOfSets() - 1;
    return newest == panel.FittedSet && g.Headers[static_cast<size_t>(newest)].Time == panel.FittedSetTime;
}

void SpeciesTab::ShowSpeciesFit(SpeciesSource source, const SpeciesFitResult& result, double setTime)
{
    SpeciesPanel& panel = PanelOf(source);
    const bool corrected = source == SpeciesSource::Corrected;
    panel.Result = result;
    panel.Failed = result.Status != FitStatus::Converged;
    panel.TableRows = SpeciesTableCells(result);
    std::vector<std::string> head = SpeciesFitHeadLines(result);
    if (!corrected && !panel.Failed)
        head.front() = "Species fit of the curve extrapolated to infinite time (end set "
            + std::to_string(extrapolation_.ChartSExtrapolation.Series[1].Tag) + "): widths fitted, no D or M";
    panel.LabelSpeciesFit = Joined(head, "\n");
    panel.LabelSpeciesNotes = Joined(result.Notes, "; ");
    panel.FittedSet = corrected ? result.Set : -1;
    panel.FittedSetTime = corrected && !panel.Failed ? setTime : 0;
    panel.FitState.clear();

    ChartModel& chart = corrected ? correctedChart_ : extrapolation_.ChartSExtrapolation;
    const int32_t first = SpeciesOverlayFirst[IndexOf(source)];
    while (chart.SeriesCount() < first + 4)
        chart.Series.push_back(InactiveLine());
    chart.ClearSeriesFrom(first);
    ChartModel& residuals = panel.ResidualChart;
    residuals.ClearSeriesFrom(0);
    if (panel.Failed) {
        residuals.EmptyText = "No fit: " + result.Message;
    } else {
        const size_t n = result.SStar.size();
        ChartSeries& fitted = chart.Series[static_cast<size_t>(first)];
        fitted.Title = "fit: " + std::to_string(result.Species.size()) + " species";
        fitted.Colour = Colours::Black;
        fitted.LineWidth = 2;
        fitted.InFront = true;
        for (size_t i = 0; i < n; ++i)
            fitted.Add(result.SStar[i], result.Fitted[i]);
        fitted.Active = true;
        for (size_t k = 0; k < result.Components.size() && k < SpeciesColours.size(); ++k) {
            ChartSeries& one = chart.Series[static_cast<size_t>(first) + 1 + k];
            char title[64];
            std::snprintf(title, sizeof title, "species %zu: s %.2f S", k + 1, result.Species[k].S);
            one.Title = title;
            one.Colour = SpeciesColours[k];
            one.LineWidth = 1;
            one.InFront = true;
            for (size_t i = 0; i < n; ++i)
                one.Add(result.SStar[i], result.Components[k][i]);
            one.Active = true;
        }
        chart.LegendVisible = true;
        ChartSeries& zero = residuals.Series[0];
        zero.Add(result.SStar.front(), 0);
        zero.Add(result.SStar.back(), 0);
        zero.Active = true;
        ChartSeries& r = residuals.Series[1];
        r.Colour = corrected ? Colours::Green : Colours::Fuchsia;
        for (size_t i = 0; i < n; ++i)
            r.Add(result.SStar[i], result.Residuals[i]);
        r.Active = true;
    }
    chart.Repaint();
    residuals.Repaint();
}

void SpeciesTab::ShowSpeciesAndConvergence()
{
    ShowConvergence();
    if (!Engine() || !Engine()->GofsStore || CorrectedSpecies.FittedSet < 0 || CorrectedFitIsOfNewestSet())
        return;
    // Refitted off the window thread; a fit already running (the user's) is not overtaken.
    if (CheckBoxRefitEachRefresh)
        StartRefit();
    else
        GreyOutdatedFit();
}

void SpeciesTab::GreyOutdatedFit()
{
    SpeciesPanel& panel = CorrectedSpecies;
    if (!Engine() || !Engine()->GofsStore || panel.FittedSet < 0 || CorrectedFitIsOfNewestSet())
        return;
    const int32_t newest = Engine()->GofsStore->GetNumberOfSets() - 1;
    // The fit stays drawn, greyed, until the newest set is fitted.
    const int32_t first = SpeciesOverlayFirst[0];
    for (int32_t s = first; s < first + 4 && correctedChart_.HasSeries(s); ++s)
        correctedChart_.Series[static_cast<size_t>(s)].Colour = Colours::Silver;
    if (correctedChart_.HasSeries(first))
        correctedChart_.Series[static_cast<size_t>(first)].Title = "fit of set " + std::to_string(panel.FittedSet);
    panel.LabelSpeciesNotes = "The chart shows set " + std::to_string(newest) + " now, the fit is of set "
        + std::to_string(panel.FittedSet)
        + (speciesFit_ ? std::string(": fitting the newest set.")
                       : ": press \"" + std::string(FitSpeciesCaption) + "\" to fit the newest set.");
    correctedChart_.Repaint();
}

void SpeciesTab::ShowConvergence()
{
    ConvergenceChart.ClearSeriesFrom(0);
    // Where a fit was made, the verdict compares the answer with as many species; otherwise as the peaks show.
    const SpeciesPanel& fit = CorrectedSpecies;
    const SpeciesFitOptions* asked = fit.FittedSet >= 0 && !fit.Failed ? &fit.Options : nullptr;
    const std::vector<ConvergencePoint> series = Engine()
        ? ConvergenceSeries(*Engine(), convergenceThresholds_, asked, &convergenceFits_)
        : std::vector<ConvergencePoint>();
    const ConvergenceVerdict verdict = JudgeConvergence(series, convergenceThresholds_);
    LabelConvergence = verdict.Text;
    ConvergenceStable = verdict.Stable;
    // The points as the run report draws them; the styles, legend and texts are the view's.
    const ChartModel drawn = morvane::ConvergenceChart(series, convergenceThresholds_);
    for (size_t k = 0; k < 4; ++k) {
        ConvergenceChart.Series[k].Points = drawn.Series[k].Points;
        ConvergenceChart.Series[k].Active = !drawn.Series[2].Points.empty(); // a set had one to compare with
    }
    ConvergenceChart.EmptyText = series.empty()
        ? "Convergence: no g(s*) yet"
        : "Convergence: no g(s*) set " + FloatToStr(std::round(100 * convergenceThresholds_.WindowFraction))
            + " % of the run earlier to compare with yet";
    ConvergenceChart.Repaint();
}

} // namespace morvane
