#include "app/cli/CliSupport.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <ostream>

#include "analysis/NumberText.h"
#include "discovery/ChannelDetection.h"
#include "discovery/RunDiscovery.h"
#include "follower/CellChange.h"
#include "follower/MeniscusProposal.h"
#include "follower/PositionWarnings.h"
#include "scanfiles/ChannelWavelength.h"
#include "scanfiles/FileSystem.h"
#include "settings/SettingsFile.h"

namespace morvane {

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
    // "ENTRY", or "ENTRY NNN nm" for one wavelength of an absorbance or intensity cell.
    const size_t blank = text.find(' ');
    int32_t nm = 0;
    if (blank != std::string::npos) {
        std::string rest = Upper(text.substr(blank + 1));
        if (rest.size() > 2 && rest.compare(rest.size() - 2, 2, "NM") == 0)
            rest.resize(rest.size() - 2);
        while (!rest.empty() && rest.back() == ' ')
            rest.pop_back();
        if (rest.empty() || rest.size() > 6 || rest.find_first_not_of("0123456789") != std::string::npos)
            return {};
        nm = std::stoi(rest);
        if (nm <= 0)
            return {};
    }
    const std::string base = Upper(text.substr(0, blank));
    for (const std::string& mask : ChannelMasks())
        for (const std::string& entry : ChannelEntries(mask))
            if (Upper(entry) == base)
                return nm == 0 ? entry : ScannedAtWavelengths(entry) ? EntryWithWavelength(entry, nm) : std::string();
    return {};
}

namespace {

std::string NmList(const std::vector<int32_t>& nm)
{
    std::string text;
    for (size_t k = 0; k < nm.size(); ++k)
        text += (k == 0 ? "" : k + 1 == nm.size() ? " and " : ", ") + std::to_string(nm[k]);
    return text + " nm";
}

} // namespace

ChannelChoice ChooseChannel(const std::string& runDir, const std::string& channel, std::optional<int> wavelength)
{
    ChannelChoice c;
    const std::string entry = channel.empty() ? SelectedChannel(runDir) : KnownChannel(channel);
    auto fail = [&c](const std::string& why, int status) {
        c.error = CliProgramPrefix + why;
        c.status = status;
        return c;
    };
    if (entry.empty() && channel.empty())
        return fail("no channel found in " + runDir, 1);
    if (entry.empty())
        return fail("unknown channel '" + channel + "' (a mask such as 0*.RA1, A*.IP2 or 0*.RI3Sam)", 2);
    const std::string base = EntryWithoutWavelength(entry);
    // A wavelength the user named in --channel; the main window's choice may be overridden.
    const int32_t named = channel.empty() ? 0 : EntryWavelength(entry);
    if (wavelength && !(*wavelength > 0 && *wavelength <= 1000000))
        return fail("--wavelength needs a wavelength in nm, not " + std::to_string(*wavelength), 2);
    if (wavelength && !ScannedAtWavelengths(base))
        return fail("--wavelength applies to absorbance and intensity channels, not " + base, 2);
    if (wavelength && named > 0 && named != *wavelength)
        return fail("--channel names " + std::to_string(named) + " nm, --wavelength " + std::to_string(*wavelength), 2);
    int32_t want = named > 0 ? named : wavelength.value_or(0);
    const std::vector<int32_t> found
        = ScannedAtWavelengths(base) ? MaskWavelengths(runDir, base.substr(0, 6)) : std::vector<int32_t>();
    if (want > 0 && !found.empty() && std::find(found.begin(), found.end(), want) == found.end())
        return fail(base + " has scans at " + NmList(found) + ", none at " + std::to_string(want) + " nm", 2);
    if (found.size() < 2) {
        // One wavelength (or none known yet): the plain entry, unless one was asked for before any was seen.
        c.entry = found.empty() ? EntryWithWavelength(base, want) : base;
        return c;
    }
    if (want == 0) {
        want = found[0];
        c.note = CliProgramPrefix + base + " holds scans at " + NmList(found) + ": taking " + std::to_string(want)
            + " nm (another with --wavelength)";
    }
    c.entry = EntryWithWavelength(base, want);
    return c;
}

int ChooseChannelForLaunch(const std::string& runDir, const std::string& channel, std::optional<int> wavelength,
    LaunchParameters& launch, std::ostream& err)
{
    const ChannelChoice choice = ChooseChannel(runDir, channel, wavelength);
    if (!choice.error.empty()) {
        err << choice.error << "\n";
        return choice.status;
    }
    if (!choice.note.empty())
        err << choice.note << "\n";
    launch.Channel = choice.entry;
    return 0;
}

std::string SelectedChannel(const std::string& runDir)
{
    const ChannelDetection found = DetectChannels(runDir);
    return found.Selected >= 0 ? found.Entries[static_cast<size_t>(found.Selected)] : std::string();
}

