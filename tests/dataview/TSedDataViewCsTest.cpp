// The c(s) tab: the fit runs in the background, the previous distribution stays until the new one
// is taken in, scans that arrive update the kept Lamm solutions, and moved positions or a closed
// window cancel the running fit.
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "DataViewFixture.h"
#include "analysis/NumberText.h"
#include "simulator/RunWriter.h"
#include "simulator/SimulatedRun.h"

using namespace morvane;

using namespace dataviewtest;
using testutil::TempDir;

namespace {

// The demo run's interference cell alone: 10 scans 10 minutes apart on a coarse radial grid.
struct CsStagedRun {
    TempDir staging;
    std::vector<std::string> names;
    CsStagedRun()
    {
        SimRun run = DemoRun();
        run.cells.erase(run.cells.begin());
        run.scans = 10;
        run.intervalSeconds = 600;
        run.stepCm = 0.004;
        EXPECT_EQ(WriteRun(run, staging.path(), FileTimes::Copied), "");
        for (const auto& entry : std::filesystem::directory_iterator(staging.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
    }
};

const CsStagedRun& Staged()
{
    static const CsStagedRun run;
    return run;
}

// A grid and f/f0 the tests can afford: 40 points from 1 to 12 S, f/f0 given.
void CheapChoices(CsPanel& cs)
{
    cs.EditSMin = "1";
    cs.EditSMax = "12";
    cs.EditResolution = "40";
    cs.CheckBoxFitRatio = false;
    cs.EditRatio = "1.3";
}

} // namespace

TEST_F(SedDataView, CsFollowsTheRunKeepingThePreviousDistributionUntilTheNewOneIsReady)
{
    const CsStagedRun& run = Staged();
    ASSERT_EQ(run.names.size(), 10u);
    TempDir dir;
    Publish(run.staging, run.names, dir, 0, 8);
    TSedDataView view;
    Launch(view, dir.path(), "0*.IP2");
    ASSERT_TRUE(view.HasData);
    CsPanel& cs = view.Cs;
    CheapChoices(cs);
    EXPECT_FALSE(view.PollCs()) << "nothing runs before the button";

    view.ButtonFitCsClick();
    EXPECT_TRUE(cs.Fitting());
    EXPECT_EQ(cs.LabelStatus, "fitting 8 scans…");
    cs.Wait();
    ASSERT_TRUE(view.PollCs());
    ASSERT_EQ(cs.Result().error, "") << cs.LabelStatus;
    EXPECT_EQ(cs.LabelStatus, "c(s) of 8 scans");
    EXPECT_EQ(cs.Result().scansUsed, 8);
    ASSERT_FALSE(cs.TableRows.empty());
    EXPECT_EQ(cs.TableRows.size(), cs.Result().peaks.size());
    EXPECT_EQ(cs.DistributionChart.Series[0].Points.size(), 40u);
    // Every one of 8 scans drawn with its fit; the residuals are data less fit.
    ASSERT_EQ(cs.FitChart.Series.size(), 16u);
    ASSERT_EQ(cs.ResidualChart.Series.size(), 9u);
    const ChartSeries& fit = cs.FitChart.Series[1];
    const ChartSeries& residual = cs.ResidualChart.Series[1];
    ASSERT_EQ(fit.Points.size(), residual.Points.size());
    double worst = 0;
    for (const ChartPoint& p : residual.Points)
        worst = std::max(worst, std::fabs(p.Y));
    EXPECT_LT(worst, 0.1) << "the fit follows the scan to its noise and offsets (fringes)";
    const ChartSeries shown = cs.DistributionChart.Series[0];
    const int32_t evaluations = cs.Result().lammEvaluations;

    // A ninth scan: an update starts at once; until it is taken in the 8-scan result stays.
    Publish(run.staging, run.names, dir, 8, 9);
    view.Timer1Timer();
    ASSERT_TRUE(cs.Fitting());
    EXPECT_EQ(cs.LabelStatus, "c(s) of 8 scans; fitting 9…");
    EXPECT_EQ(cs.Result().scansUsed, 8);
    EXPECT_EQ(cs.DistributionChart.Series[0].Points.size(), shown.Points.size());
    EXPECT_EQ(cs.DistributionChart.Series[0].Points[20].Y, shown.Points[20].Y);
    // A tenth meanwhile waits for the running fit.
    Publish(run.staging, run.names, dir, 9, 10);
    view.Timer1Timer();
    cs.Wait();
    ASSERT_TRUE(view.PollCs());
    EXPECT_EQ(cs.Result().scansUsed, 9);
    EXPECT_EQ(cs.Result().lammEvaluations, evaluations) << "the kept solutions carried on";
    EXPECT_EQ(cs.LabelStatus, "c(s) of 9 scans; fitting 10…");
    cs.Wait();
    ASSERT_TRUE(view.PollCs());
    EXPECT_EQ(cs.LabelStatus, "c(s) of 10 scans");
    EXPECT_EQ(cs.Result().scansUsed, 10);

    // A moved meniscus cancels nothing here but starts afresh; the old result is marked meanwhile.
    view.Raw.EditPositionDone(TSedDataView::Position::Meniscus, FloatToStr(view.Engine->Cell.Meniscus - 0.005));
    ASSERT_TRUE(cs.Fitting());
    EXPECT_EQ(cs.LabelStatus, "c(s) of 10 scans (of the positions before); fitting 10…");
    cs.Wait();
    view.PollCs();
    EXPECT_DOUBLE_EQ(cs.Result().meniscusCm, view.Engine->Cell.Meniscus);
    EXPECT_EQ(cs.LabelStatus, "c(s) of 10 scans");
}

TEST_F(SedDataView, CsFitsThatCannotRunSayWhyAndAClosedViewLeavesNoThread)
{
    const CsStagedRun& run = Staged();
    TempDir dir;
    Publish(run.staging, run.names, dir, 0, 10);
    struct Said : SilentHost {
        std::vector<std::string> messages;
        void ShowMessage(const std::string& text) override { messages.push_back(text); }
    } said;
    auto view = std::make_unique<TSedDataView>(&said);
    Launch(*view, dir.path(), "0*.IP2");
    CheapChoices(view->Cs);
    view->Cs.EditResolution = "5";
    view->ButtonFitCsClick();
    view->Cs.EditResolution = "40";
    view->Species.EditVbar = "2";
    view->ButtonFitCsClick();
    ASSERT_EQ(said.messages.size(), 2u);
    EXPECT_NE(said.messages[0].find("Fit c(s): the resolution"), std::string::npos) << said.messages[0];
    EXPECT_NE(said.messages[1].find("float"), std::string::npos) << said.messages[1];
    EXPECT_FALSE(view->Cs.Fitting());

    // Closed while a fit of f/f0 runs: the fit is cancelled and its thread joined at once.
    view->Species.EditVbar = "0.73";
    view->Cs.CheckBoxFitRatio = true;
    view->ButtonFitCsClick();
    ASSERT_TRUE(view->Cs.Fitting());
    view->FormClose();
    EXPECT_FALSE(view->Cs.Fitting());
    EXPECT_FALSE(view->PollCs());
    view.reset();

    // Destroyed without closing, mid-fit: the same.
    auto other = std::make_unique<TSedDataView>();
    Launch(*other, dir.path(), "0*.IP2");
    other->ButtonFitCsClick();
    other.reset();
}
