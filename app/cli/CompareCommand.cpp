#include "app/cli/CompareCommand.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "analysis/NumberText.h"
#include "app/cli/ChannelSetup.h"
#include "app/cli/CliSidecar.h"
#include "follower/GofsOutput.h"
#include "provenance/ChannelRecording.h"
#include "scanfiles/ChannelWavelength.h"
#include "scanfiles/FileSystem.h"

namespace morvane {

namespace fs = std::filesystem;

namespace {

// A channel to load: where, which, how, and the name of its column.
struct ChannelToLoad {
    std::string runDir;
    ChannelSetup setup; // the launch of the channel
    std::string name;
};

} // namespace

CompareInput ParseCompareInput(const std::string& text)
{
    const size_t colon = text.rfind(':');
    if (IsDirectory(text) || colon == std::string::npos)
        return { text, "" };
    const std::string mask = text.substr(colon + 1);
    if (mask.find('/') != std::string::npos)
        return { text, "" };
    return { text.substr(0, colon), mask };
}

int RunCompare(const CompareOptions& o, std::ostream& out, std::ostream& err)
{
    if (o.inputs.empty()) {
        err << CliProgramPrefix << "compare needs at least one RUN_DIR[:MASK]\n";
        return 2;
    }
    if (o.output.empty()) {
        err << CliProgramPrefix << "compare needs --output FILE\n";
        return 2;
    }
    ChannelSetup setup;
    if (const int status = SetUpSettings(o.analysis, setup, err); status != 0)
        return status;
    // Every input is checked before the first load, so that a typing error fails at once.
    std::vector<ChannelToLoad> toLoad;
    for (const std::string& text : o.inputs) {
        const CompareInput in = ParseCompareInput(text);
        if (!IsDirectory(in.runDir)) {
            err << CliProgramPrefix << "no such directory: " << in.runDir << "\n";
            return 2;
        }
        if (const std::string refusal = OutputRefusal(o.output, in.runDir, o.force); !refusal.empty()) {
            err << refusal << "\n";
            return 2;
        }
        ChannelSetup forChannel = setup;
        if (const int status
            = ChooseChannelForLaunch(in.runDir, in.mask, o.analysis.wavelength, forChannel.launch, err);
            status != 0)
            return status;
        const std::string& channel = forChannel.launch.Channel;
        // A column of one of a cell's wavelengths says which.
        const bool named = in.mask.empty() || EntryWavelength(channel) > 0;
        toLoad.push_back({ in.runDir, forChannel, in.runDir + ":" + (named ? channel : in.mask) });
    }

    std::vector<std::string> names;
    std::vector<CompositeCurve> curves;
    Sidecar record;
    record.Kind = KindComparison;
    record.OutputPath = o.output;
    (*record.Parameters)["normalized"] = o.normalized;
    (*record.Parameters)["columns"] = nlohmann::ordered_json::array();
    for (const ChannelToLoad& c : toLoad) {
        ChannelFollower follower;
        std::optional<double> meniscusFound;
        if (const int status
            = LoadSetUpChannel(follower, o.analysis, c.runDir, c.setup, err, false, meniscusFound, c.name);
            status != 0)
            return status;
        const RealTimeGofS& e = *follower.Engine;
        if (!e.GofsStore || e.GofsStore->GetNumberOfSets() < 1) {
            err << CliProgramPrefix << NotEnoughDataMessage << " (" << e.RawStore->GetNumberOfSets() << " scans of "
                << c.setup.launch.Channel << ")\n";
            return 1;
        }
        AddComparisonColumn(e, c.name, o.normalized, names, curves);
        (*record.Parameters)["columns"].push_back(c.name);
        record.Channels.push_back(RecordChannel(follower));
        record.Channels.back().Sets.push_back(RecordSet(e, *e.GofsStore, "g(s*)", e.GofsStore->GetNumberOfSets() - 1));
    }

    const std::string failure = WriteFileAtomically(o.output, ComparisonTableText(names, curves));
    if (!failure.empty()) {
        err << CliProgramPrefix << "could not write " << o.output << ": " << failure << "\n";
        return 1;
    }
    out << o.output << ": " << curves.size() << (curves.size() == 1 ? " channel" : " channels")
        << (o.normalized ? ", normalized" : "") << "\n";
    return WriteCliSidecar(record, err) ? 0 : 1;
}

CliCommand AddCompareCommand(CLI::App& app, const CliContext& context)
{
    auto o = std::make_shared<CompareOptions>();
    CLI::App* compare = app.add_subcommand("compare",
        "Load channels of runs and write their composite g(s*) curves side by side, as the comparison window "
        "overlays them");
    compare
        ->add_option("INPUT", o->inputs,
            "RUN_DIR or RUN_DIR:MASK such as run:0*.RA1 (default channel: the one the main window selects)")
        ->required();
    compare->add_flag("--normalized", o->normalized, "Divide each curve by its total concentration Co");
    AddAnalysisOptions(*compare, o->analysis);
    compare->add_option("--output", o->output, "Output file (tab-separated text)")->required();
    AddForceOption(*compare, o->force);
    return { compare, [o, &context] {
                CompareOptions resolved = *o;
                for (std::string& input : resolved.inputs)
                    input = AbsolutePathFrom(context.startDir, input);
                resolved.output = AbsolutePathFrom(context.startDir, resolved.output);
                resolved.analysis.settingsFile = AbsolutePathFrom(context.startDir, resolved.analysis.settingsFile);
                resolved.analysis.pause = context.sleepMs;
                return RunCompare(resolved, context.out, context.err);
            } };
}

} // namespace morvane
