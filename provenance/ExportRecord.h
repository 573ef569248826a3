#pragma once
#include <string>

#include "follower/ChannelFollower.h"
#include "follower/ScanExport.h"
#include "provenance/Sidecar.h"

namespace morvane {

// The record of one export: a list of the batch's files beside them,
//
//   DIR/exported-00001.RA1-00012.RA1.txt       one line per set's file: "name<TAB>bytes<TAB>sha256",
//                                              or "name<TAB>not written"
//
// and that list's sidecar (kind "export"), which holds the load the scans came from. One record per
// batch, not per file: a sidecar lists every input scan, and a thousand of them beside a thousand
// exported files would be a million lines. Reproducing the list exports the scans again and compares
// the files one by one; the first differing line names the first differing file.

inline constexpr const char* KindExport = "export"; // parameters "first", "extension", "suffix"

// "exported-" + the first and last file's names + ".txt".
std::string ExportListName(const ScanExportResult& result);

// The list's text, read back from result.Directory (files of result.Failed are "not written").
std::string ExportListText(const ScanExportResult& result, int32_t first, const std::string& extension);

// Writes the list and its sidecar beside the exported files; nothing when no file was written.
// Returns the sentence for the export's message: where the list is, or why it or its record could
// not be written (the exported files stay either way).
std::string WriteExportRecord(const ChannelFollower& follower, const ScanExportRequest& job,
    const ScanExportResult& result, const std::string& program, bool& failed);

// The list made again: the engine's raw store exported as the sidecar says into a directory of its
// own, and read back. Returns "" with `text` set, or why it could not be made.
std::string RemakeExportList(const RealTimeGofS& engine, const Sidecar& sidecar, std::string& text);

// What is wrong with an export sidecar's parameters, or "".
std::string CheckExportParameters(const Sidecar& sidecar);

} // namespace morvane
