// The molecular-weight span: the weight the user may enter and what the check box recomputes.
#include <clocale>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

#include "DataViewFixture.h"
#include "analysis/NumberText.h"
#include "testutil/ScriptedHost.h"

using namespace morvane;

using namespace dataviewtest;
using testutil::ScriptedHost;
using testutil::TempDir;

namespace {

// The first and last dc/dt set of every averaged set: what the data span decides.
std::vector<std::pair<int, int>> Windows(const RealTimeGofS& e)
{
    std::vector<std::pair<int, int>> w;
    for (int k = 0; k < e.AvgDcdtStore->GetNumberOfSets(); ++k)
        w.emplace_back(e.AvgDcdtStore->Headers[static_cast<size_t>(k)].FirstScan,
            e.AvgDcdtStore->Headers[static_cast<size_t>(k)].LastScan);
    return w;
}

// The windows a freshly loaded channel has with the given rule.
std::vector<std::pair<int, int>> WindowsOf(const std::string& dir, bool byMW, double mw)
{
    ChannelFollower f;
    LaunchParameters launch = LaunchParameters::Defaults("0*.RA1");
    OpenChannel(f, dir, launch);
    f.Engine->Cell.WindowByMW = byMW;
    f.Engine->Cell.AssumedMW = mw;
    f.Engine->RefreshStages(false);
    return Windows(*f.Engine);
}

} // namespace

TEST_F(SedDataView, MolecularWeightInput)
{
    ScriptedHost host;
    TSedDataView view(&host);
    view.EditMWGuess = "150000";
    const struct {
        std::optional<std::string> typed;
        bool accepted;
        double mw;
        const char* field;
    } cases[] = {
        { "100", false, 0, "" },
        { "1000000", false, 0, "" },
        { "100.5", true, 100.5, "100.5" },
        { "999999", true, 999999, "999999" },
        { " 2.5e4 ", true, 25000, "25000" },
        { "abc", false, 0, "" },
        { "12a", false, 0, "" },
        { "", false, 0, "" },
        { "-5000", false, 0, "" },
    };
    // A refusal is said while the window takes input: a message box of a disabled window could not
    // be closed.
    host.MessageScript = [&view](const std::string&) { EXPECT_TRUE(view.InputEnabled); };
    for (const auto& c : cases) {
        SCOPED_TRACE(*c.typed);
        host.Messages.clear();
        host.InputAnswers = { c.typed };
        const double before = view.Engine->Cell.AssumedMW;
        const std::string field = view.EditMWGuess;
        view.EditMWGuessClick();
        if (c.accepted) {
            EXPECT_TRUE(host.Messages.empty());
            EXPECT_EQ(view.Engine->Cell.AssumedMW, c.mw);
            EXPECT_EQ(view.EditMWGuess, c.field);
        } else {
            EXPECT_EQ(host.Messages, (std::vector<std::string> { TSedDataView::MWInputError }));
            EXPECT_EQ(view.Engine->Cell.AssumedMW, before);
            EXPECT_EQ(view.EditMWGuess, field);
        }
    }
    ASSERT_FALSE(host.InputQueries.empty());
    EXPECT_EQ(host.InputQueries[0].first, "Input a molecular Weight in Daltons");
    EXPECT_EQ(host.InputQueries[0].second, "Weight in Daltons");

    // Cancelled: nothing changes, nothing is said.
    host.Messages.clear();
    host.InputAnswers = { std::nullopt };
    const std::string field = view.EditMWGuess;
    view.EditMWGuessClick();
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_EQ(view.EditMWGuess, field);
}

TEST_F(SedDataView, MolecularWeightUnderACommaLocale)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") || CurrentDecimalSeparator() != ",") {
        std::setlocale(LC_ALL, previous.c_str());
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed (scripts/setup generates it)";
    }
    ScriptedHost host;
    TSedDataView view(&host);
    host.InputAnswers = { std::string("66000,5"), std::string("70000.25"), std::string("1.000") };
    view.EditMWGuessClick();
    const double comma = view.Engine->Cell.AssumedMW;
    const std::string commaField = view.EditMWGuess;
    view.EditMWGuessClick();
    const double point = view.Engine->Cell.AssumedMW;
    view.EditMWGuessClick(); // digit grouping is not a number here: 1 would be too small anyway
    const std::vector<std::string> messages = host.Messages;
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(comma, 66000.5);
    EXPECT_EQ(commaField, "66000.5");
    EXPECT_EQ(point, 70000.25);
    EXPECT_EQ(messages, (std::vector<std::string> { TSedDataView::MWInputError }));
}

TEST_F(SedDataView, MolecularWeightCheckBoxRecomputes)
{
    TempDir dir;
    testutil::WriteRun(dir.path(), SmallRun(40));
    ScriptedHost host;
    TSedDataView view(&host);
    Launch(view, dir.path());
    const auto midCell = Windows(*view.Engine);
    const auto byMW = WindowsOf(dir.path(), true, 50000);
    ASSERT_NE(midCell, byMW) << "the run must tell the two rules apart";

    // A weight alone changes only the field.
    const uint64_t drawn = view.Results.dcdtChart.Changed;
    host.InputAnswers = { std::string("50000") };
    view.EditMWGuessClick();
    EXPECT_EQ(view.EditMWGuess, "50000");
    EXPECT_EQ(Windows(*view.Engine), midCell);
    EXPECT_EQ(view.Results.dcdtChart.Changed, drawn);

    // Checking the box recomputes with it and redraws; clearing it returns to the mid-cell rule.
    view.CheckBoxMWGuess = true;
    view.CheckBoxMWGuessClick();
    EXPECT_TRUE(view.Engine->Cell.WindowByMW);
    EXPECT_EQ(Windows(*view.Engine), byMW);
    EXPECT_NE(view.Results.dcdtChart.Changed, drawn);
    EXPECT_TRUE(view.InputEnabled);
    // With the box checked, a weight takes effect at once: what is shown is what the field says.
    host.InputAnswers = { std::string("120000") };
    view.EditMWGuessClick();
    EXPECT_EQ(Windows(*view.Engine), WindowsOf(dir.path(), true, 120000));
    view.CheckBoxMWGuess = false;
    view.CheckBoxMWGuessClick();
    EXPECT_EQ(Windows(*view.Engine), midCell);
}
