#pragma once
#include <iosfwd>
#include <optional>
#include <string>

#include "dataview/ChannelSession.h"

namespace CLI {
class App;
}
struct AnalyzeOptions;

// What the subcommands that load a channel share (analyze, compare): the analysis options of the
// command line, the channel a run directory gives and the reasons a load gives no g(s*).

// Registers --meniscus, --bottom, --jitter, --fringe and --mw, read into `o`.
void AddAnalysisOptions(CLI::App& command, AnalyzeOptions& o);

// The channel entry to load from runDir: `mask` as the channel list spells it or, when empty, the
// channel the main window would select. Empty after a message on err; `status` then holds the
// exit status (1: no channel found, 2: an unknown mask).
std::string ChooseChannel(const std::string& runDir, const std::string& mask, std::ostream& err, int& status);

// The launch parameters of `channel` with the options applied; none after a message on err (a
// molecular weight out of range, a meniscus not below the bottom).
std::optional<LaunchParameters> LaunchFromOptions(
    const AnalyzeOptions& o, const std::string& channel, std::ostream& err);

// Why a loaded channel has no g(s*) set (no file, no readable scan, too few scans); empty when it
// has one.
std::string NoGofsReason(const ChannelFollower& follower, const std::string& channel, const std::string& runDir);
