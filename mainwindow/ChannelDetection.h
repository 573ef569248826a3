#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The channels of a data directory, as plain functions that the main window and the headless
// command share.

// The text of one entry of the channel list: a six-character file mask such as "0*.RA1",
// for intensity masks followed by "Ref" or "Sam".
using ChannelEntry = std::string;

// The 136 channel masks in slot order: for each letter 0, A, B, C, D the masks IPS, IP1-8, RA1-8,
// RAS, FI1-8 (D stops at FI7); then 0*.RI1-7.
const std::vector<std::string>& ChannelMasks();

// One entry per mask, or the "Ref" and "Sam" pair for an intensity ("RI") mask.
std::vector<ChannelEntry> ChannelEntries(const std::string& mask);

// The quick test of the detection tick: whether a mask whose flag in `found` is clear (slot order
// of ChannelMasks; missing flags count as clear) has a file in dir. Stops at the first. An empty
// dir (no data directory chosen) has none.
bool NewChannelAppeared(const std::string& dir, const std::vector<bool>& found);

struct ChannelDetection {
    std::vector<bool> Found; // per mask of ChannelMasks: it has a file in the directory
    std::vector<ChannelEntry> Entries; // the entries of the masks found, in slot order
    int32_t Selected = -1; // index in Entries of the chosen channel; -1: none
    int32_t ChosenMask = -1; // slot of the remembered channel afterwards
    ChannelEntry ChosenEntry; // the remembered entry afterwards
};

// Detects the channels of dir. The remembered channel (chosenMask, -1: none; chosenEntry, which
// keeps "Ref" or "Sam" of an intensity mask) is selected again where it is found; when none is
// remembered the first mask found becomes it, with its last entry ("Sam" for intensity). An empty
// dir or a directory that cannot be listed finds nothing.
ChannelDetection DetectChannels(const std::string& dir, int32_t chosenMask = -1, const ChannelEntry& chosenEntry = {});