void AddAnalysisOptions(CLI::App& command, AnalysisOptions& o)
{
    command
        .add_option_function<std::string>(
            "--meniscus",
            [&o](const std::string& text) {
                double x = 0;
                o.meniscusAuto = text == "auto";
                if (!o.meniscusAuto && CLI::detail::lexical_cast(text, x))
                    o.meniscus = x;
            },
            "Meniscus radius, cm (default 5.9), or auto: found from the artefact of the first scans (a spike, a "
            "drop or a step)")
        ->check([](const std::string& text) {
            double x = 0;
            return text == "auto" || CLI::detail::lexical_cast(text, x) ? std::string()
                                                                        : "needs a radius in cm or auto, not " + text;
        });
    command.add_option("--bottom", o.bottom, "Cell bottom radius, cm (default 7.2)");
    command.add_option("--jitter", o.jitter, "Jitter reference radius, cm (default 5.85; interference only)");
    command.add_option("--fringe", o.fringe, "Integral-fringe reference radius, cm (default 6.9; interference only)");
    command.add_option("--mw", o.mw, "Base the data span on this molecular weight, g/mol");
    command.add_option("--settings", o.settingsFile,
        "Settings file as the windows write it (display, analysis and species settings; default: the built-in "
        "values); its positions are the defaults of --meniscus, --bottom, --jitter and --fringe");
    command.add_option("--wavelength", o.wavelength,
        "Of an absorbance or intensity cell scanned at several wavelengths, the one to analyse, nm (default: the "
        "first in file order)");
}

namespace {

std::string LaunchOnDefaults(const AnalysisOptions& o, LaunchParameters& launch)
{
    const struct {
        const char* name;
        const std::optional<double>& value;
        double& field;
    } radii[] = {
        { "--meniscus", o.meniscus, launch.Cell.Meniscus },
        { "--bottom", o.bottom, launch.Cell.Bottom },
        { "--jitter", o.jitter, launch.Cell.JitterRadius },
        { "--fringe", o.fringe, launch.Cell.FringeRadius },
    };
    for (const auto& r : radii) {
        if (!r.value)
            continue;
        if (!std::isfinite(*r.value))
            return std::string(r.name) + " needs a radius in cm, not " + Typed(*r.value);
        r.field = *r.value;
    }
    if (o.mw) {
        if (!MWAccepted(*o.mw))
            return MWRefusal;
        launch.Cell.WindowByMW = true;
        launch.Cell.AssumedMW = *o.mw;
    }
    if (!CellSpanAccepted(launch.Cell.Meniscus, launch.Cell.Bottom))
        return "the meniscus (" + FloatToStr(launch.Cell.Meniscus) + " cm) must be positive and below the bottom ("
            + FloatToStr(launch.Cell.Bottom) + " cm)";
    return {};
}

} // namespace

std::string SettingsAndLaunchFromOptions(const AnalysisOptions& o, ProgramSettings& settings, LaunchParameters& launch)
{
    settings = ProgramSettings();
    if (!o.settingsFile.empty()) {
        std::error_code ec;
        if (!std::filesystem::exists(o.settingsFile, ec))
            return "--settings: no such file: " + o.settingsFile;
        const SettingsFileReport report = ReadSettingsFile(o.settingsFile, settings);
        if (!report.Problems.empty())
            return "--settings " + o.settingsFile + ": " + report.Problems.front()
                + (report.Problems.size() > 1 ? " (and " + std::to_string(report.Problems.size() - 1) + " more)" : "");
    }
    launch = LaunchParameters::Defaults("", settings.Display, settings.Analysis);
    return LaunchOnDefaults(o, launch);
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

FoundMeniscus TakeFoundMeniscus(RealTimeGofS& e, const std::string& channel)
{
    FoundMeniscus m;
    const MeniscusFinding f = ProposeMeniscus(e);
    if (!f.Found) {
        m.message = CliProgramPrefix + MeniscusFindingText(f) + " in " + channel + "; give the radius with --meniscus";
        return m;
    }
    m.found = true;
    m.radius = f.Radius;
    CellParameters wanted = e.Cell;
    wanted.Meniscus = f.Radius;
    if (const std::string refusal = ChangeCell(e, wanted); !refusal.empty()) {
        m.message = CliProgramPrefix + refusal;
        return m;
    }
    m.taken = true;
    m.message = CliProgramPrefix + MeniscusFindingText(f) + " in " + channel;
    return m;
}

bool TakeMeniscusIfAuto(const AnalysisOptions& o, RealTimeGofS& engine, const std::string& channel, std::ostream& err,
    bool quiet, std::optional<double>& found)
{
    if (!o.meniscusAuto)
        return true;
    const FoundMeniscus m = TakeFoundMeniscus(engine, channel);
    if (m.taken)
        found = m.radius;
    if (!m.taken || !quiet)
        err << m.message << "\n";
    return m.taken;
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

} // namespace morvane
