#include "settings/SettingsKeys.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "analysis/NumberText.h"

namespace morvane {

namespace {

using K = SettingKind;
using G = GUISettings;
using C = CustomSettings;
using S = SpeciesSettings;

constexpr double CellMinCm = 4; // radii of a cell in the rotor: the markers and cell defaults
constexpr double CellMaxCm = 8;
constexpr double LowestS = 1e-18; // s in seconds: 1e-5 S .. 1e7 S bounds the s* grid
constexpr double HighestS = 1e-6;
constexpr int32_t MaxGridPoints = 4095; // the box-car smoothing of g(s*) takes at most 4095 points
constexpr int32_t MaxSets = 999; // a store holds at most 999 sets
constexpr const char* Derived = "derived from LowS and HighS (the natural logarithm)";
constexpr const char* Marker = "an internal marker of the analysis";

// The accepted values of every key, beside its name. The display keys in the order of GUISettings'
// key table, then the analysis keys in the order of CustomSettings' key table, then the species keys
// in the order of SpeciesSettings' key table.
const SettingKey Keys[] = {
    { "DefaultMeniscus", &G::DefaultMeniscus, K::Real, CellMinCm, CellMaxCm, "cm" },
    { "DefaultJitter", &G::DefaultJitter, K::Real, CellMinCm, CellMaxCm, "cm" },
    { "DefaultIntegralFringe", &G::DefaultIntegralFringe, K::Real, CellMinCm, CellMaxCm, "cm" },
    { "PlayPercentSpeed", &G::PlayPercentSpeed, K::Integer, 1, 100, "%" },
    { "graphPadPercent", &G::graphPadPercent, K::Real, 0, 1, "" },
    { "DefaultExtSetsToPlot", &G::DefaultExtSetsToPlot, K::Integer, 1, MaxSets, "" },
    { "ExtrapolationCutoff", &G::ExtrapolationCutoff, K::Real, 0, 1, "" },
    { "ExtrapolationErrorCutoff", &G::ExtrapolationErrorCutoff, K::Real, 0, 1e30, "" },
    // ln s with s in seconds, over the s range of the grid.
    { "ExtrapolationMinLogS", &G::ExtrapolationMinLogS, K::Real, -42, -14, "" },
    { "ExtrapolationSmoothRepetition", &G::ExtrapolationSmoothRepetition, K::Integer, 0, 100, "" },
    { "ExtrapolationSmoothCarSize", &G::ExtrapolationSmoothCarSize, K::Integer, 1, MaxSets, "" },
    { "ExtErrorBarPerPoints", &G::ExtErrorBarPerPoints, K::Integer, 1, MaxSets, "" },
    // 0 would take the thinned-out drawing even for a store without scans.
    { "DrawAllSetsCutoff", &G::DrawAllSetsCutoff, K::Integer, 1, MaxSets, "" },
    { "DisplayNumberMid", &G::DisplayNumberMid, K::Integer, 1, MaxSets, "" },
    { "DisplayNumberStart", &G::DisplayNumberStart, K::Integer, 0, MaxSets, "" },
    { "bAlwaysPlotExtrapolation", &G::bAlwaysPlotExtrapolation, K::YesNo, 0, 1, "" },

    { "JitterWindow", &C::JitterWindow, K::Integer, 0, 1000, "grid points" },
    { "LowS", &C::LowS, K::Real, LowestS, HighestS, "s" },
    { "HighS", &C::HighS, K::Real, LowestS, HighestS, "s" },
    { "LowLogS", &C::LowLogS, K::Real, 0, 0, "", Derived },
    { "HighLogS", &C::HighLogS, K::Real, 0, 0, "", Derived },
    // The stores need 5 points for the extrapolation's set chooser to have a range.
    { "sGridNumberOfPoints", &C::sGridNumberOfPoints, K::Integer, 5, MaxGridPoints, "" },
    { "DefaultCellTop", &C::DefaultCellTop, K::Real, CellMinCm, CellMaxCm, "cm" },
    { "DefaultCellBottom", &C::DefaultCellBottom, K::Real, CellMinCm, CellMaxCm, "cm" },
    { "DefaultCellMidpoint", &C::DefaultCellMidpoint, K::Real, CellMinCm, CellMaxCm, "cm" },
    // The scan reader and the extrapolation mark points with the built-in tags: they stay as built.
    { "DefaultNegativeTag", &C::DefaultNegativeTag, K::Real, 0, 0, "", Marker },
    { "DefaultIgnoreTag", &C::DefaultIgnoreTag, K::Real, 0, 0, "", Marker },
    { "DefaultPositiveError", &C::DefaultPositiveError, K::Real, 0, 0, "", Marker },
    { "DefaultMeniscusIgnore", &C::DefaultMeniscusIgnore, K::Real, 0, 1, "cm" },
    { "DefaultBottomIgnore", &C::DefaultBottomIgnore, K::Real, 0, 1, "cm" },
    { "DefaultStepSize", &C::DefaultStepSize, K::Real, 0.0001, 0.1, "cm" },
    { "BeginningScanGroupSize", &C::BeginningScanGroupSize, K::Integer, 1, MaxSets, "" },
    // A scan needs two points for a radial grid; fluorescence files hold up to 10000.
    { "MinimumDataSetSize", &C::MinimumDataSetSize, K::Integer, 2, 10000, "points" },
    { "dcdtWindowFactor", &C::dcdtWindowFactor, K::Real, 0.01, 100, "" },
    { "MaxAveragingPercent", &C::MaxAveragingPercent, K::Real, 0, 1, "" },
    { "SmoothRepetition", &C::SmoothRepetition, K::Integer, 0, 100, "" },
    { "SmoothCarSize", &C::SmoothCarSize, K::Integer, 1, MaxSets, "points" },
    { "ComputeApparentStartTime", &C::ComputeApparentStartTime, K::YesNo, 0, 1, "" },

    // From lipids and detergents (above 1) to nucleic acids (about 0.55) and beyond.
    { "Vbar", &S::Vbar, K::Real, 0.1, 2, "ml/g" },
    // From organic solvents to concentrated salt (CsCl) solutions.
    { "SolventDensity", &S::SolventDensity, K::Real, 0.5, 2, "g/ml" },
    { "SolventViscosity", &S::SolventViscosity, K::Real, 0.1, 100, "cP" },
    // Half the run: a comparison over more would reach back to sets before most boundaries formed.
    { "ConvergenceWindowPercent", &S::ConvergenceWindowPercent, K::Real, 1, 50, "% of the elapsed time" },
    { "ConvergencePeakDriftPercent", &S::ConvergencePeakDriftPercent, K::Real, 0.01, 100, "%" },
    { "ConvergenceShapeChangePercent", &S::ConvergenceShapeChangePercent, K::Real, 0.01, 100, "%" },
    { "ConvergenceMeniscusLevelPercent", &S::ConvergenceMeniscusLevelPercent, K::Real, 0.01, 100, "% of the peak" },
    { "ConvergenceSpeciesSChangePercent", &S::ConvergenceSpeciesSChangePercent, K::Real, 0.01, 100, "%" },
    { "ConvergenceSharePoints", &S::ConvergenceSharePoints, K::Real, 0.01, 100, "percentage points" },
    { "ConvergenceMinSStar", &S::ConvergenceMinSStar, K::Real, 0, 100, "S" },
    // The band holds the limit itself (clearly within at most at it, clearly past at least beyond
    // it); two sets at least, so that one odd set never turns the verdict.
    { "ConvergenceWithinPercent", &S::ConvergenceWithinPercent, K::Real, 10, 100, "% of each limit" },
    { "ConvergencePastPercent", &S::ConvergencePastPercent, K::Real, 100, 1000, "% of each limit" },
    { "ConvergenceConfirmSets", &S::ConvergenceConfirmSets, K::Integer, 2, 20, "sets" },
};

const SettingRule Rules[] = {
    { { "LowS", "HighS" }, "LowS must be below HighS",
        [](const ProgramSettings& s) { return s.Analysis.LowS < s.Analysis.HighS; } },
    { { "DefaultCellTop", "DefaultCellBottom" }, "DefaultCellTop must be below DefaultCellBottom",
        [](const ProgramSettings& s) { return s.Analysis.DefaultCellTop < s.Analysis.DefaultCellBottom; } },
    // Otherwise no radius is left between the two excluded bands and no dc/dt point is computed.
    { { "DefaultMeniscus", "DefaultMeniscusIgnore", "DefaultCellBottom", "DefaultBottomIgnore" },
        "DefaultMeniscus + DefaultMeniscusIgnore must be below DefaultCellBottom - DefaultBottomIgnore",
        [](const ProgramSettings& s) {
            return s.Display.DefaultMeniscus + s.Analysis.DefaultMeniscusIgnore
                < s.Analysis.DefaultCellBottom - s.Analysis.DefaultBottomIgnore;
        } },
    { { "SmoothCarSize", "sGridNumberOfPoints" }, "SmoothCarSize must be below sGridNumberOfPoints",
        [](const ProgramSettings& s) { return s.Analysis.SmoothCarSize < s.Analysis.sGridNumberOfPoints; } },
    // Otherwise the particle floats (or does not move): no molar mass follows from s and D.
    { { "Vbar", "SolventDensity" }, "Vbar times SolventDensity must be below 1",
        [](const ProgramSettings& s) { return s.Species.Vbar * s.Species.SolventDensity < 1; } },
};

bool EqualIgnoringCase(const std::string& a, const char* b)
{
    const std::string_view v(b);
    return a.size() == v.size() && std::equal(a.begin(), a.end(), v.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trimmed(const std::string& text)
{
    const size_t b = text.find_first_not_of(" \t");
    if (b == std::string::npos)
        return "";
    return text.substr(b, text.find_last_not_of(" \t") - b + 1);
}

} // namespace

SettingGroup SettingKey::Group() const
{
    // The variant lists GUISettings' three field types, then CustomSettings' two, then SpeciesSettings'.
    const size_t i = Member.index();
    return i < 3 ? SettingGroup::Gui : i < 5 ? SettingGroup::Custom : SettingGroup::Species;
}

double SettingKey::Get(const ProgramSettings& s) const
{
    return std::visit(
        [&s](auto member) -> double {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, double G::*> || std::is_same_v<M, int32_t G::*>)
                return static_cast<double>(s.Display.*member);
            else if constexpr (std::is_same_v<M, bool G::*>)
                return s.Display.*member ? 1.0 : 0.0;
            else if constexpr (std::is_same_v<M, double S::*>)
                return s.Species.*member;
            else
                return static_cast<double>(s.Analysis.*member);
        },
        Member);
}

void SettingKey::Set(ProgramSettings& s, double value) const
{
    std::visit(
        [&s, value](auto member) {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, double G::*>)
                s.Display.*member = value;
            else if constexpr (std::is_same_v<M, int32_t G::*>)
                s.Display.*member = static_cast<int32_t>(value);
            else if constexpr (std::is_same_v<M, bool G::*>)
                s.Display.*member = value != 0;
            else if constexpr (std::is_same_v<M, double C::*>)
                s.Analysis.*member = value;
            else if constexpr (std::is_same_v<M, double S::*>)
                s.Species.*member = value;
            else
                s.Analysis.*member = static_cast<int32_t>(value);
        },
        Member);
}

std::string SettingKey::AcceptedText() const
{
    if (Kind == SettingKind::YesNo)
        return "0 or 1 (false or true)";
    std::string text = Kind == SettingKind::Integer ? "a whole number" : "a number";
    text += " from " + FloatToStr(Min) + " to " + FloatToStr(Max);
    if (*Unit)
        text += std::string(" ") + Unit;
    return text;
}

std::span<const SettingKey> SettingKeys() { return Keys; }

const SettingKey* FindSettingKey(const std::string& name)
{
    for (const SettingKey& key : Keys)
        if (EqualIgnoringCase(name, key.Name))
            return &key;
    return nullptr;
}

std::string SettingValueText(const SettingKey& key, const ProgramSettings& settings)
{
    const double v = key.Get(settings);
    if (key.Kind == SettingKind::YesNo)
        return v != 0 ? "1" : "0";
    return FloatToStr(v);
}

std::string ParseSettingValue(
    const SettingKey& key, const std::string& text, double& value, const std::string& decimalSeparator)
{
    const std::string shown = Trimmed(text);
    const std::string refusal
        = std::string(key.Name) + " = \"" + shown + "\": " + key.Name + " takes " + key.AcceptedText();
    if (!key.Editable())
        return std::string(key.Name) + " cannot be changed: it is " + key.FixedBecause;
    if (key.Kind == SettingKind::YesNo) {
        const std::string word = Lower(shown);
        if (word == "0" || word == "false" || word == "1" || word == "true") {
            value = word == "1" || word == "true" ? 1 : 0;
            return "";
        }
        return refusal;
    }
    double v = 0;
    const bool number = decimalSeparator.empty() ? StrToFloat(shown, v) : UserTextToFloat(shown, v, decimalSeparator);
    if (!number || !SettingValueRefusal(key, v).empty())
        return refusal;
    value = v;
    return "";
}

std::string SettingValueRefusal(const SettingKey& key, double value)
{
    if (!key.Editable())
        return std::string(key.Name) + " cannot be changed: it is " + key.FixedBecause;
    const bool whole = value == std::trunc(value);
    if (key.Kind == SettingKind::YesNo ? (value == 0 || value == 1)
                                       : (value >= key.Min && value <= key.Max
                                           && (key.Kind != SettingKind::Integer || whole)))
        return "";
    return std::string(key.Name) + " takes " + key.AcceptedText();
}

std::span<const SettingRule> SettingRules() { return Rules; }

std::vector<const SettingRule*> BrokenSettingRules(const ProgramSettings& settings)
{
    std::vector<const SettingRule*> broken;
    for (const SettingRule& rule : Rules)
        if (!rule.Holds(settings))
            broken.push_back(&rule);
    return broken;
}

void DeriveSettings(ProgramSettings& settings)
{
    settings.Analysis.LowLogS = std::log(settings.Analysis.LowS);
    settings.Analysis.HighLogS = std::log(settings.Analysis.HighS);
}

} // namespace morvane
