#include <array>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "windows/TScanSelector.h"
#include "windows/TWaitWorking.h"

namespace {

std::vector<ScanHeader> Headers(int n)
{
    std::vector<ScanHeader> h(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%05d.RA1", i + 1);
        h[static_cast<size_t>(i)].FileName = name;
    }
    return h;
}

std::vector<int> Ticked(const TScanSelector& s)
{
    std::vector<int> out;
    for (size_t i = 0; i < s.CheckListBox1Checked.size(); ++i)
        if (s.CheckListBox1Checked[i])
            out.push_back(static_cast<int>(i));
    return out;
}

} // namespace

TEST(ScanSelector, SetUpShowsTheFlagsAndTheirRange)
{
    auto headers = Headers(45);
    std::array<int32_t, 45> flags {};
    flags[0] = flags[5] = flags[44] = 1;
    TScanSelector s;
    EXPECT_TRUE(s.Automatic) << "a new selector asks for the automatic display";
    s.SetUp(flags.data(), headers.data(), 45, 99);
    ASSERT_EQ(s.CheckListBox1Items.size(), 45u);
    EXPECT_EQ(s.CheckListBox1Items.front(), "1");
    EXPECT_EQ(s.CheckListBox1Items.back(), "45");
    EXPECT_EQ(Ticked(s), (std::vector<int> { 0, 5, 44 }));
    EXPECT_EQ(s.UpDownStart.Position, 1);
    EXPECT_EQ(s.UpDownEnd.Position, 45);
    EXPECT_EQ(s.UpDownStep.Position, 45) << "the step is clamped to 1..n";
    EXPECT_EQ(s.EditEnd, "45");
}

TEST(ScanSelector, PatternTicksStartStepEnd)
{
    auto headers = Headers(20);
    std::array<int32_t, 20> flags {};
    TScanSelector s;
    s.SetUp(flags.data(), headers.data(), 20, 1);
    s.UpDownStartClick(3);
    s.UpDownStepClick(4);
    s.UpDownEndClick(15);
    EXPECT_EQ(Ticked(s), (std::vector<int> { 2, 6, 10, 14 }));
    EXPECT_EQ(s.EditStep, "4");
    s.ButtonOKClick();
    EXPECT_EQ(flags[6], 1);
    EXPECT_EQ(flags[7], 0);
    EXPECT_EQ(s.ChosenStep, 4);
    EXPECT_EQ(s.OfferedCount, 20);
    EXPECT_FALSE(s.Automatic);
}

TEST(ScanSelector, EditFieldsCorrectTheirInput)
{
    auto headers = Headers(45);
    std::array<int32_t, 45> flags {};
    TScanSelector s;
    s.SetUp(flags.data(), headers.data(), 45, 2);
    const struct {
        const char* name;
        std::string TScanSelector::*field;
        void (TScanSelector::*exit)();
        const char* typed;
        const char* shown;
    } cases[] = {
        { "zero step", &TScanSelector::EditStep, &TScanSelector::EditStepExit, "0", "1" },
        { "letters in step", &TScanSelector::EditStep, &TScanSelector::EditStepExit, "abc", "1" },
        { "end too large", &TScanSelector::EditEnd, &TScanSelector::EditEndExit, "2000", "45" },
        { "start zero", &TScanSelector::EditStart, &TScanSelector::EditStartExit, "0", "1" },
        { "start with blanks", &TScanSelector::EditStart, &TScanSelector::EditStartExit, "  7x", "  7x" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        s.*(c.field) = c.typed;
        (s.*(c.exit))();
        EXPECT_EQ(s.*(c.field), c.shown);
    }
    EXPECT_EQ(s.UpDownStart.Position, 7);
}

TEST(ScanSelector, TheSameValueTwiceAppliesThePatternOnce)
{
    auto headers = Headers(30);
    std::array<int32_t, 30> flags {};
    TScanSelector s;
    s.SetUp(flags.data(), headers.data(), 30, 5);
    s.UpDownEndClick(30);
    s.EditStart = "11";
    s.EditStartKeyPress(13);
    EXPECT_EQ(Ticked(s), (std::vector<int> { 10, 15, 20, 25 }));
    s.ButtonSelectAllClick();
    s.EditStart = "11";
    s.EditStartExit();
    EXPECT_EQ(Ticked(s).size(), 30u) << "not applied again";
}

TEST(ScanSelector, AutomaticCancelAndOk)
{
    auto headers = Headers(10);
    std::array<int32_t, 10> flags {};
    flags[3] = 1;
    TScanSelector s;
    s.SetUp(flags.data(), headers.data(), 10, 1);
    s.ButtonAutomaticClick();
    s.ButtonSelectAllClick();
    s.ButtonCancelClick();
    EXPECT_TRUE(s.Automatic);
    EXPECT_EQ(flags[0], 0) << "cancel writes no ticks";
    EXPECT_EQ(s.NumberOfScans, 0);
    s.ButtonOKClick(); // after a cancel, OK has nothing to write to
    EXPECT_EQ(flags[0], 0);

    s.SetUp(flags.data(), headers.data(), 10, 1);
    s.ButtonAutomaticClick();
    s.ButtonOKClick();
    EXPECT_FALSE(s.Automatic) << "the ticks win";
    EXPECT_EQ(flags[3], 1);
}

TEST(ScanSelector, ResizeGivesTheListItsColumns)
{
    const struct {
        int width, height, listWidth, listHeight, columns;
    } cases[] = { { 600, 400, 492, 352, 10 }, { 150, 100, 200, 200, 4 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        TScanSelector s;
        s.FormResize(c.width, c.height);
        EXPECT_EQ(s.CheckListBox1Width, c.listWidth);
        EXPECT_EQ(s.CheckListBox1Height, c.listHeight);
        EXPECT_EQ(s.CheckListBox1Columns, c.columns);
    }
}

TEST(WaitWorking, TickHidesWhetherShownOrNot)
{
    TWaitWorking w;
    EXPECT_FALSE(w.Visible);
    EXPECT_EQ(w.Timer1.Interval, 20000);
    w.Timer1Timer();
    EXPECT_FALSE(w.Visible);
    int repaints = 0;
    w.OnRepaint = [&] { ++repaints; };
    w.Show();
    w.SetText("Loading files");
    EXPECT_EQ(repaints, 1);
    EXPECT_EQ(w.Edit1, "Loading files");
    w.Timer1Timer();
    EXPECT_FALSE(w.Visible);
}
