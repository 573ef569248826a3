#pragma once
// Builds small directory trees of runs and scan files for the main window's tests.
#include <filesystem>
#include <string>

#include "mainwindow/DirectoryChannels.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace dirtest {

// Creates the directory path (and its parents); returns it.
inline std::string MakeDir(const std::string& path)
{
    std::filesystem::create_directories(path);
    return path;
}

// A small scan file; its contents do not matter to directory and channel detection.
inline void Touch(const std::string& path) { testutil::WriteTextFile(path, "Test sample\r\nR 1 20.0 50000\r\n"); }

// The window state as a test wants it: the process's working directory left alone.
struct Window : DirectoryChannels {
    Window() { ChangeWorkingDirectory = false; }
};

// Slot of a mask in the table; -1 if it is not there.
inline int32_t SlotOf(const DirectoryChannels& w, const std::string& mask)
{
    for (int32_t i = 0; i < w.NumMasks; ++i)
        if (w.FileMasks[static_cast<size_t>(i)] == mask)
            return i;
    return -1;
}

} // namespace dirtest
