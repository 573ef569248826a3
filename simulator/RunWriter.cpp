#include "simulator/RunWriter.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "scanfiles/FileSystem.h"
#include "scanfiles/ScanText.h"

namespace morvane {

namespace fs = std::filesystem;

namespace {

bool AllDigits(const std::string& s)
{
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return !s.empty();
}

std::string Trim(const std::string& s)
{
    size_t a = 0;
    size_t b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a])))
        ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1])))
        --b;
    return s.substr(a, b - a);
}

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A whole-text number; false on junk, trailing characters, overflow or NaN.
bool ParseNumber(const std::string& text, double& value)
{
    const std::string t = Trim(text);
    if (t.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(t.c_str(), &end);
    return errno == 0 && end == t.c_str() + t.size() && std::isfinite(value);
}

// Splits "a,b=c,d=e" into the leading item (without '=') and key=value pairs.
struct Pair {
    std::string key;
    std::string value;
};

std::string SplitPairs(const std::string& text, std::vector<Pair>& pairs, std::string* leading)
{
    size_t start = 0;
    bool first = true;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            comma = text.size();
        const std::string item = Trim(text.substr(start, comma - start));
        start = comma + 1;
        const size_t eq = item.find('=');
        if (first && leading && eq == std::string::npos) {
            *leading = item;
        } else if (eq == std::string::npos || eq == 0) {
            return "'" + item + "' is not of the form key=value";
        } else {
            pairs.push_back({ Lower(Trim(item.substr(0, eq))), Trim(item.substr(eq + 1)) });
        }
        first = false;
        if (comma == text.size())
            break;
    }
    return {};
}

} // namespace

std::string TodayMMDDYY()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d%02d%02d", local.tm_mon + 1, local.tm_mday, local.tm_year % 100);
    return buf;
}

bool IsDateName(const std::string& text)
{
    if (text.size() != 6 || !AllDigits(text))
        return false;
    const int month = std::stoi(text.substr(0, 2));
    const int day = std::stoi(text.substr(2, 2));
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

int32_t NextRunNumber(const std::string& dateDir)
{
    int32_t largest = 0;
    fs::path largestPath;
    std::error_code ec;
    for (fs::directory_iterator it(dateDir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() == 6 && AllDigits(name) && it->is_directory(ec) && std::stoi(name) > largest) {
            largest = std::stoi(name);
            largestPath = it->path();
        }
    }
    // An empty newest run (left by a run that wrote nothing) is taken again: the program makes
    // the newest run current, and an empty one would hide the run written after it.
    if (largest > 0 && fs::is_empty(largestPath, ec) && !ec)
        return largest;
    return largest + 1;
}

std::string MakeRunDirectory(const RunLocation& where, std::string& error)
{
    error.clear();
    if (where.root.empty()) {
        error = "no root directory given";
        return {};
    }
    const std::string date = where.date.empty() ? TodayMMDDYY() : where.date;
    if (!IsDateName(date)) {
        error = "'" + date + "' is not a date MMDDYY";
        return {};
    }
    if (where.run < 0 || where.run > 999999) {
        error = "the run number must lie between 1 and 999999 (got " + std::to_string(where.run) + ")";
        return {};
    }
    std::error_code ec;
    if (fs::exists(where.root, ec) && !fs::is_directory(where.root, ec)) {
        error = "the root '" + where.root + "' is not a directory";
        return {};
    }
    const fs::path dateDir = fs::path(where.root) / "XLIDATA" / date;
    const int32_t run = where.run > 0 ? where.run : NextRunNumber(dateDir.string());
    if (run > 999999) {
        error = "no free run number left in '" + dateDir.string() + "'";
        return {};
    }
    char name[32];
    std::snprintf(name, sizeof name, "%06d", run);
    const fs::path dir = dateDir / name;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir)) {
        error = "cannot create the run directory '" + dir.string() + "'" + (ec ? ": " + ec.message() : "");
        return {};
    }
    if (!fs::is_empty(dir, ec)) {
        error = "the run directory '" + dir.string() + "' already holds files; choose another run number";
        return {};
    }
    return dir.string();
}

std::string WriteRunFiles(RunSimulator& simulator, const std::string& dir,
    const std::function<void(double seconds)>& waitUntil,
    const std::function<void(const SimScan& scan, const std::string& path)>& written,
    const std::function<void(const SimScan& scan, const std::string& path)>& betweenParts)
{
    SimScan scan;
    while (simulator.NextScan(scan)) {
        if (waitUntil)
            waitUntil(scan.seconds);
        const std::string path = JoinPath(dir, scan.fileName);
        if (betweenParts) {
            const std::string problem = WriteScanFileCut(path, scan.text, CutInsideDataLine(scan.text, 0.5));
            if (!problem.empty())
                return problem;
            betweenParts(scan, path);
        }
        const std::string problem = WriteFileAtomically(path, scan.text);
        if (!problem.empty())
            return problem;
        if (written)
            written(scan, path);
    }
    return {};
}

bool ParseFileTimes(const std::string& text, FileTimes& times)
{
    const std::string t = Lower(Trim(text));
    if (t == "written")
        times = FileTimes::AsWritten;
    else if (t == "copied")
        times = FileTimes::Copied;
    else if (t == "writing")
        times = FileTimes::Writing;
    else
        return false;
    return true;
}

