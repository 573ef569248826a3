#include "app/cli/ReproduceCommand.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>

#include "app/cli/CompareCommand.h"
#include "app/cli/ExtrapolateCommand.h"
#include "follower/GofsOutput.h"
#include "provenance/CsRecord.h"
#include "provenance/ExportRecord.h"
#include "provenance/RecordText.h"
#include "provenance/Reproduction.h"
#include "provenance/SpeciesFitRecord.h"
#include "report/RunReport.h"
#include "scanfiles/FileSystem.h"
#include "scanfiles/ScanText.h"
#include "scanfiles/Sha256.h"

namespace morvane {

namespace {

using Engines = std::vector<const RealTimeGofS*>;

// One kind of output that reproduce can make again: what its parameters must hold, and the making
// through the very code that wrote the original. Another writer adds its row to Kinds.
struct KindOfOutput {
    const char* kind;
    // What is wrong with the sidecar for this kind, or "".
    std::string (*check)(const Sidecar&);
    // The output's text from the loaded channels into `text`; returns "" or why none could be made.
    std::string (*make)(const Sidecar&, const Engines&, std::string& text);
};

std::string OneChannel(const Sidecar& s)
{
    return s.Channels.size() == 1
        ? ""
        : "a " + s.Kind + " sidecar records one channel, this one " + std::to_string(s.Channels.size());
}

// A whole-number parameter, or what is wrong with it.
std::string IntegerParameter(const Sidecar& s, const char* name, int32_t& value)
{
    const auto it = s.Parameters->find(name);
    if (it == s.Parameters->end())
        return std::string("parameters.") + name + " is missing";
    if (!it->is_number_integer())
        return std::string("parameters.") + name + " is not a whole number";
    value = it->get<int32_t>();
    return {};
}

std::string NoGofs(const RealTimeGofS& e)
{
    if (e.GofsStore && e.GofsStore->GetNumberOfSets() >= 1 && e.RawStore && e.RawStore->GetNumberOfSets() >= 1)
        return {};
    return std::string(NotEnoughDataMessage) + " (" + std::to_string(e.RawStore ? e.RawStore->GetNumberOfSets() : 0)
        + " scans of " + e.ChannelName + ")";
}

std::string CheckGofsSet(const Sidecar& s)
{
    int32_t set = 0;
    const std::string wrong = IntegerParameter(s, "set", set);
    return wrong.empty() ? OneChannel(s) : wrong;
}

std::string MakeGofs(const Sidecar& s, const Engines& engines, std::string& text)
{
    const RealTimeGofS& e = *engines[0];
    if (std::string none = NoGofs(e); !none.empty())
        return none;
    const bool newest = s.Kind == KindGofs;
    int32_t set = -1;
    if (!newest) {
        (void)IntegerParameter(s, "set", set);
        if (set < 0 || set >= e.GofsStore->GetNumberOfSets())
            return "set " + std::to_string(set) + " does not exist: the channel has "
                + std::to_string(e.GofsStore->GetNumberOfSets()) + " g(s*) sets";
    }
    text = GofsFileText(e, s.OutputPath, set, newest);
    return {};
}

std::string CheckExtrapolation(const Sidecar& s)
{
    int32_t k = 0;
    for (const char* name : { "start", "end" })
        if (std::string wrong = IntegerParameter(s, name, k); !wrong.empty())
            return wrong;
    return OneChannel(s);
}

std::string MakeExtrapolation(const Sidecar& s, const Engines& engines, std::string& text)
{
    const RealTimeGofS& e = *engines[0];
    if (std::string none = NoGofs(e); !none.empty())
        return none;
    int32_t start = 0, end = 0;
    (void)IntegerParameter(s, "start", start);
    (void)IntegerParameter(s, "end", end);
    const int32_t sets = e.SmoothGofsStore->GetNumberOfSets();
    if (start < 0 || end >= sets || end - start + 1 < ExtrapolationMinimumSets)
        return "sets " + std::to_string(start) + " to " + std::to_string(end)
            + " cannot be extrapolated: the channel has " + std::to_string(sets) + " smoothed g(s*) sets";
    const ExtrapolationOutput x = ExtrapolateSets(e, s.Channels[0].RunDirectory, start, end, s.Display);
    if (x.rows.empty())
        return "no point of sets " + std::to_string(start) + " to " + std::to_string(end) + " could be extrapolated";
    text = ExtrapolationFileText(x.header, x.rows);
    return {};
}

std::string CheckComparison(const Sidecar& s)
{
    const auto normalized = s.Parameters->find("normalized");
    const auto columns = s.Parameters->find("columns");
    if (normalized == s.Parameters->end() || !normalized->is_boolean())
        return "parameters.normalized is missing or not true or false";
    if (columns == s.Parameters->end() || !columns->is_array() || columns->size() != s.Channels.size())
        return "parameters.columns is missing or does not name one column per channel";
    for (const auto& name : *columns)
        if (!name.is_string())
            return "parameters.columns holds a name that is not a text";
    return {};
}

std::string MakeComparison(const Sidecar& s, const Engines& engines, std::string& text)
{
    const bool normalized = (*s.Parameters)["normalized"].get<bool>();
    std::vector<std::string> names;
    std::vector<CompositeCurve> curves;
    for (size_t i = 0; i < engines.size(); ++i) {
        if (std::string none = NoGofs(*engines[i]); !none.empty())
            return none;
        AddComparisonColumn(*engines[i], (*s.Parameters)["columns"][i].get<std::string>(), normalized, names, curves);
    }
    text = ComparisonTableText(names, curves);
    return {};
}

std::string MakeExport(const Sidecar& s, const Engines& engines, std::string& text)
{
    return RemakeExportList(*engines[0], s, text);
}

std::string CheckSpeciesFit(const Sidecar& s)
{
    SpeciesFitOptions options;
    return SpeciesFitOptionsOf(s, options);
}

std::string MakeSpeciesFit(const Sidecar& s, const Engines& engines, std::string& text)
{
    return RemakeSpeciesFit(*engines[0], s, text);
}

std::string CheckCs(const Sidecar& s)
{
    morvane::cs::CsOptions options;
    return CsOptionsOf(s, options);
}

std::string MakeCs(const Sidecar& s, const Engines& engines, std::string& text)
{
    return RemakeCs(*engines[0], s, text);
}

std::string CheckReport(const Sidecar& s)
{
    ReportRequest request;
    return ReportRequestOf(s, request);
}

std::string MakeReport(const Sidecar& s, const Engines& engines, std::string& text)
{
    return ReportHtml(*engines[0], s, text);
}

const KindOfOutput Kinds[] = {
    { KindGofs, OneChannel, MakeGofs },
    { KindGofsSet, CheckGofsSet, MakeGofs },
    { KindExtrapolation, CheckExtrapolation, MakeExtrapolation },
    { KindComparison, CheckComparison, MakeComparison },
    { KindExport, CheckExportParameters, MakeExport },
    { KindSpeciesFit, CheckSpeciesFit, MakeSpeciesFit },
    { KindCs, CheckCs, MakeCs },
    { KindReport, CheckReport, MakeReport },
};

const KindOfOutput* FindKind(const std::string& kind)
{
    for (const KindOfOutput& k : Kinds)
        if (kind == k.kind)
            return &k;
    return nullptr;
}

std::string KnownKinds()
{
    std::string names;
    for (const KindOfOutput& k : Kinds)
        names += (names.empty() ? "" : ", ") + std::string(k.kind);
    return names;
}

// Every line reproduce prints goes through here: no record text reaches the terminal raw.
void Say(std::ostream& stream, const std::string& line) { stream << Printable(line) << "\n"; }

// The sidecar's text, or what kept it from being read.
std::string ReadRecord(const std::string& path, std::string& text)
{
    int64_t size = -1;
    const std::string failure = ReadRegularFile(path, MaxSidecarBytes, text, &size);
    if (failure.empty() || size <= static_cast<int64_t>(MaxSidecarBytes))
        return failure;
    return "not a Morvane sidecar: " + std::to_string(size) + " bytes, more than a record may have ("
        + std::to_string(MaxSidecarBytes >> 20) + " MB)";
}

std::string SizeAndHash(int64_t size, const std::string& sha)
{
    return std::to_string(size) + " bytes" + (sha.empty() ? "" : ", sha256 " + sha);
}

// The result against the recorded output, and the output beside the record against the record
// (an output and a record written by different runs, after a kill, must not pass). True when
// either differs.
bool ReportResult(const Sidecar& s, const std::string& sidecarPath, const std::string& text, std::ostream& out)
{
    const std::string beside = OutputBesideSidecar(sidecarPath, s);
    std::string found;
    int64_t foundSize = -1;
    // Read only up to the recorded size: a larger file is not the recorded one either way.
    const std::string unread = ReadRegularFile(beside, static_cast<size_t>(s.OutputSize), found, &foundSize);
    const std::string foundSha = unread.empty() ? Sha256Hex(found) : "";
    const bool gone = unread == "no such file";
    const bool besideMatches = unread.empty() && foundSize == s.OutputSize && foundSha == s.OutputSha256;
    const std::string recorded = "recorded " + SizeAndHash(s.OutputSize, s.OutputSha256);

    const std::string made = Sha256Hex(text);
    const bool identical = static_cast<int64_t>(text.size()) == s.OutputSize && made == s.OutputSha256;
    if (identical) {
        Say(out, "result: byte-identical to the recorded output (" + SizeAndHash(static_cast<int64_t>(text.size()), made) + ")");
    } else {
        Say(out, "result: differs from the recorded output (" + recorded + "; made "
                + SizeAndHash(static_cast<int64_t>(text.size()), made) + ")");
        if (besideMatches)
            Say(out, "  first difference at " + FirstDifference(found, text));
        else
            Say(out, "  " + beside + " is gone or is not the recorded output, so the first differing line cannot be shown");
    }
    if (besideMatches)
        return !identical;
    if (gone) {
        Say(out, "note: the output beside the record (" + beside + ") is gone: the result was compared with the "
                 "recorded SHA-256 alone");
        return !identical;
    }
    if (!unread.empty() && foundSize <= s.OutputSize)
        Say(out, "output: the output beside the record, " + beside + ", could not be read (" + unread + ")");
    else
        Say(out, "output: the output beside the record is not the one recorded: " + beside + " (" + recorded
                + "; found " + SizeAndHash(foundSize, foundSha)
                + "): the two come from different runs, or the output changed since");
    return true;
}

// The sidecar read and checked, with everything that refuses it before anything is made: "" or
// the line for err (status 2).
std::string ReadUsableRecord(const ReproduceOptions& o, Sidecar& s, std::vector<std::string>& notes,
    const KindOfOutput*& kind, std::vector<ChannelRecord>& sources)
{
    const std::string where = CliProgramPrefix + o.sidecar + ": ";
    std::string json;
    if (const std::string failure = ReadRecord(o.sidecar, json); !failure.empty())
        return where + failure;
    if (const std::string wrong = ReadSidecar(json, s, notes); !wrong.empty())
        return where + wrong;
    kind = FindKind(s.Kind);
    if (!kind)
        return where + "cannot reproduce an output of kind \"" + s.Kind + "\" (this version reproduces " + KnownKinds()
            + ")";
    if (const std::string wrong = kind->check(s); !wrong.empty())
        return where + "bad sidecar: " + wrong;
    if (!o.runDirs.empty() && o.runDirs.size() != 1 && o.runDirs.size() != s.Channels.size())
        return CliProgramPrefix + std::string("--run-dir was given ") + std::to_string(o.runDirs.size())
            + " times; the record has " + std::to_string(s.Channels.size())
            + " channels: give it once, or once per channel in the record's order";
    // The recorded channels as they are read now: from the run directories given, if any.
    sources = s.Channels;
    for (size_t i = 0; i < sources.size() && !o.runDirs.empty(); ++i)
        sources[i].RunDirectory = o.runDirs[o.runDirs.size() == 1 ? 0 : i];
    for (const ChannelRecord& c : sources) {
        if (const std::string refusal = OutputRefusal(o.output, c.RunDirectory, o.force); !refusal.empty())
            return refusal;
        if (const std::string refusal = RecordedPathsRefusal(c); !refusal.empty())
            return where + "refused: " + refusal;
    }
    return {};
}

// Stages and checks one channel's recorded files, on out; true when one differs or cannot be checked.
bool ReportInputs(const ChannelRecord& c, const std::string& dir, std::ostream& out)
{
    if (!IsDirectory(c.RunDirectory))
        Say(out, "note: the run directory " + c.RunDirectory
                + " does not exist (moved? --run-dir DIR reads the recorded scans from DIR)");
    const std::vector<InputDifference> differences = StageRecordedFiles(c, dir);
    size_t differ = 0, unchecked = 0;
    for (const InputDifference& d : differences) {
        const bool notChecked
            = d.What == InputDifference::Kind::NotStaged || d.What == InputDifference::Kind::Unrecorded;
        unchecked += notChecked;
        differ += !notChecked && d.What != InputDifference::Kind::Added;
    }
    const size_t recorded = c.Files.size() + c.RefusedFiles.size();
    std::string verdict;
    if (differ + unchecked == 0)
        verdict = "all " + std::to_string(recorded) + " recorded files match";
    if (differ > 0)
        verdict = std::to_string(differ) + " of " + std::to_string(recorded) + " recorded files differ";
    if (unchecked > 0)
        verdict += (verdict.empty() ? "" : ", ") + std::to_string(unchecked) + " of " + std::to_string(recorded)
            + " could not be checked";
    Say(out, "inputs of " + c.Channel + " in " + c.RunDirectory + ": " + verdict);
    for (const InputDifference& d : differences)
        Say(out, "  " + InputDifferenceText(d));
    return differ + unchecked > 0;
}

} // namespace

int RunReproduce(const ReproduceOptions& o, std::ostream& out, std::ostream& err)
{
    Sidecar s;
    std::vector<std::string> notes;
    const KindOfOutput* kind = nullptr;
    std::vector<ChannelRecord> sources;
    if (const std::string refusal = ReadUsableRecord(o, s, notes, kind, sources); !refusal.empty()) {
        Say(err, refusal);
        return 2;
    }
    Say(out, o.sidecar + ": " + s.Kind + " output " + s.OutputPath + ", written " + s.WrittenUtc + " by " + s.Program
            + " " + s.Version);
    if (s.Version != ProgramVersion())
        Say(out, "note: this is Morvane " + ProgramVersion() + "; a difference may come from the program");
    for (const std::string& note : notes)
        Say(out, "note: " + note);

    StagingDirectory staging;
    if (staging.Path().empty()) {
        Say(err, CliProgramPrefix + std::string("no temporary directory could be made for the recorded files"));
        return 1;
    }
    bool inputsDiffer = false;
    std::vector<std::unique_ptr<ChannelFollower>> followers;
    Engines engines;
    for (size_t i = 0; i < sources.size(); ++i) {
        const std::string dir = JoinPath(staging.Path(), std::to_string(i));
        std::error_code ec;
        std::filesystem::create_directory(dir, ec);
        inputsDiffer = ReportInputs(sources[i], dir, out) || inputsDiffer;
        followers.push_back(std::make_unique<ChannelFollower>());
        LoadRecordedChannel(*followers.back(), sources[i], dir);
        engines.push_back(followers.back()->Engine.get());
    }

    std::string text;
    if (const std::string none = kind->make(s, engines, text); !none.empty()) {
        Say(out, "result: none could be made from the recorded files: " + none);
        return 1;
    }
    const bool differs = ReportResult(s, o.sidecar, text, out);
    if (!o.output.empty()) {
        if (const std::string failure = WriteFileAtomically(o.output, text); !failure.empty()) {
            Say(err, CliProgramPrefix + std::string("could not write ") + o.output + ": " + failure);
            return 1;
        }
        Say(out, "result written to " + o.output);
    }
    return inputsDiffer || differs ? 1 : 0;
}

CliCommand AddReproduceCommand(CLI::App& app, const CliContext& context)
{
    auto o = std::make_shared<ReproduceOptions>();
    CLI::App* command = app.add_subcommand("reproduce",
        "Run the analysis a sidecar (OUTPUT.json) records again, from the recorded scan files and settings, and "
        "report whether the inputs still match and whether the result is byte-identical");
    command->add_option("SIDECAR", o->sidecar, "The sidecar written beside an output")->required();
    command->add_option("--output", o->output, "Also write the result here (default: compare only)");
    AddForceOption(*command, o->force);
    command->add_option("--run-dir", o->runDirs,
        "Read the recorded scans from this directory (a run that was moved); once for every channel, or once per "
        "channel of the record in its order");
    return { command, [o, &context] {
                ReproduceOptions resolved = *o;
                for (std::string& dir : resolved.runDirs)
                    dir = AbsolutePathFrom(context.startDir, dir);
                resolved.sidecar = AbsolutePathFrom(context.startDir, resolved.sidecar);
                resolved.output = AbsolutePathFrom(context.startDir, resolved.output);
                return RunReproduce(resolved, context.out, context.err);
            } };
}

} // namespace morvane
