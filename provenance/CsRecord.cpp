#include "provenance/CsRecord.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "cs/CsChannel.h"
#include "cs/CsFile.h"
#include "provenance/ChannelRecording.h"
#include "scanfiles/FileSystem.h"

namespace morvane {

using namespace morvane::cs;

nlohmann::ordered_json CsParameters(const CsOptions& o)
{
    return { { "s_min", o.sMin }, { "s_max", o.sMax }, { "resolution", o.resolution }, { "ff0", o.frictionalRatio },
        { "confidence", o.confidence }, { "vbar", o.solvent.Vbar }, { "density", o.solvent.Density },
        { "viscosity", o.solvent.ViscosityCp }, { "temperature", o.solvent.TemperatureC },
        { "noise",
            { { "time_invariant", o.noise.timeInvariant }, { "radially_invariant", o.noise.radialInvariant },
                { "baseline", o.noise.baseline } } },
        { "r_min", o.radiusLowCm }, { "r_max", o.radiusHighCm }, { "meniscus_range", o.meniscusRangeCm } };
}

std::string CsOptionsRefusal(const CsOptions& o)
{
    for (double x : { o.sMin, o.sMax, o.frictionalRatio, o.confidence, o.solvent.Vbar, o.solvent.Density,
             o.solvent.ViscosityCp, o.solvent.TemperatureC, o.radiusLowCm, o.radiusHighCm, o.meniscusRangeCm })
        if (!std::isfinite(x))
            return "a c(s) option is not a finite number";
    if (o.sMin < 0 || o.sMax < 0 || (o.sMin > 0 && o.sMax > 0 && o.sMax <= o.sMin))
        return "the s range must be positive and rise (s-min below s-max)";
    if (o.resolution < 10 || o.resolution > 1000)
        return "the resolution must be 10 to 1000 grid points";
    if (o.frictionalRatio != 0 && !(o.frictionalRatio >= 1 && o.frictionalRatio <= 10))
        return "f/f0 must be fit or a number from 1 to 10 (a sphere has 1)";
    if (o.radiusLowCm < 0 || o.radiusHighCm < 0
        || (o.radiusLowCm > 0 && o.radiusHighCm > 0 && o.radiusHighCm <= o.radiusLowCm))
        return "the radius range must be positive and rise (r-min below r-max)";
    if (!(o.meniscusRangeCm >= 0 && o.meniscusRangeCm <= 0.2))
        return "the meniscus range must be 0 to 0.2 cm";
    if (!(o.confidence >= 0 && o.confidence < 1))
        return "the confidence level must be at least 0 and below 1 (0.5 or less: no regularisation)";
    if (!(o.solvent.Vbar > 0 && o.solvent.Density > 0 && o.solvent.ViscosityCp > 0))
        return "vbar, density and viscosity must be positive";
    if (!(o.solvent.Vbar * o.solvent.Density < 1))
        return "vbar times density must be below 1 (the particle would float)";
    return {};
}

std::string CsOptionsOf(const Sidecar& s, CsOptions& o)
{
    const nlohmann::ordered_json& p = *s.Parameters;
    const struct {
        const char* name;
        double& field;
    } numbers[] = {
        { "s_min", o.sMin },
        { "s_max", o.sMax },
        { "ff0", o.frictionalRatio },
        { "confidence", o.confidence },
        { "vbar", o.solvent.Vbar },
        { "density", o.solvent.Density },
        { "viscosity", o.solvent.ViscosityCp },
        { "temperature", o.solvent.TemperatureC },
    };
    for (const auto& n : numbers) {
        if (!p.contains(n.name) || !p[n.name].is_number() || !std::isfinite(p[n.name].get<double>()))
            return std::string("parameters.") + n.name + " is missing or not a number";
        n.field = p[n.name].get<double>();
    }
    // Records written before the radius range and the meniscus fit had neither: 0, the defaults.
    for (const auto& [name, field] : { std::pair { "r_min", &o.radiusLowCm }, std::pair { "r_max", &o.radiusHighCm },
             std::pair { "meniscus_range", &o.meniscusRangeCm } }) {
        if (!p.contains(name))
            continue;
        if (!p[name].is_number() || !std::isfinite(p[name].get<double>()))
            return std::string("parameters.") + name + " is not a number";
        *field = p[name].get<double>();
    }
    if (!p.contains("resolution") || !p["resolution"].is_number_integer() || p["resolution"].get<int64_t>() < 10
        || p["resolution"].get<int64_t>() > 1000)
        return "parameters.resolution is missing or not a whole number from 10 to 1000";
    o.resolution = p["resolution"].get<int32_t>();
    if (!p.contains("noise") || !p["noise"].is_object())
        return "parameters.noise is missing or not an object";
    const struct {
        const char* name;
        bool& field;
    } flags[] = {
        { "time_invariant", o.noise.timeInvariant },
        { "radially_invariant", o.noise.radialInvariant },
        { "baseline", o.noise.baseline },
    };
    for (const auto& f : flags) {
        if (!p["noise"].contains(f.name) || !p["noise"][f.name].is_boolean())
            return std::string("parameters.noise.") + f.name + " is missing or not true or false";
        f.field = p["noise"][f.name].get<bool>();
    }
    if (std::string wrong = CsOptionsRefusal(o); !wrong.empty())
        return "parameters: " + wrong;
    return s.Channels.size() == 1 ? "" : "a cs sidecar records one channel";
}

CsResult FitChannel(const RealTimeGofS& engine, CsOptions& options)
{
    CsData data;
    std::vector<std::string> notes;
    options.meniscusCm = engine.Cell.Meniscus;
    options.bottomCm = engine.Cell.Bottom;
    CsResult r;
    if (std::string wrong = ChannelData(engine, options, data, notes); !wrong.empty()) {
        r.error = wrong;
        return r;
    }
    CsFitter fitter(options);
    r = fitter.Fit(data);
    r.notes.insert(r.notes.begin(), notes.begin(), notes.end());
    return r;
}

std::string WriteCsFile(const ChannelFollower& follower, const std::string& path, const CsOptions& options,
    const CsResult& result, const std::string& program)
{
    const std::string text = CsFileText(result, options, follower.DataDirectory, follower.Engine->ChannelName);
    if (const std::string failure = WriteFileAtomically(path, text); !failure.empty())
        return "could not write " + path + ": " + failure;
    return WriteOutputSidecar(follower, path, KindCs, CsParameters(options), program);
}

std::string RemakeCs(const RealTimeGofS& engine, const Sidecar& s, std::string& text)
{
    CsOptions options;
    if (std::string wrong = CsOptionsOf(s, options); !wrong.empty())
        return wrong;
    const CsResult r = FitChannel(engine, options);
    if (!r.error.empty())
        return "the c(s) fit failed: " + r.error;
    text = CsFileText(r, options, s.Channels[0].RunDirectory, engine.ChannelName);
    return {};
}

} // namespace morvane
