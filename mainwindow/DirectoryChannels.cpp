#include "mainwindow/DirectoryChannels.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <system_error>

#include "scanfiles/ChannelWavelength.h"
#include "scanfiles/FileSystem.h"

namespace morvane {

namespace fs = std::filesystem;

DirectoryChannels::DirectoryChannels()
{
    FillMasks();
    FileListBox1Directory = "C:\\";
}

void DirectoryChannels::FillMasks()
{
    FileMasks.fill(std::string());
    MaskFound.fill(false);
    const std::vector<std::string>& masks = ChannelMasks();
    NumMasks = static_cast<int32_t>(masks.size());
    std::copy(masks.begin(), masks.end(), FileMasks.begin());
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
        RunDirectories runs = ListRunDirectories(root);
        ListBoxDataDirs = std::move(runs.Dirs);
        rootListed_ = std::move(runs.Listed);
        followAgain_ = true;
        if (!runs.Failure.empty())
            return runs.Failure;
        EditDataDir = ListBoxDataDirs[static_cast<size_t>(runs.Newest)];
        ListBoxDataDirsItemIndex = runs.Newest;
        if (std::string message = ListBoxDataDirsClick(); !message.empty())
            return message;
        if (!MakeWorkingDirectory(root))
            return UnexpectedDirectoryError;
        std::string loops;
        for (const std::string& loop : runs.Loops)
            loops += (loops.empty() ? "" : "\n") + LoopMessage(loop);
        return loops;
    } catch (const std::exception&) {
        return UnexpectedDirectoryError;
    }
}

std::string DirectoryChannels::RootDirChosen(const std::string& chosen)
{
    try {
        std::error_code ec;
        fs::path root(chosen);
        if (fs::is_directory(root, ec)) {
            while (root.has_relative_path() && !root.has_filename())
                root = root.parent_path();
        } else {
            root = root.parent_path();
        }
        EditInputDir = root.string();
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
    detectAgain_ = true;
    MaskFound.fill(false);
    ChosenMask = -1;
    ChosenEntry.clear();
    Wavelengths.Clear();
    RadioGroupChannelsItems.clear();
    RadioGroupChannelsItemIndex = -1;
}

void DirectoryChannels::UpdateDirChannels(const std::string& dir)
{
    // No data directory chosen yet: there is nothing to detect (not the file system's root).
    if (dir.empty())
        return;
    try {
        if (!DetectionDue(dir))
            return;
        bool listed = false;
        const std::vector<std::string> names = ListFiles(dir, "*", &listed);
        // A directory that cannot be listed now (gone, or not readable) is tried at every tick.
        detectAgain_ = !listed;
        // Only the appearance of a mask not found yet, or of a further wavelength of a found mask,
        // rebuilds the list.
        const std::vector<bool> known(MaskFound.begin(), MaskFound.begin() + NumMasks);
        if (!NewChannelAppeared(dir, known, &names) && !WavelengthsChanged(dir, known, Wavelengths, &names))
            return;
        ChannelDetection found = DetectChannels(dir, ChosenMask, ChosenEntry, &Wavelengths, &names);
        for (int32_t i = 0; i < NumMasks; ++i)
            MaskFound[static_cast<size_t>(i)] = found.Found[static_cast<size_t>(i)];
        ChosenMask = found.ChosenMask;
        ChosenEntry = std::move(found.ChosenEntry);
        RadioGroupChannelsItems = std::move(found.Entries);
        RadioGroupChannelsItemIndex = found.Selected;
    } catch (const std::exception&) {
        detectAgain_ = true; // detection reports nothing; the next tick tries again
    }
}

bool DirectoryChannels::DetectionDue(const std::string& dir)
{
    // The watch is asked every time, so that it follows the directory looked at.
    const bool changed = detectionWatch_.Changed({ dir });
    return changed || detectAgain_ || Wavelengths.Pending(dir);
}

void DirectoryChannels::RadioGroupChannelsClick()
{
    const ChannelEntry entry = SelectedChannel();
    if (entry.empty())
        return;
    for (int32_t i = 0; i < NumMasks; ++i) {
        for (const ChannelEntry& candidate : ChannelEntries(FileMasks[static_cast<size_t>(i)])) {
            if (candidate == EntryWithoutWavelength(entry)) {
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
    // Plain files only; hidden names (leading '.') are left out like hidden files. The listing's
    // own file types spare a status per file, except for links.
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(dir.empty() ? fs::path(".") : fs::path(dir), ec), end; !ec && it != end;
         it.increment(ec)) {
        std::string name = it->path().filename().string();
        std::error_code typeError;
        if (!name.empty() && name[0] != '.' && !it->is_directory(typeError))
            names.push_back(std::move(name));
    }
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

void DirectoryChannels::FollowRootDir()
{
    if (EditInputDir.empty())
        return;
    try {
        std::vector<std::string> watched = rootListed_;
        watched.push_back(EditDataDir);
        const std::vector<std::string> changed = followWatch_.ChangedAmong(watched);
        const bool filesChanged = std::binary_search(changed.begin(), changed.end(), EditDataDir);
        // The runs are found again only when a directory their finding listed may have changed:
        // the files a run in progress adds to the current directory need only the file list.
        const bool runsChanged = followAgain_ || std::any_of(changed.begin(), changed.end(), [this](const auto& dir) {
            return std::find(rootListed_.begin(), rootListed_.end(), dir) != rootListed_.end();
        });
        if (!runsChanged) {
            if (filesChanged && FileListBox1Directory == EditDataDir)
                ButtonRefreshFileListClick();
            return;
        }
        RunDirectories runs = ListRunDirectories(EditInputDir);
        followAgain_ = !runs.Failure.empty() || runs.Newest < 0;
        if (followAgain_)
            return;
        rootListed_ = std::move(runs.Listed);
        const std::string newest = runs.Dirs[static_cast<size_t>(runs.Newest)];
        if (runs.Dirs != ListBoxDataDirs) {
            ListBoxDataDirs = std::move(runs.Dirs);
            const auto current = std::find(ListBoxDataDirs.begin(), ListBoxDataDirs.end(), EditDataDir);
            ListBoxDataDirsItemIndex
                = current == ListBoxDataDirs.end() ? -1 : static_cast<int32_t>(current - ListBoxDataDirs.begin());
        }
        // A run started after the program: the directory chosen before it (the root, or an older
        // run's directory) holds no channel, the new run does.
        if (RadioGroupChannelsItems.empty() && newest != EditDataDir) {
            const auto at = std::find(ListBoxDataDirs.begin(), ListBoxDataDirs.end(), newest);
            ListBoxDataDirsItemIndex = static_cast<int32_t>(at - ListBoxDataDirs.begin());
            ListBoxDataDirsClick();
            return;
        }
        if (FileListBox1Directory == EditDataDir)
            ButtonRefreshFileListClick();
    } catch (const std::exception&) {
        followAgain_ = true; // tried again at the next tick
    }
}

ChannelEntry DirectoryChannels::SelectedChannel() const
{
    if (RadioGroupChannelsItemIndex < 0
        || RadioGroupChannelsItemIndex >= static_cast<int32_t>(RadioGroupChannelsItems.size()))
        return {};
    return RadioGroupChannelsItems[static_cast<size_t>(RadioGroupChannelsItemIndex)];
}

} // namespace morvane
