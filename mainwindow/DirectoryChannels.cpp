#include "mainwindow/DirectoryChannels.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <system_error>

#include "scanfiles/FileSystem.h"

namespace fs = std::filesystem;

namespace {

// The integer value of text: an optional sign and at least one digit, nothing else.
int32_t StrToIntDef(const std::string& text, int32_t fallback)
{
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i == text.size() || text.size() > 10)
        return fallback;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return fallback;
        value = value * 10 + (text[i] - '0');
    }
    value = negative ? -value : value;
    if (value > INT32_MAX || value < INT32_MIN)
        return fallback;
    return static_cast<int32_t>(value);
}

// Entries of dir whose names have no extension (no '.'), sorted ignoring case so that
// "first met" does not depend on the file system's order. Entries are not tested for
// being directories.
std::vector<std::string> NamesWithoutExtension(const std::string& dir, bool& ok)
{
    std::vector<std::string> names = ListFiles(dir, "*", &ok);
    std::erase_if(names, [](const std::string& n) { return n.find('.') != std::string::npos; });
    SortNamesIgnoringCase(names);
    return names;
}

// After a failed listing of path: true when path is simply not a directory (a plain file, a
// link to nothing), which has nothing below it; false for a directory that cannot be read or
// an entry that has vanished, which end the root scan.
bool NothingBelow(const std::string& path)
{
    std::error_code ec;
    const fs::file_status own = fs::symlink_status(path, ec);
    if (ec || !fs::exists(own))
        return false;
    const fs::file_status target = fs::status(path, ec);
    if (target.type() == fs::file_type::not_found)
        return true;
    if (ec)
        return false;
    return !fs::is_directory(target);
}

// The root's subdirectory XLIDATA, found without regard to case like every other name of
// the instrument's data; "" when there is none.
std::string XliDataDir(const std::string& root)
{
    std::vector<std::string> names = ListFiles(root, "XLIDATA");
    SortNamesIgnoringCase(names);
    for (const std::string& name : names) {
        std::error_code ec;
        const std::string path = JoinPath(root, name);
        if (fs::is_directory(path, ec))
            return path;
    }
    return {};
}

} // namespace

DirectoryChannels::DirectoryChannels()
{
    FillMasks();
    FileListBox1Directory = "C:\\";
}

void DirectoryChannels::FillMasks()
{
    FileMasks.fill(std::string());
    MaskFound.fill(false);
    NumMasks = 0;
    // Per letter: IPS, IP1..IP8, RA1..RA8, RAS, FI1..FI8; there is no D*.FI8 mask.
    for (const char letter : { '0', 'A', 'B', 'C', 'D' }) {
        const std::string prefix = std::string(1, letter) + "*.";
        FileMasks[NumMasks++] = prefix + "IPS";
        for (char cell = '1'; cell <= '8'; ++cell)
            FileMasks[NumMasks++] = prefix + "IP" + cell;
        for (char cell = '1'; cell <= '8'; ++cell)
            FileMasks[NumMasks++] = prefix + "RA" + cell;
        FileMasks[NumMasks++] = prefix + "RAS";
        const char lastFluorescenceCell = letter == 'D' ? '7' : '8';
        for (char cell = '1'; cell <= lastFluorescenceCell; ++cell)
            FileMasks[NumMasks++] = prefix + "FI" + cell;
    }
    // Intensity: letter 0 only, cells 1..7.
    for (char cell = '1'; cell <= '7'; ++cell)
        FileMasks[NumMasks++] = std::string("0*.RI") + cell;
}

std::vector<ChannelEntry> DirectoryChannels::ChannelEntries(const std::string& mask)
{
    const bool intensity = mask.size() >= 5 && std::toupper(static_cast<unsigned char>(mask[3])) == 'R'
        && std::toupper(static_cast<unsigned char>(mask[4])) == 'I';
    if (intensity)
        return { mask + "Ref", mask + "Sam" };
    return { mask };
}

int32_t DirectoryChannels::DateDirScore(const std::string& name)
{
    if (name.size() != 6)
        return -1;
    const int32_t mm = StrToIntDef(name.substr(0, 2), -1);
    const int32_t dd = StrToIntDef(name.substr(2, 2), -1);
    const int32_t yy = StrToIntDef(name.substr(4, 2), -1);
    return yy * 10000 + mm * 100 + dd;
}

int32_t DirectoryChannels::RunDirScore(const std::string& name)
{
    if (name.size() != 6)
        return 0;
    return StrToIntDef(name, -1);
}

