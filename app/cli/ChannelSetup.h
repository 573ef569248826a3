#pragma once
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "app/cli/CliSupport.h"

namespace morvane {

// How every command that reads a channel of a run sets it up, in one order: the settings and the
// launch from the options, the command's own checks, the run directory and the channel entry; then
// the load as a finished run, --meniscus auto and the position warnings.

struct ChannelSetup {
    ProgramSettings settings;
    LaunchParameters launch; // Channel: the entry chosen
};

// A command's own checks of its options, with the settings read: one line for err (its prefix
// included), or "".
using CommandChecks = std::function<std::string(const ProgramSettings&)>;

// The check of most commands: their own options' refusal (`wrong`, one line without the prefix),
// else the refusal of their output file (OutputRefusal); "" when both may be taken.
std::string OptionsOrOutputRefusal(
    const std::string& wrong, const std::string& output, const std::string& runDir, bool force);

// The settings and launch (SettingsAndLaunchFromOptions), then `checks`. 0, or 2 with the line on err.
int SetUpSettings(
    const AnalysisOptions& options, ChannelSetup& setup, std::ostream& err, const CommandChecks& checks = {});

// SetUpSettings, then the run directory and the channel (ChooseChannel: `channel` empty is the one
// the main window selects; its note on err). 0, or the exit status with one line on err: 2 for a
// wrong request, 1 for a run without the channel.
int SetUpChannel(const AnalysisOptions& options, const std::string& runDir, const std::string& channel,
    ChannelSetup& setup, std::ostream& err, const CommandChecks& checks = {});

// Loads the set-up channel from runDir as a finished run (OpenFinishedChannel, the options' settings
// file recorded), takes the meniscus found with --meniscus auto (said on err unless quiet) and warns
// about the positions. `name`: how the meniscus message names the channel. 0, or 1 with why on err
// (no scan could be read, no meniscus was found).
int LoadSetUpChannel(ChannelFollower& follower, const AnalysisOptions& options, const std::string& runDir,
    const ChannelSetup& setup, std::ostream& err, bool quiet, std::optional<double>& meniscusFound,
    const std::string& name = {});

} // namespace morvane
