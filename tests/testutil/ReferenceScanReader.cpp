#include "testutil/ReferenceScanReader.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace testutil {

ReferenceScan ReadScanReference(const std::string& path, const std::string& kind, int32_t intensityMode)
{
    ReferenceScan scan;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return scan;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.size() > 1048576)
        text.resize(1048576);

    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    if (lines.size() < 2)
        return scan;

    scan.description = lines[0].c_str();
    scan.headerLine = lines[1].c_str();
    char letter = 0;
    int cell = 0, count = 0;
    double temperature = 0, seconds = 0, wavelength = 0;
    std::sscanf(scan.headerLine.c_str(), "%c%i%lf%lf%lf%lf%lf%i", &letter, &cell, &temperature, &scan.rpm, &seconds,
        &scan.omega2t, &wavelength, &count);
    if (!(scan.rpm > 0) || !(scan.omega2t > 0))
        return scan;

    const size_t limit = kind == "FI" ? 10000 : 2048;
    for (size_t k = 2; k < lines.size() && scan.radius.size() < limit; ++k) {
        double a = 0, b = 0, c = 0;
        if (kind == "IP")
            std::sscanf(lines[k].c_str(), "%lf %le", &a, &b);
        else if (kind == "FI")
            std::sscanf(lines[k].c_str(), "%lf %lg %lg", &a, &b, &c);
        else
            std::sscanf(lines[k].c_str(), "%lf%le%le", &a, &b, &c);
        scan.radius.push_back(a);
        if (kind == "RI") {
            const double ratio = intensityMode == 1 ? 1000 / b : intensityMode == 2 ? 1000 / c : b / c;
            const double divisor = intensityMode == 1 ? b : c;
            const double v = divisor != 0 && ratio > 0 ? std::log10(ratio) : std::nan("");
            scan.value.push_back(std::isfinite(v) ? v : 0.0);
            scan.sigma.push_back(std::isfinite(v) ? 0.0 : -2e10);
        } else {
            scan.value.push_back(b);
            if (kind != "IP")
                scan.sigma.push_back(c);
        }
    }
    scan.bytes = static_cast<int32_t>(text.size());
    return scan;
}

} // namespace testutil
