#include "app/cli/ExtrapolateCommand.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "analysis/NumberText.h"
#include "app/cli/ChannelSetup.h"
#include "app/cli/CliSidecar.h"
#include "app/cli/Summary.h"
#include "follower/ExtrapolationFile.h"
#include "follower/GofsOutput.h"
#include "provenance/ChannelRecording.h"
#include "realtime/Extrapolation.h"
#include "scanfiles/FileSystem.h"
#include "settings/GUISettings.h"

namespace morvane {

namespace {

struct Range {
    int32_t start = 0, end = 0;
    bool given = false; // the user named a start or an end
    int status = 0; // non-zero: refused, the message written
};

// The sets to extrapolate: the given ones or the defaults (every set, as the data view takes
// them), at least ExtrapolationMinimumSets of them.
Range RangeOf(const ExtrapolateOptions& o, const ChannelDataStore& smooth, std::ostream& err)
{
    Range r;
    const int32_t sets = smooth.GetNumberOfSets();
    r.given = o.start || o.end;
    r.end = o.end.value_or(sets - 1);
    r.start = o.start.value_or(0);
    for (const int32_t k : { r.end, r.start }) {
        if (k < 0 || k >= sets) {
            err << CliProgramPrefix << "set " << k << " does not exist: the channel has " << sets
                << " smoothed g(s*) sets, numbered from 0\n";
            r.status = 2;
            return r;
        }
    }
    if (r.end - r.start + 1 < ExtrapolationMinimumSets) {
        err << CliProgramPrefix << "the extrapolation needs at least " << ExtrapolationMinimumSets
            << " smoothed g(s*) sets; sets " << r.start << " to " << r.end << " are "
            << std::max(r.end - r.start + 1, 0) << " (the channel has " << sets << ")\n";
        r.status = r.given ? 2 : 1;
    }
    return r;
}

// How the range came about, for the summary: "given", "default" or "chosen" (the default was no
// result and a sound range was taken instead, for the reason in note).
struct RangeStory {
    std::string kind;
    std::string note;
};

std::string SummaryOf(const ExtrapolateOptions& o, const std::string& path, const std::string& channel,
    const ExtrapolationFileHeader& h, const std::vector<ExtrapolatedRow>& rows, const GofsPeak& peak,
    const RangeStory& story, std::optional<double> meniscusFound, const std::string& peakNote)
{
    if (o.json) {
        nlohmann::ordered_json j;
        j["file"] = Utf8OrEscaped(path);
        j["channel"] = Utf8OrEscaped(channel);
        j["start"] = h.start;
        j["end"] = h.end;
        j["start_time_s"] = h.startTime;
        j["end_time_s"] = h.endTime;
        j["range"] = story.kind;
        j["range_note"] = story.note.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(story.note);
        j["points"] = rows.size();
        j["peak_s_star"] = peak.Found ? nlohmann::ordered_json(peak.SStar) : nlohmann::ordered_json(nullptr);
        j["peak_note"] = peakNote.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(peakNote);
        if (meniscusFound)
            j["meniscus_found_cm"] = *meniscusFound;
        return j.dump();
    }
    char times[80];
    std::snprintf(times, sizeof times, " (mean times %.0f to %.0f s)", h.startTime, h.endTime);
    return path + ": " + std::to_string(rows.size()) + " points of " + channel + " extrapolated from smoothed sets "
        + std::to_string(h.start) + " to " + std::to_string(h.end) + times
        + (story.kind == "chosen" ? ", chosen because the default range is no result" : "")
        + (peak.Found ? ", g(s*) peak at s* = " + ThreeDigits(peak.SStar) + " S" : std::string())
        + (peakNote.empty() ? std::string() : ", " + peakNote);
}

} // namespace

int RunExtrapolate(const ExtrapolateOptions& o, std::ostream& out, std::ostream& err)
{
    ChannelSetup setup;
    const auto checks = [&o](const ProgramSettings&) { return OutputRefusal(o.output, o.runDir, o.force); };
    if (const int status = SetUpChannel(o.analysis, o.runDir, o.channel, setup, err, checks); status != 0)
        return status;
    const std::string& channel = setup.launch.Channel;
    const ProgramSettings& settings = setup.settings;
    CliFollower follower;
    if (o.progress)
        follower.progress = &err;
    std::optional<double> meniscusFound;
    if (const int status = LoadSetUpChannel(follower, o.analysis, o.runDir, setup, err, o.json, meniscusFound);
        status != 0)
        return status;
    const RealTimeGofS& e = *follower.Engine;
    const ChannelDataStore& smooth = *e.SmoothGofsStore;
    const Range range = RangeOf(o, smooth, err);
    if (range.status != 0)
        return range.status;

    const GUISettings& display = settings.Display;
    const ExtrapolationChoice made = ChooseExtrapolation(e, o.runDir, range.start, range.end, range.given, display);
    // A curve that is no result is not written; without a range given, a sound one is taken.
    if (!made.sound) {
        err << CliProgramPrefix << made.refusal << "\n";
        return range.given ? 2 : 1;
    }
    const ExtrapolationOutput& x = made.x;
    if (made.range == "chosen")
        err << CliProgramPrefix << made.refusal << " Taking sets " << x.header.start << " to " << x.header.end << ".\n";
    const RangeStory story { made.range, made.range == "chosen" ? made.refusal : "" };
    const std::vector<ExtrapolatedRow>& rows = x.rows;
    const ExtrapolationFileHeader& header = x.header;
    const std::string path = o.output.empty() ? ProposedExtrapolationFileName(e) : o.output;
    if (const std::string failure = WriteFileAtomically(path, ExtrapolationFileText(header, rows)); !failure.empty()) {
        err << CliProgramPrefix << WriteErrorMessage << " (" << failure << ")\n";
        return 1;
    }

    out << SummaryOf(o, path, channel, header, rows, made.peak, story, meniscusFound, made.peakNote) << "\n";
    Sidecar record = ExtrapolationSidecar(follower, path, header.start, header.end, display);
    return WriteCliSidecar(record, err) ? 0 : 1;
}

CliCommand AddExtrapolateCommand(CLI::App& app, const CliContext& context)
{
    auto o = std::make_shared<ExtrapolateOptions>();
    auto summary = std::make_shared<std::string>("text");
    CLI::App* command = app.add_subcommand("extrapolate",
        "Extrapolate the smoothed g(s*) sets START to END of a channel to infinite time and write s*, s*g(s*) and "
        "its standard error. A curve that is no result (sets too close in time, a curve cut off or running away from "
        "the sets) is not written: a given range is refused with the range that would give one, the default range "
        "is replaced by it");
    command->add_option("RUN_DIR", o->runDir, "Run directory holding the scan files")->required();
    command->add_option("--channel", o->channel,
        "Channel entry such as 0*.RA1, A*.IP2 or 0*.RI3Sam (default: the one the main window selects)");
    command->add_option("--start", o->start,
        "First smoothed set (numbered from 0; default: 0, every set up to END, as the data view takes them)");
    command->add_option("--end", o->end, "Last smoothed set (default: the newest)");
    AddAnalysisOptions(*command, o->analysis);
    command->add_option("--output", o->output, "Output file (default: the proposed name in the current directory)");
    AddForceOption(*command, o->force);
    command->add_option("--summary", *summary, "Summary format")->check(CLI::IsMember({ "text", "json" }));
    return { command, [o, summary, &context] {
                o->runDir = AbsolutePathFrom(context.startDir, o->runDir);
                o->output = AbsolutePathFrom(context.startDir, o->output);
                o->analysis.settingsFile = AbsolutePathFrom(context.startDir, o->analysis.settingsFile);
                o->json = *summary == "json";
                o->progress = context.progress;
                o->analysis.pause = context.sleepMs;
                return RunExtrapolate(*o, context.out, context.err);
            } };
}

} // namespace morvane
