#include "app/cli/ReportCommand.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>

#include "app/cli/ChannelSetup.h"
#include "cs/CsChannel.h"
#include "follower/GofsOutput.h"
#include "provenance/CsRecord.h"
#include "report/RunReport.h"
#include "scanfiles/FileSystem.h"
#include "settings/SpeciesSettings.h"

namespace morvane {

namespace {

// The species table's options, or what is wrong with them: given without --species, they would be
// taken for a table that is not made.
std::string SpeciesOf(
    const ReportOptions& o, const SpeciesSettings& settings, std::optional<SpeciesFitOptions>& species)
{
    const FitOptions& f = o.fit;
    if (!o.speciesTable) {
        if ((!o.cs && (f.vbar || f.density || f.viscosity)) || f.temperature || f.minSStar || f.maxSStar
            || f.model != "lamm")
            return "--model, --vbar, --density, --viscosity, --temperature, --min-s and --max-s apply to the species "
                   "table: give --species N too";
        return {};
    }
    SpeciesFitOptions options;
    if (std::string wrong = SpeciesFitOptionsFrom(f, settings, options); !wrong.empty())
        return wrong;
    species = options;
    return {};
}

// A range given with --start or --end must exist and hold enough sets: "" or what is wrong.
std::string RangeRefusal(const ReportOptions& o, int32_t sets)
{
    if (!o.start && !o.end)
        return {};
    const int32_t start = o.start.value_or(0), end = o.end.value_or(sets - 1);
    for (const int32_t k : { start, end })
        if (k < 0 || k >= sets)
            return "set " + std::to_string(k) + " does not exist: the channel has " + std::to_string(sets)
                + " smoothed g(s*) sets, numbered from 0";
    if (end - start + 1 < ExtrapolationMinimumSets)
        return "the extrapolation needs at least " + std::to_string(ExtrapolationMinimumSets)
            + " smoothed g(s*) sets; sets " + std::to_string(start) + " to " + std::to_string(end) + " are "
            + std::to_string(std::max(end - start + 1, 0));
    return {};
}

std::string SummaryLine(const std::string& path, const std::string& channel, const ReportFacts& f)
{
    std::string line = path + ": run report of " + channel + " from " + std::to_string(f.gofs.scans) + " scans; "
        + (f.gofs.peak.Found ? "g(s*) peak at s* = " + ThreeDigits(f.gofs.peak.SStar) + " S" : "no g(s*) peak");
    const ExtrapolationChoice& x = f.extrapolation;
    if (!f.extrapolated || !x.sound)
        line += "; no extrapolation";
    else
        line += "; extrapolated from sets " + std::to_string(x.x.header.start) + " to " + std::to_string(x.x.header.end)
            + (x.peak.Found ? ", peak at s* = " + ThreeDigits(x.peak.SStar) + " S" : ", no well-determined peak");
    if (f.species)
        line += f.species->Status == FitStatus::Converged
            ? "; " + std::to_string(f.species->Species.size()) + " species fitted"
            : "; the species fit failed";
    if (f.cs) {
        const morvane::cs::CsResult& r = *f.cs;
        if (!r.error.empty())
            line += "; no c(s): " + r.error;
        for (size_t k = 0; k < r.peaks.size(); ++k)
            line += (k == 0 ? "; c(s) peaks at " : ", ") + ThreeDigits(r.peaks[k].s) + " S ("
                + ThreeDigits(100 * r.peaks[k].fraction) + " %)";
    }
    return line + "; " + f.convergence.verdict;
}

} // namespace

int RunReport(const ReportOptions& o, std::ostream& out, std::ostream& err)
{
    ChannelSetup setup;
    ReportRequest request;
    const auto checks = [&o, &request](const ProgramSettings& settings) {
        return OptionsOrOutputRefusal(SpeciesOf(o, settings.Species, request.species), o.output, o.runDir, o.force);
    };
    if (const int status = SetUpChannel(o.analysis, o.runDir, o.channel, setup, err, checks); status != 0)
        return status;
    const LaunchParameters& launch = setup.launch;
    const ProgramSettings& settings = setup.settings;
    request.display = settings.Display;
    request.convergence = settings.Species;
    if (o.cs) {
        // As morvane-cli cs fits by default, in the solvent the species options give.
        morvane::cs::CsOptions cs;
        cs.solvent = SolventOf(settings.Species);
        cs.solvent.TemperatureC = -1; // the scans'
        cs.solvent.Vbar = o.fit.vbar.value_or(cs.solvent.Vbar);
        cs.solvent.Density = o.fit.density.value_or(cs.solvent.Density);
        cs.solvent.ViscosityCp = o.fit.viscosity.value_or(cs.solvent.ViscosityCp);
        cs.noise = morvane::cs::NoiseOfChannel(launch.Channel);
        if (const std::string refusal = CsOptionsRefusal(cs); !refusal.empty()) {
            err << CliProgramPrefix << refusal << "\n";
            return 2;
        }
        request.cs = cs;
    }

    CliFollower follower;
    if (o.progress)
        follower.progress = &err;
    if (const int status = LoadSetUpChannel(follower, o.analysis, o.runDir, setup, err, false, request.meniscusFound);
        status != 0)
        return status;
    const RealTimeGofS& e = *follower.Engine;
    if (!e.GofsStore || e.GofsStore->GetNumberOfSets() < 1) {
        err << CliProgramPrefix << NotEnoughDataMessage << " (" << e.RawStore->GetNumberOfSets() << " scans of "
            << launch.Channel << ")\n";
        return 1;
    }
    if (const std::string refusal = RangeRefusal(o, e.SmoothGofsStore->GetNumberOfSets()); !refusal.empty()) {
        err << CliProgramPrefix << refusal << "\n";
        return 2;
    }
    request.start = o.start;
    request.end = o.end;
    ReportFacts facts;
    if (const std::string failure = WriteRunReport(follower, o.output, request, &facts); !failure.empty()) {
        err << CliProgramPrefix << failure << "\n";
        return 1;
    }
    out << SummaryLine(o.output, e.ChannelName, facts) << "\n";
    return 0;
}

CliCommand AddReportCommand(CLI::App& app, const CliContext& context)
{
    auto o = std::make_shared<ReportOptions>();
    CLI::App* command = app.add_subcommand("report",
        "Write the run report of a channel: one HTML file with the scans used and refused, every parameter, the raw "
        "scans, the newest g(s*) with its peak, the extrapolation, the species table (--species N), the convergence "
        "verdict, the c(s) distribution (--cs) and the inputs' SHA-256, with its record for reproduce");
    command->add_option("RUN_DIR", o->runDir, "Run directory holding the scan files")->required();
    command->add_option("--channel", o->channel,
        "Channel entry such as 0*.RA1, A*.IP2 or 0*.RI3Sam (default: the one the main window selects)");
    AddAnalysisOptions(*command, o->analysis);
    command->add_option("--start", o->start, "First smoothed set of the extrapolation (default: 0)");
    command->add_option("--end", o->end, "Last smoothed set of the extrapolation (default: the newest)");
    AddSpeciesFitOptions(*command, o->fit);
    CLI::Option* species = command->get_option("--species");
    species->description("Fit 1 to 3 species to the newest g(s*) set and show their table (default: no table)");
    command->add_flag("--cs", o->cs,
        "Add the c(s) distribution of the raw scans with its peaks (as morvane-cli cs fits by default; --vbar, "
        "--density and --viscosity apply)");
    command->add_option("--output", o->output, "The report's HTML file")->required();
    AddForceOption(*command, o->force);
    return { command, [o, species, &context] {
                o->speciesTable = species->count() > 0; // the table is made only when asked for
                o->runDir = AbsolutePathFrom(context.startDir, o->runDir);
                o->output = AbsolutePathFrom(context.startDir, o->output);
                o->analysis.settingsFile = AbsolutePathFrom(context.startDir, o->analysis.settingsFile);
                o->progress = context.progress;
                o->analysis.pause = context.sleepMs;
                return RunReport(*o, context.out, context.err);
            } };
}

} // namespace morvane
