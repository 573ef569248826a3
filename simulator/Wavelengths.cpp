#include "simulator/Wavelengths.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace morvane {

namespace {

constexpr double MaxFilesPerCell = 9999; // four digits of number in a file name

std::string NumberText(double x)
{
    char text[64];
    std::snprintf(text, sizeof text, "%g", x);
    return text;
}

// The whole text as a finite number.
bool ParseWavelengthNumber(const std::string& text, double& value)
{
    const size_t a = text.find_first_not_of(" \t");
    if (a == std::string::npos)
        return false;
    const std::string t = text.substr(a, text.find_last_not_of(" \t") + 1 - a);
    char* end = nullptr;
    errno = 0;
    value = std::strtod(t.c_str(), &end);
    return errno == 0 && end == t.c_str() + t.size() && std::isfinite(value);
}

} // namespace

int32_t WavelengthCount(const SimRun& run, OpticalKind kind)
{
    const bool scanned = kind == OpticalKind::Absorbance || kind == OpticalKind::Intensity;
    return scanned && !run.wavelengths.empty() ? static_cast<int32_t>(run.wavelengths.size()) : 1;
}

std::string WavelengthProblem(const SimRun& run)
{
    for (size_t i = 0; i < run.wavelengths.size(); ++i) {
        const SimWavelength& w = run.wavelengths[i];
        if (!std::isfinite(w.nm) || w.nm <= 0 || !std::isfinite(w.extinctionPerMgMl) || w.extinctionPerMgMl < 0)
            return "wavelength " + NumberText(w.nm) + " nm: the wavelength must be positive and its extinction ("
                + NumberText(w.extinctionPerMgMl) + " per mg/ml) not negative";
        for (size_t j = 0; j < i; ++j)
            if (run.wavelengths[j].nm == w.nm)
                return "the wavelength " + NumberText(w.nm) + " nm is given twice";
    }
    const double n = static_cast<double>(run.wavelengths.size());
    if (n < 2)
        return {};
    // A cell's files of all wavelengths are numbered on under one name, and must come in time order.
    if (run.scans * n > MaxFilesPerCell)
        return NumberText(run.scans) + " rounds at " + NumberText(n) + " wavelengths are more than the "
            + NumberText(MaxFilesPerCell) + " files a cell's names can number";
    if (!(run.cellDelaySeconds > 0) || (run.scans > 1 && !((n - 1) * run.cellDelaySeconds < run.intervalSeconds)))
        return "the " + NumberText(n) + " wavelengths of a round are scanned one cell delay ("
            + NumberText(run.cellDelaySeconds)
            + " s) apart: it must be positive and the round shorter than the interval ("
            + NumberText(run.intervalSeconds) + " s)";
    return {};
}

std::string ParseWavelengths(const std::string& text, double extinction, std::vector<SimWavelength>& wavelengths)
{
    std::vector<SimWavelength> list;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        start = comma + 1;
        const size_t colon = item.find(':');
        SimWavelength w;
        w.extinctionPerMgMl = extinction;
        if (!ParseWavelengthNumber(item.substr(0, colon), w.nm) || w.nm <= 0
            || (colon != std::string::npos && !ParseWavelengthNumber(item.substr(colon + 1), w.extinctionPerMgMl)))
            return "wavelengths '" + text + "': '" + item
                + "' is not a wavelength in nm, optionally with :absorbance per mg/ml";
        list.push_back(w);
    }
    wavelengths = list;
    return {};
}

} // namespace morvane
