#include "mainwindow/ChannelDetection.h"

#include <algorithm>
#include <cctype>

#include "scanfiles/ChannelWavelength.h"
#include "scanfiles/FileSystem.h"

const std::vector<std::string>& ChannelMasks()
{
    static const std::vector<std::string> masks = [] {
        std::vector<std::string> m;
        for (const char letter : { '0', 'A', 'B', 'C', 'D' }) {
            const std::string prefix = std::string(1, letter) + "*.";
            m.push_back(prefix + "IPS");
            for (char cell = '1'; cell <= '8'; ++cell)
                m.push_back(prefix + "IP" + cell);
            for (char cell = '1'; cell <= '8'; ++cell)
                m.push_back(prefix + "RA" + cell);
            m.push_back(prefix + "RAS");
            // There is no D*.FI8 mask.
            const char lastFluorescenceCell = letter == 'D' ? '7' : '8';
            for (char cell = '1'; cell <= lastFluorescenceCell; ++cell)
                m.push_back(prefix + "FI" + cell);
        }
        // Intensity: letter 0 only, cells 1..7.
        for (char cell = '1'; cell <= '7'; ++cell)
            m.push_back(std::string("0*.RI") + cell);
        return m;
    }();
    return masks;
}

std::vector<ChannelEntry> ChannelEntries(const std::string& mask, const std::vector<int32_t>& wavelengths)
{
    const bool intensity = mask.size() >= 5 && std::toupper(static_cast<unsigned char>(mask[3])) == 'R'
        && std::toupper(static_cast<unsigned char>(mask[4])) == 'I';
    const std::vector<ChannelEntry> plain
        = intensity ? std::vector<ChannelEntry> { mask + "Ref", mask + "Sam" } : std::vector<ChannelEntry> { mask };
    if (wavelengths.size() < 2)
        return plain;
    std::vector<ChannelEntry> entries;
    for (const int32_t nm : wavelengths)
        for (const ChannelEntry& entry : plain)
            entries.push_back(EntryWithWavelength(entry, nm));
    return entries;
}

const std::vector<int32_t>& WavelengthProbe::Of(const std::string& dir, const std::string& mask)
{
    if (dir != dir_) {
        Clear();
        dir_ = dir;
    }
    Mask& m = masks_[mask];
    if (m.Settled || !ScannedAtWavelengths(mask))
        return m.Nm;
    std::vector<std::string> names = ListFiles(dir, mask);
    SortNamesIgnoringCase(names);
    names.resize(std::min(names.size(), WavelengthProbeFiles));
    m.Nm.clear();
    size_t known = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        auto at = m.Headers.find(names[i]);
        if (at == m.Headers.end()) {
            bool complete = false;
            const int32_t nm = HeaderWavelength(JoinPath(dir, names[i]), complete);
            // A header still being written is read again at the next look, unless a later file
            // shows that the instrument has moved on from it.
            if (!complete && i + 1 == names.size())
                continue;
            at = m.Headers.emplace(names[i], nm).first;
        }
        ++known;
        if (at->second > 0 && std::find(m.Nm.begin(), m.Nm.end(), at->second) == m.Nm.end())
            m.Nm.push_back(at->second);
    }
    m.Settled = known == WavelengthProbeFiles;
    return m.Nm;
}

std::vector<int32_t> WavelengthProbe::Known(const std::string& dir, const std::string& mask) const
{
    const auto at = masks_.find(mask);
    return dir == dir_ && at != masks_.end() ? at->second.Nm : std::vector<int32_t>();
}

bool WavelengthProbe::Settled(const std::string& dir, const std::string& mask) const
{
    const auto at = masks_.find(mask);
    return dir == dir_ && at != masks_.end() && at->second.Settled;
}

void WavelengthProbe::Clear()
{
    dir_.clear();
    masks_.clear();
}

std::vector<int32_t> MaskWavelengths(const std::string& dir, const std::string& mask)
{
    WavelengthProbe probe;
    return probe.Of(dir, mask);
}

bool WavelengthsChanged(const std::string& dir, const std::vector<bool>& found, WavelengthProbe& probe)
{
    if (dir.empty())
        return false;
    const std::vector<std::string>& masks = ChannelMasks();
    bool changed = false;
    for (size_t i = 0; i < masks.size() && i < found.size(); ++i) {
        if (!found[i] || !ScannedAtWavelengths(masks[i]) || probe.Settled(dir, masks[i]))
            continue;
        const std::vector<int32_t> before = probe.Known(dir, masks[i]);
        const std::vector<int32_t>& after = probe.Of(dir, masks[i]);
        changed = changed || ChannelEntries(masks[i], before) != ChannelEntries(masks[i], after);
    }
    return changed;
}

bool NewChannelAppeared(const std::string& dir, const std::vector<bool>& found)
{
    if (dir.empty())
        return false;
    const std::vector<std::string>& masks = ChannelMasks();
    for (size_t i = 0; i < masks.size(); ++i)
        if (!(i < found.size() && found[i]) && AnyFileMatches(dir, masks[i]))
            return true;
    return false;
}

namespace {

// Which of a mask's entries is chosen: the remembered entry, else the first with its text before the
// wavelength (a channel remembered before its cell showed a second wavelength), else the last entry
// of the first wavelength ("Sam" for intensity).
size_t ChosenOf(const std::vector<ChannelEntry>& entries, const std::string& mask, const ChannelEntry& remembered)
{
    for (size_t k = 0; k < entries.size(); ++k)
        if (entries[k] == remembered)
            return k;
    for (size_t k = 0; k < entries.size(); ++k)
        if (EntryWithoutWavelength(entries[k]) == EntryWithoutWavelength(remembered))
            return k;
    return ChannelEntries(mask).size() - 1;
}

} // namespace

ChannelDetection DetectChannels(
    const std::string& dir, int32_t chosenMask, const ChannelEntry& chosenEntry, WavelengthProbe* probe)
{
    const std::vector<std::string>& masks = ChannelMasks();
    ChannelDetection d;
    d.Found.assign(masks.size(), false);
    d.ChosenMask = chosenMask;
    d.ChosenEntry = chosenEntry;
    if (dir.empty())
        return d;
    WavelengthProbe once;
    WavelengthProbe& wavelengths = probe ? *probe : once;
    for (size_t slot = 0; slot < masks.size(); ++slot) {
        if (!AnyFileMatches(dir, masks[slot]))
            continue;
        d.Found[slot] = true;
        const std::vector<ChannelEntry> entries = ChannelEntries(masks[slot], wavelengths.Of(dir, masks[slot]));
        d.Entries.insert(d.Entries.end(), entries.begin(), entries.end());
        const int32_t i = static_cast<int32_t>(slot);
        if (d.ChosenMask == i || d.ChosenMask == -1) {
            const size_t k = ChosenOf(entries, masks[slot], d.ChosenEntry);
            d.Selected = static_cast<int32_t>(d.Entries.size() - entries.size() + k);
            d.ChosenMask = i;
            d.ChosenEntry = d.Entries[static_cast<size_t>(d.Selected)];
        }
    }
    return d;
}
