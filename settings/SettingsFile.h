#pragma once
#include <string>
#include <vector>

#include "settings/SettingsKeys.h"

namespace morvane {

// Where the settings file lives. The program's own file sits beside the program and bears its base
// name with the extension ".INI"; the user's has the same name in the user's configuration
// directory ($XDG_CONFIG_HOME/morvane, or ~/.config/morvane).
//
// Reading (at start-up): the program's file, then the user's on top: the user's values win.
// Saving: to the user's file when it exists (else it would hide what was saved), otherwise to the
// program's file, and to the user's file when the program's place cannot be written.
struct SettingsFileLocations {
    std::string ProgramFile;
    std::string UserFile; // empty when neither XDG_CONFIG_HOME nor HOME names a directory

    // programPath: the program's executable; xdgConfigHome and home: those variables, null when unset.
    static SettingsFileLocations Of(const std::string& programPath, const char* xdgConfigHome, const char* home);
    // The same from the process's environment.
    static SettingsFileLocations Of(const std::string& programPath);
    // Where the next save writes first.
    std::string SaveTarget() const;
};

// The file name rule: the program's path with its extension replaced by ".INI" (appended if none).
std::string IniFileNameOf(const std::string& programPath);

// What a settings file held that was not used: one line per key or line, and the file's name.
struct SettingsFileReport {
    std::string File;
    std::vector<std::string> Problems;
};

// Applies the keys of an INI text onto `settings`. Unknown keys and fixed keys are ignored; a value
// that does not parse or lies outside its range, a line that is not "key = value", and keys that
// together break a rule leave those keys as they were, each named in the returned problems. Sections
// only group the keys for the reader: every key name is unique.
std::vector<std::string> ApplySettingsText(const std::string& text, ProgramSettings& settings);

// Reads one settings file onto `settings`. A missing file changes nothing and reports nothing; an
// unreadable, oversized or binary file changes nothing and says so.
SettingsFileReport ReadSettingsFile(const std::string& path, ProgramSettings& settings);

// Reads the program's file and then the user's onto `settings`. Returns the one message for the
// user ("" when all was used): every file with problems and its problems.
std::string ReadSettingsFiles(const SettingsFileLocations& files, ProgramSettings& settings);

// The file's contents: every editable key with its value ("." as decimal separator), CR LF lines.
std::string SettingsFileText(const ProgramSettings& settings);

struct SettingsSaveResult {
    std::string WrittenTo; // empty when no file could be written
    std::string Failure; // what failed, for the user ("" when written)
};
// Writes the settings (through a temporary file and a rename) where SettingsFileLocations says.
SettingsSaveResult SaveSettingsFile(const SettingsFileLocations& files, const ProgramSettings& settings);

} // namespace morvane
