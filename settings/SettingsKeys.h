#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "analysis/CustomSettings.h"
#include "settings/GUISettings.h"
#include "settings/SpeciesSettings.h"

namespace morvane {

// The settings objects of the main window, as the settings window and the settings file see them.
struct ProgramSettings {
    GUISettings Display;
    CustomSettings Analysis;
    SpeciesSettings Species;
};

// Which object a key belongs to: one grid of the settings window and one section of the file each.
enum class SettingGroup { Gui, Custom, Species };

enum class SettingKind {
    Real,
    Integer,
    YesNo, // "0"/"1" or "false"/"true"; written as 0 or 1
};

// One key of the settings and the values it accepts. A fixed key (FixedBecause set) is shown but
// never taken from a file or the grid: it is derived from other keys or is an internal marker.
struct SettingKey {
    using Field = std::variant<double GUISettings::*, int32_t GUISettings::*, bool GUISettings::*,
        double CustomSettings::*, int32_t CustomSettings::*, double SpeciesSettings::*>;

    const char* Name;
    Field Member;
    SettingKind Kind;
    double Min; // accepted range, both ends included
    double Max;
    const char* Unit; // "cm", "s", ... or ""
    const char* FixedBecause = nullptr;

    bool Editable() const { return FixedBecause == nullptr; }
    SettingGroup Group() const;
    bool IsDisplay() const { return Group() == SettingGroup::Gui; }
    double Get(const ProgramSettings& settings) const;
    void Set(ProgramSettings& settings, double value) const;
    // "a number from 4 to 8 cm", "a whole number from 1 to 999", "0 or 1 (false or true)".
    std::string AcceptedText() const;
};

// Every key of GUISettings, CustomSettings and SpeciesSettings with its accepted range, in that order.
std::span<const SettingKey> SettingKeys();
// The key of that name, matched without regard to case as INI files do; null for none.
const SettingKey* FindSettingKey(const std::string& name);

// The value as the grid and the file show it: FloatToStr, "." as decimal separator; yes/no as 0 or 1.
std::string SettingValueText(const SettingKey& key, const ProgramSettings& settings);

// Reads `text` as a value of `key`: "" and `value` set when accepted, otherwise why not, naming the
// key and the accepted range. A file's text takes "." only; text the user typed (decimalSeparator
// not empty) also takes that separator.
std::string ParseSettingValue(
    const SettingKey& key, const std::string& text, double& value, const std::string& decimalSeparator = "");

// Whether `value` is one that `key` accepts: "" when it is, otherwise why not, naming the key and
// the accepted range ("SmoothRepetition takes a whole number from 0 to 100"). Every reader of
// settings (the file, the grid, a record) checks through this one table.
std::string SettingValueRefusal(const SettingKey& key, double value);

// A condition that ties keys together, such as LowS below HighS.
struct SettingRule {
    std::vector<const char*> Keys;
    const char* Text; // what must hold, naming the keys
    bool (*Holds)(const ProgramSettings&);
};
std::span<const SettingRule> SettingRules();
// The rules that `settings` break, in table order.
std::vector<const SettingRule*> BrokenSettingRules(const ProgramSettings& settings);

// Sets the derived keys (LowLogS, HighLogS) from the keys they come from.
void DeriveSettings(ProgramSettings& settings);

} // namespace morvane
