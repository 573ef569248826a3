#pragma once
#include <string>
#include <vector>

#include "follower/ChannelSession.h"
#include "provenance/Sidecar.h"
#include "settings/GUISettings.h"

namespace morvane {

// An analysis opened again from its record (sidecar): the record read as text from outside, what a
// data view of each recorded channel starts from, and what became of the recorded scan files since.

struct RecordedAnalysis {
    std::string File; // the record's path
    Sidecar Record;
    std::vector<std::string> Notes; // what ReadSidecar noted (keys of another version, ...)
};

// Reads the record at `path` as reproduce reads it (a regular file of at most MaxSidecarBytes,
// ReadSidecar). "" with `analysis` filled, or what keeps it from being opened, one line, record
// text made printable.
std::string ReadRecordedAnalysis(const std::string& path, RecordedAnalysis& analysis);

// The launch of a recorded channel: its entry, positions and averaging rule.
LaunchParameters LaunchOfRecord(const ChannelRecord& channel);

// The display settings the record's output read, over `current` (the keys it does not name keep
// their values there).
GUISettings RecordedDisplay(const Sidecar& record, const GUISettings& current);

// What became of a channel's recorded scan files in its run directory since the record was made,
// checked as reproduce checks them (the same refusal of paths, sizes and SHA-256 of copies).
struct RecordedInputs {
    bool Changed = false; // a recorded file differs, is missing, or could not be checked
    int32_t Added = 0; // files of the channel the record does not list (a run that went on)
    std::string Verdict; // one line, e.g. "3 of 20 recorded files differ; 2 files added since"
    std::vector<std::string> Lines; // one per file that differs, printable
};
RecordedInputs CompareRecordedInputs(const ChannelRecord& channel);

// The report for the user: the record, its notes, and per channel the verdict and at most
// `maxLines` file lines (then how many more).
std::string RecordedAnalysisReport(
    const RecordedAnalysis& analysis, const std::vector<RecordedInputs>& inputs, size_t maxLines = 12);

} // namespace morvane
