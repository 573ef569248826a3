// The one path that changes a loaded cell's parameters: what it refuses and what it rebuilds.
#include <gtest/gtest.h>
#include <vector>

#include "follower/CellChange.h"

using namespace morvane;

namespace {

struct Changed {
    RealTimeGofS engine;
    std::vector<bool> rebuilds; // the transform flag of each rebuild

    Changed(bool corrected)
    {
        engine.Cell = { 5.9, 7.2, 5.85, 6.9, false, CellParameters::DefaultAssumedMW };
        engine.CorrectJitter = engine.CorrectFringes = corrected;
    }
    std::string Change(void (*edit)(CellParameters&))
    {
        CellParameters wanted = engine.Cell;
        edit(wanted);
        return ChangeCell(engine, wanted, [this](bool transform) { rebuilds.push_back(transform); });
    }
};

} // namespace

TEST(CellChange, RebuildsWhatTheChangeTouchesOnce)
{
    Changed absorbance(false);
    EXPECT_EQ(absorbance.Change([](CellParameters& c) { c.JitterRadius = 6.0; }), "");
    EXPECT_EQ(absorbance.Change([](CellParameters& c) { c.AssumedMW = 60000; }), ""); // window at mid-cell
    EXPECT_TRUE(absorbance.rebuilds.empty()); // neither changes a result
    EXPECT_EQ(absorbance.engine.Cell.JitterRadius, 6.0);
    EXPECT_EQ(absorbance.Change([](CellParameters& c) { c.WindowByMW = true; }), "");
    EXPECT_EQ(absorbance.Change([](CellParameters& c) { c.AssumedMW = 70000; }), "");
    EXPECT_EQ(absorbance.Change([](CellParameters& c) { c.Meniscus = 6.0, c.Bottom = 7.1; }), "");
    EXPECT_EQ(absorbance.rebuilds, (std::vector<bool> { false, false, false }));

    Changed interference(true);
    EXPECT_EQ(interference.Change([](CellParameters& c) { c.FringeRadius = 7.0; }), "");
    EXPECT_EQ(interference.rebuilds, (std::vector<bool> { true })); // the raw sets are corrected anew
}

TEST(CellChange, RefusesAnEmptyCellOrAWeightOutOfRangeAndKeepsTheCell)
{
    Changed c(false);
    const CellParameters was = c.engine.Cell;
    EXPECT_EQ(c.Change([](CellParameters& p) { p.Meniscus = 7.2; }),
        "The meniscus must lie before the cell bottom (7.2 cm): 7.2 cm was not taken");
    EXPECT_EQ(c.Change([](CellParameters& p) { p.Bottom = 5.5; }),
        "The cell bottom must lie past the meniscus (5.9 cm): 5.5 cm was not taken");
    EXPECT_EQ(c.Change([](CellParameters& p) { p.AssumedMW = 100; }), MWRefusal);
    EXPECT_EQ(c.engine.Cell, was);
    EXPECT_TRUE(c.rebuilds.empty());
}
