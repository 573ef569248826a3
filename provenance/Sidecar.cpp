#include "provenance/Sidecar.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <stdexcept>

#include "MorvaneVersion.h"
#include "provenance/Sha256.h"
#include "scanfiles/FileSystem.h"
#include "settings/SettingsKeys.h"

using Json = nlohmann::ordered_json;

namespace {

constexpr const char* JsonSuffix = ".json";

bool IsUtf8(const std::string& text)
{
    try {
        (void)Json(text).dump();
        return true;
    } catch (const Json::type_error&) {
        return false;
    }
}

Json TextJson(const std::string& text)
{
    if (IsUtf8(text))
        return text;
    static const char* hex = "0123456789abcdef";
    std::string bytes;
    for (const unsigned char c : text) {
        bytes += hex[c >> 4];
        bytes += hex[c & 0xF];
    }
    return Json { { "bytes_hex", bytes } };
}

Json Number(double x) { return std::isfinite(x) ? Json(x) : Json(nullptr); }

Json SettingValue(const SettingKey& key, const ProgramSettings& settings)
{
    const double v = key.Get(settings);
    if (key.Kind == SettingKind::Real)
        return Number(v);
    return static_cast<int64_t>(v);
}

Json FileJson(const InputFile& f, bool refused)
{
    Json j;
    j["name"] = TextJson(f.Name);
    j["size"] = f.Size >= 0 ? Json(f.Size) : Json(nullptr);
    j["sha256"] = f.Sha256.empty() ? Json(nullptr) : Json(f.Sha256);
    if (refused)
        j["reason"] = f.Refused;
    return j;
}

Json ChannelJson(const ChannelRecord& c)
{
    Json j;
    j["run_directory"] = TextJson(c.RunDirectory);
    j["channel"] = TextJson(c.Channel);
    j["meniscus_cm"] = Number(c.Meniscus);
    j["bottom_cm"] = Number(c.Bottom);
    j["jitter_cm"] = Number(c.JitterRadius);
    j["fringe_cm"] = Number(c.FringeRadius);
    j["window_rule"] = c.WindowByMW ? "molecular weight" : "mid-cell";
    j["molecular_weight_g_per_mol"] = Number(c.AssumedMW);
    Json analysis = Json::object();
    const ProgramSettings settings { GUISettings(), c.Analysis, SpeciesSettings() };
    for (const SettingKey& key : SettingKeys())
        if (key.Group() == SettingGroup::Custom)
            analysis[key.Name] = SettingValue(key, settings);
    j["analysis_settings"] = analysis;
    j["files"] = Json::array();
    for (const InputFile& f : c.Files)
        j["files"].push_back(FileJson(f, false));
    j["refused_files"] = Json::array();
    for (const InputFile& f : c.RefusedFiles)
        j["refused_files"].push_back(FileJson(f, true));
    j["gofs_sets"] = c.GofsSets;
    j["sets"] = Json::array();
    for (const SetRecord& s : c.Sets) {
        j["sets"].push_back({ { "store", s.Store }, { "index", s.Index }, { "first_raw_scan", s.FirstRawScan },
            { "last_raw_scan", s.LastRawScan }, { "first_file", TextJson(s.FirstFile) },
            { "last_file", TextJson(s.LastFile) }, { "mean_time_s", Number(s.MeanTime) } });
    }
    return j;
}

// Reading: a field that is missing or of the wrong type ends the reading with its place.
struct Bad : std::runtime_error {
    using std::runtime_error::runtime_error;
};

const Json& Field(const Json& object, const char* key, const std::string& where)
{
    const auto it = object.find(key);
    if (it == object.end())
        throw Bad(where + key + " is missing");
    return *it;
}

std::string ReadText(const Json& object, const char* key, const std::string& where)
{
    const Json& v = Field(object, key, where);
    if (v.is_string())
        return v.get<std::string>();
    const auto hex = v.is_object() ? v.find("bytes_hex") : v.end();
    if (hex != v.end() && hex->is_string() && hex->get<std::string>().size() % 2 == 0) {
        const std::string digits = hex->get<std::string>();
        std::string bytes;
        for (size_t i = 0; i < digits.size(); i += 2) {
            size_t used = 0;
            int byte = -1;
            try {
                byte = std::stoi(digits.substr(i, 2), &used, 16);
            } catch (const std::exception&) {
                used = 0;
            }
            if (used != 2)
                throw Bad(where + key + " holds no text");
            bytes += static_cast<char>(byte);
        }
        return bytes;
    }
    throw Bad(where + key + " is not a text");
}

double ReadNumber(const Json& object, const char* key, const std::string& where)
{
    const Json& v = Field(object, key, where);
    if (!v.is_number())
        throw Bad(where + key + " is not a number");
    return v.get<double>();
}

int64_t ReadInteger(const Json& object, const char* key, const std::string& where)
{
    const Json& v = Field(object, key, where);
    if (!v.is_number_integer())
        throw Bad(where + key + " is not a whole number");
    return v.get<int64_t>();
}

const Json& ReadArray(const Json& object, const char* key, const std::string& where)
{
    const Json& v = Field(object, key, where);
    if (!v.is_array())
        throw Bad(where + key + " is not a list");
    return v;
}

const Json& ReadObject(const Json& object, const char* key, const std::string& where)
{
    const Json& v = Field(object, key, where);
    if (!v.is_object())
        throw Bad(where + key + " is not an object");
    return v;
}

// Takes every key of `values` that the settings table knows (display keys when `display`).
void ReadSettings(const Json& values, bool display, ProgramSettings& settings, std::vector<std::string>* keys,
    const std::string& where, std::vector<std::string>& notes)
{
    for (const auto& [name, value] : values.items()) {
        const SettingKey* key = FindSettingKey(name);
        if (!key || key->Group() != (display ? SettingGroup::Gui : SettingGroup::Custom)) {
            notes.push_back(where + name + " is a setting this version does not know: skipped");
            continue;
        }
        if (value.is_boolean() && key->Kind == SettingKind::YesNo)
            key->Set(settings, value.get<bool>() ? 1 : 0);
        else if (value.is_number())
            key->Set(settings, value.get<double>());
        else
            throw Bad(where + name + " is not a number");
        if (keys)
            keys->push_back(key->Name);
    }
    if (display)
        return;
    for (const SettingKey& key : SettingKeys())
        if (key.Group() == SettingGroup::Custom && !values.contains(key.Name))
            notes.push_back(where + key.Name + " is missing: its built-in value is taken");
}

InputFile ReadFile(const Json& j, bool refused, const std::string& where)
{
    if (!j.is_object())
        throw Bad(where + " is not an object");
    const std::string at = where + ".";
    InputFile f;
    f.Name = ReadText(j, "name", at);
    const Json& size = Field(j, "size", at);
    const Json& sha = Field(j, "sha256", at);
    if (!size.is_null())
        f.Size = ReadInteger(j, "size", at);
    if (!sha.is_null())
        f.Sha256 = ReadText(j, "sha256", at);
    if (refused)
        f.Refused = ReadText(j, "reason", at);
    return f;
}

ChannelRecord ReadChannel(const Json& j, const std::string& where, std::vector<std::string>& notes)
{
    if (!j.is_object())
        throw Bad(where + " is not an object");
    const std::string at = where + ".";
    ChannelRecord c;
    c.RunDirectory = ReadText(j, "run_directory", at);
    c.Channel = ReadText(j, "channel", at);
    c.Meniscus = ReadNumber(j, "meniscus_cm", at);
    c.Bottom = ReadNumber(j, "bottom_cm", at);
    c.JitterRadius = ReadNumber(j, "jitter_cm", at);
    c.FringeRadius = ReadNumber(j, "fringe_cm", at);
    const std::string rule = ReadText(j, "window_rule", at);
    if (rule != "mid-cell" && rule != "molecular weight")
        throw Bad(at + "window_rule is \"" + rule + "\", not \"mid-cell\" or \"molecular weight\"");
    c.WindowByMW = rule == "molecular weight";
    c.AssumedMW = ReadNumber(j, "molecular_weight_g_per_mol", at);
    ProgramSettings settings;
    ReadSettings(ReadObject(j, "analysis_settings", at), false, settings, nullptr, at + "analysis_settings.", notes);
    c.Analysis = settings.Analysis;
    const Json& files = ReadArray(j, "files", at);
    for (size_t i = 0; i < files.size(); ++i)
        c.Files.push_back(ReadFile(files[i], false, at + "files[" + std::to_string(i) + "]"));
    const Json& refused = ReadArray(j, "refused_files", at);
    for (size_t i = 0; i < refused.size(); ++i)
        c.RefusedFiles.push_back(ReadFile(refused[i], true, at + "refused_files[" + std::to_string(i) + "]"));
    c.GofsSets = static_cast<int32_t>(ReadInteger(j, "gofs_sets", at));
    const Json& sets = ReadArray(j, "sets", at);
    for (size_t i = 0; i < sets.size(); ++i) {
        const std::string s = at + "sets[" + std::to_string(i) + "].";
        if (!sets[i].is_object())
            throw Bad(s.substr(0, s.size() - 1) + " is not an object");
        SetRecord r;
        r.Store = ReadText(sets[i], "store", s);
        r.Index = static_cast<int32_t>(ReadInteger(sets[i], "index", s));
        r.FirstRawScan = static_cast<int32_t>(ReadInteger(sets[i], "first_raw_scan", s));
        r.LastRawScan = static_cast<int32_t>(ReadInteger(sets[i], "last_raw_scan", s));
        r.FirstFile = ReadText(sets[i], "first_file", s);
        r.LastFile = ReadText(sets[i], "last_file", s);
        const Json& t = Field(sets[i], "mean_time_s", s);
        r.MeanTime = t.is_null() ? std::nan("") : ReadNumber(sets[i], "mean_time_s", s);
        c.Sets.push_back(r);
    }
    return c;
}

void ReadTop(const Json& j, Sidecar& s, std::vector<std::string>& notes)
{
    s.Kind = ReadText(j, "kind", "");
    s.Program = ReadText(j, "program", "");
    s.Version = ReadText(j, "version", "");
    s.WrittenUtc = ReadText(j, "written_utc", "");
    const Json& output = ReadObject(j, "output", "");
    s.OutputPath = ReadText(output, "path", "output.");
    s.OutputSize = ReadInteger(output, "size", "output.");
    s.OutputSha256 = ReadText(output, "sha256", "output.");
    s.Parameters = ReadObject(j, "parameters", "");
    ProgramSettings display;
    ReadSettings(ReadObject(j, "display_settings", ""), true, display, &s.DisplayKeys, "display_settings.", notes);
    s.Display = display.Display;
    const Json& channels = ReadArray(j, "channels", "");
    if (channels.empty())
        throw Bad("channels is empty");
    for (size_t i = 0; i < channels.size(); ++i)
        s.Channels.push_back(ReadChannel(channels[i], "channels[" + std::to_string(i) + "]", notes));
}

} // namespace

