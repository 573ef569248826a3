#include "app/cli/AnalyzeCommand.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <ostream>

#include "app/cli/ChannelSetup.h"
#include "app/cli/CliSupport.h"
#include "app/cli/Summary.h"
#include "follower/ChannelSession.h"
#include "follower/GofsOutput.h"
#include "provenance/ChannelRecording.h"
#include "provenance/Sidecar.h"
#include "realtime/MeniscusFinder.h"
#include "scanfiles/FileSystem.h"
#include "settings/SpeciesSettings.h"

namespace morvane {

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
    ConvergenceThresholds thresholds; // of the settings the command runs on

    // Writes the file for the current state. `last`: no later attempt follows.
    Written WriteOnce(bool last)
    {
        if (follower.HasData && o_.analysis.meniscusAuto && !meniscusFound_) {
            if (const Written w = FindMeniscus(last); w != Written::Yes)
                return w;
        }
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
        // The proposed name once: a followed channel that comes to name its wavelength keeps its file.
        if (path_.empty())
            path_ = o_.output.empty() ? ProposedGofsFileName(e, "") : o_.output;
        const std::string path = path_;
        // The inputs are hashed first: a scan used in the result that is gone since (deleted while the
        // run is followed) makes a followed run load again, so that result and record hold what the
        // files give. A single load, or a file gone again, is written with the record saying so.
        Sidecar record = GofsSidecar(follower, path, set, newest);
        if (o_.watch && !reloading_ && !UnhashedUsedFiles(record).empty()) {
            reloading_ = true;
            follower.LoadChannel(follower.DataDirectory);
            const Written w = WriteOnce(last);
            reloading_ = false;
            return w;
        }
        // The file and its record are made durable together, the summary said only then.
        std::string detail;
        const std::string recordFailure
            = WriteOutputWithSidecar(record, "morvane-cli", GofsFileText(e, path, set, newest), detail);
        if (!detail.empty()) {
            err_ << CliProgramPrefix << WriteErrorMessage << " (" << detail << ")"
                 << (o_.watch ? "; writing it again after the next scans" : "") << "\n";
            return Written::Failed;
        }
        Summary s = Summarise(e, set, newest);
        s.counts = follower.Counts;
        s.meniscusFound = meniscusFound_;
        // The engine's entry: a channel followed before its cell showed a second wavelength names its own.
        std::string line = o_.json ? SummaryJson(s, path, e.ChannelName) : SummaryText(s, path, e.ChannelName);
        // Following a run, each summary also says whether it has converged.
        if (o_.watch)
            line = WithConvergence(line, SummariseConvergence(e, thresholds, &convergenceFits_), o_.json);
        out_ << line << "\n";
        out_.flush();
        if (recordFailure.empty())
            return Written::Yes;
        err_ << CliProgramPrefix << recordFailure << "\n";
        return Written::Failed;
    }

private:
    ConvergenceFitCache convergenceFits_; // each look fits only the sets that are new

    // --meniscus auto: the meniscus from the first scans, once. Without one, a run being followed
    // waits until it has the scans the search looks at; then, as a single load does, it fails.
    Written FindMeniscus(bool last)
    {
        RealTimeGofS& e = *follower.Engine;
        const FoundMeniscus m = TakeFoundMeniscus(e, channel_);
        if (!m.taken) {
            if (!m.found && !last && e.RawStore->GetNumberOfSets() < MeniscusSearch().firstScans)
                return Written::NotYet;
            err_ << m.message << "\n";
            return last ? Written::Failed : Written::Refused;
        }
        meniscusFound_ = m.radius;
        if (!o_.json)
            err_ << m.message << "\n";
        return Written::Yes;
    }

    const AnalyzeOptions& o_;
    std::ostream& out_;
    std::ostream& err_;
    std::string channel_;
    bool warned_ = false;
    bool reloading_ = false;
    std::optional<double> meniscusFound_;
    std::string path_; // the file written
};

// What a followed run stops taking, said once on err: scans newly refused (by reason), and a file
// that stays incomplete look after look (the instrument stopped writing it, or it never ends
// with a line end). The g(s*) file is written without them meanwhile.
class ScanNotices {
public:
    // Looks in a row at which the same file was the first incomplete one, before it is named.
    static constexpr int32_t PendingLooks = 3;

    explicit ScanNotices(std::ostream& err)
        : err_(err)
    {
    }

