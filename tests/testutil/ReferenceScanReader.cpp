#include "testutil/ReferenceScanReader.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace testutil {

namespace {

    bool BlankOrEndMark(char c) { return c == ' ' || c == '\t' || c == '\x1A'; }

    // Reads speed and omega^2 t into scan; whether the reader accepts the header.
    bool HeaderAccepted(ReferenceScan& scan, double expectedRpm)
    {
        char letter = 0;
        int cell = 0, count = 0;
        double temperature = 0, seconds = 0, wavelength = 0;
        std::sscanf(scan.headerLine.c_str(), "%c%i%lf%lf%lf%lf%lf%i", &letter, &cell, &temperature, &scan.rpm, &seconds,
            &scan.omega2t, &wavelength, &count);
        const double rpm = scan.rpm, omega2t = scan.omega2t;
        if (letter == 'F' && scan.description.find("Voltage:") == std::string::npos)
            return false;
        // omega^2 and the apparent time formed exactly as the reader forms them, so that they overflow
        // at the same speeds.
        const double pi = 3.141592653589793;
        const double w2 = rpm * rpm * 4 * pi * pi * (1.0 / 60) * (1.0 / 60);
        const double apparent = rpm == expectedRpm || expectedRpm == 0 ? (w2 > 0 ? omega2t / w2 : 0) : seconds;
        if (!std::isfinite(rpm) || !std::isfinite(seconds) || !std::isfinite(omega2t) || !std::isfinite(w2)
            || !std::isfinite(apparent))
            return false;
        const bool letterKnown = letter == 'R' || letter == 'I' || letter == 'F' || letter == 'P';
        return letterKnown && rpm > 0 && omega2t > 0 && seconds >= 0;
    }

} // namespace

ReferenceScan ReadScanReference(const std::string& path, const std::string& kind, int32_t intensityMode)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return ReadScanReferenceText(std::move(text), kind, intensityMode);
}

ReferenceScan ReadScanReferenceText(
    std::string text, const std::string& kind, int32_t intensityMode, double expectedRpm)
{
    ReferenceScan scan;
    if (text.size() > 1048576)
        return scan; // refused whole

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
    // Blank lines and end-of-file marks after the last data line are no points.
    while (lines.size() > 2 && lines.back().find_first_not_of(" \t\x1A") == std::string::npos)
        lines.pop_back();
    while (lines.size() > 2 && !lines.back().empty() && BlankOrEndMark(lines.back().back()))
        lines.back().pop_back();

    scan.description = lines[0].c_str();
    scan.headerLine = lines[1].c_str();
    if (!HeaderAccepted(scan, expectedRpm))
        return scan;

    const size_t limit = kind == "FI" ? 10000 : 2048;
    if (lines.size() - 2 > limit)
        return scan; // more data lines than the kind takes: refused whole
    for (size_t k = 2; k < lines.size(); ++k) {
        double a = 0, b = 0, c = 0;
        if (kind == "IP")
            std::sscanf(lines[k].c_str(), "%lf %le", &a, &b);
        else if (kind == "FI")
            std::sscanf(lines[k].c_str(), "%lf %lg %lg", &a, &b, &c);
        else
            std::sscanf(lines[k].c_str(), "%lf%le%le", &a, &b, &c);
        if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(c)) {
            scan.radius.clear(); // a value that is no number: refused whole
            scan.value.clear();
            scan.sigma.clear();
            return scan;
        }
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
