#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "dataview/ChannelFollower.h"
#include "provenance/Sidecar.h"

// What reproducing a sidecar needs below the command: the check of the recorded inputs, a load of
// exactly the recorded files, and where two texts first differ.

// A recorded input that is no longer what the sidecar says, or a file of the channel it does not list.
struct InputDifference {
    enum class Kind { Changed, Missing, Added };
    Kind What = Kind::Changed;
    std::string Name;
    int64_t ExpectedSize = -1; // -1: unknown (not readable when recorded; for Added: not recorded)
    std::string ExpectedSha256;
    int64_t FoundSize = -1;
    std::string FoundSha256;
};

// One line for a person, e.g. "changed: 00003.RA1 (recorded 1234 bytes, sha256 ab..; found ...)".
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

// Copies the recorded files of the channel (used and refused) that can still be read from its run
// directory into `stagingDir`, and compares each copy's size and SHA-256 with the record. Any
// difference is reported, whether or not it touches the data; files of the channel's mask that the
// record does not list are reported as added and not copied (for a channel of one wavelength of
// its cell, not those whose header names another: they belong to another channel). Returns the
// differences, in the order of the record, the added ones last.
std::vector<InputDifference> StageRecordedFiles(const ChannelRecord& channel, const std::string& stagingDir);

// Loads the channel from the staged copies as the record describes it: the channel entry, the
// positions, the averaging rule and the analysis settings. True when the follower holds data.
bool LoadRecordedChannel(ChannelFollower& follower, const ChannelRecord& channel, const std::string& stagingDir);

// Where two texts first differ: "" when they are equal, otherwise e.g. "line 7: expected \"..\",
// found \"..\"" (lines end at LF; CR and LF are shown as \r and \n, long lines are cut).
std::string FirstDifference(const std::string& expected, const std::string& found);
