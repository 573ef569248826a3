#include <array>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "windows/TScanSelector.h"

using namespace morvane;

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
    s.SetUp(flags.data(), headers.data(), 45, 99);
    EXPECT_EQ(s.CheckListBox1Items.back(), "45");
    EXPECT_EQ(Ticked(s), (std::vector<int> { 0, 5, 44 }));
    EXPECT_EQ(s.UpDownStep.Position, 45) << "the step is clamped to 1..n";
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
    s.ButtonOKClick();
    EXPECT_EQ(flags[6], 1);
    EXPECT_EQ(flags[7], 0);
    EXPECT_EQ(s.ChosenStep, 4);
    EXPECT_FALSE(s.Automatic);
}

TEST(ScanSelector, EditFieldsCorrectTheirInput)
{
    auto headers = Headers(45);
    std::array<int32_t, 45> flags {};
    TScanSelector s;
    s.SetUp(flags.data(), headers.data(), 45, 2);
    const struct {
        std::string TScanSelector::*field;
        void (TScanSelector::*exit)();
        const char* typed;
        const char* shown;
    } cases[] = {
        { &TScanSelector::EditStep, &TScanSelector::EditStepExit, "abc", "1" },
        { &TScanSelector::EditEnd, &TScanSelector::EditEndExit, "2000", "45" },
        { &TScanSelector::EditStart, &TScanSelector::EditStartExit, "  7x", "  7x" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        s.*(c.field) = c.typed;
        (s.*(c.exit))();
        EXPECT_EQ(s.*(c.field), c.shown);
    }
    EXPECT_EQ(s.UpDownStart.Position, 7);
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
    s.ButtonOKClick(); // after a cancel, OK has nothing to write to
    EXPECT_EQ(flags[0], 0) << "cancel writes no ticks";

    s.SetUp(flags.data(), headers.data(), 10, 1);
    s.ButtonAutomaticClick();
    s.ButtonOKClick();
    EXPECT_FALSE(s.Automatic) << "the ticks win";
}
