#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "DirectoryTree.h"

namespace fs = std::filesystem;
using dirtest::SlotOf;
using dirtest::Touch;
using dirtest::Window;
using Entries = std::vector<std::string>;

TEST(MaskTable, HoldsTheChannelMasksInSlotOrder)
{
    const char* const expected = "0*.IPS 0*.IP1 0*.IP2 0*.IP3 0*.IP4 0*.IP5 0*.IP6 0*.IP7 0*.IP8 0*.RA1 0*.RA2 "
                                 "0*.RA3 0*.RA4 0*.RA5 0*.RA6 0*.RA7 0*.RA8 0*.RAS 0*.FI1 0*.FI2 0*.FI3 0*.FI4 "
                                 "0*.FI5 0*.FI6 0*.FI7 0*.FI8 A*.IPS A*.IP1 A*.IP2 A*.IP3 A*.IP4 A*.IP5 A*.IP6 "
                                 "A*.IP7 A*.IP8 A*.RA1 A*.RA2 A*.RA3 A*.RA4 A*.RA5 A*.RA6 A*.RA7 A*.RA8 A*.RAS "
                                 "A*.FI1 A*.FI2 A*.FI3 A*.FI4 A*.FI5 A*.FI6 A*.FI7 A*.FI8 B*.IPS B*.IP1 B*.IP2 "
                                 "B*.IP3 B*.IP4 B*.IP5 B*.IP6 B*.IP7 B*.IP8 B*.RA1 B*.RA2 B*.RA3 B*.RA4 B*.RA5 "
                                 "B*.RA6 B*.RA7 B*.RA8 B*.RAS B*.FI1 B*.FI2 B*.FI3 B*.FI4 B*.FI5 B*.FI6 B*.FI7 "
                                 "B*.FI8 C*.IPS C*.IP1 C*.IP2 C*.IP3 C*.IP4 C*.IP5 C*.IP6 C*.IP7 C*.IP8 C*.RA1 "
                                 "C*.RA2 C*.RA3 C*.RA4 C*.RA5 C*.RA6 C*.RA7 C*.RA8 C*.RAS C*.FI1 C*.FI2 C*.FI3 "
                                 "C*.FI4 C*.FI5 C*.FI6 C*.FI7 C*.FI8 D*.IPS D*.IP1 D*.IP2 D*.IP3 D*.IP4 D*.IP5 "
                                 "D*.IP6 D*.IP7 D*.IP8 D*.RA1 D*.RA2 D*.RA3 D*.RA4 D*.RA5 D*.RA6 D*.RA7 D*.RA8 "
                                 "D*.RAS D*.FI1 D*.FI2 D*.FI3 D*.FI4 D*.FI5 D*.FI6 D*.FI7 0*.RI1 0*.RI2 0*.RI3 "
                                 "0*.RI4 0*.RI5 0*.RI6 0*.RI7";
    std::istringstream in(expected);
    Entries want;
    for (std::string mask; in >> mask;)
        want.push_back(mask);
    ASSERT_EQ(want.size(), 136u);

    const Window w;
    ASSERT_EQ(w.NumMasks, 136);
    EXPECT_EQ(Entries(w.FileMasks.begin(), w.FileMasks.begin() + 136), want);
    for (size_t i = 136; i < w.FileMasks.size(); ++i)
        EXPECT_EQ(w.FileMasks[i], "") << i;
}

TEST(MaskTable, ChannelEntriesArePairsOnlyForIntensity)
{
    const struct {
        const char* mask;
        Entries want;
    } cases[] = { { "0*.RI3", { "0*.RI3Ref", "0*.RI3Sam" } }, { "0*.RI7", { "0*.RI7Ref", "0*.RI7Sam" } },
        { "A*.IP2", { "A*.IP2" } }, { "0*.RA1", { "0*.RA1" } }, { "D*.FI7", { "D*.FI7" } },
        { "0*.RAS", { "0*.RAS" } } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mask);
        EXPECT_EQ(DirectoryChannels::ChannelEntries(c.mask), c.want);
    }
}

