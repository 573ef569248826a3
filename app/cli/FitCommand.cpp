#include "app/cli/FitCommand.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "analysis/NumberText.h"
#include "app/cli/ChannelSetup.h"
#include "app/cli/Summary.h"
#include "provenance/SpeciesFitRecord.h"
#include "scanfiles/FileSystem.h"
#include "settings/SpeciesSettings.h"
#include "species/SpeciesFit.h"
#include "species/SpeciesTable.h"

namespace morvane {

namespace {

using Json = nlohmann::ordered_json;

Json Number(double x) { return std::isfinite(x) ? Json(x) : Json(nullptr); }

} // namespace

std::string SpeciesFitOptionsFrom(const FitOptions& o, const SpeciesSettings& species, SpeciesFitOptions& fit)
{
    if (o.species < 1 || o.species > 3)
        return "--species takes 1 to 3 (got " + std::to_string(o.species) + ")";
    fit.Species = o.species;
    fit.Model = o.model == "gaussian" ? SpeciesModel::Gaussian : SpeciesModel::LammBoundaries;
    fit.Set = o.set.value_or(-1);
    fit.Solvent = SolventOf(species);
    const struct {
        const char* name;
        const std::optional<double>& value;
        double& field;
        bool zeroAllowed;
    } numbers[] = {
        { "--vbar", o.vbar, fit.Solvent.Vbar, false },
        { "--density", o.density, fit.Solvent.Density, false },
        { "--viscosity", o.viscosity, fit.Solvent.ViscosityCp, false },
        { "--temperature", o.temperature, fit.Solvent.TemperatureC, true },
        { "--min-s", o.minSStar, fit.MinSStar, true },
        { "--max-s", o.maxSStar, fit.MaxSStar, false },
    };
    for (const auto& n : numbers) {
        if (!n.value)
            continue;
        const double v = *n.value;
        if (!std::isfinite(v) || v < 0 || (v == 0 && !n.zeroAllowed))
            return std::string(n.name) + " takes a finite " + (n.zeroAllowed ? "number from 0" : "positive number")
                + " (got " + Typed(v) + ")";
        n.field = v;
    }
    if (!(fit.Solvent.Vbar * fit.Solvent.Density < 1))
        return "--vbar times --density must be below 1 (the particle would float)";
    if (fit.MaxSStar > 0 && fit.MaxSStar <= fit.MinSStar)
        return "--max-s must lie above --min-s";
    return "";
}

namespace {

Json SpeciesJson(const SpeciesEstimate& e)
{
    Json j;
    const struct {
        const char* name;
        double value, error;
    } values[] = {
        { "s_star", e.SStar, e.SStarError },
        { "s", e.S, e.SError },
        { "s20w", e.S20w, e.S20wError },
        { "d_cm2_per_s", e.D, e.DError },
        { "d20w_cm2_per_s", e.D20w, e.D20wError },
        { "m_g_per_mol", e.M, e.MError },
        { "ff0", e.FrictionalRatio, e.FrictionalRatioError },
        { "area", e.Area, e.AreaError },
        { "loading", e.Loading, e.LoadingError },
        { "share", e.Share, e.ShareError },
    };
    for (const auto& v : values) {
        j[v.name] = Number(v.value);
        j[std::string(v.name) + "_error"] = Number(v.error);
    }
    j["sigma_s"] = Number(e.Sigma);
    return j;
}

} // namespace

std::string FitJson(const SpeciesFitResult& r, const std::string& runDir, const std::string& channel,
    std::optional<double> meniscusFound)
{
    Json j;
    j["run"] = Utf8OrEscaped(runDir);
    j["channel"] = Utf8OrEscaped(channel);
    j["status"] = FitStatusName(r.Status);
    j["message"] = r.Message;
    j["model"] = SpeciesModelName(r.Model);
    j["set"] = r.Set;
    j["time_s"] = Number(r.TimeSeconds);
    j["newest_scan_s"] = Number(r.ElapsedSeconds);
    j["rpm"] = Number(r.Rpm);
    j["temperature_c"] = Number(r.TemperatureC);
    j["vbar_ml_per_g"] = Number(r.Solvent.Vbar);
    j["density_g_per_ml"] = Number(r.Solvent.Density);
    j["viscosity_cp"] = Number(r.Solvent.ViscosityCp);
    j["iterations"] = r.Iterations;
    j["points"] = r.Points;
    j["rms_residual"] = Number(r.RmsResidual);
    j["set_s_star_low"] = Number(r.SetSStarLow);
    j["set_s_star_high"] = Number(r.SetSStarHigh);
    j["beyond_share"] = Number(r.BeyondShare);
    j["holding_set"] = r.HoldingSet >= 0 ? Json(r.HoldingSet) : Json(nullptr);
    if (meniscusFound)
        j["meniscus_found_cm"] = *meniscusFound;
    j["species"] = Json::array();
    for (const SpeciesEstimate& e : r.Species)
        j["species"].push_back(SpeciesJson(e));
    j["notes"] = r.Notes;
    return j.dump();
}

int RunFit(const FitOptions& o, std::ostream& out, std::ostream& err)
{
    ChannelSetup setup;
    SpeciesFitOptions fit;
    const auto checks = [&o, &fit](const ProgramSettings& settings) {
        return OptionsOrOutputRefusal(SpeciesFitOptionsFrom(o, settings.Species, fit), o.output, o.runDir, o.force);
    };
    if (const int status = SetUpChannel(o.analysis, o.runDir, o.channel, setup, err, checks); status != 0)
        return status;
    const LaunchParameters& launch = setup.launch;
    CliFollower follower;
    if (o.progress)
        follower.progress = &err;
    std::optional<double> meniscusFound;
    if (const int status = LoadSetUpChannel(follower, o.analysis, o.runDir, setup, err, o.json, meniscusFound);
        status != 0)
        return status;
    const RealTimeGofS& e = *follower.Engine;
    const int32_t sets = e.GofsStore ? e.GofsStore->GetNumberOfSets() : 0;
    if (o.set && (*o.set < 0 || *o.set >= sets)) {
        err << CliProgramPrefix << "set " << *o.set << " does not exist: the channel has " << sets
            << " g(s*) sets, numbered from 0\n";
        return 2;
    }
    const SpeciesFitResult result = FitSpecies(e, fit);
    const bool converged = result.Status == FitStatus::Converged;
    if (o.json)
        out << FitJson(result, o.runDir, launch.Channel, meniscusFound) << "\n";
    else if (converged)
        for (const std::string& line : SpeciesTableLines(result))
            out << line << "\n";
    if (!converged) {
        err << CliProgramPrefix << "the species fit of " << launch.Channel << " failed: " << result.Message
            << (o.output.empty() ? "" : "; no table written") << "\n";
        return 1;
    }
    if (result.HoldingSet >= 0)
        err << CliProgramPrefix << "a species has left set " << result.Set << " (see its note): --set "
            << result.HoldingSet << " fits the latest set that still holds it\n";
    if (o.output.empty())
        return 0;
    if (const std::string failure = WriteSpeciesFitFile(follower, o.output, fit, result, "morvane-cli");
        !failure.empty()) {
        err << CliProgramPrefix << failure << "\n";
        return 1;
    }
    return 0;
}

void AddSpeciesFitOptions(CLI::App& command, FitOptions& o)
{
    command.add_option("--species", o.species, "Number of species, 1 to 3 (default 1)");
    command
        .add_option("--model", o.model,
            "lamm: each species' boundaries through the analysis itself (default); gaussian: a Gaussian peak "
            "per species")
        ->check(CLI::IsMember({ "lamm", "gaussian" }));
    command.add_option("--vbar", o.vbar, "Partial specific volume, ml/g (default 0.73)");
    command.add_option("--density", o.density, "Solvent density, g/ml (default 0.99823, water at 20 C)");
    command.add_option("--viscosity", o.viscosity, "Solvent viscosity, cP (default 1.002, water at 20 C)");
    command.add_option("--temperature", o.temperature, "Run temperature, C (default: from the scans, else 20)");
    command.add_option("--min-s", o.minSStar, "Leave out points below this s*, S (default 0.5)");
    command.add_option("--max-s", o.maxSStar, "Leave out points above this s*, S (default: none)");
}

CliCommand AddFitCommand(CLI::App& app, const CliContext& context)
{
    auto o = std::make_shared<FitOptions>();
    auto summary = std::make_shared<std::string>("text");
    CLI::App* command = app.add_subcommand("fit",
        "Fit 1 to 3 species to a g(s*) set of a channel: s* and s, D, M (Svedberg equation), f/f0, loading and share, "
        "each with its standard error");
    command->add_option("RUN_DIR", o->runDir, "Run directory holding the scan files")->required();
    command->add_option("--channel", o->channel,
        "Channel entry such as 0*.RA1, A*.IP2 or 0*.RI3Sam (default: the one the main window selects)");
    AddSpeciesFitOptions(*command, *o);
    command->add_option("--set", o->set, "g(s*) set to fit (numbered from 0; default: the newest)");
    AddAnalysisOptions(*command, o->analysis);
    command->add_option("--summary", *summary, "Output format")->check(CLI::IsMember({ "text", "json" }));
    command->add_option("--output", o->output,
        "Also write the species table to this file, with its sidecar (OUTPUT.json) for reproduce");
    AddForceOption(*command, o->force);
    return { command, [o, summary, &context] {
                o->runDir = AbsolutePathFrom(context.startDir, o->runDir);
                o->output = AbsolutePathFrom(context.startDir, o->output);
                o->analysis.settingsFile = AbsolutePathFrom(context.startDir, o->analysis.settingsFile);
                o->json = *summary == "json";
                o->progress = context.progress;
                o->analysis.pause = context.sleepMs;
                return RunFit(*o, context.out, context.err);
            } };
}

} // namespace morvane
