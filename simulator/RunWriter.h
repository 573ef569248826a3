#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "simulator/SimulatedRun.h"

namespace morvane {

// Where a run goes: ROOT/XLIDATA/MMDDYY/NNNNNN, as the instrument lays out its data.
struct RunLocation {
    std::string root;
    std::string date; // "MMDDYY"; empty: today
    int32_t run = 0; // 1 ... 999999; 0: one more than the largest run of that date
};

// Today's date as MMDDYY (local time).
std::string TodayMMDDYY();

// Whether text is a date directory name MMDDYY with a real month (01-12) and day (01-31).
bool IsDateName(const std::string& text);

// The run number a new run takes in dateDir: one more than the largest six-digit run directory
// (1 when there is none), or that largest one itself when it is empty.
int32_t NextRunNumber(const std::string& dateDir);

// Creates the run directory and returns its path; on failure returns empty and sets error.
// An existing run directory that already holds files is refused.
std::string MakeRunDirectory(const RunLocation& where, std::string& error);

// Writes every scan of the simulator into dir in time order, each file through a temporary
// file and a rename so a reader never sees half a scan. Before each scan waitUntil(seconds)
// is called with the scan's elapsed run time (a live run sleeps there; a plain run passes
// nothing), after it written(scan, path). With betweenParts, each file is written in two parts
// as an instrument that is slow to write leaves it: first cut inside a data line halfway
// through, then, after betweenParts(scan, path) returns, whole. Returns an empty text, or what
// failed.
std::string WriteRunFiles(RunSimulator& simulator, const std::string& dir,
    const std::function<void(double seconds)>& waitUntil,
    const std::function<void(const SimScan& scan, const std::string& path)>& written,
    const std::function<void(const SimScan& scan, const std::string& path)>& betweenParts = nullptr);

// How the scan files' modification times look when the run is found.
enum class FileTimes {
    // As the writing left them: the moment each was written (for a run written at once, all
    // within a moment of each other and of now).
    AsWritten,
    // A run directory copied long after the run with its times kept: each file at its scan's
    // time on the run's clock, the newest copiedAgeSeconds (default three days) before now.
    Copied,
    // A run still being written on the real clock: the newest file written just now (younger
    // than any settle time), each older one earlier by the run time between their scans (the
    // one before it typically the cell delay, 15 s, earlier).
    Writing,
};
constexpr double DefaultCopiedAgeSeconds = 3 * 86400.0;

// "written", "copied" or "writing"; false for any other text.
bool ParseFileTimes(const std::string& text, FileTimes& times);

// A scan file written and the elapsed run time of its scan.
struct WrittenScan {
    std::string path;
    double seconds = 0;
};

// Gives every file the modification time `times` says, relative to now (AsWritten leaves them).
// Returns an empty text, or what failed.
std::string SetFileTimes(const std::vector<WrittenScan>& files, FileTimes times,
    std::chrono::system_clock::time_point now, double copiedAgeSeconds = DefaultCopiedAgeSeconds);

// Writes every scan of the run into dir at once (as WriteRunFiles, without waiting) and gives the
// files the times `times` says: a finished run found long after (Copied), or one whose newest
// file was written a moment ago (Writing), without sleeping. Returns an empty text, or what failed
// (an impossible run too).
std::string WriteRun(const SimRun& run, const std::string& dir, FileTimes times,
    std::chrono::system_clock::time_point now = std::chrono::system_clock::now());

// Where a scan file still being written may stop: inside the data line that holds the byte at
// `fraction` (0 ... 1) of the text (the first data line if that byte lies before it), a few
// characters into the line's value. A text without data lines is cut at that byte.
size_t CutInsideDataLine(const std::string& text, double fraction);

// Writes the first `bytes` of text to path, through a temporary file and a rename, so that a
// reader finds exactly that much: a scan file as it looks while the instrument writes it.
// Returns an empty text, or what failed.
std::string WriteScanFileCut(const std::string& path, const std::string& text, size_t bytes);

// Parses a species "s=4.4,mw=66000,c=0.8" (keys s, mw, vbar, D, c; s and one of mw or D
// required). Returns an empty text or what is wrong.
std::string ParseSpecies(const std::string& text, SimSpecies& species);

// Parses a cell "RA1" or "IP2,factor=0.5,meniscus=5.95,bottom=7.2,letter=A". Returns an
// empty text or what is wrong.
std::string ParseCell(const std::string& text, SimCell& cell);

} // namespace morvane
