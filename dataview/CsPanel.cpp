#include "dataview/CsPanel.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <iomanip>
#include <sstream>
#include <tuple>

#include "analysis/NumberText.h"
#include "cs/CsChannel.h"
#include "cs/CsFile.h"
#include "follower/ResultSummary.h"
#include "provenance/CsRecord.h"
#include "species/Svedberg.h"

namespace morvane {

using morvane::cs::ChannelData;
using morvane::cs::ChartEndS;
using morvane::cs::CsCurves;
using morvane::cs::CsData;
using morvane::cs::CsFitter;
using morvane::cs::CsOptions;
using morvane::cs::CsPeak;
using morvane::cs::CsResult;
using morvane::cs::DefaultNoise;
using morvane::cs::NoiseTermsText;

// What one fit takes to its thread and brings back.
struct CsPanel::Job {
    CsData data;
    std::vector<std::string> notes; // of the channel's scans
    std::unique_ptr<CsFitter> fitter;
    bool search = true; // a fresh fit (f/f0 searched when not given), else an update
    CsResult result;
    CsCurves curves;
    std::atomic<bool> done { false };
};

namespace {

// Scans a followed run adds before f/f0 is searched again: a quarter of those of the last search,
// as morvane-cli cs --watch does.
bool SearchAgain(const CsFitter& fitter, size_t scans)
{
    return fitter.SearchedScans() == 0 || static_cast<double>(scans) >= 1.25 * fitter.SearchedScans();
}

ChartSeries CsLine(const char* title, ChartColour colour, int32_t width)
{
    ChartSeries s;
    s.Title = title;
    s.Colour = colour;
    s.LineWidth = width;
    return s;
}

// A number the user typed: why not, or "".
std::string ReadNumber(const std::string& text, const char* what, double& value)
{
    if (!UserTextToFloat(text, value) || !std::isfinite(value))
        return std::string("the ") + what + " \"" + text + "\" is not a number";
    return "";
}

std::string FixedText(double x, int decimals)
{
    std::ostringstream text;
    text << std::fixed << std::setprecision(decimals) << x;
    return text.str();
}

std::string Pluralised(int32_t n, const char* one) { return std::to_string(n) + " " + one + (n == 1 ? "" : "s"); }

} // namespace

CsPanel::CsPanel()
{
    shown_.error = "none yet";
    DistributionChart.Bottom.Title = "s (S)";
    DistributionChart.Left.Title = "c(s) (signal/S)";
    DistributionChart.Series = { CsLine("c(s)", Colours::Blue, 2), CsLine("peaks", Colours::Red, 1) };
    DistributionChart.Series[1].Kind = SeriesKind::Bars; // a line at each peak's s, labelled
    DistributionChart.Series[1].ShowMarks = true;
    DistributionChart.Series[1].InLegend = false;
    DistributionChart.EmptyText = std::string("c(s): press \"") + FitCaption + "\"";
    FitChart.Bottom.Title = "radius (cm)";
    FitChart.Left.Title = "signal";
    FitChart.EmptyText = "The fit over the raw scans";
    ResidualChart.Bottom.Title = "radius (cm)";
    ResidualChart.Left.Title = "residual"; // data - fit
    ResidualChart.Series = { CsLine("zero", Colours::Silver, 1) };
    ResidualChart.Series[0].InLegend = false;
    ResidualChart.EmptyText = "Residuals of the scans drawn above";
    TableHeader = { "s (S)", "s20,w (S)", "fraction (%)", "M (kDa)" };
    LabelStatus = DistributionChart.EmptyText;
}

CsPanel::~CsPanel() { Cancel(); }

std::string CsPanel::OptionsFromControls(const SolventConditions& solvent, CsOptions& o) const
{
    o = CsOptions();
    o.solvent = solvent;
    o.solvent.TemperatureC = -1; // the scans'
    double x = 0;
    for (const auto& [text, what, field] :
        { std::tuple { &EditSMin, "lowest s", &o.sMin }, std::tuple { &EditSMax, "highest s", &o.sMax } }) {
        if (text->empty())
            continue; // from the data
        if (std::string why = ReadNumber(*text, what, x); !why.empty() || !(x > 0))
            return why.empty() ? std::string("the ") + what + " must be a positive number of S" : why;
        *field = x;
    }
    if (std::string why = ReadNumber(EditResolution, "resolution", x); !why.empty())
        return why;
    if (x != std::round(x) || x < 10 || x > 1000)
        return "the resolution must be a whole number of grid points from 10 to 1000";
    o.resolution = static_cast<int32_t>(x);
    if (!CheckBoxFitRatio) {
        if (std::string why = ReadNumber(EditRatio, "f/f0", o.frictionalRatio); !why.empty())
            return why;
    }
    if (std::string why = ReadNumber(EditConfidence, "confidence level", o.confidence); !why.empty())
        return why;
    for (const auto& [text, what, field] : { std::tuple { &EditRMin, "lowest radius", &o.radiusLowCm },
             std::tuple { &EditRMax, "highest radius", &o.radiusHighCm } }) {
        if (text->empty())
            continue; // the default radii
        if (std::string why = ReadNumber(*text, what, x); !why.empty() || !(x > 0))
            return why.empty() ? std::string("the ") + what + " must be a positive number of cm" : why;
        *field = x;
    }
    o.meniscusRangeCm = CheckBoxFitMeniscus ? morvane::cs::MeniscusFitRangeCm : 0;
    o.noise.timeInvariant = CheckBoxTimeInvariant; // with the channel's own terms at the start of the fit
    return CsOptionsRefusal(o);
}

std::string CsPanel::Start(const RealTimeGofS& engine, const CsOptions& options)
{
    Cancel();
    options_ = options;
    fitter_.reset();
    if (std::string why = Launch(engine, false); !why.empty()) {
        Failed = true;
        LabelStatus = "No c(s): " + why;
        return why;
    }
    following_ = true;
    return "";
}

std::string CsPanel::Launch(const RealTimeGofS& engine, bool update)
{
    auto job = std::make_unique<Job>();
    options_.meniscusCm = engine.Cell.Meniscus;
    options_.bottomCm = engine.Cell.Bottom;
    const bool timeInvariant = options_.noise.timeInvariant; // asked for, or the channel's from before
    options_.noise = DefaultNoise(engine);
    options_.noise.timeInvariant = options_.noise.timeInvariant || timeInvariant;
    options_.cancel = &cancel_;
    if (std::string why = ChannelData(engine, options_, job->data, job->notes); !why.empty())
        return why;
    if (!update || !fitter_)
        fitter_ = std::make_unique<CsFitter>(options_);
    job->search = !update || SearchAgain(*fitter_, job->data.values.size());
    job->fitter = std::move(fitter_);
    fittingScans_ = static_cast<int32_t>(job->data.values.size());
    job_ = std::move(job);
    pending_ = false;
    worker_ = std::thread([j = job_.get()] {
        try {
            j->result = j->search ? j->fitter->Fit(j->data) : j->fitter->Update(j->data);
            j->curves = j->fitter->Curves(j->result);
        } catch (const std::exception& e) {
            j->result = CsResult();
            j->result.error = std::string("the fit failed: ") + e.what();
        }
        j->done.store(true, std::memory_order_release);
    });
    ShowStatus();
    return "";
}

void CsPanel::ScansAdded(const RealTimeGofS& engine)
{
    if (!following_)
        return;
    if (Fitting()) {
        pending_ = true;
        return;
    }
    if (std::string why = Launch(engine, true); !why.empty()) {
        LabelStatus = "No c(s): " + why;
        Failed = true;
    }
}

void CsPanel::DataReplaced(const RealTimeGofS& engine, const std::string& why)
{
    if (!following_)
        return;
    Cancel();
    fitter_.reset();
    if (shown_.error.empty())
        shownStale_ = why;
    if (std::string refusal = Launch(engine, false); !refusal.empty()) {
        LabelStatus = "No c(s): " + refusal;
        Failed = true;
    }
}

bool CsPanel::Poll(const RealTimeGofS* engine)
{
    if (!job_ || !job_->done.load(std::memory_order_acquire))
        return false;
    if (worker_.joinable())
        worker_.join();
    std::unique_ptr<Job> job = std::move(job_);
    fitter_ = std::move(job->fitter);
    if (job->result.error.empty()) {
        job->result.notes.insert(job->result.notes.begin(), job->notes.begin(), job->notes.end());
        Show(*job);
    } else {
        Failed = true;
        fitter_.reset();
    }
    ShowStatus();
    if (Failed)
        LabelStatus = "No c(s) of " + Pluralised(fittingScans_, "scan") + ": " + job->result.error
            + (shown_.error.empty() ? "; the distribution shown is of " + Pluralised(shown_.scansUsed, "scan") : "");
    if (pending_ && engine) {
        if (std::string why = Launch(*engine, true); !why.empty()) {
            LabelStatus = "No c(s): " + why;
            Failed = true;
        }
    }
    return true;
}

void CsPanel::Cancel()
{
    if (!job_)
        return;
    cancel_ = true;
    if (worker_.joinable())
        worker_.join();
    cancel_ = false;
    job_.reset();
    fitter_.reset(); // a cancelled fit keeps nothing to build on
    pending_ = false;
    ShowStatus();
}

void CsPanel::Wait()
{
    if (worker_.joinable())
        worker_.join();
}

void CsPanel::ShowStatus()
{
    std::string text;
    if (shown_.error.empty()) {
        text = "c(s) of " + Pluralised(shown_.scansUsed, "scan");
        if (!shownStale_.empty())
            text += " (" + shownStale_ + ")";
    }
    if (Fitting())
        text += (text.empty() ? "fitting " + Pluralised(fittingScans_, "scan")
                              : "; fitting " + std::to_string(fittingScans_))
            + "…";
    if (text.empty())
        text = DistributionChart.EmptyText;
    LabelStatus = text;
}

void CsPanel::Show(const Job& job)
{
    const CsResult& r = job.result;
    shown_ = r;
    shownOptions_ = options_;
    shownStale_.clear();
    Failed = false;
    const double s20w = S20wFactor(r.solvent);

    ChartModel& d = DistributionChart;
    d.Bottom.Title
        = "s (S) at " + ThreeDigits(r.temperatureC) + " °C in the solvent; s20,w = " + FixedText(s20w, 3) + " × s";
    d.Left.Title = "c(s) (" + Unit + "/S)";
    d.ClearSeriesFrom(0);
    for (size_t k = 0; k < r.s.size(); ++k)
        d.Series[0].Add(r.s[k], r.distribution[k]);
    TableRows.clear();
    const double step = r.s.size() > 1 ? r.s[1] - r.s[0] : 1;
    for (const CsPeak& p : r.peaks) {
        // The mark sits on the curve at the grid point nearest the peak's s.
        const auto k = static_cast<size_t>(
            std::clamp(std::lround((p.s - r.s.front()) / step), 0L, static_cast<long>(r.s.size()) - 1));
        d.Series[1].Add(p.s, r.distribution[k],
            ThreeDigits(p.s) + " S (s20,w " + ThreeDigits(p.s20w) + "), " + ThreeDigits(100 * p.fraction) + " %");
        TableRows.push_back(
            { ThreeDigits(p.s), ThreeDigits(p.s20w), ThreeDigits(100 * p.fraction), ThreeDigits(p.molarMass / 1000) });
    }
    d.Series[0].Active = d.Series[1].Active = true;
    // The peak table lists every peak, also those past the axis' end.
    d.Bottom.Automatic = false;
    d.Bottom.Minimum = 0;
    d.Bottom.Maximum = ChartEndS(r.s, r.amount);
    d.Repaint();

    // The drawn scans: data as points (about 150 of each), the fit as a black line.
    FitChart.Left.Title = "signal (" + Unit + ")";
    FitChart.Series.clear();
    ResidualChart.Series.resize(1);
    ResidualChart.Series[0].Clear();
    const std::vector<double>& radii = job.data.radii;
    const size_t thin = std::max<size_t>(1, radii.size() / 150);
    ResidualChart.Series[0].Add(radii.front(), 0);
    ResidualChart.Series[0].Add(radii.back(), 0);
    ResidualChart.Series[0].Active = true;
    for (size_t c = 0; c < job.curves.scans.size(); ++c) {
        const size_t j = job.curves.scans[c];
        const ChartColour colour = Colours::Cycle[1 + c % (Colours::Cycle.size() - 2)];
        ChartSeries data = CsLine("", colour, 1), fit = CsLine("", Colours::Black, 1), residual = CsLine("", colour, 1);
        data.Kind = SeriesKind::Points;
        data.Title = "scan " + std::to_string(j + 1);
        data.InLegend = fit.InLegend = residual.InLegend = false;
        for (size_t i = 0; i < radii.size(); ++i) {
            const double y = job.data.values[j][i], m = job.curves.model[c][i];
            if (i % thin == 0)
                data.Add(radii[i], y);
            fit.Add(radii[i], m);
            residual.Add(radii[i], y - m);
        }
        fit.Title = "fit of scan " + std::to_string(j + 1);
        fit.InFront = true;
        residual.Title = "residual of scan " + std::to_string(j + 1);
        FitChart.Series.push_back(std::move(data));
        FitChart.Series.push_back(std::move(fit));
        ResidualChart.Series.push_back(std::move(residual));
    }
    FitChart.Repaint();
    ResidualChart.Left.Title = "residual (" + Unit + ")";
    ResidualChart.Repaint();

    const CsOptions& o = options_;
    LabelFit = "f/f0 " + ThreeDigits(r.frictionalRatio)
        + (r.ratioFitted ? " (fitted on " + Pluralised(r.ratioScans, "scan") + ")" : " (given)") + ", rms residual "
        + ThreeDigits(r.rmsResidual) + " " + Unit + "; " + Pluralised(r.scansUsed, "scan") + ", radii "
        + FloatToStr(r.radiusLow) + " to " + FloatToStr(r.radiusHigh) + " cm (" + std::to_string(r.radii)
        + " points); meniscus "
        + (r.meniscusFitted ? FixedText(r.meniscusCm, 4) + " cm (fitted)" : FloatToStr(r.meniscusCm) + " cm")
        + ", bottom " + FloatToStr(r.bottomCm) + " cm; s " + ThreeDigits(r.s.front()) + " to " + ThreeDigits(r.s.back())
        + " S in " + std::to_string(r.s.size()) + " points, confidence " + FloatToStr(o.confidence)
        + "; noise: " + NoiseTermsText(o.noise) + "; v̄ " + FloatToStr(r.solvent.Vbar) + " ml/g, density "
        + FloatToStr(r.solvent.Density) + " g/ml, viscosity " + FloatToStr(r.solvent.ViscosityCp) + " cP, "
        + ThreeDigits(r.temperatureC) + " °C";
    LabelNotes.clear();
    for (const std::string& note : r.notes)
        LabelNotes += (LabelNotes.empty() ? "Note: " : "; ") + note;
}

} // namespace morvane
