#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/CustomSettings.h"
#include "settings/GUISettings.h"
#include "windows/Controls.h"

// The settings window: shows the display and analysis settings in use, one grid each, filled from
// their key-name tables. It changes nothing: the program runs on the fixed defaults and reads and
// writes no settings file; the file's name is only shown.
class TMorvaneSettings {
public:
    std::string Caption = "Settings";
    ValueListEditor ValueListGUISettings;
    ValueListEditor ValueListCustomSettings { {}, 150, 141, true };
    std::string IniFileName; // the program's path with the extension ".INI"
    std::string LabelIniNote; // tells the user that this file is neither read nor written
    bool Visible = false;

    // programPath: the program's own executable path.
    void FormCreate(const std::string& programPath);
    // Fills both grids from the owner's current settings; the caller then shows the window modally.
    void FormShow(const GUISettings& display, const CustomSettings& analysis);
    void FormDestroy();

    // The settings file's name: the program's path with its extension replaced by ".INI"
    // (or ".INI" appended when it has none).
    static std::string IniFileNameOf(const std::string& programPath);
    // One row per name of the key-name table, in table order; the value is the field of that name
    // written by FloatToStr (a yes/no field as 1 or 0), empty for a name without a field.
    static std::vector<ValueListRow> RowsOf(const GUISettings& settings);
    static std::vector<ValueListRow> RowsOf(const CustomSettings& settings);
};
