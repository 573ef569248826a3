#include "app/cli/AnalyzeCommand.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>

#include "app/cli/CliSidecar.h"
#include "app/cli/Summary.h"
#include "dataview/ChannelSession.h"
#include "dataview/GofsOutput.h"
#include "provenance/ChannelRecording.h"
#include "scanfiles/FileSystem.h"

namespace {

// What one attempt to write the file gave.
enum class Written {
    Yes,
    NotYet, // nothing to write yet (only while following a run)
    Failed, // the data or the write failed: status 1
    Refused, // the options cannot be met: status 2
};

// The channel to read: the given one, or the one the main window would select, waiting for one to
// appear when following. Empty when there is none (or a stop was requested meanwhile).
std::string ChannelToRead(const AnalyzeOptions& o, std::ostream& err, const std::atomic<bool>& stop,
    const std::function<void(int)>& sleepMs, bool announce)
{
    if (!o.channel.empty())
        return KnownChannel(o.channel);
    std::string channel = SelectedChannel(o.runDir);
    if (channel.empty() && o.watch) {
        if (announce)
            err << CliProgramPrefix << "waiting for a channel in " << o.runDir << "\n";
        while (channel.empty() && !stop) {
            sleepMs(ChannelFollower::RefreshIntervalMs);
            channel = SelectedChannel(o.runDir);
        }
    }
    return channel;
}

class AnalyzeRun {
public:
    AnalyzeRun(const AnalyzeOptions& o, std::ostream& out, std::ostream& err, const std::string& channel)
        : o_(o)
        , out_(out)
        , err_(err)
        , channel_(channel)
    {
    }

    CliFollower follower;

    // Writes the file for the current state. `last`: no later attempt follows.
    Written WriteOnce(bool last)
    {
        const RealTimeGofS& e = *follower.Engine;
        if (follower.HasData && !warned_) {
            WarnAboutPositions(e, err_);
            warned_ = true;
        }
        if (!follower.HasData) {
            if (!last)
                return Written::NotYet;
            err_ << NoDataMessage(follower, channel_, o_.runDir) << "\n";
            return Written::Failed;
        }
        if (!e.GofsStore || e.GofsStore->GetNumberOfSets() < 1) {
            if (!last)
                return Written::NotYet;
            err_ << CliProgramPrefix << NotEnoughDataMessage << " (" << e.RawStore->GetNumberOfSets() << " scans of "
                 << channel_ << ")\n";
            return Written::Failed;
        }
        const bool newest = !o_.set.has_value();
        const int32_t set = newest ? -1 : *o_.set;
        if (!newest && (set < 0 || set >= e.GofsStore->GetNumberOfSets())) {
            err_ << CliProgramPrefix << "set " << set << " does not exist: the channel has "
                 << e.GofsStore->GetNumberOfSets() << " g(s*) sets, numbered from 0\n";
            return Written::Refused;
        }
        const std::string path = o_.output.empty() ? ProposedGofsFileName(e, "") : o_.output;
        std::string detail;
        const std::string failure = WriteGofsFile(e, path, set, newest, &detail);
        if (!failure.empty()) {
            err_ << CliProgramPrefix << failure << (detail.empty() ? "" : " (" + detail + ")")
                 << (o_.watch ? "; writing it again after the next scans" : "") << "\n";
            return Written::Failed;
        }
        const Summary s = Summarise(e, set, newest);
        out_ << (o_.json ? SummaryJson(s, path, channel_) : SummaryText(s, path, channel_)) << "\n";
        out_.flush();
        Sidecar record = GofsSidecar(follower, path, set, newest);
        return WriteCliSidecar(record, err_) ? Written::Yes : Written::Failed;
    }

private:
    const AnalyzeOptions& o_;
    std::ostream& out_;
    std::ostream& err_;
    std::string channel_;
    bool warned_ = false;
};

int StatusOf(Written w) { return w == Written::Refused ? 2 : w == Written::Failed ? 1 : 0; }

} // namespace

