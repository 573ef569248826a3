// "Find meniscus" and "Accept" on the raw-data tab of a simulated run.
#include <gtest/gtest.h>
#include <string>

#include "DataViewFixture.h"
#include "analysis/NumberText.h"
#include "simulator/RunWriter.h"
#include "simulator/SimulatedRun.h"
#include "testutil/ScriptedHost.h"

using namespace morvane;

using namespace dataviewtest;
using testutil::TempDir;

namespace {

void WriteSimulatedRun(const std::string& dir, bool artefact)
{
    SimRun run;
    run.species = { SimSpecies() };
    run.cells = { SimCell() };
    run.scans = 5;
    run.meniscusCm = 6.0;
    run.meniscusArtefact = artefact;
    RunSimulator simulator(run);
    ASSERT_EQ(WriteRunFiles(simulator, dir, nullptr, nullptr), "");
}

} // namespace

TEST_F(SedDataView, FindMeniscusProposesAMarkerThatAcceptTakes)
{
    TempDir dir;
    WriteSimulatedRun(dir.path(), true);
    testutil::ScriptedHost host;
    TSedDataView view(&host);
    Launch(view, dir.path());
    ASSERT_DOUBLE_EQ(view.Engine->Cell.Meniscus, 5.9);
    const int32_t setsBefore = view.Engine->GofsStore->GetNumberOfSets();

    view.Raw.ButtonFindMeniscusClick();
    ASSERT_TRUE(view.Raw.ProposedMeniscus.has_value()) << view.Raw.EditMeniscusProposal;
    const double proposed = *view.Raw.ProposedMeniscus;
    EXPECT_NEAR(proposed, 6.0, 0.005);
    EXPECT_EQ(
        view.Raw.EditMeniscusProposal.rfind("meniscus found at " + FloatToStr(proposed) + " cm (a spike of ", 0), 0u)
        << view.Raw.EditMeniscusProposal;
    EXPECT_TRUE(view.Raw.ButtonAcceptMeniscusEnabled);
    EXPECT_DOUBLE_EQ(view.Engine->Cell.Meniscus, 5.9) << "only proposed";
    const ChartSeries& bars = view.Raw.Chart1.Series[0];
    ASSERT_EQ(bars.Points.size(), 2u);
    EXPECT_DOUBLE_EQ(bars.Points[1].X, proposed);
    EXPECT_EQ(bars.Points[1].Label, FloatToStr(proposed) + "?");

    view.Raw.ButtonAcceptMeniscusClick();
    EXPECT_DOUBLE_EQ(view.Engine->Cell.Meniscus, proposed);
    EXPECT_EQ(view.Raw.EditMeniscus, FloatToStr(proposed));
    EXPECT_EQ(view.Raw.EditPositionWarning, "");
    EXPECT_FALSE(view.Raw.ProposedMeniscus.has_value());
    EXPECT_FALSE(view.Raw.ButtonAcceptMeniscusEnabled);
    ASSERT_EQ(view.Raw.Chart1.Series[0].Points.size(), 1u);
    EXPECT_DOUBLE_EQ(view.Raw.Chart1.Series[0].Points[0].X, proposed);
    EXPECT_EQ(view.Engine->GofsStore->GetNumberOfSets(), setsBefore) << "the stages were rebuilt";
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(SedDataView, FindMeniscusSaysWhyWhenThereIsNoneAndAcceptKeepsItsCheck)
{
    TempDir dir;
    WriteSimulatedRun(dir.path(), false);
    testutil::ScriptedHost host;
    TSedDataView view(&host);
    Launch(view, dir.path());
    view.Raw.ButtonFindMeniscusClick();
    EXPECT_EQ(view.Raw.EditMeniscusProposal,
        "no meniscus found: no spike or step stands out of the noise in the first 5 scans (none reaches 8 noise SDs "
        "and stays put: the edge that does moves from scan to scan, as boundaries do)");
    EXPECT_FALSE(view.Raw.ButtonAcceptMeniscusEnabled);
    view.Raw.ButtonAcceptMeniscusClick();
    EXPECT_DOUBLE_EQ(view.Engine->Cell.Meniscus, 5.9);
    EXPECT_EQ(view.Raw.Chart1.Series[0].Points.size(), 1u);

    // A proposal past the bottom (moved since) is refused as a click there would be.
    view.Raw.ProposedMeniscus = 7.3;
    view.Raw.ButtonAcceptMeniscusEnabled = true;
    view.Raw.ButtonAcceptMeniscusClick();
    EXPECT_DOUBLE_EQ(view.Engine->Cell.Meniscus, 5.9);
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].rfind("The meniscus must lie before the cell bottom", 0), 0u);
}
