#include "app/cli/CliSupport.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <ostream>

#include "analysis/NumberText.h"
#include "dataview/PositionWarnings.h"
#include "mainwindow/ChannelDetection.h"
#include "mainwindow/RunDiscovery.h"
#include "scanfiles/FileSystem.h"

namespace fs = std::filesystem;

namespace {

std::string Upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

// A number as the user would have typed it: FloatToStr, or nan, inf and -inf.
std::string Typed(double x)
{
    if (std::isnan(x))
        return "nan";
    if (std::isinf(x))
        return x > 0 ? "inf" : "-inf";
    return FloatToStr(x);
}

bool IsDirectory(const std::string& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

std::string KnownChannel(const std::string& text)
{
    for (const std::string& mask : ChannelMasks())
        for (const std::string& entry : ChannelEntries(mask))
            if (Upper(entry) == Upper(text))
                return entry;
    return {};
}

std::string SelectedChannel(const std::string& runDir)
{
    const ChannelDetection found = DetectChannels(runDir);
    return found.Selected >= 0 ? found.Entries[static_cast<size_t>(found.Selected)] : std::string();
}

void AddAnalysisOptions(CLI::App& command, AnalysisOptions& o, bool meniscusAuto)
{
    if (meniscusAuto)
        command
            .add_option_function<std::string>(
                "--meniscus",
                [&o](const std::string& text) {
                    double x = 0;
                    o.meniscusAuto = text == "auto";
                    if (!o.meniscusAuto && CLI::detail::lexical_cast(text, x))
                        o.meniscus = x;
                },
                "Meniscus radius, cm (default 5.9), or auto: found from the artefact of the first scans")
            ->check([](const std::string& text) {
                double x = 0;
                return text == "auto" || CLI::detail::lexical_cast(text, x)
                    ? std::string()
                    : "needs a radius in cm or auto, not " + text;
            });
    else
        command.add_option("--meniscus", o.meniscus, "Meniscus radius, cm (default 5.9)");
    command.add_option("--bottom", o.bottom, "Cell bottom radius, cm (default 7.2)");
    command.add_option("--jitter", o.jitter, "Jitter reference radius, cm (default 5.85; interference only)");
    command.add_option("--fringe", o.fringe, "Integral-fringe reference radius, cm (default 6.9; interference only)");
    command.add_option("--mw", o.mw, "Base the data span on this molecular weight, g/mol");
}

std::string LaunchFromOptions(const AnalysisOptions& o, LaunchParameters& launch)
{
    launch = LaunchParameters::Defaults("");
    const struct {
        const char* name;
        const std::optional<double>& value;
        double& field;
    } radii[] = {
        { "--meniscus", o.meniscus, launch.Meniscus },
        { "--bottom", o.bottom, launch.Bottom },
        { "--jitter", o.jitter, launch.JitterRadius },
        { "--fringe", o.fringe, launch.FringeRadius },
    };
    for (const auto& r : radii) {
        if (!r.value)
            continue;
        if (!std::isfinite(*r.value))
            return std::string(r.name) + " needs a radius in cm, not " + Typed(*r.value);
        r.field = *r.value;
    }
    if (o.mw) {
        if (!(*o.mw > 100 && *o.mw < 1000000))
            return "Error entering Molecular Weight, please enter a weight between 100 and 1,000,000 in the correct "
                   "format";
        launch.WindowByMW = true;
        launch.AssumedMW = *o.mw;
    }
    if (!(launch.Meniscus > 0) || !(launch.Bottom > launch.Meniscus))
        return "the meniscus (" + FloatToStr(launch.Meniscus) + " cm) must be positive and below the bottom ("
            + FloatToStr(launch.Bottom) + " cm)";
    return {};
}

std::string NoDataMessage(const ChannelFollower& follower, const std::string& channel, const std::string& runDir)
{
    if (follower.HasData)
        return {};
    if (follower.FileList.empty())
        return CliProgramPrefix + std::string("no scan files of channel ") + channel + " in " + runDir;
    return CliProgramPrefix + std::string("no scan of channel ") + channel + " could be read with at least "
        + std::to_string(follower.Engine->Settings.MinimumDataSetSize) + " points";
}

void WarnAboutPositions(const RealTimeGofS& engine, std::ostream& err)
{
    for (const std::string& warning : PositionWarnings(engine))
        err << CliProgramPrefix << "warning: " << warning << "\n";
}

std::string OutputRefusal(const std::string& output, const std::string& runDir, bool force)
{
    if (IsScanFileOfRun(output, runDir))
        return CliProgramPrefix + std::string("will not write ") + output
            + ": it is a scan file of the run being read; choose another --output";
    const std::string reason = force ? std::string() : ScanOverwriteReason(output);
    if (reason.empty())
        return {};
    return CliProgramPrefix + std::string("will not write ") + output + ": " + reason
        + "; choose another --output, or --force writes it all the same";
}

void AddForceOption(CLI::App& command, bool& force)
{
    command.add_flag("--force", force,
        "Write outputs named as scan files into a directory that holds scan files (never the run's own)");
}

std::string OutputDirectoryRefusal(const std::string& dir, const char* what, bool force)
{
    if (force || !HoldsScanFiles(dir))
        return {};
    return CliProgramPrefix + std::string("will not ") + what + " into " + dir
        + ": it holds scan files, which the files written there would replace or join; choose another "
          "--output-dir, or --force writes into it all the same";
}

void CliFollower::ShowProgress(const std::string& text)
{
    if (progress)
        *progress << "\r" << text << "        " << std::flush;
}

void CliFollower::EndLoad(bool)
{
    if (progress)
        *progress << "\r" << std::string(40, ' ') << "\r" << std::flush;
}