int RunAnalyze(const AnalyzeOptions& o, std::ostream& out, std::ostream& err, const std::atomic<bool>& stop,
    const std::function<void(int)>& sleepMs)
{
    LaunchParameters launch;
    if (const std::string wrong = LaunchFromOptions(o.analysis, launch); !wrong.empty()) {
        err << CliProgramPrefix << wrong << "\n";
        return 2;
    }
    if (const std::string refusal = OutputRefusal(o.output, o.runDir); !refusal.empty()) {
        err << refusal << "\n";
        return 2;
    }
    if (!o.channel.empty() && KnownChannel(o.channel).empty()) {
        err << CliProgramPrefix << "unknown channel '" << o.channel
            << "' (a mask such as 0*.RA1, A*.IP2 or 0*.RI3Sam)\n";
        return 2;
    }
    const bool runExists = IsDirectory(o.runDir);
    if (!runExists && !o.watch) {
        err << CliProgramPrefix << "no such directory: " << o.runDir << "\n";
        return 2;
    }
    if (!runExists)
        err << CliProgramPrefix << "waiting for " << o.runDir << " to appear\n";
    const std::string channel = ChannelToRead(o, err, stop, sleepMs, runExists);
    if (channel.empty()) {
        if (stop)
            return 0;
        err << CliProgramPrefix << "no channel found in " << o.runDir << "\n";
        return 1;
    }
    launch.Channel = channel;

    AnalyzeRun run(o, out, err, channel);
    if (o.progress)
        run.follower.progress = &err;
    OpenChannel(run.follower, o.runDir, launch);
    if (!o.watch)
        return StatusOf(run.WriteOnce(true));

    Written last = run.WriteOnce(false);
    if (last == Written::Refused)
        return 2;
    if (last == Written::NotYet && runExists)
        err << CliProgramPrefix << "waiting for scans of " << channel << " in " << o.runDir << "\n";
    const RealTimeGofS& e = *run.follower.Engine;
    int32_t known = e.RawStore ? e.RawStore->GetNumberOfSets() : 0;
    while (!stop) {
        sleepMs(run.follower.Timer1Interval);
        if (stop)
            break;
        const bool hadData = run.follower.HasData;
        run.follower.Timer1Timer();
        const int32_t now = e.RawStore ? e.RawStore->GetNumberOfSets() : 0;
        if (now != known || hadData != run.follower.HasData) {
            known = now;
            const Written w = run.WriteOnce(false);
            if (w == Written::Refused)
                return 2;
            if (w != Written::NotYet)
                last = w;
        }
    }
    return StatusOf(last);
}

CliCommand AddAnalyzeCommand(CLI::App& app, const CliContext& context)
{
    auto o = std::make_shared<AnalyzeOptions>();
    auto summary = std::make_shared<std::string>("text");
    CLI::App* analyze = app.add_subcommand("analyze",
        "Load a channel of a run and write its g(s*) file; the summary names the s* of the highest g(s*) where "
        "the data can hold a boundary");
    analyze->add_option("RUN_DIR", o->runDir, "Run directory holding the scan files")->required();
    analyze->add_option("--channel", o->channel,
        "Channel entry such as 0*.RA1, A*.IP2 or 0*.RI3Sam (default: the one the main window selects)");
    AddAnalysisOptions(*analyze, o->analysis);
    analyze->add_option("--output", o->output, "Output file (default: the proposed name in the current directory)");
    analyze->add_option("--set", o->set, "Write this g(s*) set alone (numbered from 0), as the time course does");
    analyze->add_flag("--watch", o->watch,
        "Follow the run: rewrite the file after each batch of new scans until Ctrl-C (the run directory and the "
        "channel may appear later)");
    analyze->add_option("--summary", *summary, "Summary format")->check(CLI::IsMember({ "text", "json" }));
    return { analyze, [o, summary, &context] {
                o->runDir = AbsolutePathFrom(context.startDir, o->runDir);
                o->output = AbsolutePathFrom(context.startDir, o->output);
                o->json = *summary == "json";
                o->progress = context.progress;
                return RunAnalyze(*o, context.out, context.err, context.stop, context.sleepMs);
            } };
}
