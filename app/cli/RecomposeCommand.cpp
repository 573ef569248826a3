#include "app/cli/RecomposeCommand.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>
#include <vector>

#include "recompose/Recompose.h"
#include "scanfiles/FileSystem.h"
#include "scanfiles/ScanText.h"

namespace morvane {

int RunRecompose(const RecomposeOptions& options, std::ostream& out, std::ostream& err)
{
    // Refused before the paradigm is read, as the window refuses at "Set Output Dir".
    if (const std::string refusal = RecomposeRefusal(options.dataDir, options.outputDir, true); !refusal.empty()) {
        err << "morvane-cli: " << refusal << "\n";
        return 2;
    }
    if (const std::string refusal = OutputDirectoryRefusal(options.outputDir, "write recomposed files", options.force);
        !refusal.empty()) {
        err << refusal << "\n";
        return 2;
    }
    std::vector<std::string> paradigm;
    const int64_t bytes = ReadFileLines(options.paradigm, paradigm);
    if (bytes <= 0 || paradigm.empty()) {
        err << "morvane-cli: the paradigm file " << options.paradigm
            << (bytes == NotARegularFile ? " is not a regular file"
                    : bytes < 0         ? " could not be read"
                                        : " is empty")
            << "\n";
        return 2;
    }
    const RecomposeResult result = RecomposeDirectory(
        options.dataDir, paradigm, options.outputDir, [&out](const std::string& status) { out << status << "\n"; },
        options.force);
    if (result.Complete())
        return 0;
    const std::string problems = result.ProblemsText();
    size_t start = 0;
    while (start <= problems.size()) {
        const size_t end = problems.find('\n', start);
        err << "morvane-cli: " << problems.substr(start, end - start) << "\n";
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return result.Refused.empty() ? 1 : 2;
}

CliCommand AddRecomposeCommand(CLI::App& app, const CliContext& context)
{
    auto options = std::make_shared<RecomposeOptions>();
    CLI::App* command = app.add_subcommand("recompose",
        "Rewrite the interference scans (*.IP?) of a data directory into an output directory with the description "
        "and radii of a paradigm file");
    command->add_option("DATA_DIR", options->dataDir, "Data directory holding the scan files")->required();
    command->add_option("--paradigm", options->paradigm, "Paradigm scan file")->required();
    command->add_option("--output-dir", options->outputDir, "Output directory (made when missing)")->required();
    AddForceOption(*command, options->force);
    return { command, [options, &context] {
                RecomposeOptions o = *options;
                o.dataDir = AbsolutePathFrom(context.startDir, o.dataDir);
                o.paradigm = AbsolutePathFrom(context.startDir, o.paradigm);
                o.outputDir = AbsolutePathFrom(context.startDir, o.outputDir);
                return RunRecompose(o, context.out, context.err);
            } };
}

} // namespace morvane
