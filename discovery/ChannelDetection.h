#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace morvane {

// The channels of a data directory, as plain functions that the main window and the headless
// command share.

// The text of one entry of the channel list: a six-character file mask such as "0*.RA1",
// for intensity masks followed by "Ref" or "Sam".
using ChannelEntry = std::string;

// The 136 channel masks in slot order: for each letter 0, A, B, C, D the masks IPS, IP1-8, RA1-8,
// RAS, FI1-8 (D stops at FI7); then 0*.RI1-7.
const std::vector<std::string>& ChannelMasks();

// The slot in ChannelMasks of the mask a file name matches (at most one does: a mask is a letter, a
// '*' and an extension), or -1; without regard to case, as MatchesMask.
int32_t ChannelMaskSlot(const std::string& name);

// One entry per mask, or the "Ref" and "Sam" pair for an intensity ("RI") mask. With two or more
// wavelengths (nm, in file order), those entries once per wavelength, each followed by its
// wavelength ("0*.RA1 280 nm", "0*.RA1 230 nm"); with one or none, the plain entries.
std::vector<ChannelEntry> ChannelEntries(const std::string& mask, const std::vector<int32_t>& wavelengths = {});

// The wavelengths of the absorbance and intensity masks of one directory, from the header lines of
// the first WavelengthProbeFiles files of each mask in name order (the first round of scans holds
// every wavelength of the cell): cheap enough for the detection tick, since each file's header is
// read once and a mask whose first files are all known is not listed again.
class WavelengthProbe {
public:
    static constexpr size_t WavelengthProbeFiles = 8;

    // The distinct wavelengths (whole nm) of the mask's first files, in the order met; none for a
    // mask of another kind. A new directory forgets what was learnt of the former one. `names`: the
    // directory's names as just listed (null: listed here).
    const std::vector<int32_t>& Of(
        const std::string& dir, const std::string& mask, const std::vector<std::string>* names = nullptr);
    // What the last look at the mask found, without looking again (none: never looked at).
    std::vector<int32_t> Known(const std::string& dir, const std::string& mask) const;
    // Whether the mask's first files are all known: its wavelengths no longer change.
    bool Settled(const std::string& dir, const std::string& mask) const;
    // Whether the last look left a header of dir unread because it was still being written: the
    // file may be complete by now without its directory showing a change.
    bool Pending(const std::string& dir) const;
    void Clear();

private:
    struct Mask {
        std::map<std::string, int32_t> Headers; // file name -> wavelength (0: none) of each header read
        std::vector<int32_t> Nm;
        bool Settled = false;
        bool Pending = false; // a header left unread, still being written
    };
    std::string dir_;
    std::map<std::string, Mask> masks_;
};

// The wavelengths of a mask in dir, looked at once (for a command that runs once).
std::vector<int32_t> MaskWavelengths(const std::string& dir, const std::string& mask);

// Whether the wavelengths of a found absorbance or intensity mask have changed the entries it
// offers since `probe` last looked (a second wavelength's first file has appeared). `names` as for
// WavelengthProbe::Of.
bool WavelengthsChanged(const std::string& dir, const std::vector<bool>& found, WavelengthProbe& probe,
    const std::vector<std::string>* names = nullptr);

// The quick test of the detection tick: whether a mask whose flag in `found` is clear (slot order
// of ChannelMasks; missing flags count as clear) has a file in dir, from one listing (or `names`,
// the directory's names as just listed). An empty dir (no data directory chosen) has none.
bool NewChannelAppeared(
    const std::string& dir, const std::vector<bool>& found, const std::vector<std::string>* names = nullptr);

struct ChannelDetection {
    std::vector<bool> Found; // per mask of ChannelMasks: it has a file in the directory
    std::vector<ChannelEntry> Entries; // the entries of the masks found, in slot order
    int32_t Selected = -1; // index in Entries of the chosen channel; -1: none
    int32_t ChosenMask = -1; // slot of the remembered channel afterwards
    ChannelEntry ChosenEntry; // the remembered entry afterwards
};

// Detects the channels of dir. The remembered channel (chosenMask, -1: none; chosenEntry, which
// keeps "Ref" or "Sam" of an intensity mask and a wavelength) is selected again where it is found
// (a plain entry whose mask now offers wavelengths: its entry at the first wavelength); when none is
// remembered the first mask found becomes it, with the last entry of its first wavelength ("Sam"
// for intensity). An empty dir or a directory that cannot be listed finds nothing. `probe` keeps
// what was learnt of the wavelengths between calls (none: looked at afresh). The directory is listed
// once (`names`: as just listed by the caller), whatever the number of its files and masks.
ChannelDetection DetectChannels(const std::string& dir, int32_t chosenMask = -1, const ChannelEntry& chosenEntry = {},
    WavelengthProbe* probe = nullptr, const std::vector<std::string>* names = nullptr);

} // namespace morvane