std::string SetFileTimes(const std::vector<WrittenScan>& files, FileTimes times,
    std::chrono::system_clock::time_point now, double copiedAgeSeconds)
{
    if (times == FileTimes::AsWritten || files.empty())
        return {};
    double last = files.front().seconds;
    for (const WrittenScan& f : files)
        last = std::max(last, f.seconds);
    const double age = times == FileTimes::Copied ? copiedAgeSeconds : 0;
    for (const WrittenScan& f : files) {
        const auto before = std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::duration<double>(age + last - f.seconds));
        std::error_code ec;
        fs::last_write_time(f.path, std::chrono::file_clock::from_sys(now - before), ec);
        if (ec)
            return "cannot set the time of '" + f.path + "': " + ec.message();
    }
    return {};
}

std::string WriteRun(
    const SimRun& run, const std::string& dir, FileTimes times, std::chrono::system_clock::time_point now)
{
    const std::string problem = ValidateRun(run);
    if (!problem.empty())
        return problem;
    RunSimulator simulator(run);
    std::vector<WrittenScan> files;
    const std::string failed
        = WriteRunFiles(simulator, dir, nullptr, [&](const SimScan& scan, const std::string& path) {
              files.push_back({ path, scan.seconds });
          });
    return failed.empty() ? SetFileTimes(files, times, now) : failed;
}

size_t CutInsideDataLine(const std::string& text, double fraction)
{
    const size_t at = static_cast<size_t>(std::clamp(fraction, 0.0, 1.0) * static_cast<double>(text.size()));
    const char* p = text.data();
    const char* const end = p + text.size();
    std::string_view line;
    for (int header = 0; header < 2; ++header)
        NextLine(p, end, line, p);
    std::string_view chosen; // the last data line that starts at or before `at`, or the first one
    while (NextLine(p, end, line, p)) {
        if (!chosen.empty() && line.data() > text.data() + at)
            break;
        if (line.size() >= 2)
            chosen = line;
    }
    if (chosen.empty())
        return at;
    // Fourteen characters in: the radius and the first digit of the value ("   5.9000    1").
    return static_cast<size_t>(chosen.data() - text.data()) + std::min<size_t>(14, chosen.size() - 1);
}

std::string WriteScanFileCut(const std::string& path, const std::string& text, size_t bytes)
{
    return WriteFileAtomically(path, text.substr(0, std::min(bytes, text.size())));
}

std::string ParseSpecies(const std::string& text, SimSpecies& species)
{
    std::vector<Pair> pairs;
    std::string problem = SplitPairs(text, pairs, nullptr);
    if (!problem.empty())
        return "species '" + text + "': " + problem;
    SimSpecies sp;
    bool haveS = false, haveMw = false, haveD = false;
    for (const Pair& p : pairs) {
        double v = 0;
        if (!ParseNumber(p.value, v))
            return "species '" + text + "': '" + p.value + "' is not a number";
        if (p.key == "s") {
            sp.sSvedberg = v;
            haveS = true;
        } else if (p.key == "mw") {
            sp.molecularWeight = v;
            haveMw = true;
        } else if (p.key == "d") {
            sp.diffusionCm2s = v;
            sp.diffusionGiven = true;
            haveD = true;
        } else if (p.key == "vbar") {
            sp.vbar = v;
        } else if (p.key == "c") {
            sp.loadingMgPerMl = v;
        } else {
            return "species '" + text + "': unknown key '" + p.key + "' (known: s, mw, vbar, D, c)";
        }
    }
    if (!haveS)
        return "species '" + text + "': s (in Svedbergs) is missing";
    if (haveMw == haveD)
        return "species '" + text + "': give either mw (g/mol) or D (cm^2/s)";
    species = sp;
    return {};
}

std::string ParseCell(const std::string& text, SimCell& cell)
{
    std::vector<Pair> pairs;
    std::string leading;
    std::string problem = SplitPairs(text, pairs, &leading);
    if (!problem.empty())
        return "cell '" + text + "': " + problem;
    SimCell c;
    std::string code = leading;
    for (char& ch : code)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (code.size() != 3 || !std::isdigit(static_cast<unsigned char>(code[2])))
        return "cell '" + text + "': expected an optical system and a cell number such as RA1, IP2, RI3 or FI4";
    const std::string kind = code.substr(0, 2);
    if (kind == "RA")
        c.kind = OpticalKind::Absorbance;
    else if (kind == "IP")
        c.kind = OpticalKind::Interference;
    else if (kind == "RI")
        c.kind = OpticalKind::Intensity;
    else if (kind == "FI")
        c.kind = OpticalKind::Fluorescence;
    else
        return "cell '" + text + "': unknown optical system '" + kind + "' (known: RA, IP, RI, FI)";
    c.cell = code[2] - '0';
    for (const Pair& p : pairs) {
        if (p.key == "letter") {
            if (p.value.size() != 1)
                return "cell '" + text + "': the channel letter must be one character";
            c.channelLetter = static_cast<char>(std::toupper(static_cast<unsigned char>(p.value[0])));
            continue;
        }
        double v = 0;
        if (!ParseNumber(p.value, v))
            return "cell '" + text + "': '" + p.value + "' is not a number";
        if ((p.key == "meniscus" || p.key == "bottom") && v <= 0)
            return "cell '" + text + "': the " + p.key + " must lie at a positive radius";
        if (p.key == "factor")
            c.loadingFactor = v;
        else if (p.key == "meniscus")
            c.meniscusCm = v;
        else if (p.key == "bottom")
            c.bottomCm = v;
        else
            return "cell '" + text + "': unknown key '" + p.key + "' (known: factor, meniscus, bottom, letter)";
    }
    cell = c;
    return {};
}

} // namespace morvane
