#include "settingswindow/TMorvaneSettings.h"

#include <algorithm>

#include "analysis/NumberText.h"

namespace morvane {

namespace {

ValueListRow RowOf(const std::string& name, const ProgramSettings& values, SettingGroup group)
{
    const SettingKey* key = FindSettingKey(name);
    if (!key || key->Group() != group)
        return { name, "", true, "" };
    const std::string hint
        = key->Editable() ? "Takes " + key->AcceptedText() + "." : "Fixed: " + std::string(key->FixedBecause) + ".";
    return { name, SettingValueText(*key, values), !key->Editable(), hint };
}

template <typename Settings>
std::vector<ValueListRow> Rows(const Settings& settings, const ProgramSettings& values, SettingGroup group)
{
    std::vector<ValueListRow> rows;
    const int32_t count = std::min(std::max(settings.KeyCount, 0), Settings::KeySlots);
    for (int32_t i = 0; i < count; ++i)
        rows.push_back(RowOf(settings.KeyNames[static_cast<size_t>(i)], values, group));
    return rows;
}

std::vector<ValueListRow> RowsOf(const ProgramSettings& settings, SettingGroup group)
{
    switch (group) {
    case SettingGroup::Gui:
        return Rows(settings.Display, settings, group);
    case SettingGroup::Custom:
        return Rows(settings.Analysis, settings, group);
    case SettingGroup::Species:
        break;
    }
    std::vector<ValueListRow> rows;
    for (const char* name : SpeciesSettings::KeyNames)
        rows.push_back(RowOf(name, settings, group));
    return rows;
}

} // namespace

std::vector<ValueListRow> TMorvaneSettings::RowsOf(const GUISettings& settings)
{
    return morvane::RowsOf(ProgramSettings { settings, CustomSettings(), SpeciesSettings() }, SettingGroup::Gui);
}

std::vector<ValueListRow> TMorvaneSettings::RowsOf(const CustomSettings& settings)
{
    return morvane::RowsOf(ProgramSettings { GUISettings(), settings, SpeciesSettings() }, SettingGroup::Custom);
}

std::vector<ValueListRow> TMorvaneSettings::RowsOf(const SpeciesSettings& settings)
{
    return morvane::RowsOf(ProgramSettings { GUISettings(), CustomSettings(), settings }, SettingGroup::Species);
}

void TMorvaneSettings::FormCreate(const std::string& programPath)
{
    Files = SettingsFileLocations::Of(programPath);
    IniFileName = IniFileNameOf(programPath);
}

std::string TMorvaneSettings::ReadSettingsFiles(
    GUISettings& display, CustomSettings& analysis, SpeciesSettings& species) const
{
    ProgramSettings settings { display, analysis, species };
    const std::string message = morvane::ReadSettingsFiles(Files, settings);
    display = settings.Display;
    analysis = settings.Analysis;
    species = settings.Species;
    return message;
}

void TMorvaneSettings::FormShow(
    GUISettings& display, CustomSettings& analysis, SpeciesSettings& species, WindowHost* host)
{
    display_ = &display;
    analysis_ = &analysis;
    species_ = &species;
    host_ = host;
    ShowRows(ProgramSettings { display, analysis, species });
}

void TMorvaneSettings::ShowRows(const ProgramSettings& settings)
{
    ValueListGUISettings.Rows = morvane::RowsOf(settings, SettingGroup::Gui);
    ValueListCustomSettings.Rows = morvane::RowsOf(settings, SettingGroup::Custom);
    ValueListSpeciesSettings.Rows = morvane::RowsOf(settings, SettingGroup::Species);
    const std::string target = Files.SaveTarget();
    LabelIniNote = target.empty() ? "The settings cannot be saved: no place for a settings file is known."
                                  : "\"Save\" writes the settings to " + target + ".";
    if (!Files.ProgramFile.empty() && !Files.UserFile.empty())
        LabelIniNote += " At start-up they are read from " + Files.ProgramFile + ", then from " + Files.UserFile
            + ", whose values take precedence.";
    else if (!target.empty())
        LabelIniNote += " At start-up they are read from there.";
    LabelIniNote += " New data views take them; open ones keep theirs.";
}

std::vector<std::string> TMorvaneSettings::SettingsFromGrids(ProgramSettings& settings) const
{
    std::vector<std::string> refusals;
    const std::string separator = CurrentDecimalSeparator();
    const ProgramSettings builtIn;
    for (const ValueListEditor* grid : { &ValueListGUISettings, &ValueListCustomSettings, &ValueListSpeciesSettings })
        for (const ValueListRow& row : grid->Rows) {
            const SettingKey* key = FindSettingKey(row.Key);
            // A value shown as the one in use, or as the built-in one, stays exactly that value,
            // digits beyond the 15 shown included.
            if (!key || !key->Editable() || row.Value == SettingValueText(*key, settings))
                continue;
            if (row.Value == SettingValueText(*key, builtIn)) {
                key->Set(settings, key->Get(builtIn));
                continue;
            }
            double value = 0;
            const std::string refusal = ParseSettingValue(*key, row.Value, value, separator);
            if (refusal.empty())
                key->Set(settings, value);
            else
                refusals.push_back(refusal);
        }
    DeriveSettings(settings);
    if (refusals.empty())
        for (const SettingRule* rule : BrokenSettingRules(settings))
            refusals.push_back(rule->Text);
    return refusals;
}

bool TMorvaneSettings::ButtonSaveClick()
{
    if (!display_ || !analysis_ || !species_)
        return false;
    ProgramSettings settings { *display_, *analysis_, *species_ };
    const std::vector<std::string> refusals = SettingsFromGrids(settings);
    if (!refusals.empty()) {
        std::string text = "Nothing was changed or saved:";
        for (const std::string& r : refusals)
            text += "\n" + r;
        Tell(text);
        return false;
    }
    *display_ = settings.Display;
    *analysis_ = settings.Analysis;
    *species_ = settings.Species;
    const SettingsSaveResult saved = SaveSettingsFile(Files, settings);
    ShowRows(settings);
    if (!saved.Failure.empty())
        Tell(saved.Failure);
    return true;
}

void TMorvaneSettings::ButtonDefaultsClick() { ShowRows(ProgramSettings()); }

void TMorvaneSettings::FormDestroy()
{
    ValueListGUISettings.Rows.clear();
    ValueListCustomSettings.Rows.clear();
    ValueListSpeciesSettings.Rows.clear();
    display_ = nullptr;
    analysis_ = nullptr;
    species_ = nullptr;
    host_ = nullptr;
    Visible = false;
}

void TMorvaneSettings::Tell(const std::string& text) const
{
    if (host_)
        host_->ShowMessage(text);
}

} // namespace morvane
