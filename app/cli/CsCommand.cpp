#include "app/cli/CsCommand.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "analysis/NumberText.h"
#include "app/cli/ChannelSetup.h"
#include "app/cli/Summary.h"
#include "cs/CsChannel.h"
#include "follower/GofsOutput.h"
#include "provenance/CsRecord.h"
#include "realtime/MeniscusFinder.h"
#include "scanfiles/FileSystem.h"
#include "settings/SettingsKeys.h"
#include "settings/SpeciesSettings.h"

namespace morvane {

using namespace morvane::cs;

namespace {

using CsJson = nlohmann::ordered_json;

CsJson JsonNumber(double x) { return std::isfinite(x) ? CsJson(x) : CsJson(nullptr); }

// The fit's options from the command line over the built-in settings; "" or what is wrong.
std::string CsOptionsFromCommand(const CsCommandOptions& o, const SpeciesSettings& species, CsOptions& cs)
{
    cs.solvent = SolventOf(species);
    cs.solvent.TemperatureC = -1; // from the scans
    cs.sMin = o.sMin.value_or(0);
    cs.sMax = o.sMax.value_or(0);
    if ((o.sMin && !(*o.sMin > 0)) || (o.sMax && !(*o.sMax > 0)))
        return "--s-min and --s-max take positive numbers of S";
    cs.resolution = o.resolution.value_or(cs.resolution);
    if (o.ff0 != "fit") {
        double x = 0;
        if (!CLI::detail::lexical_cast(o.ff0, x))
            return "--ff0 takes fit or a number, not " + o.ff0;
        cs.frictionalRatio = x;
        if (!(x > 0))
            return "f/f0 must be fit or a number from 1 to 10 (a sphere has 1)";
    }
    cs.confidence = o.confidence.value_or(cs.confidence);
    cs.radiusLowCm = o.rMin.value_or(0);
    cs.radiusHighCm = o.rMax.value_or(0);
    if ((o.rMin && !(*o.rMin > 0)) || (o.rMax && !(*o.rMax > 0)))
        return "--r-min and --r-max take positive radii in cm";
    cs.meniscusRangeCm = o.fitMeniscus ? MeniscusFitRangeCm : 0;
    cs.solvent.Vbar = o.vbar.value_or(cs.solvent.Vbar);
    cs.solvent.Density = o.density.value_or(cs.solvent.Density);
    cs.solvent.ViscosityCp = o.viscosity.value_or(cs.solvent.ViscosityCp);
    return CsOptionsRefusal(cs);
}

std::string ProposedCsFileName(const RealTimeGofS& e) { return "c(s) for " + FileNameTitle(e) + ".txt"; }

class CsRun {
public:
    CsRun(const CsCommandOptions& o, const CsOptions& cs, std::ostream& out, std::ostream& err)
        : o_(o)
        , cs_(cs)
        , out_(out)
        , err_(err)
    {
    }

    CliFollower follower;

