#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "follower/ChannelFollower.h"
#include "provenance/Sidecar.h"

namespace morvane {

// What reproducing a sidecar needs below the command: the check of the recorded inputs, a load of
// exactly the recorded files, and where two texts first differ.

// A recorded input that is no longer what the sidecar says, cannot be checked, or a file of the
// channel the sidecar does not list.
struct InputDifference {
    enum class Kind {
        Changed,
        Missing, // no such file (now)
        Unreadable, // there, but it could not be read: Reason says why (no regular file, a link out of the run, ...)
        NotStaged, // read, but its copy could not be made: Reason says why (no space left, ...)
        Unrecorded, // a used scan that the record lists without size and hash: nothing to check it against
        Added,
    };
    Kind What = Kind::Changed;
    std::string Name;
    int64_t ExpectedSize = -1; // -1: unknown (not readable when recorded; for Added: not recorded)
    std::string ExpectedSha256;
    int64_t FoundSize = -1;
    std::string FoundSha256;
    std::string Reason; // Unreadable and NotStaged: the cause, e.g. "No space left on device"
};

// One line for a person, e.g. "changed: 00003.RA1 (recorded 1234 bytes, sha256 ab..; found ...)".
// Record text is as it is: show it through Printable.
std::string InputDifferenceText(const InputDifference& difference);

// A directory of its own below the system's temporary directory, removed with the object.
class StagingDirectory {
public:
    StagingDirectory();
    ~StagingDirectory();
    StagingDirectory(const StagingDirectory&) = delete;
    StagingDirectory& operator=(const StagingDirectory&) = delete;
    const std::string& Path() const { return path_; } // empty when none could be made

private:
    std::string path_;
};

// Why the run directory's entry for a recorded name cannot be read as the record's file, before
// anything is copied: "" when every recorded name is a plain file name whose entry is a file in
// the run directory or a link that stays inside it; otherwise the first one that is not, in one line.
std::string RecordedPathsRefusal(const ChannelRecord& channel);

// Copies the recorded files of the channel (used and refused) that can still be read from its run
// directory into `stagingDir`, and compares each copy's size and SHA-256 with the record. Each
// source is opened without following a link out of the run directory and only when it is a
// regular file; each copy is created anew (never through a link). Any difference is reported,
// whether or not it touches the data, with the cause when a file could not be read or staged;
// files of the channel's mask that the record does not list are reported as added and not copied
// (for a channel of one wavelength of its cell, not those whose header names another: they belong
// to another channel). Returns the differences, in the order of the record, the added ones last.
std::vector<InputDifference> StageRecordedFiles(const ChannelRecord& channel, const std::string& stagingDir);

// Reads a whole regular file of at most maxBytes into `text`: "" when read, otherwise why not
// ("no such file", "not a regular file", "N bytes, more than M", a system error). A FIFO or a
// device never blocks it. `size` (if given) gets the file's size whenever it could be opened.
std::string ReadRegularFile(const std::string& path, size_t maxBytes, std::string& text, int64_t* size = nullptr);

// Loads the channel from the staged copies as the record describes it: the channel entry, the
// positions, the averaging rule and the analysis settings. True when the follower holds data.
bool LoadRecordedChannel(ChannelFollower& follower, const ChannelRecord& channel, const std::string& stagingDir);

// Where two texts first differ: "" when they are equal, otherwise e.g. "line 7: expected \"..\",
// found \"..\"" (lines end at LF; CR and LF are shown as \r and \n, long lines are cut).
std::string FirstDifference(const std::string& expected, const std::string& found);

} // namespace morvane
