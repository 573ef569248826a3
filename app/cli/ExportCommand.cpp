#include "app/cli/ExportCommand.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <memory>
#include <ostream>
#include <system_error>

#include "app/cli/ChannelSetup.h"
#include "provenance/ExportRecord.h"
#include "scanfiles/FileSystem.h"

namespace morvane {

namespace fs = std::filesystem;

int RunExport(const ExportOptions& o, std::ostream& out, std::ostream& err)
{
    ChannelSetup setup;
    const auto checks = [&o](const ProgramSettings&) {
        if (const std::string refusal = ExportRefusal(o.outputDir, o.runDir, "", true); !refusal.empty())
            return CliProgramPrefix + refusal;
        return OutputDirectoryRefusal(o.outputDir, "export", o.force);
    };
    if (const int status = SetUpChannel(o.analysis, o.runDir, o.channel, setup, err, checks); status != 0)
        return status;
    const LaunchParameters& launch = setup.launch;
    CliFollower follower;
    if (o.progress)
        follower.progress = &err;
    std::optional<double> meniscusFound;
    if (const int status = LoadSetUpChannel(follower, o.analysis, o.runDir, setup, err, false, meniscusFound);
        status != 0)
        return status;
    std::error_code ec;
    fs::create_directories(o.outputDir, ec);
    if (!IsDirectory(o.outputDir)) {
        err << CliProgramPrefix << "cannot make the output directory " << o.outputDir
            << (ec ? " (" + ec.message() + ")" : std::string()) << "\n";
        return 1;
    }

    ScanExportRequest job;
    job.Directory = o.outputDir;
    job.Extension = ExportExtension(launch.Channel);
    job.Suffix = ExportHeaderSuffix(o.now);
    job.RunDirectory = o.runDir;
    job.MayJoinScans = o.force;
    const ScanExportResult result = ExportScans(*follower.Engine->RawStore, job);
    if (!result.Refused.empty()) {
        err << CliProgramPrefix << result.Refused << "\n";
        return 2;
    }
    std::string text = ExportResultText(result);
    bool recordFailed = false;
    const std::string record = WriteExportRecord(follower, job, result, "morvane-cli", recordFailed);
    if (result.Failed.empty() && !recordFailed) {
        out << launch.Channel << ": " << text << (record.empty() ? "" : " " + record) << "\n";
        return 0;
    }
    if (!record.empty())
        text += " " + record;
    err << CliProgramPrefix << launch.Channel << ": " << text << "\n";
    return 1;
}

CliCommand AddExportCommand(CLI::App& app, const CliContext& context)
{
    auto o = std::make_shared<ExportOptions>();
    CLI::App* command = app.add_subcommand("export",
        "Write the raw scans of a channel, on its common radial grid (interference scans corrected), as scan files "
        "00001.EXT, 00002.EXT, ... into an output directory");
    command->add_option("RUN_DIR", o->runDir, "Run directory holding the scan files")->required();
    command->add_option("--channel", o->channel,
        "Channel entry such as 0*.RA1, A*.IP2 or 0*.RI3Sam (default: the one the main window selects)");
    AddAnalysisOptions(*command, o->analysis);
    command->add_option("--output-dir", o->outputDir, "Output directory (made when missing; not the run directory)")
        ->required();
    AddForceOption(*command, o->force);
    return { command, [o, &context] {
                ExportOptions options = *o;
                options.runDir = AbsolutePathFrom(context.startDir, options.runDir);
                options.outputDir = AbsolutePathFrom(context.startDir, options.outputDir);
                options.analysis.settingsFile = AbsolutePathFrom(context.startDir, options.analysis.settingsFile);
                options.now = CurrentLocalDateTime();
                options.progress = context.progress;
                options.analysis.pause = context.sleepMs;
                return RunExport(options, context.out, context.err);
            } };
}

} // namespace morvane
