#pragma once
#include <atomic>
#include <functional>
#include <iosfwd>
#include <string>

#include "dataview/ChannelFollower.h"

namespace CLI {
class App;
}

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

// The channel entry as the channel list spells it, or empty when `text` names no channel.
std::string KnownChannel(const std::string& text);

// A follower that shows its loading progress on a terminal line.
class CliFollower : public ChannelFollower {
public:
    std::ostream* progress = nullptr;

protected:
    void ShowProgress(const std::string& text) override;
    void EndLoad(bool loaded) override;
};