std::string SidecarPath(const std::string& outputPath) { return outputPath + JsonSuffix; }

std::string OutputBesideSidecar(const std::string& sidecarPath)
{
    const std::string suffix = JsonSuffix;
    if (sidecarPath.size() <= suffix.size()
        || sidecarPath.compare(sidecarPath.size() - suffix.size(), suffix.size(), suffix) != 0)
        return {};
    return sidecarPath.substr(0, sidecarPath.size() - suffix.size());
}

std::string SidecarText(const Sidecar& s)
{
    Json j;
    j["morvane_sidecar"] = s.Format;
    j["kind"] = s.Kind;
    j["program"] = s.Program;
    j["version"] = TextJson(s.Version);
    j["written_utc"] = s.WrittenUtc;
    j["output"] = { { "path", TextJson(s.OutputPath) }, { "size", s.OutputSize }, { "sha256", s.OutputSha256 } };
    j["parameters"] = s.Parameters.is_object() ? s.Parameters : Json::object();
    Json display = Json::object();
    const ProgramSettings settings { s.Display, CustomSettings(), SpeciesSettings() };
    for (const std::string& name : s.DisplayKeys)
        if (const SettingKey* key = FindSettingKey(name); key && key->IsDisplay())
            display[key->Name] = SettingValue(*key, settings);
    j["display_settings"] = display;
    j["channels"] = Json::array();
    for (const ChannelRecord& c : s.Channels)
        j["channels"].push_back(ChannelJson(c));
    return j.dump(2) + "\n";
}

