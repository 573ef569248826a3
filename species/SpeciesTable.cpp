#include "species/SpeciesTable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace morvane {

namespace {

// Characters on screen: UTF-8 continuation bytes take no column.
size_t Columns(const std::string& text)
{
    return static_cast<size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string Padded(const std::string& text, size_t width)
{
    const size_t used = Columns(text);
    return text + std::string(width > used ? width - used : 0, ' ');
}

std::string Fixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

} // namespace

std::string ValueWithError(double value, double error)
{
    if (!std::isfinite(value))
        return "-";
    if (!std::isfinite(error) || error <= 0) {
        const int digits = value == 0 ? 0 : static_cast<int>(std::floor(std::log10(std::fabs(value))));
        const std::string v = Fixed(value, std::clamp(3 - digits, 0, 9));
        return std::isfinite(error) ? v + " ± 0" : v + " ± ?";
    }
    // Two significant digits of the error, but no more than six of the value.
    const int magnitude = value == 0 ? 0 : static_cast<int>(std::floor(std::log10(std::fabs(value))));
    const int decimals = std::clamp(1 - static_cast<int>(std::floor(std::log10(error))), 0, std::max(5 - magnitude, 0));
    return Fixed(value, decimals) + " ± " + Fixed(error, decimals);
}

std::vector<std::string> SpeciesFitHeadLines(const SpeciesFitResult& result)
{
    if (result.Status != FitStatus::Converged)
        return { "Species fit failed: " + result.Message };
    std::vector<std::string> lines;
    char text[256];
    const std::string what = result.Set >= 0 ? "g(s*) set " + std::to_string(result.Set) : "a g(s*) curve";
    if (result.TimeSeconds > 0 && result.Set >= 0)
        std::snprintf(text, sizeof text, "Species fit of %s: t %.0f s (newest scan at %.0f s), %.0f rpm, %.1f C",
            what.c_str(), result.TimeSeconds, result.ElapsedSeconds, result.Rpm, result.TemperatureC);
    else if (result.TimeSeconds > 0)
        std::snprintf(text, sizeof text, "Species fit of %s: t %.0f s, %.0f rpm, %.1f C", what.c_str(),
            result.TimeSeconds, result.Rpm, result.TemperatureC);
    else
        std::snprintf(text, sizeof text, "Species fit of %s without a time: widths fitted, no D or M, %.1f C",
            what.c_str(), result.TemperatureC);
    lines.emplace_back(text);
    std::snprintf(text, sizeof text, "%s model: converged after %d iterations, rms residual %.3g over %d points",
        SpeciesModelName(result.Model), result.Iterations, result.RmsResidual, result.Points);
    lines.emplace_back(text);
    std::snprintf(text, sizeof text, "vbar %g ml/g, solvent density %g g/ml, viscosity %g cP", result.Solvent.Vbar,
        result.Solvent.Density, result.Solvent.ViscosityCp);
    lines.emplace_back(text);
    return lines;
}

std::vector<std::string> SpeciesTableHeader()
{
    return { "species", "s* (S)", "s (S)", "s20,w (S)", "D (1e-7 cm^2/s)", "M (kg/mol)", "f/f0", "loading",
        "share (%)" };
}

std::vector<std::vector<std::string>> SpeciesTableCells(const SpeciesFitResult& result)
{
    std::vector<std::vector<std::string>> rows;
    if (result.Status != FitStatus::Converged)
        return rows;
    for (size_t k = 0; k < result.Species.size(); ++k) {
        const SpeciesEstimate& e = result.Species[k];
        rows.push_back({ std::to_string(k + 1), ValueWithError(e.SStar, e.SStarError), ValueWithError(e.S, e.SError),
            ValueWithError(e.S20w, e.S20wError), ValueWithError(e.D * 1e7, e.DError * 1e7),
            ValueWithError(e.M / 1000, e.MError / 1000), ValueWithError(e.FrictionalRatio, e.FrictionalRatioError),
            ValueWithError(e.Loading, e.LoadingError), ValueWithError(100 * e.Share, 100 * e.ShareError) });
    }
    return rows;
}

std::vector<std::string> SpeciesTableLines(const SpeciesFitResult& result)
{
    std::vector<std::string> lines = SpeciesFitHeadLines(result);
    if (result.Status != FitStatus::Converged)
        return lines;
    const std::vector<std::string> header = SpeciesTableHeader();
    const std::vector<std::vector<std::string>> rows = SpeciesTableCells(result);
    std::vector<size_t> width(header.size());
    for (size_t c = 0; c < header.size(); ++c) {
        width[c] = Columns(header[c]);
        for (const auto& row : rows)
            width[c] = std::max(width[c], Columns(row[c]));
    }
    auto join = [&](const std::vector<std::string>& cells) {
        // The species number stands right-aligned under its header, the values left-aligned.
        std::string line = std::string(width[0] - Columns(cells[0]), ' ') + cells[0];
        for (size_t c = 1; c < cells.size(); ++c)
            line += "  " + (c + 1 < cells.size() ? Padded(cells[c], width[c]) : cells[c]);
        return line;
    };
    lines.push_back(join(header));
    for (const auto& row : rows)
        lines.push_back(join(row));

    for (const std::string& note : result.Notes)
        lines.push_back("note: " + note);
    return lines;
}

} // namespace morvane
