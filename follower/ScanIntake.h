#pragma once
// How a channel's scan files become its scans, the same way for a full load and a live refresh:
// which files are complete, and which of the complete scans the channel uses.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace morvane {

using FileTime = std::chrono::system_clock::time_point;

// One file as a directory listing saw it.
struct FileLook {
    std::string Name;
    int64_t Size = -1; // bytes; -1 when the file could not be examined
    FileTime Modified {};
    bool Regular = false; // a regular file (or a link to one)

    bool SameAs(const FileLook& other) const { return Size == other.Size && Modified == other.Modified; }
};

// The order of a channel's files: by name ignoring case, names equal but for case by their bytes,
// so that two listings of one directory always give one order.
bool NameBefore(const std::string& a, const std::string& b);

// The files of `dir` that match `mask`, in name order, with size and modification time. A
// directory that cannot be listed gives none and `listed` false.
std::vector<FileLook> LookAtFiles(const std::string& dir, const std::string& mask, bool& listed);

// A file still written may already end with a line end (a writer that writes line by line); it
// has settled when its size and time are those of the previous look, when it was last changed at
// least SettleSeconds ago, or when a later file of the channel exists (the instrument writes a
// channel's scans one after the other). A file is complete when it ends with a line end and has
// settled; only a complete file is read as a scan.
constexpr int32_t SettleSeconds = 5;
bool HasSettled(const FileLook& look, const FileLook* previous, bool laterFileExists, FileTime now);

// Which scans, given in name order with their times, a channel uses: the longest run of scans whose
// times rise strictly, starting at a scan that may give the radial grid (canStart); of several such
// runs, the one whose scans come first in name order. A single stray file (an early name with a late
// time, or the reverse) thus drops itself rather than every scan after it. Returns indices, rising.
std::vector<int32_t> ScansInTimeOrder(const std::vector<double>& times, const std::vector<bool>& canStart);

// Whether a scan's times belong to a run at all: recorded and apparent times (omega^2 t / omega^2)
// within MaxRunSeconds (115 days).
constexpr double MaxRunSeconds = 1e7;
bool PlausibleScanTimes(double recordedTime, double omega2t, double rpm, double time);

} // namespace morvane
