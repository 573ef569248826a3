// morvane-cli: the analysis without a window.
#include <CLI/CLI.hpp>
#include <atomic>
#include <chrono>
#include <csignal>
#include <iostream>
#include <thread>
#include <unistd.h>

#include "app/cli/ChannelLoading.h"
#include "app/cli/CliCommands.h"
#include "app/cli/CompareCommand.h"
#include "app/cli/RecomposeCommand.h"

namespace {
std::atomic<bool> stopRequested { false };
extern "C" void OnSignal(int) { stopRequested = true; }
}

int main(int argc, char** argv)
{
    CLI::App app { "Morvane: g(s*) analysis of sedimentation-velocity runs, without a window" };
    app.require_subcommand(1);

    std::string channelsPath;
    auto* channels = app.add_subcommand("channels", "List the run directories below a root and the channels of the newest run");
    channels->add_option("PATH", channelsPath, "Root data directory (or a run directory)")->required();

    AnalyzeOptions o;
    std::string summary = "text";
    auto* analyze = app.add_subcommand("analyze", "Load a channel of a run and write its g(s*) file; the summary names the s* of the highest g(s*) at or above 0.1 S");
    analyze->add_option("RUN_DIR", o.runDir, "Run directory holding the scan files")->required();
    analyze->add_option("--channel", o.channel, "Channel entry such as 0*.RA1, A*.IP2 or 0*.RI3Sam (default: the one the main window selects)");
    AddAnalysisOptions(*analyze, o);
    analyze->add_option("--output", o.output, "Output file (default: the proposed name in the current directory)");
    analyze->add_option("--set", o.set, "Write this g(s*) set alone (numbered from 0), as the time course does");
    analyze->add_flag("--watch", o.watch, "Follow the run: rewrite the file after each batch of new scans until Ctrl-C");
    analyze->add_option("--summary", summary, "Summary format")->check(CLI::IsMember({ "text", "json" }));

    RecomposeOptions recomposeOptions;
    auto* recompose = app.add_subcommand("recompose",
        "Rewrite the interference scans (*.IP?) of a data directory into an output directory with the description "
        "and radii of a paradigm file");
    recompose->add_option("DATA_DIR", recomposeOptions.dataDir, "Data directory holding the scan files")->required();
    recompose->add_option("--paradigm", recomposeOptions.paradigm, "Paradigm scan file")->required();
    recompose->add_option("--output-dir", recomposeOptions.outputDir, "Output directory (made when missing)")
        ->required();

    CompareOptions compareOptions;
    auto* compare = AddCompareCommand(app, compareOptions);

    CLI11_PARSE(app, argc, argv);

    if (*channels)
        return RunChannels(channelsPath, std::cout, std::cerr);
    if (*recompose)
        return RunRecompose(recomposeOptions, std::cout, std::cerr);
    if (*compare)
        return RunCompare(compareOptions, std::cout, std::cerr);

    o.json = summary == "json";
    o.progress = ::isatty(STDERR_FILENO) != 0;
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    auto sleepMs = [](int ms) {
        for (int waited = 0; waited < ms && !stopRequested; waited += 100)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    };
    return RunAnalyze(o, std::cout, std::cerr, stopRequested, sleepMs);
}