    // Fits and writes once; 0, 1 (no result or a failed write). `update`: build on the last fit.
    int FitAndWrite(bool update)
    {
        RealTimeGofS& e = *follower.Engine;
        cs_.meniscusCm = e.Cell.Meniscus;
        cs_.bottomCm = e.Cell.Bottom;
        CsData data;
        std::vector<std::string> notes;
        CsResult r;
        r.error = ChannelData(e, cs_, data, notes);
        if (r.error.empty()) {
            if (!fitter_ || !update)
                fitter_ = std::make_unique<CsFitter>(cs_);
            // A followed run refits f/f0 once its scans have grown by a quarter since the last search.
            const bool search = !update || fitter_->SearchedScans() == 0
                || static_cast<double>(data.values.size()) >= 1.25 * fitter_->SearchedScans();
            r = search ? fitter_->Fit(data) : fitter_->Update(data);
            r.notes.insert(r.notes.begin(), notes.begin(), notes.end());
        }
        if (!r.error.empty()) {
            err_ << CliProgramPrefix << "no c(s) of " << e.ChannelName << ": " << r.error << "\n";
            return 1;
        }
        if (path_.empty())
            path_ = o_.output.empty() ? ProposedCsFileName(e) : o_.output;
        if (const std::string failure = WriteCsFile(follower, path_, cs_, r, "morvane-cli"); !failure.empty()) {
            err_ << CliProgramPrefix << failure << "\n";
            return 1;
        }
        out_ << (o_.json ? CsSummaryJson(r, path_, e.ChannelName) : CsSummaryText(r, path_, e.ChannelName)) << "\n";
        out_.flush();
        return 0;
    }

private:
    const CsCommandOptions& o_;
    CsOptions cs_;
    std::ostream& out_;
    std::ostream& err_;
    std::unique_ptr<CsFitter> fitter_;
    std::string path_;
};

} // namespace

std::string CsSummaryJson(const CsResult& r, const std::string& file, const std::string& channel)
{
    CsJson j;
    j["file"] = Utf8OrEscaped(file);
    j["channel"] = Utf8OrEscaped(channel);
    j["scans_used"] = r.scansUsed;
    j["meniscus_cm"] = JsonNumber(r.meniscusCm);
    j["bottom_cm"] = JsonNumber(r.bottomCm);
    j["ff0"] = JsonNumber(r.frictionalRatio);
    j["ff0_fitted"] = r.ratioFitted;
    j["rms_residual"] = JsonNumber(r.rmsResidual);
    j["peaks"] = CsJson::array();
    for (const CsPeak& p : r.peaks)
        j["peaks"].push_back({ { "s", JsonNumber(p.s) }, { "s20w", JsonNumber(p.s20w) }, { "fraction", JsonNumber(p.fraction) },
            { "m_g_per_mol", JsonNumber(p.molarMass) } });
    j["notes"] = r.notes;
    return j.dump();
}

std::string CsSummaryText(const CsResult& r, const std::string& file, const std::string& channel)
{
    std::string t = file + ": c(s) of " + channel + " from " + std::to_string(r.scansUsed) + " scans, f/f0 "
        + ThreeDigits(r.frictionalRatio) + (r.ratioFitted ? " (fitted)" : " (given)") + ", rms "
        + ThreeDigits(r.rmsResidual);
    if (r.peaks.empty())
        t += "; no peak";
    for (size_t k = 0; k < r.peaks.size(); ++k) {
        const CsPeak& p = r.peaks[k];
        t += (k == 0 ? "; peaks at " : ", ") + ThreeDigits(p.s) + " S (" + ThreeDigits(100 * p.fraction) + " %, "
            + ThreeDigits(p.molarMass / 1000) + " kDa)";
    }
    for (const std::string& note : r.notes)
        t += "; note: " + note;
    return t;
}

int RunCs(const CsCommandOptions& o, std::ostream& out, std::ostream& err, const std::atomic<bool>& stop,
    const std::function<void(int)>& sleepMs)
{
    ChannelSetup setup;
    CsOptions cs;
    const auto checks = [&o, &cs](const ProgramSettings& settings) {
        return OptionsOrOutputRefusal(CsOptionsFromCommand(o, settings.Species, cs), o.output, o.runDir, o.force);
    };
    if (const int status = SetUpChannel(o.analysis, o.runDir, o.channel, setup, err, checks); status != 0)
        return status;
    const LaunchParameters& launch = setup.launch;
    const ProgramSettings& settings = setup.settings;
    cs.noise = morvane::cs::NoiseOfChannel(launch.Channel);
    cs.noise.timeInvariant = cs.noise.timeInvariant || o.timeInvariant;
    CsRun run(o, cs, out, err);
    if (o.progress)
        run.follower.progress = &err;
    std::optional<double> found;
    if (!o.watch) {
        if (const int status = LoadSetUpChannel(run.follower, o.analysis, o.runDir, setup, err, o.json, found);
            status != 0)
            return status;
        return run.FitAndWrite(false);
    }
    run.follower.SettingsFile = o.analysis.settingsFile;
    OpenChannel(run.follower, o.runDir, launch, settings.Analysis);
    // A followed run fits once it has 3 scans and, with --meniscus auto, once the meniscus was
    // found: the search waits for the first scans it combines; without a meniscus then, it fails
    // as a single load does.
    auto scansNow = [&run] { return run.follower.HasData ? run.follower.Engine->RawStore->GetNumberOfSets() : 0; };
    auto meniscusReady = [&]() -> int { // 0 ready, -1 not yet, 1 failed
        if (!o.analysis.meniscusAuto || found)
            return 0;
        const FoundMeniscus m = TakeFoundMeniscus(*run.follower.Engine, launch.Channel);
        if (!m.taken && !m.found && scansNow() < MeniscusSearch().firstScans)
            return -1;
        if (!m.taken || !o.json)
            err << m.message << "\n";
        if (!m.taken)
            return 1;
        found = m.radius;
        return 0;
    };
    int status = 0;
    bool warned = false;
    int32_t known = -1, fitted = 0, reloads = 0; // fitted: the scans of the last fit (0: none)
    while (true) {
        const int32_t now = scansNow();
        if (run.follower.DataRevision != known && now >= 3) {
            const int ready = meniscusReady();
            if (ready > 0)
                return 1;
            known = run.follower.DataRevision;
            if (ready == 0) {
                if (!warned)
                    WarnAboutPositions(*run.follower.Engine, err);
                warned = true;
                // Scans appended to those fitted: the kept solutions carry on; a reload fits afresh.
                status = run.FitAndWrite(fitted >= 3 && now > fitted && run.follower.Counts.Reloads == reloads);
                fitted = now;
                reloads = run.follower.Counts.Reloads;
            }
        }
        if (stop)
            break;
        sleepMs(run.follower.Timer1Interval);
        if (stop)
            break;
        run.follower.Timer1Timer();
    }
    return status;
}

CliCommand AddCsCommand(CLI::App& app, const CliContext& context)
{
    auto o = std::make_shared<CsCommandOptions>();
    auto summary = std::make_shared<std::string>("text");
    CLI::App* command = app.add_subcommand("cs",
        "Fit the c(s) distribution to the raw scans of a channel (Lamm solutions on a grid of s, one f/f0, "
        "regularised) and write it with its peaks");
    command->add_option("RUN_DIR", o->runDir, "Run directory holding the scan files")->required();
    command->add_option("--channel", o->channel,
        "Channel entry such as 0*.RA1, A*.IP2 or 0*.RI3Sam (default: the one the main window selects)");
    AddAnalysisOptions(*command, o->analysis);
    command->add_option("--s-min", o->sMin, "Lowest s of the grid, S (default: from the run)");
    command->add_option("--s-max", o->sMax, "Highest s of the grid, S (default: from the run)");
    command->add_option("--resolution", o->resolution, "Grid points, 10 to 1000 (default 150)");
    command->add_option("--ff0", o->ff0, "Frictional ratio f/f0: fit (default) or a number from 1 to 10");
    command->add_option("--confidence", o->confidence,
        "Confidence level of the regularisation by F statistics (default 0.68; 0.5 or less: none)");
    command->add_option(
        "--r-min", o->rMin, "Fit the scans from this radius on, cm (default: 0.02 cm past the meniscus)");
    command->add_option(
        "--r-max", o->rMax, "Fit the scans up to this radius, cm (default: the ignored band before the bottom)");
    command->add_flag("--fit-meniscus", o->fitMeniscus,
        "Fit the meniscus within 0.02 cm of the one given or found (the fitted radii then start 0.04 cm past it)");
    command->add_flag("--time-invariant", o->timeInvariant,
        "Also fit a time-invariant pattern of the radii (always fitted for interference and intensity)");
    command->add_option("--vbar", o->vbar, "Partial specific volume, ml/g (default 0.73)");
    command->add_option("--density", o->density, "Solvent density, g/ml (default 0.99823, water at 20 C)");
    command->add_option("--viscosity", o->viscosity, "Solvent viscosity, cP (default 1.002, water at 20 C)");
    command->add_option("--output", o->output, "Output file (default: \"c(s) for <title>.txt\" in the current directory)");
    AddForceOption(*command, o->force);
    command->add_flag("--watch", o->watch,
        "Follow the run: fit again after each batch of new scans, building on the kept Lamm solutions, until Ctrl-C");
    command->add_option("--summary", *summary, "Summary format")->check(CLI::IsMember({ "text", "json" }));
    return { command, [o, summary, &context] {
                o->runDir = AbsolutePathFrom(context.startDir, o->runDir);
                o->output = AbsolutePathFrom(context.startDir, o->output);
                o->json = *summary == "json";
                o->progress = context.progress;
                o->analysis.pause = context.sleepMs;
                return RunCs(*o, context.out, context.err, context.stop, context.sleepMs);
            } };
}

} // namespace morvane
