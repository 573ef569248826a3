#pragma once
// Small helpers with which tests and benchmarks write scan files and run directories.
#include <string>
#include <vector>

namespace testutil {

// A directory below the system's temporary directory, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const;

private:
    std::string path_;
};

struct ScanSpec {
    std::string description = "Test sample";
    char typeLetter = 'R';     // R, I, F or P
    int cell = 1;
    double temperature = 20.0;
    double rpm = 50000;
    double seconds = 1000;     // recorded elapsed time
    double omega2t = 0;        // 0: rpm-derived omega^2 * seconds
    double wavelength = 280;
    int headerCount = 1;
    std::vector<double> radius;
    std::vector<double> value;
    std::vector<double> third; // sigma or second intensity; empty for two-column files
    std::string eol = "\r\n";
};

// The text of a scan file: description, header line, one data line per point.
std::string ScanFileText(const ScanSpec& spec);

void WriteTextFile(const std::string& path, const std::string& text);
std::string ReadTextFile(const std::string& path);

// The lines of a text split at CR LF; a last line without CR LF is kept.
std::vector<std::string> SplitCrLf(const std::string& text);

// omega^2 of a speed, (2 pi rpm / 60)^2.
double OmegaSquaredOf(double rpm);

// A sedimenting boundary: c(r, t) for one ideal species, sharp-ish, with radial dilution.
double BoundaryValue(double r, double t, double rpm, double meniscus, double sSeconds, double c0, double widthCm);

struct RunSpec {
    std::string extension = "RA1";   // "RA1", "IP2", ...
    char channelLetter = '0';
    int scans = 10;
    int points = 200;
    double firstSeconds = 600;
    double intervalSeconds = 300;
    double rpm = 50000;
    double meniscus = 5.9;
    double bottom = 7.2;
    double radiusLow = 5.85;
    double radiusHigh = 7.15;
    double sSeconds = 4.4e-13;
    double c0 = 1.0;
    std::string description = "Test sample";
};

// The channel the benchmarks measure: 999 absorbance scans of 1600 points, 30 s apart from 300 s.
RunSpec LargeChannelSpec();

// Writes spec.scans scan files of one channel into dir; returns their names in order. The files
// carry modification times of a finished run (in 2020), the same at every rewrite.
std::vector<std::string> WriteRun(const std::string& dir, const RunSpec& spec);

} // namespace testutil
