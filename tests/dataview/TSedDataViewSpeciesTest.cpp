// Species and convergence in the data view, on the demo's simulated monomer-dimer run (4.4 and
// 6.8 S, 80/20): "Fit species" on the corrected and the extrapolated curve, what the charts and the
// table then hold, the refusals, and the convergence measure as the run is followed.
#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "DataViewFixture.h"
#include "provenance/SpeciesFitRecord.h"
#include "simulator/RunWriter.h"
#include "simulator/SimulatedRun.h"
#include "species/SpeciesFit.h"
#include "testutil/ScanFileWriter.h"
#include "testutil/ScriptedHost.h"

using namespace morvane;

using namespace dataviewtest;
using Source = TSedDataView::SpeciesSource;

namespace {

SimRun MixtureRun()
{
    SimRun run = DemoRun();
    run.cells.resize(1); // absorbance, cell 1
    return run;
}

// The finished run, written once for the test program.
const std::string& FinishedRun()
{
    static testutil::TempDir dir;
    static const bool written = [] {
        RunSimulator simulator(MixtureRun());
        const bool ok = WriteRunFiles(simulator, dir.path(), nullptr, nullptr).empty();
        // Long settled, so that a follower takes even the newest file at its first look.
        const auto past = std::chrono::file_clock::from_sys(
            std::chrono::system_clock::time_point(std::chrono::seconds(1577836800)));
        for (const auto& file : std::filesystem::directory_iterator(dir.path()))
            std::filesystem::last_write_time(file.path(), past);
        return ok;
    }();
    EXPECT_TRUE(written);
    return dir.path();
}

double ValueOf(const std::string& cell) { return std::stod(cell.substr(0, cell.find(' '))); }

} // namespace

