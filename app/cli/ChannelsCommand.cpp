#include "app/cli/ChannelsCommand.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>

#include "discovery/ChannelDetection.h"
#include "discovery/RunDiscovery.h"
#include "scanfiles/FileSystem.h"

namespace morvane {

int RunChannels(const std::string& path, std::ostream& out, std::ostream& err)
{
    if (!IsDirectory(path)) {
        err << CliProgramPrefix << "no such directory: " << path << "\n";
        return 2;
    }
    const RunDirectories runs = ListRunDirectories(path);
    if (!runs.Failure.empty()) {
        err << CliProgramPrefix << runs.Failure << ": " << path << "\n";
        return 1;
    }
    for (const std::string& loop : runs.Loops)
        err << CliProgramPrefix << LoopMessage(loop) << "\n";
    out << "Run directories below " << path << " (* newest):\n";
    for (size_t i = 0; i < runs.Dirs.size(); ++i)
        out << (static_cast<int32_t>(i) == runs.Newest ? "* " : "  ") << runs.Dirs[i] << "\n";
    const std::string& newest = runs.Dirs[static_cast<size_t>(runs.Newest)];
    const ChannelDetection channels = DetectChannels(newest);
    out << "Channels in " << newest << " (* selected):\n";
    if (channels.Entries.empty()) {
        out << "  (no channel found)\n";
        return 1;
    }
    for (size_t i = 0; i < channels.Entries.size(); ++i)
        out << (static_cast<int32_t>(i) == channels.Selected ? "* " : "  ") << channels.Entries[i] << "\n";
    return 0;
}

CliCommand AddChannelsCommand(CLI::App& app, const CliContext& context)
{
    auto path = std::make_shared<std::string>();
    CLI::App* command
        = app.add_subcommand("channels", "List the run directories below a root and the channels of the newest run");
    command->add_option("PATH", *path, "Root data directory (or a run directory)")->required();
    return { command,
        [path, &context] { return RunChannels(AbsolutePathFrom(context.startDir, *path), context.out, context.err); } };
}

} // namespace morvane
