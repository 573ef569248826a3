#include "settings/TMorvaneSettings.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

#include "analysis/NumberText.h"

namespace {

template <typename Settings> using FieldTable = std::map<std::string, std::function<double(const Settings&)>>;

const FieldTable<GUISettings>& GUIFields()
{
    static const FieldTable<GUISettings> fields = {
        { "DefaultMeniscus", [](const GUISettings& s) { return s.DefaultMeniscus; } },
        { "DefaultJitter", [](const GUISettings& s) { return s.DefaultJitter; } },
        { "DefaultIntegralFringe", [](const GUISettings& s) { return s.DefaultIntegralFringe; } },
        { "PlayPercentSpeed", [](const GUISettings& s) { return double(s.PlayPercentSpeed); } },
        { "graphPadPercent", [](const GUISettings& s) { return s.graphPadPercent; } },
        { "DefaultExtSetsToPlot", [](const GUISettings& s) { return double(s.DefaultExtSetsToPlot); } },
        { "ExtrapolationCutoff", [](const GUISettings& s) { return s.ExtrapolationCutoff; } },
        { "ExtrapolationErrorCutoff", [](const GUISettings& s) { return s.ExtrapolationErrorCutoff; } },
        { "ExtrapolationMinLogS", [](const GUISettings& s) { return s.ExtrapolationMinLogS; } },
        { "ExtrapolationSmoothRepetition",
            [](const GUISettings& s) { return double(s.ExtrapolationSmoothRepetition); } },
        { "ExtrapolationSmoothCarSize", [](const GUISettings& s) { return double(s.ExtrapolationSmoothCarSize); } },
        { "ExtErrorBarPerPoints", [](const GUISettings& s) { return double(s.ExtErrorBarPerPoints); } },
        { "DrawAllSetsCutoff", [](const GUISettings& s) { return double(s.DrawAllSetsCutoff); } },
        { "DisplayNumberMid", [](const GUISettings& s) { return double(s.DisplayNumberMid); } },
        { "DisplayNumberStart", [](const GUISettings& s) { return double(s.DisplayNumberStart); } },
        { "bAlwaysPlotExtrapolation", [](const GUISettings& s) { return s.bAlwaysPlotExtrapolation ? 1.0 : 0.0; } },
    };
    return fields;
}

const FieldTable<CustomSettings>& CustomFields()
{
    static const FieldTable<CustomSettings> fields = {
        { "JitterWindow", [](const CustomSettings& s) { return double(s.JitterWindow); } },
        { "LowS", [](const CustomSettings& s) { return s.LowS; } },
        { "HighS", [](const CustomSettings& s) { return s.HighS; } },
        { "LowLogS", [](const CustomSettings& s) { return s.LowLogS; } },
        { "HighLogS", [](const CustomSettings& s) { return s.HighLogS; } },
        { "sGridNumberOfPoints", [](const CustomSettings& s) { return double(s.sGridNumberOfPoints); } },
        { "DefaultCellTop", [](const CustomSettings& s) { return s.DefaultCellTop; } },
        { "DefaultCellBottom", [](const CustomSettings& s) { return s.DefaultCellBottom; } },
        { "DefaultCellMidpoint", [](const CustomSettings& s) { return s.DefaultCellMidpoint; } },
        { "DefaultNegativeTag", [](const CustomSettings& s) { return s.DefaultNegativeTag; } },
        { "DefaultIgnoreTag", [](const CustomSettings& s) { return s.DefaultIgnoreTag; } },
        { "DefaultPositiveError", [](const CustomSettings& s) { return s.DefaultPositiveError; } },
        { "DefaultMeniscusIgnore", [](const CustomSettings& s) { return s.DefaultMeniscusIgnore; } },
        { "DefaultBottomIgnore", [](const CustomSettings& s) { return s.DefaultBottomIgnore; } },
        { "DefaultStepSize", [](const CustomSettings& s) { return s.DefaultStepSize; } },
        { "BeginningScanGroupSize", [](const CustomSettings& s) { return double(s.BeginningScanGroupSize); } },
        { "MinimumDataSetSize", [](const CustomSettings& s) { return double(s.MinimumDataSetSize); } },
        { "dcdtWindowFactor", [](const CustomSettings& s) { return s.dcdtWindowFactor; } },
        { "MaxAveragingPercent", [](const CustomSettings& s) { return s.MaxAveragingPercent; } },
        { "SmoothRepetition", [](const CustomSettings& s) { return double(s.SmoothRepetition); } },
        { "SmoothCarSize", [](const CustomSettings& s) { return double(s.SmoothCarSize); } },
        { "ComputeApparentStartTime", [](const CustomSettings& s) { return double(s.ComputeApparentStartTime); } },
    };
    return fields;
}

template <typename Settings>
std::vector<ValueListRow> Rows(const Settings& settings, const FieldTable<Settings>& fields)
{
    std::vector<ValueListRow> rows;
    const int32_t count = std::min(std::max(settings.KeyCount, 0), Settings::KeySlots);
    for (int32_t i = 0; i < count; ++i) {
        const std::string& key = settings.KeyNames[static_cast<size_t>(i)];
        const auto field = fields.find(key);
        rows.push_back({ key, field == fields.end() ? std::string() : FloatToStr(field->second(settings)) });
    }
    return rows;
}

} // namespace

std::string TMorvaneSettings::IniFileNameOf(const std::string& programPath)
{
    std::filesystem::path path(programPath);
    path.replace_extension(".INI");
    return path.string();
}

std::vector<ValueListRow> TMorvaneSettings::RowsOf(const GUISettings& settings) { return Rows(settings, GUIFields()); }

std::vector<ValueListRow> TMorvaneSettings::RowsOf(const CustomSettings& settings)
{
    return Rows(settings, CustomFields());
}

void TMorvaneSettings::FormCreate(const std::string& programPath)
{
    IniFileName = IniFileNameOf(programPath);
    LabelIniNote = "The values in use, for reading only: no settings file is read or written (its name would be "
        + IniFileName + ").";
}

void TMorvaneSettings::FormShow(const GUISettings& display, const CustomSettings& analysis)
{
    ValueListGUISettings.Rows = RowsOf(display);
    ValueListCustomSettings.Rows = RowsOf(analysis);
}

void TMorvaneSettings::FormDestroy()
{
    ValueListGUISettings.Rows.clear();
    ValueListCustomSettings.Rows.clear();
    Visible = false;
}
