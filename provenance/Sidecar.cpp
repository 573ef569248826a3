#include "provenance/Sidecar.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>
#include <stdexcept>

#include "MorvaneVersion.h"
#include "analysis/NumberText.h"
#include "provenance/RecordText.h"
#include "scanfiles/FileSystem.h"
#include "scanfiles/Sha256.h"
#include "settings/SettingsKeys.h"

namespace morvane {

using Json = nlohmann::ordered_json;

namespace {

bool IsUtf8(const std::string& text)
{
    try {
        (void)Json(text).dump();
        return true;
    } catch (const Json::type_error&) {
        return false;
    }
}

} // namespace

RecordParameters::RecordParameters()
    : json_(std::make_unique<Json>(Json::object()))
{
}

RecordParameters::RecordParameters(const RecordParameters& other)
    : json_(std::make_unique<Json>(*other.json_))
{
}

RecordParameters& RecordParameters::operator=(const RecordParameters& other)
{
    *json_ = *other.json_;
    return *this;
}

RecordParameters::~RecordParameters() = default;

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

namespace {

constexpr const char* JsonSuffix = ".json";

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
    j["meniscus_cm"] = Number(c.Cell.Meniscus);
    j["bottom_cm"] = Number(c.Cell.Bottom);
    j["jitter_cm"] = Number(c.Cell.JitterRadius);
    j["fringe_cm"] = Number(c.Cell.FringeRadius);
    j["window_rule"] = c.Cell.WindowByMW ? "molecular weight" : "mid-cell";
    j["molecular_weight_g_per_mol"] = Number(c.Cell.AssumedMW);
    Json analysis = Json::object();
    const ProgramSettings settings { GUISettings(), c.Analysis, SpeciesSettings() };
    for (const SettingKey& key : SettingKeys())
        if (key.Group() == SettingGroup::Custom)
            analysis[key.Name] = SettingValue(key, settings);
    j["analysis_settings"] = analysis;
    j["settings_file"] = c.SettingsFile.empty() ? Json(nullptr) : TextJson(c.SettingsFile);
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

int64_t ReadInteger(const Json& object, const char* key, const std::string& where, int64_t low = 0,
    int64_t high = std::numeric_limits<int32_t>::max())
{
    const Json& v = Field(object, key, where);
    if (!v.is_number_integer())
        throw Bad(where + key + " is not a whole number");
    // A number above the signed range is held unsigned: compare before converting.
    if ((v.is_number_unsigned() && v.get<uint64_t>() > static_cast<uint64_t>(high)) || v.get<int64_t>() < low
        || v.get<int64_t>() > high)
        throw Bad(where + key + " is not a whole number from " + std::to_string(low) + " to " + std::to_string(high));
    return v.get<int64_t>();
}

// A file name of the record: plain, so that it stays in the directory it is joined to.
std::string ReadName(const Json& object, const char* key, const std::string& where, bool emptyAllowed = false)
{
    std::string name = ReadText(object, key, where);
    if (!IsPlainFileName(name) && !(emptyAllowed && name.empty()))
        throw Bad(where + key + " \"" + name + "\" is not a plain file name (no directory, \"..\" or \"/\")");
    return name;
}

std::string ReadSha256(const Json& object, const char* key, const std::string& where)
{
    std::string sha = ReadText(object, key, where);
    if (sha.size() != 64 || sha.find_first_not_of("0123456789abcdef") != std::string::npos)
        throw Bad(where + key + " is not a SHA-256 (64 hexadecimal digits)");
    return sha;
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

// Takes every key of `values` that the settings table knows (display keys when `display`), each
// checked against the range the settings file takes, and then the rules among them.
void ReadSettings(const Json& values, bool display, ProgramSettings& settings, std::vector<std::string>* keys,
    const std::string& where, std::vector<std::string>& notes)
{
    const SettingGroup group = display ? SettingGroup::Gui : SettingGroup::Custom;
    std::vector<std::pair<const SettingKey*, double>> fixed;
    for (const auto& [name, value] : values.items()) {
        const SettingKey* key = FindSettingKey(name);
        if (!key || key->Group() != group) {
            notes.push_back(where + name + " is a setting this version does not know: skipped");
            continue;
        }
        double v = 0;
        if (value.is_boolean() && key->Kind == SettingKind::YesNo)
            v = value.get<bool>() ? 1 : 0;
        else if (value.is_number())
            v = value.get<double>();
        else
            throw Bad(where + name + " is not a number");
        if (!key->Editable()) {
            fixed.emplace_back(key, v);
            continue;
        }
        if (const std::string refusal = SettingValueRefusal(*key, v); !refusal.empty())
            throw Bad(where + name + " is " + FloatToStr(v) + ": " + refusal);
        key->Set(settings, v);
        if (keys)
            keys->push_back(key->Name);
    }
    DeriveSettings(settings);
    // Derived keys and markers are never taken from outside: a recorded value that is not this
    // version's own is named.
    for (const auto& [key, v] : fixed)
        if (v != key->Get(settings))
            notes.push_back(where + key->Name + " is " + FloatToStr(v) + ", not this version's " + FloatToStr(key->Get(settings))
                + " (" + key->FixedBecause + "): " + FloatToStr(key->Get(settings)) + " is taken");
    for (const SettingRule* rule : BrokenSettingRules(settings)) {
        const bool ownKeys = std::all_of(rule->Keys.begin(), rule->Keys.end(),
            [group](const char* name) { return FindSettingKey(name)->Group() == group; });
        if (ownKeys)
            throw Bad(where.substr(0, where.size() - 1) + ": " + rule->Text);
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
    f.Name = ReadName(j, "name", at);
    const Json& size = Field(j, "size", at);
    const Json& sha = Field(j, "sha256", at);
    if (!size.is_null())
        f.Size = ReadInteger(j, "size", at, 0, std::numeric_limits<int64_t>::max());
    if (!sha.is_null())
        f.Sha256 = ReadSha256(j, "sha256", at);
    if (size.is_null() != sha.is_null())
        throw Bad(at + "size and sha256 are either both null or neither");
    if (refused)
        f.Refused = ReadText(j, "reason", at);
    return f;
}

// The positions and the averaging rule, as the command line takes them: finite radii, the meniscus
// positive and below the bottom, a molecular weight between 100 and 1,000,000 g/mol.
void ReadPositions(const Json& j, const std::string& at, CellParameters& c)
{
    const struct {
        const char* key;
        double& field;
    } radii[] = { { "meniscus_cm", c.Meniscus }, { "bottom_cm", c.Bottom }, { "jitter_cm", c.JitterRadius },
        { "fringe_cm", c.FringeRadius } };
    for (const auto& r : radii) {
        r.field = ReadNumber(j, r.key, at);
        if (!std::isfinite(r.field))
            throw Bad(at + r.key + " is not a finite number");
    }
    if (!CellSpanAccepted(c.Meniscus, c.Bottom))
        throw Bad(at + "meniscus_cm (" + FloatToStr(c.Meniscus) + ") must be positive and below bottom_cm ("
            + FloatToStr(c.Bottom) + ")");
    const std::string rule = ReadText(j, "window_rule", at);
    if (rule != "mid-cell" && rule != "molecular weight")
        throw Bad(at + "window_rule is \"" + rule + "\", not \"mid-cell\" or \"molecular weight\"");
    c.WindowByMW = rule == "molecular weight";
    c.AssumedMW = ReadNumber(j, "molecular_weight_g_per_mol", at);
    if (!MWAccepted(c.AssumedMW))
        throw Bad(at + "molecular_weight_g_per_mol is " + FloatToStr(c.AssumedMW) + ", not between 100 and 1000000");
}

// The recorded files, used and refused: each name once.
void ReadFiles(const Json& j, const std::string& at, ChannelRecord& c)
{
    std::set<std::string> names;
    for (const bool refused : { false, true }) {
        const char* key = refused ? "refused_files" : "files";
        const Json& files = ReadArray(j, key, at);
        for (size_t i = 0; i < files.size(); ++i) {
            const std::string place = at + key + "[" + std::to_string(i) + "]";
            InputFile f = ReadFile(files[i], refused, place);
            if (!names.insert(f.Name).second)
                throw Bad(place + ".name \"" + f.Name + "\" is listed twice");
            (refused ? c.RefusedFiles : c.Files).push_back(std::move(f));
        }
    }
}

ChannelRecord ReadChannel(const Json& j, const std::string& where, std::vector<std::string>& notes)
{
    if (!j.is_object())
        throw Bad(where + " is not an object");
    const std::string at = where + ".";
    ChannelRecord c;
    c.RunDirectory = ReadText(j, "run_directory", at);
    if (c.RunDirectory.empty() || c.RunDirectory.find('\0') != std::string::npos)
        throw Bad(at + "run_directory is not a directory's path");
    // The channel entry: a file mask of six characters (and a suffix), never a path.
    c.Channel = ReadName(j, "channel", at);
    if (c.Channel.size() < 6)
        throw Bad(at + "channel \"" + c.Channel + "\" is not a channel entry such as 0*.RA1");
    ReadPositions(j, at, c.Cell);
    ProgramSettings settings;
    ReadSettings(ReadObject(j, "analysis_settings", at), false, settings, nullptr, at + "analysis_settings.", notes);
    c.Analysis = settings.Analysis;
    // Records older than the field, and those on the program's own settings, name no file.
    if (const auto file = j.find("settings_file"); file != j.end() && !file->is_null())
        c.SettingsFile = ReadText(j, "settings_file", at);
    ReadFiles(j, at, c);
    c.GofsSets = static_cast<int32_t>(ReadInteger(j, "gofs_sets", at));
    const Json& sets = ReadArray(j, "sets", at);
    for (size_t i = 0; i < sets.size(); ++i) {
        const std::string s = at + "sets[" + std::to_string(i) + "].";
        if (!sets[i].is_object())
            throw Bad(s.substr(0, s.size() - 1) + " is not an object");
        SetRecord r;
        r.Store = ReadText(sets[i], "store", s);
        r.Index = static_cast<int32_t>(ReadInteger(sets[i], "index", s, -1));
        r.FirstRawScan = static_cast<int32_t>(ReadInteger(sets[i], "first_raw_scan", s, -1));
        r.LastRawScan = static_cast<int32_t>(ReadInteger(sets[i], "last_raw_scan", s, -1));
        r.FirstFile = ReadName(sets[i], "first_file", s, true);
        r.LastFile = ReadName(sets[i], "last_file", s, true);
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
    // The output lies beside its record: its file name is what reproduce looks for there.
    const size_t slash = s.OutputPath.find_last_of('/');
    if (!IsPlainFileName(slash == std::string::npos ? s.OutputPath : s.OutputPath.substr(slash + 1)))
        throw Bad("output.path \"" + s.OutputPath + "\" does not end in a plain file name");
    s.OutputSize = ReadInteger(output, "size", "output.", 0, std::numeric_limits<int64_t>::max());
    s.OutputSha256 = ReadSha256(output, "sha256", "output.");
    *s.Parameters = ReadObject(j, "parameters", "");
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

std::string SidecarPath(const std::string& outputPath)
{
    const size_t slash = outputPath.find_last_of('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string name = outputPath.substr(nameStart);
    const std::string suffix = JsonSuffix;
    if (name.size() + suffix.size() <= FileNameMaxBytes)
        return outputPath + suffix;
    // "~" and 16 hexadecimal digits of the full name's hash keep apart outputs whose names start alike.
    const std::string tag = "~" + Sha256Hex(name).substr(0, 16);
    size_t keep = FileNameMaxBytes - suffix.size() - tag.size();
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
        --keep; // not inside a character
    return outputPath.substr(0, nameStart) + name.substr(0, keep) + tag + suffix;
}

std::string OutputBesideSidecar(const std::string& sidecarPath, const Sidecar& sidecar)
{
    const std::string suffix = JsonSuffix;
    if (sidecarPath.size() > suffix.size()
        && sidecarPath.compare(sidecarPath.size() - suffix.size(), suffix.size(), suffix) == 0) {
        const std::string named = sidecarPath.substr(0, sidecarPath.size() - suffix.size());
        std::error_code ec;
        if (std::filesystem::symlink_status(named, ec).type() != std::filesystem::file_type::not_found && !ec)
            return named;
    }
    const size_t dirEnd = sidecarPath.find_last_of('/');
    const size_t nameStart = sidecar.OutputPath.find_last_of('/');
    return sidecarPath.substr(0, dirEnd == std::string::npos ? 0 : dirEnd + 1)
        + sidecar.OutputPath.substr(nameStart == std::string::npos ? 0 : nameStart + 1);
}

std::vector<std::string> UnhashedUsedFiles(const Sidecar& sidecar)
{
    std::vector<std::string> names;
    for (const ChannelRecord& c : sidecar.Channels)
        for (const InputFile& f : c.Files)
            if (f.Size < 0 || f.Sha256.empty())
                names.push_back(f.Name);
    return names;
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
    j["parameters"] = s.Parameters->is_object() ? *s.Parameters : Json::object();
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
    if (text.size() > MaxSidecarBytes)
        return "not a Morvane sidecar: " + std::to_string(text.size()) + " bytes, more than a record may have ("
            + std::to_string(MaxSidecarBytes >> 20) + " MB)";
    if (const size_t at = NestingBeyond(text, MaxSidecarDepth); at != std::string::npos)
        return "not a Morvane sidecar: nested deeper than " + std::to_string(MaxSidecarDepth) + " levels (at byte "
            + std::to_string(at) + ")";
    Json j;
    try {
        j = Json::parse(text);
    } catch (const Json::parse_error& e) {
        return "not a Morvane sidecar: not JSON (at byte " + std::to_string(e.byte) + ")";
    } catch (const Json::out_of_range&) {
        // The parser's number overflow: a number beyond the range of a double.
        return "not a Morvane sidecar: it holds a number too large to read";
    } catch (const Json::exception&) {
        return "not a Morvane sidecar: not JSON";
    }
    if (!j.is_object() || !j.contains("morvane_sidecar"))
        return "not a Morvane sidecar: no \"morvane_sidecar\" field";
    const Json& format = j["morvane_sidecar"];
    // A whole number at or above 0 is held unsigned, one below 0 signed.
    if (!format.is_number_integer() || (!format.is_number_unsigned() || format.get<uint64_t>() < 1))
        return "not a Morvane sidecar: \"morvane_sidecar\" is not a format number";
    if (format.get<uint64_t>() > static_cast<uint64_t>(SidecarFormat))
        return "sidecar format " + format.dump() + " is newer than this program reads (" + std::to_string(SidecarFormat)
            + "): use a newer Morvane";
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

namespace {

void StampSidecar(Sidecar& s, const std::string& program)
{
    s.Program = program;
    s.Version = ProgramVersion();
    s.WrittenUtc = UtcNowText();
}

// WriteSidecar's line once the record was written (failure empty) or not.
std::string SidecarOutcome(const Sidecar& s, const std::string& path, const std::string& failure)
{
    if (!failure.empty())
        return "the record " + path + " could not be written (" + failure + "); " + s.OutputPath
            + " itself was written and stays";
    const std::vector<std::string> unhashed = UnhashedUsedFiles(s);
    if (unhashed.empty())
        return {};
    return "the record " + path + " lists " + std::to_string(unhashed.size())
        + (unhashed.size() == 1 ? " scan" : " scans") + " used in the result that could not be read for its hash (the first "
        + unhashed[0] + ": deleted or unreadable since it was loaded); reproduce cannot check "
        + (unhashed.size() == 1 ? "it" : "them");
}

} // namespace

std::string WriteSidecar(Sidecar& s, const std::string& program)
{
    StampSidecar(s, program);
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
    return SidecarOutcome(s, path, failure);
}

std::string WriteOutputWithSidecar(
    Sidecar& s, const std::string& program, const std::string& outputText, std::string& outputFailure)
{
    StampSidecar(s, program);
    s.OutputSize = static_cast<int64_t>(outputText.size());
    s.OutputSha256 = Sha256Hex(outputText);
    const std::string path = SidecarPath(s.OutputPath);
    std::vector<std::string> failures;
    if (s.OutputSha256.empty()) // no digest could be made: the output alone, as WriteSidecar would leave it
        failures = { WriteFileAtomically(s.OutputPath, outputText), "the output could not be hashed" };
    else
        failures = WriteFilesAtomically({ { s.OutputPath, outputText }, { path, SidecarText(s) } });
    outputFailure = failures[0];
    return outputFailure.empty() ? SidecarOutcome(s, path, failures[1]) : std::string();
}

} // namespace morvane
