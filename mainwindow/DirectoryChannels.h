#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "discovery/ChannelDetection.h"
#include "discovery/RunDiscovery.h"
#include "scanfiles/DirectoryWatch.h"

namespace morvane {

// The main window's root directory, run directories and channel detection, with the state
// of their controls as plain fields. The window class derives from it and binds the controls.
// The finding itself is done by the free functions of RunDiscovery.h and ChannelDetection.h,
// whose results are copied into the fields here.
class DirectoryChannels {
public:
    static constexpr int32_t MaskSlots = 200;

    DirectoryChannels();

    // Root directory, read-only edit.
    std::string EditInputDir;
    // Full paths of the data directories, sorted ignoring case; -1: none selected.
    std::vector<std::string> ListBoxDataDirs;
    int32_t ListBoxDataDirsItemIndex = -1;
    // Current data directory, read-only edit.
    std::string EditDataDir;

    // The channel masks; slots from NumMasks on stay empty.
    std::array<std::string, MaskSlots> FileMasks;
    int32_t NumMasks = 0;
    // Set for a slot whose mask had files at the last rebuild of the channel list.
    std::array<bool, MaskSlots> MaskFound {};
    // Slot of the remembered channel; -1: none.
    int32_t ChosenMask = -1;
    // The remembered entry itself, so that "Ref" or "Sam" of an intensity mask, and a wavelength,
    // stay chosen.
    ChannelEntry ChosenEntry;
    // What the detection has learnt of the wavelengths of the current directory's absorbance and
    // intensity masks.
    WavelengthProbe Wavelengths;

    // The channel radio group; -1: no entry selected.
    std::vector<ChannelEntry> RadioGroupChannelsItems;
    int32_t RadioGroupChannelsItemIndex = -1;

    // File list of the current data directory: plain files, sorted ignoring case.
    std::string FileListBox1Directory;
    std::vector<std::string> FileListBox1Items;
    int32_t FileListBox1ItemIndex = -1;
    // Full path of the chosen file, read-only edit.
    std::string EditDateTimeDir;

    // Whether making a directory current also makes it the process's working directory.
    // The program wants it; tests and headless commands turn it off.
    bool ChangeWorkingDirectory = true;

    // Lists the data directories below root and makes the newest current. Returns an empty
    // text on success, otherwise the message to show: a failure (what was listed until then
    // stays), or after a complete scan one line per symbolic link loop it skipped.
    std::string ScanRootDir(const std::string& root);
    // The confirmed root choice: the chosen directory, or the directory of a file picked in it,
    // becomes the root (without a trailing delimiter); the channel list is emptied and the root
    // scanned.
    std::string RootDirChosen(const std::string& chosen);
    // Makes the selected data directory current. Returns an empty text or the message to show.
    std::string ListBoxDataDirsClick();
    void ResetDirChannels();
    // Detects the channels of dir; rebuilds the channel list only when a new mask has files, or a
    // found absorbance or intensity mask shows a further wavelength. The directory is listed only
    // when it may have changed since the last detection (DirectoryWatch), or a header was still
    // being written; then once.
    void UpdateDirChannels(const std::string& dir);
    // Remembers the selected entry's channel.
    void RadioGroupChannelsClick();
    void ButtonRefreshFileListClick();
    void FileListBox1Change(int32_t index);
    // Scans the root shown in EditInputDir again; nothing happens while no root is set.
    std::string ButtonRefreshSubdirectoriesClick();
    // Follows a run that starts after the root was chosen: run directories that appeared below the
    // root join the list (the current one stays selected), the newest run becomes current when the
    // current directory holds no channel, and the file list takes the files the current
    // directory gained or lost. Quiet: a root that cannot be read changes nothing. Looks only when
    // a directory that the last look listed, or the current directory, may have changed.
    void FollowRootDir();

    // Text of the selected channel entry, or "" when none is selected.
    ChannelEntry SelectedChannel() const;

private:
    // Whether dir is to be looked at for channels now.
    bool DetectionDue(const std::string& dir);
    void FillMasks();
    void ReadFileList(const std::string& dir);
    bool MakeWorkingDirectory(const std::string& dir) const;

    DirectoryWatch detectionWatch_; // the directory of the channel detection
    bool detectAgain_ = true; // the channels were reset, or the last listing failed
    DirectoryWatch followWatch_; // what the root's follow listed, and the current directory
    std::vector<std::string> rootListed_; // RunDirectories::Listed of the latest look below the root
    bool followAgain_ = true; // the root's last look failed, or was made afresh
};

} // namespace morvane