int32_t DirectoryChannels::AddDataDir(const std::string& path)
{
    // After any equal entries, as a sorted list box places it.
    size_t at = 0;
    while (at < ListBoxDataDirs.size() && !NameLessIgnoringCase(path, ListBoxDataDirs[at]))
        ++at;
    ListBoxDataDirs.insert(ListBoxDataDirs.begin() + static_cast<std::ptrdiff_t>(at), path);
    if (ListBoxDataDirsItemIndex >= static_cast<int32_t>(at))
        ++ListBoxDataDirsItemIndex;
    return static_cast<int32_t>(at);
}

int32_t DirectoryChannels::IndexOfDataDir(const std::string& path) const
{
    for (size_t i = 0; i < ListBoxDataDirs.size(); ++i)
        if (ListBoxDataDirs[i] == path)
            return static_cast<int32_t>(i);
    return -1;
}

bool DirectoryChannels::MakeWorkingDirectory(const std::string& dir) const
{
    if (!ChangeWorkingDirectory)
        return true;
    std::error_code ec;
    fs::current_path(dir, ec);
    return !ec;
}

std::string DirectoryChannels::ScanRootDir(const std::string& root)
{
    try {
        ListBoxDataDirs.clear();
        ListBoxDataDirsItemIndex = -1;
        if (root.empty())
            return UnexpectedDirectoryError;

        std::vector<std::string> searched { root };
        if (const std::string xli = XliDataDir(root); !xli.empty())
            searched.push_back(xli);

        // The newest run: the largest run key within the largest date key that holds a run;
        // on equal keys the first met wins.
        int32_t bestDate = -1;
        int32_t bestRun = -1;
        std::string bestPath;
        for (const std::string& dir : searched) {
            bool ok = false;
            const std::vector<std::string> dates = NamesWithoutExtension(dir, ok);
            if (!ok)
                return UnexpectedDirectoryError;
            for (const std::string& date : dates) {
                const int32_t dateKey = DateDirScore(date);
                if (dateKey <= 0)
                    continue;
                const std::string datePath = JoinPath(dir, date);
                const std::vector<std::string> runs = NamesWithoutExtension(datePath, ok);
                if (!ok) {
                    if (NothingBelow(datePath))
                        continue;
                    return UnexpectedDirectoryError;
                }
                for (const std::string& run : runs) {
                    const int32_t runKey = RunDirScore(run);
                    if (runKey <= 0)
                        continue;
                    const std::string runPath = JoinPath(datePath, run);
                    AddDataDir(runPath);
                    if (dateKey > bestDate || (dateKey == bestDate && runKey > bestRun)) {
                        bestDate = dateKey;
                        bestRun = runKey;
                        bestPath = runPath;
                    }
                }
            }
        }

        // Without run directories the data files lie in the root itself.
        AddDataDir(root);
        const std::string current = bestRun == -1 ? root : bestPath;
        EditDataDir = current;
        ListBoxDataDirsItemIndex = IndexOfDataDir(current);
        if (std::string message = ListBoxDataDirsClick(); !message.empty())
            return message;
        if (!MakeWorkingDirectory(root))
            return UnexpectedDirectoryError;
        return {};
    } catch (const std::exception&) {
        return UnexpectedDirectoryError;
    }
}

std::string DirectoryChannels::RootDirChosen(const std::string& chosenFileName)
{
    try {
        EditInputDir = fs::path(chosenFileName).parent_path().string();
        RadioGroupChannelsItems.clear();
        RadioGroupChannelsItemIndex = -1;
        return ScanRootDir(EditInputDir);
    } catch (const std::exception&) {
        return UnexpectedDirectoryError;
    }
}

std::string DirectoryChannels::ListBoxDataDirsClick()
{
    if (ListBoxDataDirsItemIndex < 0 || ListBoxDataDirsItemIndex >= static_cast<int32_t>(ListBoxDataDirs.size()))
        return {};
    try {
        const std::string dir = ListBoxDataDirs[static_cast<size_t>(ListBoxDataDirsItemIndex)];
        ReadFileList(dir);
        FileListBox1ItemIndex = -1;
        EditDataDir = dir;
        ResetDirChannels();
        UpdateDirChannels(dir);
        if (!MakeWorkingDirectory(dir))
            return UnexpectedDirectoryError;
        return {};
    } catch (const std::exception&) {
        return UnexpectedDirectoryError;
    }
}

void DirectoryChannels::ResetDirChannels()
{
    MaskFound.fill(false);
    ChosenMask = -1;
    ChosenEntry.clear();
    RadioGroupChannelsItems.clear();
    RadioGroupChannelsItemIndex = -1;
}

