#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "DirectoryTree.h"
#include "scanfiles/FileSystem.h"

using namespace morvane;

namespace fs = std::filesystem;
using dirtest::SlotOf;
using dirtest::Touch;
using dirtest::Window;
using Entries = std::vector<std::string>;

TEST(ChannelDetection, EntriesOfADirectory)
{
    const struct {
        const char* name;
        Entries files;
        Entries entries;
        std::string selected;
        int32_t chosenMask;
    } cases[] = {
        // Slot order: the interference, absorbance and fluorescence masks of channels 0, A to D, then intensity.
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

    fs::remove(tmp / "00001.RA2");
    Touch(tmp / "B0001.IP4");
    w.UpdateDirChannels(tmp.path());
    EXPECT_EQ(w.RadioGroupChannelsItems, (Entries { "0*.IP3", "0*.RA1", "B*.IP4" }));
    EXPECT_EQ(w.SelectedChannel(), "");
    EXPECT_EQ(w.ChosenMask, 10);

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
    w.RadioGroupChannelsItemIndex = 1;
    w.RadioGroupChannelsClick();

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
    EXPECT_EQ(w.ChosenMask, -1);
    // Detected again from scratch.
    w.UpdateDirChannels(tmp.path());
    EXPECT_EQ(w.SelectedChannel(), "0*.RA5");
}

TEST(ChannelDetection, NoDirectoryOrAMissingOneYieldsNothing)
{
    testutil::TempDir tmp;
    Touch(tmp / "00001.RA1");
    // No data directory chosen, a vanished one, a plain file.
    for (const std::string& dir : { std::string(), tmp / "vanished", tmp / "00001.RA1" }) {
        SCOPED_TRACE(dir);
        Window w;
        EXPECT_NO_THROW(w.UpdateDirChannels(dir));
        EXPECT_TRUE(w.RadioGroupChannelsItems.empty());
        EXPECT_EQ(w.ChosenMask, -1);
    }
}

TEST(ChannelDetection, TheMaskTable)
{
    const std::vector<std::string>& masks = ChannelMasks();
    ASSERT_EQ(masks.size(), 136u);
    std::string all;
    for (const std::string& mask : masks)
        all += mask + " ";
    // Per letter: IPS, IP1-8, RA1-8, RAS, FI1-8; D stops at FI7; then 0*.RI1-7.
    std::string want;
    for (const char* letter : { "0", "A", "B", "C", "D" }) {
        const std::string l(letter);
        want += l + "*.IPS ";
        for (const char* kind : { "IP", "RA" })
            for (int c = 1; c <= 8; ++c)
                want += l + "*." + kind + std::to_string(c) + " ";
        want += l + "*.RAS ";
        for (int c = 1; c <= (l == "D" ? 7 : 8); ++c)
            want += l + "*.FI" + std::to_string(c) + " ";
    }
    for (int c = 1; c <= 7; ++c)
        want += "0*.RI" + std::to_string(c) + " ";
    EXPECT_EQ(all, want);
    EXPECT_EQ(ChannelEntries("0*.RI4"), (Entries { "0*.RI4Ref", "0*.RI4Sam" }));
    EXPECT_EQ(ChannelEntries("A*.IP2"), (Entries { "A*.IP2" }));

    // The main window holds the same table in its 200 slots.
    const DirectoryChannels d;
    ASSERT_EQ(d.NumMasks, 136);
    EXPECT_TRUE(std::equal(masks.begin(), masks.end(), d.FileMasks.begin()));
    EXPECT_EQ(d.FileMasks[136], "");
}

TEST(ChannelDetection, FreeFunctionsWithoutAWindow)
{
    testutil::TempDir tmp;
    Touch(tmp / "00001.RA1");
    Touch(tmp / "00001.RI3");
    const ChannelDetection first = DetectChannels(tmp.path());
    EXPECT_EQ(first.Entries, (Entries { "0*.RA1", "0*.RI3Ref", "0*.RI3Sam" }));
    EXPECT_EQ(first.Selected, 0);
    EXPECT_EQ(first.ChosenEntry, "0*.RA1");

    // The quick test sees only masks not flagged yet; a remembered Ref entry is selected again.
    EXPECT_FALSE(NewChannelAppeared(tmp.path(), first.Found));
    Touch(tmp / "A0001.IP1");
    EXPECT_TRUE(NewChannelAppeared(tmp.path(), first.Found));
    const ChannelDetection again = DetectChannels(tmp.path(), SlotOf(DirectoryChannels(), "0*.RI3"), "0*.RI3Ref");
    EXPECT_EQ(again.Entries, (Entries { "0*.RA1", "A*.IP1", "0*.RI3Ref", "0*.RI3Sam" }));
    EXPECT_EQ(again.Selected, 2);
    EXPECT_TRUE(DetectChannels("").Entries.empty()) << "no data directory chosen";

    // A name's mask is found without trying each mask, as trying each would find it.
    const auto& masks = ChannelMasks();
    for (const char* name : { "00001.RA1", "a0001.ip1", "D12.FI7", "0.RI7", "00001.RA1.bak", "E0001.RA1", "0001RA1", "x" })
        for (size_t slot = 0; slot < masks.size(); ++slot)
            EXPECT_EQ(ChannelMaskSlot(name) == static_cast<int32_t>(slot), MatchesMask(name, masks[slot]))
                << name << " " << masks[slot];
}

namespace {

// The two lines detection reads of a scan taken at `nm`.
void Header(const std::string& path, int nm)
{
    testutil::WriteTextFile(
        path, "Test sample\r\nR 1 20.0 50000 600 1.6E+10 " + std::to_string(nm) + " 1\r\n6.0 0.1 0.01\r\n");
}

} // namespace

TEST(ChannelDetection, ACellScannedAtSeveralWavelengthsOffersOneEntryPerWavelength)
{
    testutil::TempDir tmp;
    Header(tmp / "00001.RA1", 280);
    Window w;
    w.UpdateDirChannels(tmp.path());
    EXPECT_EQ(w.RadioGroupChannelsItems, (Entries { "0*.RA1" })) << "one wavelength: the plain entry";

    // The next file of the round is at 230 nm: the list is rebuilt, the remembered channel stays at
    // its first wavelength; the user's choice of the second is remembered.
    Header(tmp / "00002.RA1", 230);
    w.UpdateDirChannels(tmp.path());
    EXPECT_EQ(w.RadioGroupChannelsItems, (Entries { "0*.RA1 280 nm", "0*.RA1 230 nm" }));
    EXPECT_EQ(w.SelectedChannel(), "0*.RA1 280 nm");
    w.RadioGroupChannelsItemIndex = 1;
    w.RadioGroupChannelsClick();
    EXPECT_EQ(w.ChosenMask, 9);
    Touch(tmp / "00001.RA2");
    w.UpdateDirChannels(tmp.path());
    EXPECT_EQ(w.SelectedChannel(), "0*.RA1 230 nm");

    // A header still being written is read again at the next tick, once whole.
    testutil::WriteTextFile(tmp / "00003.RA1", "Test sample\r\nR 1 20.0 50000 600 1.6E+10 2");
    w.UpdateDirChannels(tmp.path());
    EXPECT_TRUE(w.Wavelengths.Pending(tmp.path()));
    Header(tmp / "00003.RA1", 260);
    w.UpdateDirChannels(tmp.path());
    EXPECT_EQ(w.RadioGroupChannelsItems.size(), 4u) << "0*.RA1 at 280, 230 and 260 nm, and 0*.RA2";

    // Once its first eight files are known, a mask is not looked at again.
    for (int n = 3; n <= 8; ++n)
        Header(tmp / ("0000" + std::to_string(n) + ".RA1"), n == 3 ? 260 : n % 2 ? 280 : 230);
    EXPECT_FALSE(WavelengthsChanged(tmp.path(), std::vector<bool>(136, true), w.Wavelengths));
    EXPECT_TRUE(w.Wavelengths.Settled(tmp.path(), "0*.RA1"));

    // Intensity: Ref and Sam per wavelength; with nothing remembered, Sam of the first.
    testutil::TempDir cell;
    Header(cell / "00001.RI2", 260);
    Header(cell / "00002.RI2", 280);
    // A pipe named as a scan once held the detection (of the window and of every command) for good.
    ASSERT_EQ(::mkfifo((cell / "00003.RI2").c_str(), 0600), 0);
    const ChannelDetection d = DetectChannels(cell.path());
    EXPECT_EQ(d.Entries, (Entries { "0*.RI2Ref 260 nm", "0*.RI2Sam 260 nm", "0*.RI2Ref 280 nm", "0*.RI2Sam 280 nm" }));
    EXPECT_EQ(d.ChosenEntry, "0*.RI2Sam 260 nm");
}
