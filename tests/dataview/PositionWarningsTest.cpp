// Positions of the markers against the data: the warnings, their display and the refused click.
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

#include "DataViewFixture.h"
#include "follower/PositionWarnings.h"
#include "testutil/ScriptedHost.h"

using namespace morvane;

using namespace dataviewtest;
using testutil::TempDir;
using Texts = std::vector<std::string>;

TEST(PositionWarnings, PositionsOutsideTheFirstScanOrPastTheBottom)
{
    const char* const outside = " lies outside the first scan's radii (6 to 7.1 cm)";
    const struct {
        const char* name;
        bool interference, data;
        double meniscus, bottom, jitter, fringe;
        Texts want;
    } cases[] = {
        { "all inside", true, true, 6.05, 7.2, 6.5, 6.9, {} },
        { "the default meniscus before the data", false, true, 5.9, 7.2, 5.85, 6.9,
            { std::string("the meniscus (5.9 cm)") + outside } },
        { "references unused on absorbance", false, true, 6.05, 7.2, 5.85, 7.5, {} },
        { "references used on interference", true, true, 6.05, 7.2, 5.85, 7.5,
            { std::string("the jitter reference (5.85 cm)") + outside,
                std::string("the fringe reference (7.5 cm)") + outside } },
        { "the bottom past the data by more than the margin left out before it", false, true, 6.05, 7.2001, 1, 1,
            { std::string("the bottom (7.2001 cm)") + outside } },
        { "a bottom typed wrong (--bottom 50)", false, true, 6.05, 50, 1, 1,
            { std::string("the bottom (50 cm)") + outside } },
        { "a bottom inside the data", false, true, 6.05, 6.5, 1, 1, {} },
        { "the meniscus at the bottom", false, true, 7.1, 7.1, 6.5, 6.9,
            { "the meniscus (7.1 cm) is at or past the cell bottom (7.1 cm)" } },
        { "without a scan only the bottom", true, false, 7.3, 7.2, 1, 1,
            { "the meniscus (7.3 cm) is at or past the cell bottom (7.2 cm)" } },
        { "not a number", false, true, std::numeric_limits<double>::quiet_NaN(), 7.2, 6.5, 6.9,
            { "the meniscus (std::numeric_limits<double>::quiet_NaN() cm) is at or past the cell bottom (7.2 cm)",
                std::string("the meniscus (std::numeric_limits<double>::quiet_NaN() cm)") + outside } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RealTimeGofS e;
        if (c.data) {
            std::vector<double> r, y;
            for (int i = 0; i <= 110; ++i) {
                r.push_back(6.0 + 0.01 * i);
                y.push_back(1);
            }
            ASSERT_EQ(e.CreateX(r.data(), static_cast<int32_t>(r.size())), 0);
            e.RawStore->AddSet(r.data(), y.data(), nullptr, static_cast<int32_t>(r.size()), ScanHeader(), 1000);
        }
        e.CorrectJitter = e.CorrectFringes = c.interference;
        e.Cell.Meniscus = c.meniscus;
        e.Cell.Bottom = c.bottom;
        e.Cell.JitterRadius = c.jitter;
        e.Cell.FringeRadius = c.fringe;
        EXPECT_EQ(PositionWarnings(e), c.want);
    }
}

TEST_F(SedDataView, RawTabShowsTheWarningAndRefusesAMeniscusPastTheBottom)
{
    TempDir dir;
    testutil::RunSpec spec = SmallRun(8);
    spec.radiusLow = 6.0; // the default meniscus, 5.9 cm, lies before the data
    testutil::WriteRun(dir.path(), spec);
    testutil::ScriptedHost host;
    TSedDataView view(&host);
    Launch(view, dir.path());
    EXPECT_EQ(
        view.Raw.EditPositionWarning.rfind("the meniscus (5.9 cm) lies outside the first scan's radii (6 to ", 0), 0u)
        << view.Raw.EditPositionWarning;

    view.Raw.SBGroup1Click(TSedDataView::RawMode::Meniscus);
    view.Raw.Chart1ClickBackground(6.05, 0.3);
    EXPECT_EQ(view.Raw.EditPositionWarning, "") << "a meniscus inside the data";

    for (const double x : { 7.2, 7.3 }) {
        SCOPED_TRACE(x);
        view.Raw.Chart1ClickBackground(x, 0.3);
        EXPECT_DOUBLE_EQ(view.Engine->Cell.Meniscus, 6.05) << "refused";
        EXPECT_EQ(view.Raw.EditMeniscus, "6.05");
        EXPECT_TRUE(view.InputEnabled);
    }
    EXPECT_EQ(host.Messages,
        (Texts { "The meniscus must lie before the cell bottom (7.2 cm): 7.2 cm was not taken",
            "The meniscus must lie before the cell bottom (7.2 cm): 7.3 cm was not taken" }));
}