std::string ReadSidecar(const std::string& text, Sidecar& s, std::vector<std::string>& notes)
{
    s = Sidecar();
    Json j;
    try {
        j = Json::parse(text);
    } catch (const Json::parse_error& e) {
        return "not a Morvane sidecar: not JSON (at byte " + std::to_string(e.byte) + ")";
    }
    if (!j.is_object() || !j.contains("morvane_sidecar"))
        return "not a Morvane sidecar: no \"morvane_sidecar\" field";
    if (!j["morvane_sidecar"].is_number_integer() || j["morvane_sidecar"].get<int64_t>() < 1)
        return "not a Morvane sidecar: \"morvane_sidecar\" is not a format number";
    if (j["morvane_sidecar"].get<int64_t>() > SidecarFormat)
        return "sidecar format " + std::to_string(j["morvane_sidecar"].get<int64_t>())
            + " is newer than this program reads (" + std::to_string(SidecarFormat) + "): use a newer Morvane";
    try {
        ReadTop(j, s, notes);
    } catch (const Bad& e) {
        return std::string("bad sidecar: ") + e.what();
    } catch (const Json::exception& e) {
        return std::string("bad sidecar: ") + e.what();
    }
    return {};
}

std::string ProgramVersion() { return MORVANE_VERSION_TEXT; }

std::string UtcNowText()
{
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc {};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string WriteSidecar(Sidecar& s, const std::string& program)
{
    s.Program = program;
    s.Version = ProgramVersion();
    s.WrittenUtc = UtcNowText();
    const std::string path = SidecarPath(s.OutputPath);
    const FileDigest output = DigestOfFile(s.OutputPath);
    std::string failure;
    if (!output.Read) {
        failure = "the output could not be read back";
    } else {
        s.OutputSize = output.Size;
        s.OutputSha256 = output.Sha256;
        failure = WriteFileAtomically(path, SidecarText(s));
    }
    if (failure.empty())
        return {};
    return "the record " + path + " could not be written (" + failure + "); " + s.OutputPath
        + " itself was written and stays";
}
