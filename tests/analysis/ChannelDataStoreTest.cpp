#include <cmath>
#include <gtest/gtest.h>
#include <vector>

#include "analysis/ChannelDataStore.h"

using namespace morvane;

namespace {

ScanHeader HeaderAt(double time, int optical = 1)
{
    ScanHeader h;
    h.Time = time;
    h.OpticalSystem = optical;
    h.Description = "Desc";
    h.HeaderLine = "R 1 20.0 50000 100 1E+9 280 1";
    return h;
}

} // namespace

TEST(ChannelDataStore, UniformGridGivenGridAndGridOfOnePoint)
{
    const CustomSettings settings;
    const ChannelDataStore u(settings, 0.0, 1.0, 11);
    EXPECT_DOUBLE_EQ(u.GetX(7), 0.7);
    EXPECT_EQ(u.GetY(1000, 0), 0.0) << "outside the store reads as 0";

    const double x[] = { 5.8, 6.0, 6.5 };
    const ChannelDataStore g(settings, x, 3);
    EXPECT_DOUBLE_EQ(g.XStep, 0.35);
    // A grid of one point leaves an empty, usable store.
    const double one[] = { 6.0 };
    ChannelDataStore s(settings, one, 1);
    EXPECT_EQ(s.GetNumberOfPoints(), 0);
    const double y[] = { 1.0 };
    EXPECT_EQ(s.AddSet(one, y, nullptr, 1, HeaderAt(1), 1), -1);
    EXPECT_EQ(s.GetNumberOfSets(), 0);
    EXPECT_NE(
        ChannelDataStore::DiagnosticLog().find("Trouble allocating memory in ChannelDataStore::ChannelDataStore."),
        std::string::npos);
}

TEST(ChannelDataStore, AddSetCopiesExactMatchesAndInterpolates)
{
    const CustomSettings settings;
    ChannelDataStore s(settings, 5.8, 7.2, 15); // step 0.1
    std::vector<double> r, y, e;
    for (int i = 0; i <= 10; ++i) {
        r.push_back(6.0 + 0.1 * i);
        y.push_back(2.0 * (6.0 + 0.1 * i));
    }
    ASSERT_EQ(s.AddSet(r.data(), y.data(), nullptr, 11, HeaderAt(10), 10), 0);
    for (int i = 0; i < 15; ++i) {
        const double x = s.GetX(i);
        SCOPED_TRACE(x);
        if (x < 6.0 - 1e-9 || x > 7.0 + 1e-9) {
            EXPECT_EQ(s.GetY(0, i), 0.0);
            EXPECT_EQ(s.GetE(0, i), -1e10);
        } else {
            EXPECT_NEAR(s.GetY(0, i), 2 * x, 1e-12);
            EXPECT_EQ(s.GetE(0, i), 0.0);
        }
    }
}

TEST(ChannelDataStore, OutsidePointWithZeroErrorIsStillInvalid)
{
    const CustomSettings settings;
    ChannelDataStore s(settings, 0.0, 10.0, 11);
    const double r[] = { 2.0, 3.0, 4.0 };
    const double y[] = { 1.0, 1.0, 1.0 };
    const double e[] = { 0.0, 0.0, 0.0 };
    ASSERT_EQ(s.AddSet(r, y, e, 3, HeaderAt(1), 1), 0);
    EXPECT_EQ(s.GetE(0, 0), -1e10);
    EXPECT_EQ(s.GetE(0, 2), 0.0);
    EXPECT_EQ(s.GetE(0, 5), -1e10);
}

TEST(ChannelDataStore, AddSetRefusalsAndNonSequentialRadii)
{
    const CustomSettings settings;
    ChannelDataStore s(settings, 5.8, 7.2, 15);
    const double r[] = { 6.0, 7.0 };
    const double y[] = { 1.0, 2.0 };
    const double outside[] = { 8.0, 9.0 };
    EXPECT_EQ(s.AddSet(outside, y, nullptr, 2, HeaderAt(1), 1), -1) << "curve wholly outside the grid";
    EXPECT_EQ(s.GetNumberOfSets(), 0);
    ASSERT_EQ(s.AddSet(r, y, nullptr, 2, HeaderAt(1), 1), 0);
    EXPECT_EQ(s.AddSet(r, y, nullptr, 2, HeaderAt(1), 1), -1) << "equal time";
    EXPECT_EQ(s.AddSet(r, y, nullptr, 2, HeaderAt(0.5), 0.5), -1) << "earlier time";
    EXPECT_EQ(s.AddSet(r, y, nullptr, 2, HeaderAt(2), 2), 1);
    const double flat[] = { 6.0, 6.0, 7.0 };
    const double y3[] = { 1.0, 2.0, 3.0 };
    EXPECT_EQ(s.AddSet(flat, y3, nullptr, 3, HeaderAt(3), 3), -1) << "two equal radii in an interpolation";
    EXPECT_EQ(s.GetNumberOfSets(), 2);

    const double backwards[] = { 6.0, 6.5, 6.4, 7.0 };
    const double y4[] = { 1.0, 1.0, 1.0, 1.0 };
    s.AddSet(backwards, y4, nullptr, 4, HeaderAt(5), 5);
    EXPECT_NE(ChannelDataStore::DiagnosticLog().find("\nA file read has a non-sequential R.  File index:  2  "),
        std::string::npos);
}

