#include "app/cli/CompareCommand.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <map>
#include <ostream>

#include "analysis/NumberText.h"
#include "app/cli/ChannelLoading.h"
#include "mainwindow/ChannelDetection.h"
#include "scanfiles/FileSystem.h"

namespace fs = std::filesystem;

namespace {

const char* const Prog = "morvane-cli: ";

bool IsDir(const std::string& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

// Whether writing `target` would replace or add a scan file of the run in runDir: it lies in
// that directory (as canonical paths, so links, "." and ".." do not hide it) and a channel mask
// takes its name.
bool OutputIsScanFileOf(const std::string& target, const std::string& runDir)
{
    std::error_code ec;
    const fs::path t = fs::weakly_canonical(fs::absolute(target, ec), ec);
    const fs::path dir = fs::weakly_canonical(fs::absolute(runDir, ec), ec);
    if (ec || t.parent_path() != dir)
        return false;
    const std::string name = t.filename().string();
    for (const std::string& mask : ChannelMasks())
        if (MatchesMask(name, mask))
            return true;
    return false;
}

// A channel to load: where, which, how, and the name of its column.
struct ChannelToLoad {
    std::string runDir;
    std::string channel;
    LaunchParameters launch;
    std::string name;
};

} // namespace

CompareInput ParseCompareInput(const std::string& text)
{
    const size_t colon = text.rfind(':');
    if (IsDir(text) || colon == std::string::npos)
        return { text, "" };
    const std::string mask = text.substr(colon + 1);
    if (mask.find('/') != std::string::npos)
        return { text, "" };
    return { text.substr(0, colon), mask };
}

std::string ComparisonTableText(const std::vector<std::string>& names, const std::vector<CompositeCurve>& curves)
{
    std::map<double, std::vector<std::string>> rows;
    for (size_t c = 0; c < curves.size(); ++c) {
        for (size_t i = 0; i < curves[c].SStar.size(); ++i) {
            std::vector<std::string>& cells = rows[curves[c].SStar[i]];
            cells.resize(curves.size());
            cells[c] = FloatToStr(curves[c].Value[i]);
        }
    }
    std::string text = "s*";
    for (const std::string& name : names)
        text += "\t" + name;
    text += "\r\n";
    for (const auto& [s, cells] : rows) {
        text += FloatToStr(s);
        for (const std::string& cell : cells)
            text += "\t" + cell;
        text += "\r\n";
    }
    return text;
}

int RunCompare(const CompareOptions& o, std::ostream& out, std::ostream& err)
{
    if (o.inputs.empty()) {
        err << Prog << "compare needs at least one RUN_DIR[:MASK]\n";
        return 2;
    }
    if (o.output.empty()) {
        err << Prog << "compare needs --output FILE\n";
        return 2;
    }
    // Every input is checked before the first load, so that a typing error fails at once.
    std::vector<ChannelToLoad> toLoad;
    for (const std::string& text : o.inputs) {
        const CompareInput in = ParseCompareInput(text);
        if (!IsDir(in.runDir)) {
            err << Prog << "no such directory: " << in.runDir << "\n";
            return 2;
        }
        if (OutputIsScanFileOf(o.output, in.runDir)) {
            err << Prog << "refusing to write " << o.output << ": it would be a scan file of the run in " << in.runDir
                << "\n";
            return 2;
        }
        int status = 0;
        const std::string channel = ChooseChannel(in.runDir, in.mask, err, status);
        if (channel.empty())
            return status;
        const std::optional<LaunchParameters> launch = LaunchFromOptions(o.analysis, channel, err);
        if (!launch)
            return 2;
        toLoad.push_back({ in.runDir, channel, *launch, in.runDir + ":" + (in.mask.empty() ? channel : in.mask) });
    }

    std::vector<std::string> names;
    std::vector<CompositeCurve> curves;
    for (const ChannelToLoad& c : toLoad) {
        ChannelFollower follower;
        OpenChannel(follower, c.runDir, c.launch);
        const std::string noGofs = NoGofsReason(follower, c.channel, c.runDir);
        if (!noGofs.empty()) {
            err << Prog << noGofs << "\n";
            return 1;
        }
        curves.push_back(ComparisonCurve(*follower.Engine, o.normalized));
        names.push_back(c.name + (o.normalized && !curves.back().Normalized ? NotNormalizedSuffix : ""));
    }

    const std::string failure = WriteFileAtomically(o.output, ComparisonTableText(names, curves));
    if (!failure.empty()) {
        err << Prog << "could not write " << o.output << ": " << failure << "\n";
        return 1;
    }
    out << o.output << ": " << curves.size() << (curves.size() == 1 ? " channel" : " channels")
        << (o.normalized ? ", normalized" : "") << "\n";
    return 0;
}

CLI::App* AddCompareCommand(CLI::App& app, CompareOptions& o)
{
    CLI::App* compare = app.add_subcommand("compare",
        "Load channels of runs and write their composite g(s*) curves side by side, as the comparison window "
        "overlays them");
    compare
        ->add_option("INPUT", o.inputs,
            "RUN_DIR or RUN_DIR:MASK such as run:0*.RA1 (default channel: the one the main window selects)")
        ->required();
    compare->add_flag("--normalized", o.normalized, "Divide each curve by its total concentration Co");
    AddAnalysisOptions(*compare, o.analysis);
    compare->add_option("--output", o.output, "Output file (tab-separated text)")->required();
    return compare;
}