TEST_F(SedDataView, FitsTwoSpeciesToTheNewestCorrectedSet)
{
    testutil::ScriptedHost host;
    TSedDataView view(&host);
    Launch(view, FinishedRun());
    view.Species.UpDownSpecies.SetPosition(2);
    view.Species.ButtonFitSpeciesClick(Source::Corrected);
    EXPECT_TRUE(host.Messages.empty());

    const TSedDataView::SpeciesPanel& panel = view.Species.CorrectedSpecies;
    const SpeciesFitResult& fit = panel.Result;
    ASSERT_EQ(fit.Status, FitStatus::Converged) << panel.LabelSpeciesFit;
    EXPECT_FALSE(panel.Failed);
    const int32_t newest = view.Engine->GofsStore->GetNumberOfSets() - 1;
    EXPECT_EQ(fit.Set, newest);
    EXPECT_EQ(panel.LabelSpeciesFit.rfind("Species fit of g(s*) set " + std::to_string(newest) + ": t ", 0), 0u)
        << panel.LabelSpeciesFit;
    EXPECT_NE(panel.LabelSpeciesFit.find("\nLamm boundaries model: converged after "), std::string::npos);
    EXPECT_NE(panel.LabelSpeciesFit.find("\nvbar 0.73 ml/g, solvent density 0.99823 g/ml, viscosity 1.002 cP"),
        std::string::npos);

    // The table: one row per species by increasing s, each value with its error.
    ASSERT_EQ(panel.TableHeader.size(), 9u);
    EXPECT_EQ(panel.TableHeader[2], "s (S)");
    EXPECT_EQ(panel.TableHeader[6], "f/f0");
    ASSERT_EQ(panel.TableRows.size(), 2u);
    const double want[2][3] = { { 4.4, 66, 80 }, { 6.8, 132, 20 } }; // s (S), M (kg/mol), share (%)
    for (size_t k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        const std::vector<std::string>& row = panel.TableRows[k];
        ASSERT_EQ(row.size(), 9u);
        EXPECT_EQ(row[0], std::to_string(k + 1));
        EXPECT_NE(row[2].find(" ± "), std::string::npos) << row[2];
        EXPECT_NEAR(ValueOf(row[2]) / want[k][0], 1, 0.02) << row[2];
        EXPECT_NEAR(ValueOf(row[5]) / want[k][1], 1, 0.2) << row[5];
        EXPECT_NEAR(ValueOf(row[6]), 1.34, 0.15) << row[6];
        EXPECT_NEAR(ValueOf(row[8]), want[k][2], 5) << row[8];
    }

    // Over the corrected curve: the fitted curve and each species'; the fourth overlay stays unused.
    const int32_t first = SpeciesTab::SpeciesOverlayFirst[0];
    ASSERT_GE(view.Results.dcdtChart.SeriesCount(), first + 4);
    const ChartSeries& fitted = view.Results.dcdtChart.Series[static_cast<size_t>(first)];
    EXPECT_TRUE(fitted.Active);
    EXPECT_EQ(fitted.Colour, Colours::Black);
    ASSERT_EQ(fitted.Points.size(), fit.SStar.size());
    EXPECT_DOUBLE_EQ(fitted.Points[7].X, fit.SStar[7]);
    EXPECT_DOUBLE_EQ(fitted.Points[7].Y, fit.Fitted[7]);
    for (size_t k = 0; k < 2; ++k) {
        const ChartSeries& one = view.Results.dcdtChart.Series[static_cast<size_t>(first) + 1 + k];
        EXPECT_TRUE(one.Active);
        EXPECT_EQ(one.Title.rfind("species " + std::to_string(k + 1) + ": s ", 0), 0u) << one.Title;
        EXPECT_DOUBLE_EQ(one.Points[7].Y, fit.Components[k][7]);
    }
    EXPECT_FALSE(view.Results.dcdtChart.Series[static_cast<size_t>(first) + 3].Active);
    EXPECT_TRUE(view.Results.dcdtChart.LegendVisible);
    EXPECT_TRUE(view.Results.dcdtChart.Series[1].Active) << "the data stay drawn";

    // The residual chart: data - fit at every fitted point, over the zero line.
    const ChartModel& residuals = panel.ResidualChart;
    ASSERT_EQ(residuals.Series[1].Points.size(), fit.SStar.size());
    double sum = 0;
    for (size_t i = 0; i < fit.SStar.size(); ++i) {
        const ChartPoint& p = residuals.Series[1].Points[i];
        EXPECT_DOUBLE_EQ(p.Y, fit.Data[i] - fit.Fitted[i]);
        sum += p.Y * p.Y;
    }
    EXPECT_NEAR(std::sqrt(sum / static_cast<double>(fit.SStar.size())), fit.RmsResidual, 1e-12);
    ASSERT_EQ(residuals.Series[0].Points.size(), 2u);
    EXPECT_EQ(residuals.Series[0].Points[1].Y, 0);

    // Save table: the command line's text, and its record with the fit's choices.
    testutil::TempDir out;
    host.SaveAnswers = { out / "t.txt" };
    view.ButtonSaveSpeciesTableClick();
    EXPECT_EQ(host.SaveRequests.back().FileName, "species-set" + std::to_string(newest) + " for BSA-demo RA1.txt");
    EXPECT_EQ(host.SaveRequests.back().Title, "Save species table");
    EXPECT_EQ(host.Messages, std::vector<std::string> { "Species table written to " + out / "t.txt" });
    EXPECT_EQ(testutil::ReadTextFile(out / "t.txt"), SpeciesFitFileText(fit));
    const std::string record = testutil::ReadTextFile(out / "t.txt.json");
    EXPECT_NE(record.find("\"kind\": \"species-fit\""), std::string::npos);
    EXPECT_NE(record.find("\"species\": 2"), std::string::npos);
    host.Messages.clear();

    // Another solvent changes M (through the buoyancy), not s.
    const SpeciesEstimate before = fit.Species[0]; // the panel's result is replaced by the next fit
    view.Species.EditVbar = "0.70";
    view.Species.ButtonFitSpeciesClick(Source::Corrected);
    ASSERT_EQ(view.Species.CorrectedSpecies.Result.Status, FitStatus::Converged);
    const SpeciesEstimate& monomer = view.Species.CorrectedSpecies.Result.Species[0];
    EXPECT_NEAR(monomer.S, before.S, 1e-9);
    EXPECT_NEAR(monomer.M / before.M, (1 - 0.73 * 0.99823) / (1 - 0.70 * 0.99823), 1e-6);
}

