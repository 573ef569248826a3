#pragma once
#include <atomic>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "follower/ChannelFollower.h"
#include "follower/ChannelSession.h"
#include "settings/SettingsKeys.h"

namespace CLI {
class App;
}

namespace morvane {

// What the subcommands of the headless program share.

// Every message of the program starts with it.
inline constexpr const char* CliProgramPrefix = "morvane-cli: ";

// What every subcommand runs with: its streams, the stop request (Ctrl-C), the wait between two
// looks of a run in progress and the directory the program was started in.
struct CliContext {
    std::ostream& out;
    std::ostream& err;
    const std::atomic<bool>& stop;
    std::function<void(int)> sleepMs; // waits about this long; may return early on a stop request
    std::string startDir; // relative paths of the command line are taken from here
    bool progress = false; // progress lines on err while loading (a terminal is watching)
};

// A subcommand registered on the program's parser; run() is called when it was the one given.
struct CliCommand {
    CLI::App* command = nullptr;
    std::function<int()> run;
};

bool IsDirectory(const std::string& path);

// The channel entry as the channel list spells it, or empty when `text` names no channel. An
// absorbance or intensity entry may name a wavelength: "0*.RA1 280 nm" (also "0*.ra1 280nm").
std::string KnownChannel(const std::string& text);

// The channel the main window would select in runDir; empty when it has none.
std::string SelectedChannel(const std::string& runDir);

// The analysis options that the commands reading a channel share: the positions and the averaging rule.
struct AnalysisOptions {
    std::optional<double> meniscus; // cm; the launch defaults otherwise
    bool meniscusAuto = false; // --meniscus auto: found from the artefact of the first scans
    std::optional<double> bottom;
    std::optional<double> jitter;
    std::optional<double> fringe;
    std::optional<double> mw; // g/mol: the averaging window follows this molecular weight
    std::optional<int> wavelength; // nm: of a cell scanned at several, the channel of this one
    // --settings: the settings file the windows write (display, analysis and species settings);
    // empty: the built-in values.
    std::string settingsFile;
    // Waits between two looks at a file still being written (OpenFinishedChannel); empty: no wait.
    std::function<void(int)> pause;
};

// --meniscus takes a radius or "auto".
void AddAnalysisOptions(CLI::App& command, AnalysisOptions& options);

// The settings a command runs on: the built-in values, or with --settings those of the file as the
// windows read it; and the launch defaults of those settings with the options applied (the channel
// is left to the caller). A wrong option is one line without the program's prefix: a radius that is
// no finite number, a molecular weight outside 100 .. 1,000,000, a meniscus not between 0 and the
// bottom. A file that is missing, unreadable or not settings text, and any value it
// holds that the windows would not take, is an error: one line naming the file and the first
// problem, without the program's prefix. Otherwise "".
std::string SettingsAndLaunchFromOptions(
    const AnalysisOptions& options, ProgramSettings& settings, LaunchParameters& launch);

// The channel entry a command loads, from --channel (empty: the one the main window would select)
// and --wavelength: for an absorbance or intensity cell scanned at several wavelengths, the entry of
// the wavelength asked for, by default the first in file order (with a note saying so). On a
// failure `error` holds one line with the prefix and `status` the exit status (2: a wrong request,
// 1: no channel in the run).
struct ChannelChoice {
    std::string entry;
    std::string note; // a line for err, with the prefix; empty when there is nothing to say
    std::string error;
    int status = 0;
};
ChannelChoice ChooseChannel(const std::string& runDir, const std::string& channel, std::optional<int> wavelength);

// ChooseChannel into launch.Channel, with its note or error on err. Returns 0 when a channel was
// chosen, otherwise the exit status.
int ChooseChannelForLaunch(const std::string& runDir, const std::string& channel, std::optional<int> wavelength,
    LaunchParameters& launch, std::ostream& err);

// Why nothing could be loaded from the channel (no file, no readable scan), one line with the
// prefix; empty when the follower holds data.
std::string NoDataMessage(const ChannelFollower& follower, const std::string& channel, const std::string& runDir);

// --meniscus auto on a loaded channel: the meniscus found from the artefact of its first scans
// (MeniscusProposal.h), taken by the engine, its stages rebuilt, when it lies below the bottom.
struct FoundMeniscus {
    bool found = false; // the search found one
    bool taken = false; // and the engine took it
    double radius = 0; // cm, when found
    // One line with the prefix: "meniscus found at ..." when taken; else why not, naming the channel.
    std::string message;
};
// `channel`: how the message names the channel.
FoundMeniscus TakeFoundMeniscus(RealTimeGofS& engine, const std::string& channel);

// --meniscus auto in a command that reads the run once: takes the meniscus found and says so on err
// (unless quiet: a JSON summary names it in `found`); without one, says why on err and returns
// false (the command fails). Returns true at once when auto was not asked for.
bool TakeMeniscusIfAuto(const AnalysisOptions& options, RealTimeGofS& engine, const std::string& channel,
    std::ostream& err, bool quiet, std::optional<double>& found);

// One line per PositionWarnings finding, "morvane-cli: warning: ...", written to err.
void WarnAboutPositions(const RealTimeGofS& engine, std::ostream& err);

// A number as the user would have typed it: FloatToStr, or nan, inf and -inf.
std::string Typed(double x);

// The refusal of an output path that would replace or add a scan file of the run being read, or
// without `force` one of any directory that holds scan files (ScanOverwriteReason), one line with
// the prefix; empty when the path may be written.
std::string OutputRefusal(const std::string& output, const std::string& runDir, bool force);

// --force: an output may replace or join the scan files of a directory other than the run's.
void AddForceOption(CLI::App& command, bool& force);

// Without `force`, the refusal of an output directory that holds scan files, which the files
// written there would replace or join (`what`: "export", "write recomposed files"); one line with
// the prefix, empty when it may be written.
std::string OutputDirectoryRefusal(const std::string& dir, const char* what, bool force);

// A follower that shows its loading progress on a terminal line.
class CliFollower : public ChannelFollower {
public:
    std::ostream* progress = nullptr;

protected:
    void ShowProgress(const std::string& text) override;
    void EndLoad(bool loaded) override;
};

} // namespace morvane
