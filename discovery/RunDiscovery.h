#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace morvane {

// The run directories below a root data directory, as plain functions that the main window and
// the headless command share.
//
//   root/                      (or root/XLIDATA/, or both)
//     MMDDYY/                  date directory, key YY*10000 + MM*100 + DD
//       NNNNNN/                run directory = data directory, holds the scan files

// Said when a scan of the root stops part way (unreadable directory, vanished path).
inline constexpr const char* UnexpectedDirectoryError = "Unexpected error setting directory";

// Ordering key of a date directory name MMDDYY; -1 unless six characters.
int32_t DateDirScore(const std::string& name);
// Ordering key of a run directory name; 0 unless six characters, -1 if not a number.
int32_t RunDirScore(const std::string& name);
// The root's subdirectory XLIDATA, found without regard to case like every other name of the
// instrument's data; "" when there is none.
std::string XliDataDir(const std::string& root);

// Whether a run directory holds a run that Morvane exported rather than one the instrument
// measured: the list of an export batch lies in it, or its first scan file's description carries
// the export's mark.
bool IsExportedRun(const std::string& runDir);

struct RunDirectories {
    // Full paths of every run directory below the root and of the root itself, sorted ignoring
    // case (equal names in the order met).
    std::vector<std::string> Dirs;
    // Index in Dirs of the newest run: the largest run key within the largest date key that holds
    // a run, the first met on equal keys; the root when there is no run. -1 after a failure. An
    // exported run (IsExportedRun) is newest only when no measured run exists: an export made
    // today must not take the place of the run it was made from.
    int32_t Newest = -1;
    // Empty, or UnexpectedDirectoryError; Dirs then holds what was listed before the failure.
    std::string Failure;
    // Full paths of the symbolic links met where XLIDATA, a date or a run directory was looked
    // for that never reach a directory (a loop) or lead back to a searched directory or above
    // it: skipped, the rest is listed.
    std::vector<std::string> Loops;
    // The directories whose contents the result depends on: those listed (the root, XLIDATA, the
    // date directories) and a run directory looked into for an export that holds no whole scan yet.
    // A result found again is the same while none of them has changed.
    std::vector<std::string> Listed;
};

// Searches the root and its XLIDATA directory for date and run directories.
RunDirectories ListRunDirectories(const std::string& root);

// The text that reports a skipped loop: "Skipped a symbolic link loop: " + path.
std::string LoopMessage(const std::string& path);

// Whether writing `target` would replace, or add, a scan file of the run in runDir: the target
// lies in that directory (compared as canonical paths, so links, "." and ".." do not hide it) and
// a channel mask or the scan-file reader takes its name as a scan.
bool IsScanFileOfRun(const std::string& target, const std::string& runDir);

} // namespace morvane