TEST_F(SedDataView, SpeciesChoicesThatCannotBeFittedAreRefused)
{
    testutil::ScriptedHost host;
    TSedDataView view(&host);
    Launch(view, FinishedRun());
    const struct {
        const char* name;
        int32_t species;
        const char* vbar;
        const char* density;
        std::string message;
    } cases[] = {
        { "no species", 0, "0.73", "0.99823", "Fit species: the number of species must be 1 to 3 (got 0)" },
        { "four species", 4, "0.73", "0.99823", "Fit species: the number of species must be 1 to 3 (got 4)" },
        { "vbar not a number", 1, "abc", "0.99823",
            "Fit species: the partial specific volume \"abc\" is not a positive number" },
        { "density of 0", 1, "0.73", "0", "Fit species: the solvent density \"0\" is not a positive number" },
        { "floating", 1, "0.9", "1.2",
            "Fit species: the partial specific volume times the solvent density must be below 1 (the particle "
            "would float)" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host.Messages.clear();
        view.Species.UpDownSpecies.Position = c.species; // as a control that let it through would set it
        view.Species.EditVbar = c.vbar;
        view.Species.EditSolventDensity = c.density;
        view.Species.ButtonFitSpeciesClick(Source::Corrected);
        EXPECT_EQ(host.Messages, std::vector<std::string> { c.message });
        EXPECT_TRUE(view.Species.CorrectedSpecies.LabelSpeciesFit.empty()) << "nothing was fitted";
        EXPECT_FALSE(view.Results.dcdtChart.LegendVisible);
    }
    EXPECT_TRUE(view.InputEnabled);
}

// The window fits off its thread: the same table as the fit on the calling thread; a cancelled fit
// leaves the fit before it in the panel and says so; the fitter itself stops at the flag.
TEST_F(SedDataView, AFitOffTheWindowThreadShowsTheSameAndACancelKeepsThePreviousFit)
{
    testutil::ScriptedHost host;
    TSedDataView view(&host);
    Launch(view, FinishedRun());
    view.Species.UpDownSpecies.SetPosition(2);
    // The verdict's fits with the new options are made on the fit's thread, none on this one.
    const int32_t fitsHere = view.Species.ConvergenceFitsMade();
    ASSERT_TRUE(view.Species.StartSpeciesFit(Source::Corrected));
    view.Species.FinishSpeciesFit();
    EXPECT_EQ(view.Species.ConvergenceFitsMade(), fitsHere);
    EXPECT_NE(view.Species.LabelConvergence.find(", species s "), std::string::npos) << view.Species.LabelConvergence;
    const std::string verdict = view.Species.LabelConvergence;
    view.Species.ButtonFitSpeciesClick(Source::Corrected);
    EXPECT_EQ(view.Species.LabelConvergence, verdict);
    const TSedDataView::SpeciesPanel shown = view.Species.CorrectedSpecies;
    ASSERT_FALSE(shown.Failed) << shown.LabelSpeciesFit;
    const auto overlay = static_cast<size_t>(SpeciesTab::SpeciesOverlayFirst[0]);
    auto ys = [&view] {
        std::vector<double> y;
        for (const ChartPoint& p : view.Results.dcdtChart.Series[overlay].Points)
            y.push_back(p.Y);
        return y;
    };
    const std::vector<double> drawn = ys();
    ASSERT_FALSE(drawn.empty());

    view.Species.CorrectedSpecies.TableRows.clear();
    view.Species.CorrectedSpecies.LabelSpeciesFit.clear();
    ASSERT_TRUE(view.Species.StartSpeciesFit(Source::Corrected));
    EXPECT_TRUE(view.Species.SpeciesFitRunning());
    EXPECT_EQ(view.Species.CorrectedSpecies.FitState, "Fitting 2 species...");
    EXPECT_FALSE(view.Species.StartSpeciesFit(Source::Extrapolated)) << "one fit at a time";
    view.Species.FinishSpeciesFit();
    EXPECT_FALSE(view.Species.SpeciesFitRunning());
    const TSedDataView::SpeciesPanel& panel = view.Species.CorrectedSpecies;
    EXPECT_EQ(panel.TableRows, shown.TableRows);
    EXPECT_EQ(panel.LabelSpeciesFit, shown.LabelSpeciesFit);
    EXPECT_EQ(panel.LabelSpeciesNotes, shown.LabelSpeciesNotes);
    EXPECT_EQ(panel.FittedSet, shown.FittedSet);
    EXPECT_EQ(panel.FittedSetTime, shown.FittedSetTime);
    EXPECT_TRUE(panel.FitState.empty());
    EXPECT_EQ(ys(), drawn);

    view.Species.UpDownSpecies.SetPosition(3);
    ASSERT_TRUE(view.Species.StartSpeciesFit(Source::Corrected));
    view.Species.CancelSpeciesFit();
    EXPECT_TRUE(view.Species.PollSpeciesFit());
    EXPECT_FALSE(view.Species.SpeciesFitRunning());
    EXPECT_EQ(panel.FitState, "Fit cancelled");
    EXPECT_EQ(panel.TableRows, shown.TableRows) << "the fit before stays";
    EXPECT_EQ(panel.LabelSpeciesFit, shown.LabelSpeciesFit);
    EXPECT_EQ(ys(), drawn);
    EXPECT_TRUE(host.Messages.empty());

    SpeciesFitOptions options;
    options.Species = 3;
    const std::atomic<bool> stop { true };
    const SpeciesFitResult stopped = RunSpeciesFit(PrepareSpeciesFit(*view.Engine, options), &stop);
    EXPECT_EQ(stopped.Status, FitStatus::Failed);
    EXPECT_EQ(stopped.Message, "Fit cancelled");
}

TEST_F(SedDataView, AFitThatCannotBeMadeSaysWhy)
{
    testutil::ScriptedHost host;
    TSedDataView empty(&host);
    empty.Species.ButtonFitSpeciesClick(Source::Corrected);
    EXPECT_EQ(empty.Species.CorrectedSpecies.LabelSpeciesFit, "Species fit failed: no g(s*) set has been computed yet");

    TSedDataView view(&host);
    Launch(view, FinishedRun());
    view.Species.ButtonFitSpeciesClick(Source::Extrapolated);
    const TSedDataView::SpeciesPanel& panel = view.Species.ExtrapolatedSpecies;
    const std::string why = "no extrapolated curve is drawn: press \"Refresh Extrapolation Needed\" first";
    EXPECT_TRUE(panel.Failed);
    EXPECT_EQ(panel.LabelSpeciesFit, "Species fit failed: " + why);
    EXPECT_TRUE(panel.TableRows.empty());
    EXPECT_EQ(panel.ResidualChart.EmptyText, "No fit: " + why);
    EXPECT_TRUE(panel.ResidualChart.ActiveSeries().empty());
    EXPECT_TRUE(host.Messages.empty()) << "a failed fit is said in the panel, not in a message box";

    // A fit that worked, then one that failed: the failure replaces the table and the overlay.
    view.Species.ButtonFitSpeciesClick(Source::Corrected);
    ASSERT_FALSE(view.Species.CorrectedSpecies.Failed);
    view.Engine->GofsStore->ClearSets();
    view.Species.ButtonFitSpeciesClick(Source::Corrected);
    EXPECT_EQ(view.Species.CorrectedSpecies.LabelSpeciesFit, "Species fit failed: no g(s*) set has been computed yet");
    EXPECT_TRUE(view.Species.CorrectedSpecies.TableRows.empty());
    EXPECT_FALSE(view.Results.dcdtChart.Series[static_cast<size_t>(SpeciesTab::SpeciesOverlayFirst[0])].Active);
    // Nothing to save: said, and no dialog.
    const size_t dialogs = host.SaveRequests.size();
    view.ButtonSaveSpeciesTableClick();
    EXPECT_EQ(host.Messages, std::vector<std::string> { "No species fit to save: press \"Fit species\" first." });
    EXPECT_EQ(host.SaveRequests.size(), dialogs);
}

TEST_F(SedDataView, FitsTheExtrapolatedCurveWithoutATime)
{
    testutil::ScriptedHost host;
    TSedDataView view(&host);
    Launch(view, FinishedRun());
    view.Extrapolation.ButtonRefreshExtrapolationClick();
    view.Species.UpDownSpecies.SetPosition(2);
    view.Species.ButtonFitSpeciesClick(Source::Extrapolated);
    const TSedDataView::SpeciesPanel& panel = view.Species.ExtrapolatedSpecies;
    ASSERT_FALSE(panel.Failed) << panel.LabelSpeciesFit;
    EXPECT_EQ(panel.Result.Model, SpeciesModel::Gaussian);
    EXPECT_EQ(panel.LabelSpeciesFit.rfind("Species fit of the curve extrapolated to infinite time (end set ", 0), 0u)
        << panel.LabelSpeciesFit;
    ASSERT_EQ(panel.TableRows.size(), 2u);
    EXPECT_NEAR(ValueOf(panel.TableRows[0][2]) / 4.4, 1, 0.03) << panel.TableRows[0][2];
    EXPECT_NEAR(ValueOf(panel.TableRows[1][2]) / 6.8, 1, 0.03) << panel.TableRows[1][2];
    EXPECT_EQ(panel.TableRows[0][4], "-") << "no D without a time";
    EXPECT_EQ(panel.TableRows[0][5], "-") << "nor M";
    EXPECT_EQ(panel.TableRows[0][6], "-") << "nor f/f0";
    const ChartSeries& fitted = view.Extrapolation.ChartSExtrapolation.Series[4];
    EXPECT_TRUE(fitted.Active);
    EXPECT_EQ(fitted.Points.size(), panel.Result.SStar.size());
    EXPECT_TRUE(view.Species.CorrectedSpecies.LabelSpeciesFit.empty()) << "each curve has its own panel";

    // A new extrapolation takes the old fit off its chart.
    view.Extrapolation.ButtonRefreshExtrapolationClick();
    EXPECT_FALSE(view.Extrapolation.ChartSExtrapolation.Series[4].Active);
}

// Followed scan by scan: the verdict and the chart of the measure after each refresh; a fit of an
// older set is greyed, or repeated on the newest set when asked.
TEST_F(SedDataView, ConvergenceAndTheFitFollowTheRun)
{
    testutil::ScriptedHost host;
    TSedDataView view(&host);
    testutil::TempDir dir;
    Launch(view, dir.path());
    EXPECT_EQ(view.Species.LabelConvergence, "");
    RunSimulator simulator(MixtureRun());
    std::vector<std::string> verdicts;
    int32_t scans = 0;
    int32_t greyedAt = -1;
    const std::string failure = WriteRunFiles(simulator, dir.path(), nullptr, [&](const SimScan&, const std::string&) {
        if (++scans % 6 != 0)
            return;
        view.Timer1Timer();
        verdicts.push_back(view.Species.LabelConvergence);
        if (scans == 30) {
            view.Species.ButtonFitSpeciesClick(Source::Corrected);
            EXPECT_FALSE(view.Species.CorrectedSpecies.Failed) << view.Species.CorrectedSpecies.LabelSpeciesFit;
            // From now on the verdict compares the fitted species' answer too.
            EXPECT_NE(view.Species.LabelConvergence.find(", species s "), std::string::npos)
                << view.Species.LabelConvergence;
        }
        if (scans == 36) {
            greyedAt = view.Species.CorrectedSpecies.Result.Set;
            EXPECT_EQ(view.Results.dcdtChart.Series[2].Colour, Colours::Silver);
            EXPECT_EQ(view.Results.dcdtChart.Series[2].Title, "fit of set " + std::to_string(greyedAt));
            EXPECT_NE(
                view.Species.CorrectedSpecies.LabelSpeciesNotes.find("press \"Fit species\" to fit the newest set"),
                std::string::npos);
            view.Species.CheckBoxRefitEachRefresh = true;
        }
    });
    ASSERT_EQ(failure, "");
    view.Timer1Timer();
    verdicts.push_back(view.Species.LabelConvergence);
    EXPECT_TRUE(view.Species.SpeciesFitRunning()) << "the refit runs off the window thread";
    view.Species.FinishSpeciesFit();

    EXPECT_GE(greyedAt, 0);
    const int32_t newest = view.Engine->GofsStore->GetNumberOfSets() - 1;
    EXPECT_EQ(view.Species.CorrectedSpecies.Result.Set, newest) << "refitted after each refresh once asked";
    EXPECT_EQ(view.Results.dcdtChart.Series[2].Colour, Colours::Black);

    EXPECT_EQ(verdicts.front().rfind("not yet: ", 0), 0u) << verdicts.front();
    EXPECT_NE(verdicts, std::vector<std::string>(verdicts.size(), verdicts.front())) << "the verdict follows the run";
    const std::string& last = verdicts.back();
    EXPECT_TRUE(last.rfind("stable for ", 0) == 0 || last.rfind("not yet: peak ", 0) == 0) << last;
    EXPECT_EQ(view.Species.ConvergenceStable, last.rfind("stable for ", 0) == 0);

    // The chart: both measures against minutes, ascending, and the limits as flat lines over them.
    const ChartModel& chart = view.Species.ConvergenceChart;
    const ChartSeries& drift = chart.Series[0];
    const ChartSeries& shape = chart.Series[1];
    ASSERT_GE(drift.Points.size(), 20u);
    EXPECT_EQ(shape.Points.size(), drift.Points.size());
    for (size_t i = 1; i < drift.Points.size(); ++i)
        EXPECT_GT(drift.Points[i].X, drift.Points[i - 1].X);
    const ChannelDataStore& smooth = *view.Engine->SmoothGofsStore;
    const double lastMinutes = smooth.Headers[static_cast<size_t>(smooth.GetNumberOfSets() - 1)].RecordedTime / 60;
    EXPECT_NEAR(drift.Points.back().X, lastMinutes, 1e-9);
    EXPECT_GT(shape.Points.front().Y, shape.Points.back().Y) << "the shape settles";
    for (size_t k = 2; k < 4; ++k) {
        const ChartSeries& limit = chart.Series[k];
        ASSERT_EQ(limit.Points.size(), 2u);
        EXPECT_EQ(limit.Points[0].Y, k == 2 ? 0.5 : 2.0);
        EXPECT_EQ(limit.Points[1].Y, limit.Points[0].Y);
        EXPECT_EQ(limit.Points[0].X, drift.Points.front().X);
        EXPECT_EQ(limit.Points[1].X, drift.Points.back().X);
    }
    EXPECT_TRUE(chart.Left.Logarithmic);
}

TEST_F(SedDataView, SpeciesSettingsReachTheEditsAndTheThresholds)
{
    TSedDataView view;
    SpeciesSettings s;
    s.Vbar = 0.72;
    s.SolventViscosity = 1.019;
    s.ConvergencePeakDriftPercent = 0.25;
    view.Species.UseSpeciesSettings(s);
    EXPECT_EQ(view.Species.EditVbar, "0.72");
    EXPECT_EQ(view.Species.EditSolventDensity, "0.99823");
    EXPECT_EQ(view.Species.EditSolventViscosity, "1.019");
    Launch(view, FinishedRun());
    ASSERT_EQ(view.Species.ConvergenceChart.Series[2].Points.size(), 2u);
    EXPECT_EQ(view.Species.ConvergenceChart.Series[2].Points[0].Y, 0.25);
}