    void Look(const ScanCounts& now)
    {
        for (size_t r = 0; r < now.RefusedBy.size(); ++r) {
            const int32_t more = now.RefusedBy[r] - said_.RefusedBy[r];
            if (more <= 0)
                continue;
            err_ << CliProgramPrefix << more << (more == 1 ? " more scan" : " more scans") << " refused ("
                 << ScanReasonText(static_cast<ScanReason>(r)) << "; " << now.RefusedBy[r] << " in all, the first "
                 << now.FirstRefused[r] << "): the g(s*) file leaves " << (more == 1 ? "it" : "them") << " out\n";
        }
        said_.RefusedBy = now.RefusedBy;
        if (now.Pending == 0 || now.FirstPending != pending_) {
            pending_ = now.Pending > 0 ? now.FirstPending : std::string();
            pendingLooks_ = now.Pending > 0 ? 1 : 0;
            return;
        }
        if (++pendingLooks_ == PendingLooks)
            err_ << CliProgramPrefix << pending_ << " is still not complete after " << PendingLooks
                 << " looks (no line end yet, or still changing): its scan is left out until it is\n";
    }

private:
    std::ostream& err_;
    ScanCounts said_;
    std::string pending_;
    int32_t pendingLooks_ = 0;
};

int StatusOf(Written w) { return w == Written::Refused ? 2 : w == Written::Failed ? 1 : 0; }

} // namespace

int RunAnalyze(const AnalyzeOptions& o, std::ostream& out, std::ostream& err, const std::atomic<bool>& stop,
    const std::function<void(int)>& sleepMs)
{
    ChannelSetup setup;
    const auto checks = [&o](const ProgramSettings&) { return OutputRefusal(o.output, o.runDir, o.force); };
    if (const int status = SetUpSettings(o.analysis, setup, err, checks); status != 0)
        return status;
    LaunchParameters& launch = setup.launch;
    const ProgramSettings& settings = setup.settings;
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
    const std::string asked = o.channel.empty() ? "" : channel;
    if (const int status = ChooseChannelForLaunch(o.runDir, asked, o.analysis.wavelength, launch, err); status != 0)
        return status;

    AnalyzeRun run(o, out, err, launch.Channel);
    if (o.progress)
        run.follower.progress = &err;
    run.follower.SettingsFile = o.analysis.settingsFile;
    run.thresholds = ThresholdsOf(settings.Species);
    if (!o.watch) {
        OpenFinishedChannel(run.follower, o.runDir, launch, sleepMs, settings.Analysis);
        return StatusOf(run.WriteOnce(true));
    }
    OpenChannel(run.follower, o.runDir, launch, settings.Analysis);

    ScanNotices notices(err);
    notices.Look(run.follower.Counts);
    Written last = run.WriteOnce(false);
    if (last == Written::Refused)
        return 2;
    if (last == Written::NotYet && runExists)
        err << CliProgramPrefix << "waiting for scans of " << channel << " in " << o.runDir << "\n";
    // The revision, not the number of scans: a reload can keep the number and change the scans.
    int32_t known = run.follower.DataRevision;
    while (!stop) {
        sleepMs(run.follower.Timer1Interval);
        if (stop)
            break;
        const bool hadData = run.follower.HasData;
        run.follower.Timer1Timer();
        notices.Look(run.follower.Counts);
        if (run.follower.DataRevision != known || hadData != run.follower.HasData) {
            const Written w = run.WriteOnce(false);
            known = run.follower.DataRevision; // a load the write made is written already
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
    AddForceOption(*analyze, o->force);
    analyze->add_option("--set", o->set, "Write this g(s*) set alone (numbered from 0), as the time course does");
    analyze->add_flag("--watch", o->watch,
        "Follow the run: rewrite the file after each batch of new scans until Ctrl-C (the run directory and the "
        "channel may appear later)");
    analyze->add_option("--summary", *summary, "Summary format")->check(CLI::IsMember({ "text", "json" }));
    return { analyze, [o, summary, &context] {
                o->runDir = AbsolutePathFrom(context.startDir, o->runDir);
                o->output = AbsolutePathFrom(context.startDir, o->output);
                o->analysis.settingsFile = AbsolutePathFrom(context.startDir, o->analysis.settingsFile);
                o->json = *summary == "json";
                o->progress = context.progress;
                return RunAnalyze(*o, context.out, context.err, context.stop, context.sleepMs);
            } };
}

} // namespace morvane
