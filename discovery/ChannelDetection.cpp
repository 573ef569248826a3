#include "discovery/ChannelDetection.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

#include "scanfiles/ChannelWavelength.h"
#include "scanfiles/FileSystem.h"

namespace morvane {

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

namespace {

char LowerChar(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// A name's key for the masks: its first character and its last four, in lower case ("0.ra1").
std::string MaskKey(const std::string& name)
{
    std::string key(1, LowerChar(name[0]));
    for (size_t i = name.size() - 4; i < name.size(); ++i)
        key += LowerChar(name[i]);
    return key;
}

// The directory's names: those given, else listed into `own` (none when it cannot be listed).
const std::vector<std::string>* NamesOf(
    const std::string& dir, const std::vector<std::string>* names, std::vector<std::string>& own)
{
    if (names)
        return names;
    own = ListFiles(dir, "*");
    return &own;
}

} // namespace

int32_t ChannelMaskSlot(const std::string& name)
{
    static const std::unordered_map<std::string, int32_t> slots = [] {
        std::unordered_map<std::string, int32_t> m;
        const std::vector<std::string>& masks = ChannelMasks();
        for (size_t i = 0; i < masks.size(); ++i) // "0*.RA1": '0' and ".RA1"
            m.emplace(MaskKey(masks[i].substr(0, 1) + masks[i].substr(2)), static_cast<int32_t>(i));
        return m;
    }();
    if (name.size() < 5) // the letter and the extension at the least
        return -1;
    const auto at = slots.find(MaskKey(name));
    return at == slots.end() ? -1 : at->second;
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

const std::vector<int32_t>& WavelengthProbe::Of(
    const std::string& dir, const std::string& mask, const std::vector<std::string>* listed)
{
    if (dir != dir_) {
        Clear();
        dir_ = dir;
    }
    Mask& m = masks_[mask];
    if (m.Settled || !ScannedAtWavelengths(mask))
        return m.Nm;
    std::vector<std::string> names;
    if (listed) {
        for (const std::string& name : *listed)
            if (MatchesMask(name, mask))
                names.push_back(name);
    } else {
        names = ListFiles(dir, mask);
    }
    SortNamesIgnoringCase(names);
    names.resize(std::min(names.size(), WavelengthProbeFiles));
    m.Nm.clear();
    m.Pending = false;
    size_t known = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        auto at = m.Headers.find(names[i]);
        if (at == m.Headers.end()) {
            bool complete = false;
            const int32_t nm = HeaderWavelength(JoinPath(dir, names[i]), complete);
            // A header still being written is read again at the next look, unless a later file
            // shows that the instrument has moved on from it.
            if (!complete && i + 1 == names.size()) {
                m.Pending = true;
                continue;
            }
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

bool WavelengthProbe::Pending(const std::string& dir) const
{
    return dir == dir_ && std::any_of(masks_.begin(), masks_.end(), [](const auto& m) { return m.second.Pending; });
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

bool WavelengthsChanged(const std::string& dir, const std::vector<bool>& found, WavelengthProbe& probe,
    const std::vector<std::string>* names)
{
    if (dir.empty())
        return false;
    const std::vector<std::string>& masks = ChannelMasks();
    bool changed = false;
    for (size_t i = 0; i < masks.size() && i < found.size(); ++i) {
        if (!found[i] || !ScannedAtWavelengths(masks[i]) || probe.Settled(dir, masks[i]))
            continue;
        const std::vector<int32_t> before = probe.Known(dir, masks[i]);
        const std::vector<int32_t>& after = probe.Of(dir, masks[i], names);
        changed = changed || ChannelEntries(masks[i], before) != ChannelEntries(masks[i], after);
    }
    return changed;
}

bool NewChannelAppeared(const std::string& dir, const std::vector<bool>& found, const std::vector<std::string>* names)
{
    if (dir.empty())
        return false;
    std::vector<std::string> own;
    for (const std::string& name : *NamesOf(dir, names, own)) {
        const int32_t slot = ChannelMaskSlot(name);
        if (slot >= 0 && !(static_cast<size_t>(slot) < found.size() && found[static_cast<size_t>(slot)]))
            return true;
    }
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

ChannelDetection DetectChannels(const std::string& dir, int32_t chosenMask, const ChannelEntry& chosenEntry,
    WavelengthProbe* probe, const std::vector<std::string>* names)
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
    std::vector<std::string> own;
    const std::vector<std::string>& listed = *NamesOf(dir, names, own);
    for (const std::string& name : listed)
        if (const int32_t slot = ChannelMaskSlot(name); slot >= 0)
            d.Found[static_cast<size_t>(slot)] = true;
    for (size_t slot = 0; slot < masks.size(); ++slot) {
        if (!d.Found[slot])
            continue;
        const std::vector<ChannelEntry> entries
            = ChannelEntries(masks[slot], wavelengths.Of(dir, masks[slot], &listed));
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

} // namespace morvane
