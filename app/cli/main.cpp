// morvane-cli: the analysis without a window.
#include <CLI/CLI.hpp>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <thread>
#include <unistd.h>

#include "MorvaneVersion.h"
#include "app/cli/CliCommands.h"

using namespace morvane;

namespace {
std::atomic<bool> stopRequested { false };

// analyze --watch takes the first Ctrl-C or SIGTERM as its request to stop after the look in
// progress; a second one ends it at once, as both end every other command at any time (by default).
extern "C" void OnWatchSignal(int)
{
    stopRequested = true;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}
}

int main(int argc, char** argv)
{
    CLI::App app { "Morvane: g(s*) analysis of sedimentation-velocity runs, without a window" };
    app.set_version_flag("--version", std::string(MORVANE_VERSION_TEXT));
    app.require_subcommand(1);
    // Errors of the command line are one line, as every other error of the program.
    app.failure_message([](const CLI::App*, const CLI::Error& e) {
        return std::string(CliProgramPrefix) + e.what() + " (--help lists the options)\n";
    });

    std::error_code ec;
    const CliContext context { std::cout, std::cerr, stopRequested,
        [](int ms) {
            for (int waited = 0; waited < ms && !stopRequested; waited += 100)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        },
        std::filesystem::current_path(ec).string(), ::isatty(STDERR_FILENO) != 0 };
    const CliCommand commands[] = {
        AddChannelsCommand(app, context),
        AddAnalyzeCommand(app, context),
        AddExtrapolateCommand(app, context),
        AddRecomposeCommand(app, context),
        AddCompareCommand(app, context),
        AddExportCommand(app, context),
        AddFitCommand(app, context),
        AddReproduceCommand(app, context),
        AddCsCommand(app, context),
        AddReportCommand(app, context),
    };

    CLI11_PARSE(app, argc, argv);

    if (app.get_subcommand("analyze")->count("--watch") > 0) {
        std::signal(SIGINT, OnWatchSignal);
        std::signal(SIGTERM, OnWatchSignal);
    }
    for (const CliCommand& c : commands)
        if (*c.command)
            return c.run();
    return 2;
}
