#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/CustomSettings.h"
#include "settings/GUISettings.h"
#include "settings/SettingsFile.h"
#include "settings/SpeciesSettings.h"
#include "windows/Controls.h"
#include "windows/WindowHost.h"

namespace morvane {

// The settings window: the display, analysis and species settings of the main window, one grid
// each, filled from their key-name tables. "Save" checks every value, puts them into the main window's settings
// (new data views take them) and writes the settings file; "Defaults" puts the built-in values into
// the grids. Derived keys and internal markers are shown but not editable.
class TMorvaneSettings {
public:
    std::string Caption = "Settings";
    ValueListEditor ValueListGUISettings;
    ValueListEditor ValueListCustomSettings { {}, 150, 141, true };
    ValueListEditor ValueListSpeciesSettings { {}, 150, 141, true };
    SettingsFileLocations Files;
    std::string IniFileName; // the program's path with the extension ".INI"
    std::string LabelIniNote; // where the settings are read from and saved to
    bool Visible = false;

    // programPath: the program's own executable path; the user's file from the environment.
    void FormCreate(const std::string& programPath);
    // Start-up: reads the settings files (Files) onto the owner's settings. Returns the message for
    // the user about what could not be used, "" when all was.
    std::string ReadSettingsFiles(GUISettings& display, CustomSettings& analysis, SpeciesSettings& species) const;
    // Fills the grids from the owner's settings, which "Save" changes; the caller then shows the
    // window modally. host: where messages go (none: dropped).
    void FormShow(GUISettings& display, CustomSettings& analysis, SpeciesSettings& species, WindowHost* host = nullptr);
    // Where messages go from now on: the host of the settings window itself, once it is shown.
    void SetHost(WindowHost* host) { host_ = host; }
    // "Save": false, with a message naming the keys and what they take, when a value in the grids is
    // refused; nothing changes then. Otherwise the owner's settings take the values and the file is
    // written (a failure is reported; the values still apply until the program ends).
    bool ButtonSaveClick();
    // "Defaults": the built-in values in every grid; saved by "Save" like any edit.
    void ButtonDefaultsClick();
    void FormDestroy();

    static std::string IniFileNameOf(const std::string& programPath) { return morvane::IniFileNameOf(programPath); }
    // One row per name of the key-name table, in table order: the value of that key as the file
    // writes it; empty and read-only for a name without a field.
    static std::vector<ValueListRow> RowsOf(const GUISettings& settings);
    static std::vector<ValueListRow> RowsOf(const CustomSettings& settings);
    static std::vector<ValueListRow> RowsOf(const SpeciesSettings& settings);

private:
    void ShowRows(const ProgramSettings& settings);
    // The settings of the grids, or the messages about what they refuse.
    std::vector<std::string> SettingsFromGrids(ProgramSettings& settings) const;
    void Tell(const std::string& text) const;

    GUISettings* display_ = nullptr;
    CustomSettings* analysis_ = nullptr;
    SpeciesSettings* species_ = nullptr;
    WindowHost* host_ = nullptr;
};

} // namespace morvane