TEST(ChannelDetection, EntriesOfADirectory)
{
    const struct {
        const char* name;
        Entries files;
        Entries entries;
        std::string selected;
        int32_t chosenMask;
    } cases[] = {
        { "slot order, the first selected", { "A0003.IP1", "00001.RA2" }, { "0*.RA2", "A*.IP1" }, "0*.RA2", 10 },
        // The same mask in lower case too.
        { "intensity gives Ref and Sam, Sam selected", { "00001.RI4", "00002.ri4" }, { "0*.RI4Ref", "0*.RI4Sam" },
            "0*.RI4Sam", 132 },
        { "masks match without regard to case", { "a0001.ip1", "d0001.fi7" }, { "A*.IP1", "D*.FI7" }, "A*.IP1", 27 },
        { "files without a mask never form a channel",
            { "00001.RI8", "D0001.FI8", "E0001.RA1", "00001.RA9", "00001.RA1.bak", "0001RA1" }, {}, "", -1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testutil::TempDir tmp;
        for (const std::string& f : c.files)
            Touch(tmp / f);
        Window w;
        w.UpdateDirChannels(tmp.path());
        EXPECT_EQ(w.RadioGroupChannelsItems, c.entries);
        EXPECT_EQ(w.SelectedChannel(), c.selected);
        EXPECT_EQ(w.ChosenMask, c.chosenMask);
        std::set<int32_t> slots;
        for (const std::string& e : c.entries)
            slots.insert(SlotOf(w, e.substr(0, 6)));
        for (size_t i = 0; i < w.MaskFound.size(); ++i)
            EXPECT_EQ(w.MaskFound[i], slots.count(static_cast<int32_t>(i)) == 1) << i;
    }
}

TEST(ChannelDetection, RememberedChannelFollowsNewMasksVanishesAndComesBack)
{
    testutil::TempDir tmp;
    Touch(tmp / "00001.RA1");
    Touch(tmp / "00001.RA2");
    Window w;
    w.UpdateDirChannels(tmp.path());
    w.RadioGroupChannelsItemIndex = 1;
    w.RadioGroupChannelsClick();
    EXPECT_EQ(w.ChosenMask, 10);

    Touch(tmp / "00001.IP3"); // a slot before the chosen one
    w.UpdateDirChannels(tmp.path());
    EXPECT_EQ(w.RadioGroupChannelsItems, (Entries { "0*.IP3", "0*.RA1", "0*.RA2" }));
    EXPECT_EQ(w.RadioGroupChannelsItemIndex, 2);
    EXPECT_EQ(w.SelectedChannel(), "0*.RA2");

    Touch(tmp / "C0001.RAS"); // a slot after it
    w.UpdateDirChannels(tmp.path());
    EXPECT_EQ(w.RadioGroupChannelsItems, (Entries { "0*.IP3", "0*.RA1", "0*.RA2", "C*.RAS" }));
    EXPECT_EQ(w.SelectedChannel(), "0*.RA2");

    fs::remove(tmp / "00001.RA2");
    Touch(tmp / "B0001.IP4");
    w.UpdateDirChannels(tmp.path());
    EXPECT_EQ(w.RadioGroupChannelsItems, (Entries { "0*.IP3", "0*.RA1", "B*.IP4", "C*.RAS" }));
    EXPECT_EQ(w.RadioGroupChannelsItemIndex, -1);
    EXPECT_EQ(w.SelectedChannel(), "");
    EXPECT_EQ(w.ChosenMask, 10);
    EXPECT_FALSE(w.MaskFound[10]);

    Touch(tmp / "00009.RA2"); // when it comes back it is selected again
    w.UpdateDirChannels(tmp.path());
    EXPECT_EQ(w.SelectedChannel(), "0*.RA2");
}

TEST(ChannelDetection, NothingNewLeavesTheListAndTheUsersSelectionAlone)
{
    testutil::TempDir tmp;
    Touch(tmp / "00001.RA1");
    Touch(tmp / "00001.RA2");
    Window w;
    w.UpdateDirChannels(tmp.path());
    w.RadioGroupChannelsItemIndex = 1; // selected, not yet remembered
    fs::remove(tmp / "00001.RA1"); // a vanished channel stays until the next rebuild
    Touch(tmp / "00002.RA2");
    w.UpdateDirChannels(tmp.path());
    EXPECT_EQ(w.RadioGroupChannelsItems, (Entries { "0*.RA1", "0*.RA2" }));
    EXPECT_EQ(w.RadioGroupChannelsItemIndex, 1);
    EXPECT_EQ(w.ChosenMask, 9);
}

TEST(ChannelDetection, ChosenRefEntryStaysChosenAcrossARebuild)
{
    testutil::TempDir tmp;
    Touch(tmp / "00001.RA1");
    Touch(tmp / "00001.RI3");
    Window w;
    w.UpdateDirChannels(tmp.path());
    EXPECT_EQ(w.RadioGroupChannelsItems, (Entries { "0*.RA1", "0*.RI3Ref", "0*.RI3Sam" }));
    EXPECT_EQ(w.SelectedChannel(), "0*.RA1");

    w.RadioGroupChannelsItemIndex = 1;
    w.RadioGroupChannelsClick();
    EXPECT_EQ(w.ChosenMask, SlotOf(w, "0*.RI3"));

    Touch(tmp / "A0001.IP1");
    w.UpdateDirChannels(tmp.path());
    EXPECT_EQ(w.RadioGroupChannelsItems, (Entries { "0*.RA1", "A*.IP1", "0*.RI3Ref", "0*.RI3Sam" }));
    EXPECT_EQ(w.SelectedChannel(), "0*.RI3Ref");
    EXPECT_EQ(w.ChosenMask, SlotOf(w, "0*.RI3"));
}

TEST(ChannelDetection, ResetForgetsEverything)
{
    testutil::TempDir tmp;
    Touch(tmp / "00001.RA5");
    Window w;
    w.UpdateDirChannels(tmp.path());
    w.ResetDirChannels();
    EXPECT_TRUE(w.RadioGroupChannelsItems.empty());
    EXPECT_EQ(w.RadioGroupChannelsItemIndex, -1);
    EXPECT_EQ(w.ChosenMask, -1);
    EXPECT_FALSE(w.MaskFound[static_cast<size_t>(SlotOf(w, "0*.RA5"))]);
    // Detected again from scratch.
    w.UpdateDirChannels(tmp.path());
    EXPECT_EQ(w.SelectedChannel(), "0*.RA5");
}

TEST(ChannelDetection, NoDirectoryOrAMissingOneYieldsNothing)
{
    testutil::TempDir tmp;
    const struct {
        const char* name;
        std::string dir;
    } cases[] = {
        { "no data directory chosen", "" },
        { "vanished", tmp / "vanished" },
        { "a plain file", tmp / "00001.RA1" },
    };
    Touch(tmp / "00001.RA1");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Window w;
        EXPECT_NO_THROW(w.UpdateDirChannels(c.dir));
        EXPECT_TRUE(w.RadioGroupChannelsItems.empty());
        EXPECT_EQ(w.ChosenMask, -1);
    }
}
