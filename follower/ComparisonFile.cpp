#include "follower/ComparisonFile.h"

#include <map>

#include "analysis/NumberText.h"

namespace morvane {

std::string ComparisonTableText(const std::vector<std::string>& names, const std::vector<CompositeCurve>& curves)
{
    std::map<double, std::vector<std::string>> rows;
    for (size_t c = 0; c < curves.size(); ++c) {
        for (size_t i = 0; i < curves[c].SStar.size(); ++i) {
            std::vector<std::string>& cells = rows[curves[c].SStar[i]];
            cells.resize(curves.size());
            cells[c] = FloatToStr(curves[c].Value[i]);
        }
    }
    std::string text = "s*";
    for (const std::string& name : names)
        text += "\t" + name;
    text += "\r\n";
    for (const auto& [s, cells] : rows) {
        text += FloatToStr(s);
        for (const std::string& cell : cells)
            text += "\t" + cell;
        text += "\r\n";
    }
    return text;
}

void AddComparisonColumn(const RealTimeGofS& engine, const std::string& name, bool normalized,
    std::vector<std::string>& names, std::vector<CompositeCurve>& curves)
{
    curves.push_back(ComparisonCurve(engine, normalized));
    names.push_back(name + (normalized && !curves.back().Normalized ? NotNormalizedSuffix : ""));
}

} // namespace morvane
