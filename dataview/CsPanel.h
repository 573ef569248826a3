#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "chart/ChartModel.h"
#include "cs/CsFit.h"
#include "realtime/RealTimeGofS.h"

namespace morvane {

// The c(s) tab of a data view: the distribution fitted to the channel's raw scans (cs/CsFit.h),
// the fit over a few scans, their residuals, the peak table and the parameters. The fit runs on a
// thread of its own: the window thread copies the scans, starts it, and later takes the result in
// (Poll), so the previous distribution stays on screen until the new one is ready. Once "Fit
// c(s)" was pressed the tab follows the run: new scans are added to the kept Lamm solutions (an
// update of a fraction of a second); a reload or moved positions cancel the running fit and start
// a fresh one. Plain C++: a widget binds the fields and calls Poll from a timer.
class CsPanel {
public:
    static constexpr const char* TabCaption = "c(s)";
    static constexpr const char* FitCaption = "Fit c(s)";

    CsPanel();
    // Cancels a running fit and waits for its thread.
    ~CsPanel();
    CsPanel(const CsPanel&) = delete;
    CsPanel& operator=(const CsPanel&) = delete;

    // Controls, as typed. Empty s limits: from the data.
    std::string EditSMin, EditSMax;
    std::string EditResolution = "150";
    bool CheckBoxFitRatio = true; // f/f0 fitted; otherwise EditRatio
    std::string EditRatio = "1.2";
    std::string EditConfidence = "0.68";
    std::string EditRMin, EditRMax; // cm; empty: the default radii
    bool CheckBoxFitMeniscus = false; // within MeniscusFitRangeCm of the view's meniscus
    bool CheckBoxTimeInvariant = false; // also where the channel does not call for it

    ChartModel DistributionChart; // 0 c(s), 1 the peaks (marks: s, s20,w, share)
    ChartModel FitChart; // per drawn scan: its data (points), then its fitted curve (line)
    ChartModel ResidualChart; // 0 zero line, then data - fit of each drawn scan
    std::vector<std::string> TableHeader;
    std::vector<std::vector<std::string>> TableRows; // one per peak, by s
    std::string LabelStatus; // "c(s) of 57 scans; fitting 60…"
    std::string LabelFit; // f/f0, rms, radii, positions, grid, solvent of the shown result
    std::string LabelNotes; // why a value may not be right
    bool Failed = false; // the last fit gave no result (LabelStatus says why)
    std::string Unit = "signal"; // of the channel's values: "OD", "fringes", "counts"

    // The options of the controls with `solvent` (the view's v̄, density, viscosity); "" or what
    // is wrong with them.
    std::string OptionsFromControls(const SolventConditions& solvent, morvane::cs::CsOptions& options) const;
    // "Fit c(s)": a fresh fit of the engine's channel with `options` (meniscus, bottom and noise
    // terms from the engine), a running one cancelled; from now on the panel follows the run.
    // "" or why no fit could start (the shown result stays).
    std::string Start(const RealTimeGofS& engine, const morvane::cs::CsOptions& options);
    // Scans were appended to the engine's channel: an update, at once when no fit runs, else
    // when the running one is taken in. Nothing before the first Start.
    void ScansAdded(const RealTimeGofS& engine);
    // The scans or positions were replaced (a reload, a moved meniscus): the running fit is
    // cancelled and a fresh one started. Nothing before the first Start.
    void DataReplaced(const RealTimeGofS& engine, const std::string& why);
    // On the window thread: takes a finished fit into the charts and starts the pending one (with
    // the engine's scans; null: none is started). True when the fields changed.
    bool Poll(const RealTimeGofS* engine);
    // Cancels a running fit and waits for its thread; nothing pending, the shown result stays.
    void Cancel();
    // Waits for the running fit to end (tests, the report); Poll then takes it in.
    void Wait();

    bool Fitting() const { return job_ != nullptr; }
    bool Following() const { return following_; }
    // The result shown (error set: none yet) and the options it was fitted with.
    const morvane::cs::CsResult& Result() const { return shown_; }
    const morvane::cs::CsOptions& ResultOptions() const { return shownOptions_; }

private:
    struct Job;
    // Starts a fit of the engine's scans; `update`: on the kept solutions where they fit.
    std::string Launch(const RealTimeGofS& engine, bool update);
    void Show(const Job& job);
    void ShowStatus();

    std::unique_ptr<Job> job_; // the running fit's, taken in by Poll
    std::thread worker_;
    std::atomic<bool> cancel_ { false };
    std::unique_ptr<morvane::cs::CsFitter> fitter_; // between fits: the kept solutions
    morvane::cs::CsOptions options_; // those of the fits that follow the run
    morvane::cs::CsResult shown_;
    morvane::cs::CsOptions shownOptions_;
    std::string shownStale_; // why the shown result no longer fits the channel ("" while it does)
    bool following_ = false;
    bool pending_ = false; // scans arrived during the running fit
    int32_t fittingScans_ = 0;
};

} // namespace morvane
