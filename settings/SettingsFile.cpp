#include "settings/SettingsFile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <ini.h>
#include <set>
#include <sstream>

#include "scanfiles/FileSystem.h"
#include "scanfiles/ScanText.h"

namespace morvane {

namespace fs = std::filesystem;

namespace {

constexpr size_t MaxFileBytes = 64 * 1024; // a settings file is about 1.5 kB
constexpr size_t MaxLineChars = 190; // inih's line buffer holds 200 characters with the line end
constexpr size_t MaxProblemsShown = 12;
constexpr const char* UserDirName = "morvane";

// A file with control characters other than tab, CR and LF is not settings text.
bool LooksBinary(const std::string& text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && c != '\t' && c != '\r' && c != '\n') || u == 0x7f;
    });
}

std::string TrimmedLine(const std::string& text)
{
    const size_t b = text.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return "";
    return text.substr(b, text.find_last_not_of(" \t\r") - b + 1);
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

struct Entry {
    std::string Name;
    std::string Value;
    int Line;
};

// inih reads the lines through Reader, so the handler knows the line of each entry.
struct ParseState {
    const std::vector<std::string>* Lines = nullptr;
    size_t Next = 0;
    std::vector<Entry> Entries;
};

char* Reader(char* str, int num, void* stream)
{
    auto& state = *static_cast<ParseState*>(stream);
    if (state.Next >= state.Lines->size() || num < 2)
        return nullptr;
    const std::string line = (*state.Lines)[state.Next++] + "\n";
    const size_t n = std::min(line.size(), static_cast<size_t>(num - 1));
    std::memcpy(str, line.data(), n);
    str[n] = '\0';
    return str;
}

int Handler(void* user, const char* /*section*/, const char* name, const char* value)
{
    auto& state = *static_cast<ParseState*>(user);
    state.Entries.push_back({ name, value ? value : "", static_cast<int>(state.Next) });
    return 1;
}

struct LineProblem {
    int Line;
    std::string Text;
};

// Lines that are neither blank, a comment, a section nor a "key = value" entry.
void ReportMalformedLines(const std::vector<std::string>& lines, const std::vector<Entry>& entries, int firstError,
    std::vector<LineProblem>& problems)
{
    std::set<int> withEntry;
    for (const Entry& e : entries)
        withEntry.insert(e.Line);
    for (size_t i = 0; i < lines.size(); ++i) {
        const int line = static_cast<int>(i) + 1;
        const std::string t = TrimmedLine(lines[i]);
        const bool ignorable = t.empty() || t[0] == ';' || t[0] == '#' || (t[0] == '[' && line != firstError);
        if (withEntry.count(line) || ignorable)
            continue;
        if (lines[i].size() > MaxLineChars)
            problems.push_back({ line, "the line is too long to be a \"key = value\" line" });
        else
            problems.push_back({ line, "\"" + t + "\" is not a \"key = value\" line" });
    }
}

// Puts the keys of every broken rule back to their values in `before`, until all rules hold.
void RestoreBrokenRules(const ProgramSettings& before, ProgramSettings& settings, std::vector<std::string>& problems)
{
    for (int round = 0; round <= static_cast<int>(SettingRules().size()); ++round) {
        const auto broken = BrokenSettingRules(settings);
        if (broken.empty())
            return;
        for (const SettingRule* rule : broken) {
            std::string values;
            for (const char* name : rule->Keys) {
                const SettingKey& key = *FindSettingKey(name);
                values += (values.empty() ? "" : ", ") + std::string(name) + " = " + SettingValueText(key, settings);
                key.Set(settings, key.Get(before));
            }
            problems.push_back(std::string(rule->Text) + " (" + values + ")");
        }
        DeriveSettings(settings);
    }
}

std::string UserConfigDir(const char* xdgConfigHome, const char* home)
{
    if (xdgConfigHome && *xdgConfigHome && fs::path(xdgConfigHome).is_absolute())
        return (fs::path(xdgConfigHome) / UserDirName).string();
    if (home && *home)
        return (fs::path(home) / ".config" / UserDirName).string();
    return "";
}

bool Exists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::exists(path, ec);
}

} // namespace

std::string IniFileNameOf(const std::string& programPath)
{
    fs::path path(programPath);
    path.replace_extension(".INI");
    return path.string();
}

SettingsFileLocations SettingsFileLocations::Of(
    const std::string& programPath, const char* xdgConfigHome, const char* home)
{
    SettingsFileLocations files;
    std::string name = "morvane.INI";
    if (!programPath.empty()) {
        files.ProgramFile = IniFileNameOf(programPath);
        name = fs::path(files.ProgramFile).filename().string();
    }
    const std::string dir = UserConfigDir(xdgConfigHome, home);
    if (!dir.empty())
        files.UserFile = (fs::path(dir) / name).string();
    return files;
}

