#include "mainwindow/ChannelDetection.h"

#include <cctype>

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

std::vector<ChannelEntry> ChannelEntries(const std::string& mask)
{
    const bool intensity = mask.size() >= 5 && std::toupper(static_cast<unsigned char>(mask[3])) == 'R'
        && std::toupper(static_cast<unsigned char>(mask[4])) == 'I';
    if (intensity)
        return { mask + "Ref", mask + "Sam" };
    return { mask };
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

ChannelDetection DetectChannels(const std::string& dir, int32_t chosenMask, const ChannelEntry& chosenEntry)
{
    const std::vector<std::string>& masks = ChannelMasks();
    ChannelDetection d;
    d.Found.assign(masks.size(), false);
    d.ChosenMask = chosenMask;
    d.ChosenEntry = chosenEntry;
    if (dir.empty())
        return d;
    for (size_t slot = 0; slot < masks.size(); ++slot) {
        if (!AnyFileMatches(dir, masks[slot]))
            continue;
        d.Found[slot] = true;
        const std::vector<ChannelEntry> entries = ChannelEntries(masks[slot]);
        d.Entries.insert(d.Entries.end(), entries.begin(), entries.end());
        const int32_t i = static_cast<int32_t>(slot);
        if (d.ChosenMask == i || d.ChosenMask == -1) {
            // The remembered entry again, otherwise the last of this mask ("Sam").
            d.Selected = static_cast<int32_t>(d.Entries.size()) - 1;
            for (size_t k = 0; k < entries.size(); ++k)
                if (entries[k] == d.ChosenEntry)
                    d.Selected = static_cast<int32_t>(d.Entries.size() - entries.size() + k);
            d.ChosenMask = i;
            d.ChosenEntry = d.Entries[static_cast<size_t>(d.Selected)];
        }
    }
    return d;
}
