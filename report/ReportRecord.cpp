// The run report's record: what the report took, into and out of its sidecar, and the writing of
// the report with its record.
#include <iterator>
#include <nlohmann/json.hpp>

#include "provenance/ChannelRecording.h"
#include "provenance/CsRecord.h"
#include "provenance/RecordText.h"
#include "provenance/SpeciesFitRecord.h"
#include "report/RunReport.h"
#include "scanfiles/FileSystem.h"
#include "settings/SettingsKeys.h"

namespace morvane {

namespace {

using Json = nlohmann::ordered_json;

// The settings of the convergence verdict: the species keys other than the solvent's.
bool IsConvergenceKey(const SettingKey& key)
{
    return key.Group() == SettingGroup::Species && std::string_view(key.Name).starts_with("Convergence");
}

Json OptionalInteger(const std::optional<int32_t>& k) { return k ? Json(*k) : Json(nullptr); }

// A whole number from 0 to 1,000,000, or null when `nullable`; what is wrong otherwise.
std::string ReadCount(const Json& p, const char* name, bool nullable, std::optional<int32_t>& value)
{
    const auto it = p.find(name);
    if (it == p.end())
        return std::string("parameters.") + name + " is missing";
    if (nullable && it->is_null()) {
        value.reset();
        return {};
    }
    if (!it->is_number_integer() || it->get<int64_t>() < 0 || it->get<int64_t>() > 1000000)
        return std::string("parameters.") + name + " is not a whole number from 0 to 1000000"
            + (nullable ? " or null" : "");
    value = it->get<int32_t>();
    return {};
}

std::string ReadConvergence(const Json& p, SpeciesSettings& settings)
{
    const auto it = p.find("convergence");
    if (it == p.end() || !it->is_object())
        return "parameters.convergence is missing or not an object";
    ProgramSettings all { GUISettings(), CustomSettings(), settings };
    for (const SettingKey& key : SettingKeys()) {
        if (!IsConvergenceKey(key))
            continue;
        const auto v = it->find(key.Name);
        if (v == it->end() || !v->is_number())
            return std::string("parameters.convergence.") + key.Name + " is missing or not a number";
        if (const std::string refusal = SettingValueRefusal(key, v->get<double>()); !refusal.empty())
            return "parameters.convergence: " + refusal;
        key.Set(all, v->get<double>());
    }
    settings = all.Species;
    return {};
}

std::string ReadSpeciesFit(const Json& p, std::optional<SpeciesFitOptions>& options)
{
    const auto it = p.find("species_fit");
    if (it == p.end())
        return "parameters.species_fit is missing";
    options.reset();
    if (it->is_null())
        return {};
    if (!it->is_object())
        return "parameters.species_fit is not an object or null";
    // Read as a species-fit record's parameters are, by the same checks.
    Sidecar fit;
    *fit.Parameters = *it;
    fit.Channels.resize(1);
    SpeciesFitOptions o;
    if (const std::string wrong = SpeciesFitOptionsOf(fit, o); !wrong.empty())
        return "species_fit: " + wrong;
    o.Set = -1; // the newest set
    options = o;
    return {};
}

} // namespace

Sidecar ReportRecord(const ChannelFollower& follower, const std::string& outputPath, const ReportRequest& r)
{
    Sidecar s = GofsSidecar(follower, outputPath, 0, true);
    s.Kind = KindReport;
    s.Program = r.program;
    s.Version = ProgramVersion(); // as WriteSidecar records it; the report names it
    s.DisplayKeys.assign(std::begin(ExtrapolationDisplayKeys), std::end(ExtrapolationDisplayKeys));
    s.Display = r.display;
    Json& p = *s.Parameters;
    p["written_utc"] = UtcNowText();
    p["extrapolation_start"] = OptionalInteger(r.start);
    p["extrapolation_end"] = OptionalInteger(r.end);
    p["species_fit"] = r.species ? SpeciesFitParameters(*r.species, -1) : Json(nullptr);
    if (r.cs)
        p["cs"] = CsParameters(*r.cs);
    Json convergence = Json::object();
    const ProgramSettings settings { GUISettings(), CustomSettings(), r.convergence };
    for (const SettingKey& key : SettingKeys())
        if (IsConvergenceKey(key))
            convergence[key.Name] = key.Get(settings);
    p["convergence"] = convergence;
    p["meniscus_found_cm"] = r.meniscusFound ? Json(*r.meniscusFound) : Json(nullptr);
    const ScanCounts& c = follower.Counts;
    p["scans_pending"] = c.Pending;
    // Names as they may be shown: a name's stray bytes would not make JSON.
    p["first_pending_file"] = c.Pending > 0 ? Json(Printable(c.FirstPending)) : Json(nullptr);
    p["scans_other_wavelengths"] = c.OtherWavelengths;
    p["other_wavelengths_nm"] = c.OtherNm;
    return s;
}

std::string ReportRequestOf(const Sidecar& s, ReportRequest& r)
{
    if (s.Channels.size() != 1)
        return "a report records one channel, this record " + std::to_string(s.Channels.size());
    for (size_t i = 0; i < s.Channels[0].RefusedFiles.size(); ++i) {
        const std::string& why = s.Channels[0].RefusedFiles[i].Refused;
        bool known = false;
        for (int32_t k = 0; k < ScanReasonCount; ++k)
            known = known || why == ScanReasonText(static_cast<ScanReason>(k));
        if (!known)
            return "channels[0].refused_files[" + std::to_string(i) + "].reason \"" + why
                + "\" is not a reason this version gives";
    }
    const Json& p = *s.Parameters;
    r.program = s.Program;
    r.display = s.Display;
    const auto written = p.find("written_utc");
    if (written == p.end() || !written->is_string())
        return "parameters.written_utc is missing or not a text";
    std::optional<int32_t> count;
    for (const auto& [name, value] : { std::pair { "extrapolation_start", &r.start }, { "extrapolation_end", &r.end } })
        if (const std::string wrong = ReadCount(p, name, true, *value); !wrong.empty())
            return wrong;
    for (const char* name : { "scans_pending", "scans_other_wavelengths" })
        if (const std::string wrong = ReadCount(p, name, false, count); !wrong.empty())
            return wrong;
    const auto pending = p.find("first_pending_file");
    if (pending == p.end() || !(pending->is_null() || pending->is_string()))
        return "parameters.first_pending_file is missing or not a text or null";
    const auto nm = p.find("other_wavelengths_nm");
    if (nm == p.end() || !nm->is_array())
        return "parameters.other_wavelengths_nm is missing or not a list";
    for (const Json& one : *nm)
        if (!one.is_number_integer())
            return "parameters.other_wavelengths_nm holds something other than whole numbers";
    const auto found = p.find("meniscus_found_cm");
    if (found == p.end() || !(found->is_null() || found->is_number()))
        return "parameters.meniscus_found_cm is missing or not a number or null";
    r.meniscusFound.reset();
    if (found->is_number())
        r.meniscusFound = found->get<double>();
    if (const std::string wrong = ReadSpeciesFit(p, r.species); !wrong.empty())
        return wrong;
    // The c(s) options read as a c(s) record's parameters are; reports written before have none.
    r.cs.reset();
    if (const auto cs = p.find("cs"); cs != p.end() && !cs->is_null()) {
        Sidecar options;
        *options.Parameters = *cs;
        options.Channels.resize(1); // the report's one channel
        morvane::cs::CsOptions o;
        if (const std::string wrong = cs->is_object() ? CsOptionsOf(options, o) : "not an object"; !wrong.empty())
            return "parameters.cs: " + wrong;
        r.cs = o;
    }
    return ReadConvergence(p, r.convergence);
}

std::string WriteRunReport(const ChannelFollower& follower, const std::string& path, const ReportRequest& request,
    ReportFacts* facts, ConvergenceFitCache* fits)
{
    if (!follower.Engine)
        return NotEnoughDataMessage;
    Sidecar record = ReportRecord(follower, path, request);
    std::string html;
    if (const std::string none = ReportHtml(*follower.Engine, record, html, facts, fits); !none.empty())
        return none;
    if (const std::string failure = WriteFileAtomically(path, html); !failure.empty())
        return "could not write " + path + ": " + failure;
    return WriteSidecar(record, request.program);
}

std::string ProposedReportFileName(const RealTimeGofS& engine)
{
    return "run report for " + FileNameTitle(engine) + ".html";
}

} // namespace morvane