SettingsFileLocations SettingsFileLocations::Of(const std::string& programPath)
{
    return Of(programPath, std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

std::string SettingsFileLocations::SaveTarget() const
{
    return Exists(UserFile) || ProgramFile.empty() ? UserFile : ProgramFile;
}

std::vector<std::string> ApplySettingsText(const std::string& text, ProgramSettings& settings)
{
    std::vector<std::string> lines = SplitLines(text);
    std::vector<std::string> fed = lines;
    for (std::string& line : fed)
        if (line.size() > MaxLineChars)
            line.clear();
    ParseState state;
    state.Lines = &fed;
    const int firstError = ini_parse_stream(Reader, &state, Handler, &state);

    std::vector<LineProblem> lineProblems;
    ReportMalformedLines(lines, state.Entries, firstError, lineProblems);
    const ProgramSettings before = settings;
    for (const Entry& e : state.Entries) {
        const SettingKey* key = FindSettingKey(e.Name);
        if (!key || !key->Editable())
            continue;
        double value = 0;
        const std::string refusal = ParseSettingValue(*key, e.Value, value);
        if (!refusal.empty()) {
            lineProblems.push_back({ e.Line, refusal });
            continue;
        }
        // A value written as the one in use reads back as exactly that value, digits beyond 15 included.
        ProgramSettings probe = settings;
        key->Set(probe, value);
        if (SettingValueText(*key, probe) != SettingValueText(*key, settings))
            key->Set(settings, value);
    }
    std::stable_sort(lineProblems.begin(), lineProblems.end(),
        [](const LineProblem& a, const LineProblem& b) { return a.Line < b.Line; });
    std::vector<std::string> problems;
    for (const LineProblem& p : lineProblems)
        problems.push_back("line " + std::to_string(p.Line) + ": " + p.Text);
    DeriveSettings(settings);
    RestoreBrokenRules(before, settings, problems);
    return problems;
}

SettingsFileReport ReadSettingsFile(const std::string& path, ProgramSettings& settings)
{
    SettingsFileReport report { path, {} };
    std::error_code ec;
    if (path.empty() || !fs::exists(path, ec))
        return report;
    if (fs::is_directory(path, ec)) {
        report.Problems.push_back("it is a directory, not a file; nothing was read");
        return report;
    }
    // Read on the open file, never waiting for a writer: a pipe would hold the window at start.
    std::string text;
    const int64_t read = ReadWholeFile(path, text, MaxFileBytes + 1);
    if (read == NotARegularFile) {
        report.Problems.push_back("it is not a regular file (a pipe or a device); nothing was read");
        return report;
    }
    if (read < 0) {
        report.Problems.push_back("the file cannot be read; nothing was taken from it");
        return report;
    }
    if (text.size() > MaxFileBytes) {
        const auto size = fs::file_size(path, ec);
        report.Problems.push_back("the file is too large for a settings file ("
            + (ec ? "over " + std::to_string(MaxFileBytes) : std::to_string(size)) + " bytes); nothing was taken from it");
        return report;
    }
    if (LooksBinary(text)) {
        report.Problems.push_back("the file holds binary data, not settings text; nothing was taken from it");
        return report;
    }
    report.Problems = ApplySettingsText(text, settings);
    return report;
}

std::string ReadSettingsFiles(const SettingsFileLocations& files, ProgramSettings& settings)
{
    const bool programFileRead = Exists(files.ProgramFile);
    std::vector<SettingsFileReport> reports { ReadSettingsFile(files.ProgramFile, settings) };
    if (files.UserFile != files.ProgramFile)
        reports.push_back(ReadSettingsFile(files.UserFile, settings));
    std::string message;
    for (size_t f = 0; f < reports.size(); ++f) {
        const SettingsFileReport& r = reports[f];
        if (r.Problems.empty())
            continue;
        const bool afterProgramFile = f == 1 && programFileRead;
        message += (message.empty() ? "" : "\n\n") + std::string("Not all of the settings file ") + r.File
            + " could be used; these keys keep "
            + (afterProgramFile ? "the values from " + files.ProgramFile + " or their built-in values"
                                : "their built-in values")
            + ":";
        for (size_t i = 0; i < r.Problems.size() && i < MaxProblemsShown; ++i)
            message += "\n  " + r.Problems[i];
        if (r.Problems.size() > MaxProblemsShown)
            message += "\n  ... and " + std::to_string(r.Problems.size() - MaxProblemsShown) + " more";
    }
    return message;
}

std::string SettingsFileText(const ProgramSettings& settings)
{
    std::string text = "; Settings of Morvane, read at start-up. Numbers take \".\" as decimal separator.\r\n"
                       "; A key left out keeps its built-in value; unknown keys are ignored.\r\n";
    static constexpr const char* Sections[] = { "[GUISettings]", "[CustomSettings]", "[SpeciesSettings]" };
    int section = -1;
    for (const SettingKey& key : SettingKeys()) {
        if (!key.Editable())
            continue;
        const int group = static_cast<int>(key.Group());
        if (group != section) {
            text += std::string(Sections[group]) + "\r\n";
            section = group;
        }
        text += std::string(key.Name) + "=" + SettingValueText(key, settings) + "\r\n";
    }
    return text;
}

SettingsSaveResult SaveSettingsFile(const SettingsFileLocations& files, const ProgramSettings& settings)
{
    const std::string text = SettingsFileText(settings);
    const std::string target = files.SaveTarget();
    std::string failures;
    if (target == files.ProgramFile && !target.empty()) {
        const std::string failure = WriteFileAtomically(target, text);
        if (failure.empty())
            return { target, "" };
        failures = failure;
    }
    if (!files.UserFile.empty()) {
        std::error_code ec;
        fs::create_directories(fs::path(files.UserFile).parent_path(), ec);
        const std::string failure = WriteFileAtomically(files.UserFile, text);
        if (failure.empty())
            return { files.UserFile, "" };
        failures += (failures.empty() ? "" : "; ") + failure;
    } else if (failures.empty()) {
        failures = "there is no place for it: the program's path and the user's home directory are unknown";
    }
    return { "", "The settings could not be saved (" + failures + "). They apply until the program ends." };
}

} // namespace morvane
