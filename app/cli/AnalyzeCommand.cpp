#include "app/cli/AnalyzeCommand.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>

#include "analysis/NumberText.h"
#include "app/cli/Summary.h"
#include "dataview/ChannelSession.h"
#include "dataview/GofsOutput.h"
#include "mainwindow/ChannelDetection.h"

int RunAnalyze(const AnalyzeOptions& o, std::ostream& out, std::ostream& err, const std::atomic<bool>& stop,
    const std::function<void(int)>& sleepMs)
{
    if (!IsDirectory(o.runDir)) {
        err << CliProgramPrefix << "no such directory: " << o.runDir << "\n";
        return 2;
    }
    std::string channel;
    if (o.channel.empty()) {
        const ChannelDetection found = DetectChannels(o.runDir);
        if (found.Selected >= 0)
            channel = found.Entries[static_cast<size_t>(found.Selected)];
        if (channel.empty()) {
            err << CliProgramPrefix << "no channel found in " << o.runDir << "\n";
            return 1;
        }
    } else {
        channel = KnownChannel(o.channel);
        if (channel.empty()) {
            err << CliProgramPrefix << "unknown channel '" << o.channel
                << "' (a mask such as 0*.RA1, A*.IP2 or 0*.RI3Sam)\n";
            return 2;
        }
    }

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
            err << CliProgramPrefix
                << "Error entering Molecular Weight, please enter a weight between 100 and 1,000,000 in the "
                   "correct format\n";
            return 2;
        }
        launch.WindowByMW = true;
        launch.AssumedMW = *o.mw;
    }
    if (!(launch.Meniscus > 0) || !(launch.Bottom > launch.Meniscus)) {
        err << CliProgramPrefix << "the meniscus (" << FloatToStr(launch.Meniscus)
            << " cm) must be positive and below the bottom (" << FloatToStr(launch.Bottom) << " cm)\n";
        return 2;
    }

    CliFollower follower;
    if (o.progress)
        follower.progress = &err;
    OpenChannel(follower, o.runDir, launch);
    const RealTimeGofS& e = *follower.Engine;

    // Writes the file for the current state; returns an exit status, or -1 when there is nothing yet.
    auto writeOnce = [&](bool finalAttempt) -> int {
        if (!follower.HasData) {
            if (!finalAttempt)
                return -1;
            if (follower.FileList.empty())
                err << CliProgramPrefix << "no scan files of channel " << channel << " in " << o.runDir << "\n";
            else
                err << CliProgramPrefix << "no scan of channel " << channel << " could be read with at least "
                    << e.Settings.MinimumDataSetSize << " points\n";
            return 1;
        }
        if (!e.GofsStore || e.GofsStore->GetNumberOfSets() < 1) {
            if (!finalAttempt)
                return -1;
            err << CliProgramPrefix << NotEnoughDataMessage << " (" << e.RawStore->GetNumberOfSets() << " scans of "
                << channel << ")\n";
            return 1;
        }
        const bool newest = !o.set.has_value();
        const int32_t set = newest ? -1 : *o.set;
        if (!newest && (set < 0 || set >= e.GofsStore->GetNumberOfSets())) {
            err << CliProgramPrefix << "set " << set << " does not exist: the channel has "
                << e.GofsStore->GetNumberOfSets() << " g(s*) sets, numbered from 0\n";
            return 2;
        }
        const std::string path = o.output.empty() ? ProposedGofsFileName(e, "") : o.output;
        std::string detail;
        const std::string failure = WriteGofsFile(e, path, set, newest, &detail);
        if (!failure.empty()) {
            err << CliProgramPrefix << failure << (detail.empty() ? "" : " (" + detail + ")") << "\n";
            return 1;
        }
        const Summary s = Summarise(e, set, newest);
        out << (o.json ? SummaryJson(s, path, channel) : SummaryText(s, path, channel)) << "\n";
        out.flush();
        return 0;
    };

    if (!o.watch)
        return writeOnce(true);

    int status = writeOnce(false);
    if (status > 0)
        return status;
    if (status < 0)
        err << CliProgramPrefix << "waiting for scans of " << channel << " in " << o.runDir << "\n";
    int32_t known = e.RawStore ? e.RawStore->GetNumberOfSets() : 0;
    while (!stop) {
        sleepMs(follower.Timer1Interval);
        if (stop)
            break;
        const bool hadData = follower.HasData;
        follower.Timer1Timer();
        const int32_t now = e.RawStore ? e.RawStore->GetNumberOfSets() : 0;
        if (now != known || hadData != follower.HasData) {
            known = now;
            status = writeOnce(false);
            if (status > 0)
                return status;
        }
    }
    return 0;
}

CliCommand AddAnalyzeCommand(CLI::App& app, const CliContext& context)
{
    auto o = std::make_shared<AnalyzeOptions>();
    auto summary = std::make_shared<std::string>("text");
    CLI::App* analyze = app.add_subcommand("analyze",
        "Load a channel of a run and write its g(s*) file; the summary names the s* of the highest g(s*) at or above "
        "0.1 S");
    analyze->add_option("RUN_DIR", o->runDir, "Run directory holding the scan files")->required();
    analyze->add_option("--channel", o->channel,
        "Channel entry such as 0*.RA1, A*.IP2 or 0*.RI3Sam (default: the one the main window selects)");
    analyze->add_option("--meniscus", o->meniscus, "Meniscus radius, cm (default 5.9)");
    analyze->add_option("--bottom", o->bottom, "Cell bottom radius, cm (default 7.2)");
    analyze->add_option("--jitter", o->jitter, "Jitter reference radius, cm (default 5.85; interference only)");
    analyze->add_option("--fringe", o->fringe, "Integral-fringe reference radius, cm (default 6.9; interference only)");
    analyze->add_option("--mw", o->mw, "Base the data span on this molecular weight, g/mol");
    analyze->add_option("--output", o->output, "Output file (default: the proposed name in the current directory)");
    analyze->add_option("--set", o->set, "Write this g(s*) set alone (numbered from 0), as the time course does");
    analyze->add_flag(
        "--watch", o->watch, "Follow the run: rewrite the file after each batch of new scans until Ctrl-C");
    analyze->add_option("--summary", *summary, "Summary format")->check(CLI::IsMember({ "text", "json" }));
    return { analyze, [o, summary, &context] {
                o->json = *summary == "json";
                o->progress = context.progress;
                return RunAnalyze(*o, context.out, context.err, context.stop, context.sleepMs);
            } };
}
