#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The text of one entry of the channel list: a six-character file mask such as "0*.RA1",
// for intensity masks followed by "Ref" or "Sam".
using ChannelEntry = std::string;

// Shown when a scan of the root stops part way (unreadable directory, vanished path).
inline constexpr const char* UnexpectedDirectoryError = "Unexpected error setting directory";

// The main window's root directory, run directories and channel detection, with the state
// of their controls as plain fields. The window class derives from it and binds the controls.
//
//   root/                      (or root/XLIDATA/, or both)
//     MMDDYY/                  date directory, key YY*10000 + MM*100 + DD
//       NNNNNN/                run directory = data directory, holds the scan files
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
    // The remembered entry itself, so that "Ref" or "Sam" of an intensity mask stays chosen.
    ChannelEntry ChosenEntry;

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

    // One entry per mask, or the "Ref" and "Sam" pair for an intensity ("RI") mask.
    static std::vector<ChannelEntry> ChannelEntries(const std::string& mask);
    // Ordering key of a date directory name MMDDYY; -1 unless six characters.
    static int32_t DateDirScore(const std::string& name);
    // Ordering key of a run directory name; 0 unless six characters, -1 if not a number.
    static int32_t RunDirScore(const std::string& name);

    // Lists the data directories below root and makes the newest current. Returns an empty
    // text on success, otherwise the message to show; what was listed until then stays.
    std::string ScanRootDir(const std::string& root);
    // The confirmed root choice: the directory of the file picked in the dialog becomes the
    // root, the channel list is emptied and the root scanned.
    std::string RootDirChosen(const std::string& chosenFileName);
    // Makes the selected data directory current. Returns an empty text or the message to show.
    std::string ListBoxDataDirsClick();
    void ResetDirChannels();
    // Detects the channels of dir; rebuilds the channel list only when a new mask has files.
    void UpdateDirChannels(const std::string& dir);
    // Remembers the selected entry's channel.
    void RadioGroupChannelsClick();
    void ButtonRefreshFileListClick();
    void FileListBox1Change(int32_t index);
    // Scans the root shown in EditInputDir again; nothing happens while no root is set.
    std::string ButtonRefreshSubdirectoriesClick();

    // Text of the selected channel entry, or "" when none is selected.
    ChannelEntry SelectedChannel() const;

private:
    void FillMasks();
    // Inserts at the sorted place and keeps the selection on the same entry; returns the index.
    int32_t AddDataDir(const std::string& path);
    int32_t IndexOfDataDir(const std::string& path) const;
    void ReadFileList(const std::string& dir);
    bool MakeWorkingDirectory(const std::string& dir) const;
};