void DirectoryChannels::UpdateDirChannels(const std::string& dir)
{
    // No data directory chosen yet: there is nothing to detect (not the file system's root).
    if (dir.empty())
        return;
    try {
        // Quick test: only masks not found yet, stopping at the first that has a file.
        bool appeared = false;
        for (int32_t i = 0; i < NumMasks && !appeared; ++i)
            appeared = !MaskFound[static_cast<size_t>(i)] && AnyFileMatches(dir, FileMasks[static_cast<size_t>(i)]);
        if (!appeared)
            return;

        std::vector<ChannelEntry> items;
        int32_t selected = -1;
        for (int32_t i = 0; i < NumMasks; ++i) {
            const size_t slot = static_cast<size_t>(i);
            MaskFound[slot] = AnyFileMatches(dir, FileMasks[slot]);
            if (!MaskFound[slot])
                continue;
            const std::vector<ChannelEntry> entries = ChannelEntries(FileMasks[slot]);
            items.insert(items.end(), entries.begin(), entries.end());
            if (ChosenMask == i || ChosenMask == -1) {
                // The remembered entry again, otherwise the last of this mask ("Sam").
                selected = static_cast<int32_t>(items.size()) - 1;
                for (size_t k = 0; k < entries.size(); ++k)
                    if (entries[k] == ChosenEntry)
                        selected = static_cast<int32_t>(items.size() - entries.size() + k);
                ChosenMask = i;
                ChosenEntry = items[static_cast<size_t>(selected)];
            }
        }
        RadioGroupChannelsItems = std::move(items);
        RadioGroupChannelsItemIndex = selected;
    } catch (const std::exception&) {
        // Detection reports nothing; the next tick tries again.
    }
}

void DirectoryChannels::RadioGroupChannelsClick()
{
    const ChannelEntry entry = SelectedChannel();
    if (entry.empty())
        return;
    for (int32_t i = 0; i < NumMasks; ++i) {
        for (const ChannelEntry& candidate : ChannelEntries(FileMasks[static_cast<size_t>(i)])) {
            if (candidate == entry) {
                ChosenMask = i;
                ChosenEntry = entry;
                return;
            }
        }
    }
}

void DirectoryChannels::ReadFileList(const std::string& dir)
{
    FileListBox1Directory = dir;
    std::vector<std::string> names = ListFiles(dir, "*");
    // Plain files only; hidden names (leading '.') are left out like hidden files.
    std::erase_if(names, [&](const std::string& name) {
        std::error_code ec;
        return name.empty() || name[0] == '.' || fs::is_directory(JoinPath(dir, name), ec);
    });
    SortNamesIgnoringCase(names);
    FileListBox1Items = std::move(names);
}

void DirectoryChannels::ButtonRefreshFileListClick()
{
    try {
        const std::string chosen
            = FileListBox1ItemIndex >= 0 && FileListBox1ItemIndex < static_cast<int32_t>(FileListBox1Items.size())
            ? FileListBox1Items[static_cast<size_t>(FileListBox1ItemIndex)]
            : std::string();
        ReadFileList(FileListBox1Directory);
        FileListBox1ItemIndex = -1;
        for (size_t i = 0; i < FileListBox1Items.size() && !chosen.empty(); ++i)
            if (FileListBox1Items[i] == chosen)
                FileListBox1ItemIndex = static_cast<int32_t>(i);
    } catch (const std::exception&) {
        FileListBox1Items.clear();
        FileListBox1ItemIndex = -1;
    }
}

void DirectoryChannels::FileListBox1Change(int32_t index)
{
    if (index < 0 || index >= static_cast<int32_t>(FileListBox1Items.size())) {
        FileListBox1ItemIndex = -1;
        EditDateTimeDir.clear();
        return;
    }
    FileListBox1ItemIndex = index;
    EditDateTimeDir = JoinPath(FileListBox1Directory, FileListBox1Items[static_cast<size_t>(index)]);
}

std::string DirectoryChannels::ButtonRefreshSubdirectoriesClick()
{
    if (EditInputDir.empty())
        return {};
    return ScanRootDir(EditInputDir);
}

ChannelEntry DirectoryChannels::SelectedChannel() const
{
    if (RadioGroupChannelsItemIndex < 0
        || RadioGroupChannelsItemIndex >= static_cast<int32_t>(RadioGroupChannelsItems.size()))
        return {};
    return RadioGroupChannelsItems[static_cast<size_t>(RadioGroupChannelsItemIndex)];
}