TEST(ChannelDataStore, ZeroAtRadiusAndFringeJumps)
{
    const CustomSettings settings;
    ChannelDataStore s(settings, 0.0, 10.0, 11);
    const double* g = s.GetGrid();
    std::vector<double> y0(11), y1(11), y2(11), y3(11);
    for (size_t i = 0; i < 11; ++i) {
        y0[i] = 3.0 + static_cast<double>(i);
        y1[i] = y0[i] + 1.6;
        y2[i] = y1[i] + 0.5;
        y3[i] = y2[i] - 0.52;
    }
    s.AddSet(g, y0.data(), nullptr, 11, HeaderAt(1), 1);
    s.AddSet(g, y1.data(), nullptr, 11, HeaderAt(2), 2);
    s.AddSet(g, y2.data(), nullptr, 11, HeaderAt(3), 3);
    s.AddSet(g, y3.data(), nullptr, 11, HeaderAt(4), 4);

    // Compared at the first grid point beyond 4.5 (index 5); corrections accumulate upward.
    s.RemoveAllFringeJumps(4.5);
    EXPECT_NEAR(s.GetY(1, 5) - s.GetY(0, 5), -0.4, 1e-12) << "1.6 above is lowered by 2";
    EXPECT_NEAR(s.GetY(2, 5) - s.GetY(1, 5), 0.5, 1e-12) << "0.5 above is not changed";
    EXPECT_NEAR(s.GetY(3, 5) - s.GetY(2, 5), 0.48, 1e-12) << "-0.52 below is raised by 1";
    EXPECT_EQ(s.GetY(0, 5), 8.0) << "set 0 never changes";

    // Width 0: the value at the first grid point beyond x becomes exactly 0.
    s.ZeroAtRadius(0, 4.5, 0);
    EXPECT_EQ(s.GetY(0, 5), 0.0);
    EXPECT_EQ(s.GetY(0, 0), -5.0);
    // Width 2: mean of indices 3..5 of set 1 (y = 4.6+i, less 2) removed.
    const double mean = ((4.6 + 3) + (4.6 + 4) + (4.6 + 5)) / 3 - 2;
    const double before = s.GetY(1, 7);
    s.ZeroAtRadius(1, 4.5, 2);
    EXPECT_NEAR(s.GetY(1, 7), before - mean, 1e-12);
}

TEST(ChannelDataStore, Holds999SetsExtentsAndSetText)
{
    const CustomSettings settings;
    ChannelDataStore s(settings, 5.8, 7.2, 15);
    const double r[] = { 6.0, 6.5 };
    const double y[] = { -1.0, 4.0 };
    ASSERT_EQ(s.AddSet(r, y, nullptr, 2, HeaderAt(1), 1), 0);
    const StoreExtents valid = s.GetExtents(-1, true);
    EXPECT_DOUBLE_EQ(valid.MinX, 6.0);
    EXPECT_DOUBLE_EQ(valid.MaxX, 6.5);
    EXPECT_EQ(valid.MinY, -1.0) << "outside points (y 0, e -1e10) do not count";
    EXPECT_DOUBLE_EQ(s.GetExtents(0, false).MaxX, 7.2);

    // Scan-file layout: absorbance three columns, interference two.
    EXPECT_EQ(s.SetToText(1, "x"), "");
    EXPECT_NE(s.SetToText(0, " exported").find("Desc exported\r\nR 1 20.0 50000 100 1E+9 280 1\r\n   5.8000"), std::string::npos);
    EXPECT_NE(s.SetToText(0, "").find("   6.0000   -1.00000E+00    0.00000E+00\r\n"), std::string::npos);
    ASSERT_EQ(s.AddSet(r, y, nullptr, 2, HeaderAt(2, 3), 2), 1);
    EXPECT_NE(s.SetToText(1, "").find("   6.0000   -1.00000E+00\r\n"), std::string::npos);

    for (int k = 2; k < 999; ++k)
        ASSERT_EQ(s.AddSet(r, y, nullptr, 2, HeaderAt(k + 1), k + 1), k);
    EXPECT_EQ(s.AddSet(r, y, nullptr, 2, HeaderAt(5000), 5000), -1) << "the 1000th set is refused";
}
