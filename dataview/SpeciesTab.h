#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chart/ChartModel.h"
#include "dataview/ExtrapolationTab.h"
#include "dataview/SpeciesFitWorker.h"
#include "dataview/ViewContext.h"
#include "settings/SpeciesSettings.h"
#include "species/RunConvergence.h"
#include "species/SpeciesTypes.h"
#include "windows/Controls.h"

namespace morvane {

// "Fit species" fits 1 to 3 species to the curve of the tab it is pressed on: the newest g(s*)
// set on the corrected tab (its own model of the engine's arithmetic, or Gaussians), the
// extrapolated curve on the extrapolation tab (Gaussians without a time: no D or M). The fitted
// curve and each species' curve are drawn over the data, the residuals in a chart of their own.
// The convergence measure of the run is computed after every refresh (without species fits:
// a millisecond, where fits would take a second per fifty sets); the fit itself is repeated
// after a refresh only when CheckBoxRefitEachRefresh is set.
class SpeciesTab {
public:
    enum class SpeciesSource { Corrected, Extrapolated };
    static constexpr const char* FitSpeciesCaption = "Fit species";
    static constexpr const char* SpeciesModelItems[2] = { "Lamm boundaries", "Gaussian" };
    static constexpr int32_t SpeciesOverlayFirst[2] = { 2, 4 }; // dcdtChart, ChartSExtrapolation
    // What one curve's fit shows.
    struct SpeciesPanel {
        SpeciesFitResult Result; // Failed with an empty Message: nothing fitted yet
        SpeciesFitOptions Options; // those Result was fitted with
        std::vector<std::string> TableHeader;
        std::vector<std::vector<std::string>> TableRows; // one per species, by increasing s
        std::string LabelSpeciesFit; // what was fitted and how the fit went, or why it failed
        std::string LabelSpeciesNotes; // what the data do not determine; that the chart moved on
        bool Failed = false;
        ChartModel ResidualChart; // 0 the zero line, 1 data - fit
        // The corrected set the fit was made of, and the time of its newest scan then: a refresh
        // that changes either leaves the fit behind the chart.
        int32_t FittedSet = -1;
        double FittedSetTime = 0;
        // "Fitting 2 species..." while a fit runs off the window thread, "Fit cancelled" after
        // one was cancelled (the panel still shows the fit before it); empty otherwise.
        std::string FitState;
    };
    SpeciesSettings SpeciesDefaults; // the main window's, at launch
    UpDownControl UpDownSpecies { 1, 3, 1 };
    int32_t ComboSpeciesModel = 0; // index into SpeciesModelItems
    std::string EditVbar; // ml/g
    std::string EditSolventDensity; // g/ml
    std::string EditSolventViscosity; // cP
    bool CheckBoxRefitEachRefresh = false;
    SpeciesPanel CorrectedSpecies;
    SpeciesPanel ExtrapolatedSpecies;
    ChartModel ConvergenceChart; // 0 peak drift, 1 shape change (percent), 2 and 3 their limits
    std::string LabelConvergence; // the verdict: "stable for 25 min: peak 4.39 S ± 0.3 %, ..."
    bool ConvergenceStable = false;
    int32_t ConvergenceFitsMade() const { return convergenceFits_.FitsMade(); } // on this thread

    // The solvent and thresholds of the settings, into the edits and the convergence measure.
    void UseSpeciesSettings(const SpeciesSettings& settings);
    SpeciesPanel& PanelOf(SpeciesSource source)
    {
        return source == SpeciesSource::Corrected ? CorrectedSpecies : ExtrapolatedSpecies;
    }
    const SpeciesPanel& PanelOf(SpeciesSource source) const
    {
        return source == SpeciesSource::Corrected ? CorrectedSpecies : ExtrapolatedSpecies;
    }
    // Fits the curve of `source` with the panel's choices; a refused choice is told in a message.
    void ButtonFitSpeciesClick(SpeciesSource source);
    // The same fit off the window's thread: what it needs is copied now, and the window asks
    // PollSpeciesFit (from a timer) until it has shown the result. Refused choices, and a curve
    // that cannot be fitted, are shown at once as ButtonFitSpeciesClick shows them; false then, or
    // while another fit runs (one at a time).
    bool StartSpeciesFit(SpeciesSource source);
    bool SpeciesFitRunning() const { return speciesFit_ != nullptr; }
    SpeciesSource RunningSpeciesFitSource() const { return speciesFitSource_; }
    // Stops the running fit: its panel keeps the fit before it and says "Fit cancelled".
    void CancelSpeciesFit();
    // True once the running fit has ended and its panel shows the result (or the cancel).
    bool PollSpeciesFit();
    // Waits for the running fit and shows it (a screenshot, a test).
    void FinishSpeciesFit();
    // After the corrected chart was redrawn: the convergence measure, and the corrected fit
    // repeated on the newest set in the background (CheckBoxRefitEachRefresh; the window polls it
    // as it polls a fit it started) or marked as older than the chart.
    void ShowSpeciesAndConvergence();
    // Whether the corrected fit is of the newest g(s*) set as the engine holds it now; a refresh
    // that changes that set or adds one leaves the fit behind.
    bool CorrectedFitIsOfNewestSet() const;
    // The options of the panel's controls; empty, or what is wrong with them.
    std::string SpeciesOptionsFromControls(SpeciesFitOptions& options) const;
    // The fits the convergence verdict has made so far (a report reuses them).
    ConvergenceFitCache& ConvergenceFits() { return convergenceFits_; }
    // The window closes: a running fit is cancelled and its thread ended.
    void StopFit() { speciesFit_.reset(); }

    // The corrected tab's chart and the extrapolation tab, whose curves are fitted and drawn over.
    SpeciesTab(ViewContext& view, ChartModel& correctedChart, ExtrapolationTab& extrapolation);

private:
    const RealTimeGofS* Engine() const { return view_.CurrentEngine(); }
    // The job of a fit of `source`; empty, or why there is nothing to fit.
    std::string SpeciesJobOf(SpeciesSource source, const SpeciesFitOptions& options, SpeciesFitJob& job) const;
    SpeciesFitResult FitSpeciesOf(SpeciesSource source, const SpeciesFitOptions& options, double& setTime) const;
    // setTime: of the corrected set fitted, when the job was made.
    void ShowSpeciesFit(SpeciesSource source, const SpeciesFitResult& result, double setTime);
    // The worker's result into its panel, or the cancel; the worker is gone after.
    void EndSpeciesFit();
    void StartRefit(); // of the newest corrected set, in the background, unless a fit runs
    void GreyOutdatedFit(); // the corrected fit drawn greyed while it is not of the newest set
    void ShowConvergence();

    ViewContext& view_;
    ChartModel& correctedChart_;
    ExtrapolationTab& extrapolation_;
    std::unique_ptr<SpeciesFitWorker> speciesFit_;
    SpeciesSource speciesFitSource_ = SpeciesSource::Corrected;
    ConvergenceThresholds convergenceThresholds_;
    ConvergenceFitCache convergenceFits_; // a refresh fits only the sets that are new
};

} // namespace morvane
