#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "windows/WindowHost.h"

namespace morvane {

inline constexpr const char* ReadFileErrorMessage = "Error attempting to read file";

// The text viewer: the lines of one file, read-only. The program makes one at start-up; the scan
// viewer opens it on the file it shows. It never writes the file.
class TSimpleShowText {
public:
    // Larger files are shown up to here, with a last line that says so.
    static constexpr size_t MaxShownBytes = 8u << 20;

    explicit TSimpleShowText(WindowHost* host = nullptr);
    // The host of this window's message box; null: none.
    void SetHost(WindowHost* host);

    std::string Caption = "SimpleShowText";
    int32_t Width = 467;
    int32_t Height = 402;
    bool Visible = false;

    // Path of the file shown; EditFileNameChange loads it.
    std::string EditFileName;
    int32_t EditFileNameLeft = 8;
    int32_t EditFileNameTop = 8;
    int32_t EditFileNameWidth = 439;
    // The file's lines, as they can be shown (see DisplayLine).
    std::vector<std::string> Memo1;
    uint64_t Memo1Loads = 0; // counts the loads into Memo1, so a view knows when to copy it again
    int32_t Memo1Left = 8;
    int32_t Memo1Top = 40;
    int32_t Memo1Width = 439;
    int32_t Memo1Height = 322;

    // Replaces Memo1 with the lines of the file named in EditFileName; when it cannot be read (a
    // directory, a missing file, no permission), says ReadFileErrorMessage and keeps Memo1.
    void EditFileNameChange();
    // Fits the memo and the edit to a window of this size, never smaller than 200 by 200.
    void FormResize(int32_t width, int32_t height);

    // A line as UTF-8 text that shows every byte: valid UTF-8 stays, other bytes are taken as
    // Latin-1 (the instrument's own text), control characters other than a tab show as U+00B7.
    static std::string DisplayLine(std::string_view line);

private:
    SilentHost silentHost_;
    WindowHost* host_;
};

} // namespace morvane
