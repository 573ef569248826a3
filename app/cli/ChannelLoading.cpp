#include "app/cli/ChannelLoading.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <ostream>

#include "analysis/NumberText.h"
#include "app/cli/CliCommands.h"
#include "dataview/GofsOutput.h"
#include "mainwindow/ChannelDetection.h"

namespace {

const char* const Prog = "morvane-cli: ";

std::string Upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The channel entry as the channel list spells it, or empty when `text` names no channel.
std::string KnownChannel(const std::string& text)
{
    for (const std::string& mask : ChannelMasks())
        for (const std::string& entry : ChannelEntries(mask))
            if (Upper(entry) == Upper(text))
                return entry;
    return {};
}

} // namespace

void AddAnalysisOptions(CLI::App& command, AnalyzeOptions& o)
{
    command.add_option("--meniscus", o.meniscus, "Meniscus radius, cm (default 5.9)");
    command.add_option("--bottom", o.bottom, "Cell bottom radius, cm (default 7.2)");
    command.add_option("--jitter", o.jitter, "Jitter reference radius, cm (default 5.85; interference only)");
    command.add_option("--fringe", o.fringe, "Integral-fringe reference radius, cm (default 6.9; interference only)");
    command.add_option("--mw", o.mw, "Base the data span on this molecular weight, g/mol");
}

std::string ChooseChannel(const std::string& runDir, const std::string& mask, std::ostream& err, int& status)
{
    if (mask.empty()) {
        const ChannelDetection found = DetectChannels(runDir);
        if (found.Selected >= 0)
            return found.Entries[static_cast<size_t>(found.Selected)];
        err << Prog << "no channel found in " << runDir << "\n";
        status = 1;
        return {};
    }
    std::string channel = KnownChannel(mask);
    if (channel.empty()) {
        err << Prog << "unknown channel '" << mask << "' (a mask such as 0*.RA1, A*.IP2 or 0*.RI3Sam)\n";
        status = 2;
    }
    return channel;
}

std::optional<LaunchParameters> LaunchFromOptions(
    const AnalyzeOptions& o, const std::string& channel, std::ostream& err)
{
    LaunchParameters launch = LaunchParameters::Defaults(channel);
    if (o.meniscus)
        launch.Meniscus = *o.meniscus;
    if (o.bottom)
        launch.Bottom = *o.bottom;
    if (o.jitter)
        launch.JitterRadius = *o.jitter;
    if (o.fringe)
        launch.FringeRadius = *o.fringe;
    if (o.mw) {
        if (!(*o.mw > 100 && *o.mw < 1000000)) {
            err << Prog
                << "Error entering Molecular Weight, please enter a weight between 100 and 1,000,000 in the "
                   "correct format\n";
            return std::nullopt;
        }
        launch.WindowByMW = true;
        launch.AssumedMW = *o.mw;
    }
    if (!(launch.Meniscus > 0) || !(launch.Bottom > launch.Meniscus)) {
        err << Prog << "the meniscus (" << FloatToStr(launch.Meniscus) << " cm) must be positive and below the bottom ("
            << FloatToStr(launch.Bottom) << " cm)\n";
        return std::nullopt;
    }
    return launch;
}

std::string NoGofsReason(const ChannelFollower& follower, const std::string& channel, const std::string& runDir)
{
    const RealTimeGofS& e = *follower.Engine;
    if (!follower.HasData) {
        if (follower.FileList.empty())
            return "no scan files of channel " + channel + " in " + runDir;
        return "no scan of channel " + channel + " could be read with at least "
            + std::to_string(e.Settings.MinimumDataSetSize) + " points";
    }
    if (!e.GofsStore || e.GofsStore->GetNumberOfSets() < 1)
        return std::string(NotEnoughDataMessage) + " (" + std::to_string(e.RawStore->GetNumberOfSets()) + " scans of "
            + channel + ")";
    return {};
}
