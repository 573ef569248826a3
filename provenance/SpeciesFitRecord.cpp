#include "provenance/SpeciesFitRecord.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "provenance/ChannelRecording.h"
#include "scanfiles/FileSystem.h"
#include "species/SpeciesFit.h"
#include "species/SpeciesTable.h"

namespace morvane {

std::string SpeciesFitFileText(const SpeciesFitResult& result)
{
    std::string text;
    for (const std::string& line : SpeciesTableLines(result))
        text += line + "\n";
    return text;
}

nlohmann::ordered_json SpeciesFitParameters(const SpeciesFitOptions& o, int32_t set)
{
    return { { "set", set }, { "species", o.Species },
        { "model", o.Model == SpeciesModel::Gaussian ? "gaussian" : "lamm" }, { "min_s", o.MinSStar },
        { "max_s", o.MaxSStar }, { "vbar", o.Solvent.Vbar }, { "density", o.Solvent.Density },
        { "viscosity", o.Solvent.ViscosityCp }, { "temperature", o.Solvent.TemperatureC } };
}

std::string SpeciesFitOptionsOf(const Sidecar& s, SpeciesFitOptions& o)
{
    const nlohmann::ordered_json& p = *s.Parameters;
    for (const char* name : { "set", "species" })
        if (!p.contains(name) || !p[name].is_number_integer() || p[name].get<int64_t>() < -1
            || p[name].get<int64_t>() > 1000000)
            return std::string("parameters.") + name + " is missing or not a whole number from -1 to 1000000";
    if (!p.contains("model") || !p["model"].is_string()
        || (p["model"].get<std::string>() != "lamm" && p["model"].get<std::string>() != "gaussian"))
        return "parameters.model is missing or neither \"lamm\" nor \"gaussian\"";
    const struct {
        const char* name;
        double& field;
    } numbers[] = {
        { "min_s", o.MinSStar },
        { "max_s", o.MaxSStar },
        { "vbar", o.Solvent.Vbar },
        { "density", o.Solvent.Density },
        { "viscosity", o.Solvent.ViscosityCp },
        { "temperature", o.Solvent.TemperatureC },
    };
    for (const auto& n : numbers) {
        if (!p.contains(n.name) || !p[n.name].is_number() || !std::isfinite(p[n.name].get<double>()))
            return std::string("parameters.") + n.name + " is missing or not a number";
        n.field = p[n.name].get<double>();
    }
    // What the fit command takes (a temperature below 0: from the scans; max_s 0: no upper end).
    if (!(o.Solvent.Vbar > 0 && o.Solvent.Density > 0 && o.Solvent.ViscosityCp > 0 && o.MinSStar >= 0
            && o.MaxSStar >= 0))
        return "parameters: vbar, density and viscosity must be positive, min_s and max_s not negative";
    if (!(o.Solvent.Vbar * o.Solvent.Density < 1))
        return "parameters: vbar times density must be below 1";
    if (o.MaxSStar > 0 && o.MaxSStar <= o.MinSStar)
        return "parameters: max_s must lie above min_s";
    o.Set = p["set"].get<int32_t>();
    o.Species = p["species"].get<int32_t>();
    o.Model = p["model"].get<std::string>() == "gaussian" ? SpeciesModel::Gaussian : SpeciesModel::LammBoundaries;
    if (o.Species < 1 || o.Species > 3)
        return "parameters.species is not 1 to 3";
    return s.Channels.size() == 1 ? "" : "a species-fit sidecar records one channel";
}

std::string WriteSpeciesFitFile(const ChannelFollower& follower, const std::string& path,
    const SpeciesFitOptions& options, const SpeciesFitResult& result, const std::string& program)
{
    if (const std::string failure = WriteFileAtomically(path, SpeciesFitFileText(result)); !failure.empty())
        return "could not write " + path + ": " + failure;
    return WriteOutputSidecar(follower, path, KindSpeciesFit, SpeciesFitParameters(options, result.Set), program);
}

std::string RemakeSpeciesFit(const RealTimeGofS& engine, const Sidecar& s, std::string& text)
{
    SpeciesFitOptions options;
    if (std::string wrong = SpeciesFitOptionsOf(s, options); !wrong.empty())
        return wrong;
    const int32_t sets = engine.GofsStore ? engine.GofsStore->GetNumberOfSets() : 0;
    if (options.Set < 0 || options.Set >= sets)
        return "set " + std::to_string(options.Set) + " does not exist: the channel has " + std::to_string(sets)
            + " g(s*) sets";
    const SpeciesFitResult result = FitSpecies(engine, options);
    if (result.Status != FitStatus::Converged)
        return "the species fit failed: " + result.Message;
    text = SpeciesFitFileText(result);
    return {};
}

} // namespace morvane
