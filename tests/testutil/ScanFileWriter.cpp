#include "testutil/ScanFileWriter.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string_view>

#include "scanfiles/ScanText.h"

using namespace morvane;

namespace fs = std::filesystem;

namespace testutil {

TempDir::TempDir()
{
    static std::mt19937_64 rng(std::random_device {}());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path p = fs::temp_directory_path() / ("morvane-test-" + std::to_string(rng() % 100000000));
        std::error_code ec;
        if (fs::create_directory(p, ec)) {
            path_ = p.string();
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Restore permissions a test may have taken away, so the tree can be removed.
    for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::string TempDir::operator/(const std::string& name) const { return (fs::path(path_) / name).string(); }

double OmegaSquaredOf(double rpm)
{
    const double w = 2 * M_PI * rpm / 60;
    return w * w;
}

std::string ScanFileText(const ScanSpec& spec)
{
    ScanHeader header;
    header.Cell = spec.cell;
    header.Temperature = spec.temperature;
    header.Rpm = spec.rpm;
    header.RecordedTime = spec.seconds;
    header.Omega2t = spec.omega2t > 0 ? spec.omega2t : OmegaSquaredOf(spec.rpm) * spec.seconds;
    header.Wavelength = spec.wavelength;
    header.HeaderCount = spec.headerCount;
    std::string text = ScanText(spec.description, HeaderLineText(spec.typeLetter, header), spec.radius.data(),
        spec.value.data(), spec.third.empty() ? nullptr : spec.third.data(), static_cast<int32_t>(spec.radius.size()));
    if (spec.eol != "\r\n") {
        std::string other;
        for (std::string_view line : SplitLines(text))
            other.append(line).append(spec.eol);
        text = std::move(other);
    }
    return text;
}

void WriteTextFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string ReadTextFile(const std::string& path)
{
    std::string text;
    if (ReadWholeFile(path, text, std::string::npos) < 0)
        text.clear();
    return text;
}

std::vector<std::string> SplitCrLf(const std::string& text)
{
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find("\r\n", start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

double BoundaryValue(double r, double t, double rpm, double meniscus, double sSeconds, double c0, double widthCm)
{
    const double w2t = OmegaSquaredOf(rpm) * t;
    const double rb = meniscus * std::exp(sSeconds * w2t);
    const double plateau = c0 * std::exp(-2 * sSeconds * w2t);
    if (r <= meniscus)
        return 0;
    return plateau * 0.5 * std::erfc((rb - r) / widthCm);
}

RunSpec LargeChannelSpec()
{
    RunSpec spec;
    spec.scans = 999;
    spec.points = 1600;
    spec.firstSeconds = 300;
    spec.intervalSeconds = 30;
    return spec;
}

std::vector<std::string> WriteRun(const std::string& dir, const RunSpec& spec)
{
    std::vector<std::string> names;
    const std::string kind = spec.extension.substr(0, 2);
    for (int k = 0; k < spec.scans; ++k) {
        ScanSpec scan;
        scan.description = kind == "IP" ? "Interference, 1.0, " + spec.description : spec.description;
        scan.typeLetter = kind == "IP" ? 'P' : kind == "FI" ? 'F' : kind == "RI" ? 'I' : 'R';
        scan.cell = spec.extension.size() > 2 && std::isdigit(static_cast<unsigned char>(spec.extension[2]))
            ? spec.extension[2] - '0'
            : 1;
        scan.rpm = spec.rpm;
        scan.seconds = spec.firstSeconds + k * spec.intervalSeconds;
        const double step = (spec.radiusHigh - spec.radiusLow) / (spec.points - 1);
        for (int i = 0; i < spec.points; ++i) {
            const double r = spec.radiusLow + i * step;
            const double c = BoundaryValue(r, scan.seconds, spec.rpm, spec.meniscus, spec.sSeconds, spec.c0,
                0.02 + 0.00001 * scan.seconds);
            scan.radius.push_back(std::round(r * 10000) / 10000);
            scan.value.push_back(c);
            if (kind != "IP")
                scan.third.push_back(0.01);
        }
        char name[32];
        std::snprintf(name, sizeof name, "%c%04d.%s", spec.channelLetter, k + 1, spec.extension.c_str());
        const fs::path path = fs::path(dir) / name;
        WriteTextFile(path.string(), ScanFileText(scan));
        // A finished run's files: long past, and the same at every rewrite of the same scan, so
        // that a follower takes them at its first look and sees a rewrite as no change.
        const auto written = std::chrono::system_clock::time_point(std::chrono::seconds(1577836800))
            + std::chrono::seconds(static_cast<int64_t>(scan.seconds));
        fs::last_write_time(path, std::chrono::file_clock::from_sys(written));
        names.push_back(name);
    }
    return names;
}

} // namespace testutil
