#include "scanfiles/FileSystem.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Iterative wildcard match with backtracking to the last '*'.
bool Match(const char* n, const char* m)
{
    const char* starM = nullptr;
    const char* starN = nullptr;
    while (*n) {
        if (*m == '*') {
            starM = m++;
            starN = n;
        } else if (*m == '?' || (*m && Lower(*m) == Lower(*n))) {
            ++m;
            ++n;
        } else if (starM) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (*m == '*')
        ++m;
    return *m == '\0';
}

template <typename Visit> bool ForEachEntry(const std::string& dir, Visit visit)
{
    std::error_code ec;
    fs::directory_iterator it(dir.empty() ? fs::path(".") : fs::path(dir), ec);
    if (ec)
        return false;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            return false;
        if (!visit(it->path().filename().string()))
            break;
    }
    return !ec;
}

constexpr const char* TemporaryMarker = ".morvane-tmp";
constexpr size_t NameMaxBytes = 255; // longest file name of the usual file systems
// Past this age a temporary is stale whatever its process id says: ids are reused (after a
// restart, or when they wrap), and no write of this program takes that long.
constexpr auto TemporaryMaxAge = std::chrono::hours(24);

// The longest start of `text` of at most `bytes` bytes that ends at a UTF-8 character boundary.
std::string Utf8Prefix(const std::string& text, size_t bytes)
{
    if (text.size() <= bytes)
        return text;
    size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

bool ProcessRuns(long pid)
{
    if (pid <= 0 || pid > INT_MAX)
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

} // namespace

void RemoveStaleTemporaries(const std::string& dir)
{
    const auto now = fs::file_time_type::clock::now();
    ForEachEntry(dir, [&](const std::string& name) {
        const long owner = TemporaryOwner(name);
        if (owner < 0)
            return true;
        std::error_code ec;
        const fs::path path = fs::path(dir) / name;
        const auto written = fs::last_write_time(path, ec);
        const bool old = !ec && now - written > TemporaryMaxAge;
        if ((old || !ProcessRuns(owner)) && fs::is_regular_file(fs::symlink_status(path, ec)))
            fs::remove(path, ec);
        return true;
    });
}

std::string AtomicTemporaryName(const std::string& fileName, long pid)
{
    const std::string suffix = TemporaryMarker + std::to_string(pid);
    return "." + Utf8Prefix(fileName, NameMaxBytes - 1 - suffix.size()) + suffix;
}

long TemporaryOwner(const std::string& name)
{
    const size_t marker = name.rfind(TemporaryMarker);
    if (name.size() < 2 || name[0] != '.' || marker == std::string::npos || marker < 1)
        return -1;
    const std::string digits = name.substr(marker + std::char_traits<char>::length(TemporaryMarker));
    if (digits.empty() || digits.size() > 10
        || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    return std::stol(digits);
}

std::string AbsolutePathFrom(const std::string& startDir, const std::string& path)
{
    if (path.empty())
        return path;
    // "." and ".." are resolved as written, so the path reads as the user meant it.
    fs::path full = (fs::path(startDir) / path).lexically_normal();
    if (!full.has_filename() && full.has_relative_path())
        full = full.parent_path();
    return full.string();
}

bool MatchesMask(const std::string& name, const std::string& mask) { return Match(name.c_str(), mask.c_str()); }

std::vector<std::string> ListFiles(const std::string& dir, const std::string& mask, bool* ok)
{
    std::vector<std::string> names;
    const bool listed = ForEachEntry(dir, [&](const std::string& name) {
        if (MatchesMask(name, mask))
            names.push_back(name);
        return true;
    });
    if (ok)
        *ok = listed;
    return names;
}

bool AnyFileMatches(const std::string& dir, const std::string& mask)
{
    bool found = false;
    ForEachEntry(dir, [&](const std::string& name) {
        found = MatchesMask(name, mask);
        return !found;
    });
    return found;
}

std::string WriteFileAtomically(const std::string& path, const std::string& contents)
{
    const fs::path target(path);
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code ec;
    if (fs::is_directory(target, ec))
        return "'" + path + "' is a directory";
    RemoveStaleTemporaries(dir.string());
    const fs::path temp = dir / AtomicTemporaryName(target.filename().string(), static_cast<long>(::getpid()));
    {
        std::FILE* f = std::fopen(temp.string().c_str(), "wb");
        if (!f)
            return "cannot create a file in '" + dir.string() + "'";
        const bool written = std::fwrite(contents.data(), 1, contents.size(), f) == contents.size();
        const bool flushed = std::fflush(f) == 0 && ::fsync(::fileno(f)) == 0;
        const bool closed = std::fclose(f) == 0;
        if (!written || !flushed || !closed) {
            fs::remove(temp, ec);
            return "cannot write '" + temp.string() + "'";
        }
    }
    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return "cannot replace '" + path + "': " + ec.message();
    }
    return {};
}

std::string JoinPath(const std::string& dir, const std::string& name)
{
    if (dir.empty())
        return std::string(1, fs::path::preferred_separator) + name;
    if (dir.back() == fs::path::preferred_separator)
        return dir + name;
    return dir + fs::path::preferred_separator + name;
}

bool NameLessIgnoringCase(const std::string& a, const std::string& b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const char x = Lower(a[i]), y = Lower(b[i]);
        if (x != y)
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    return a.size() < b.size();
}

void SortNamesIgnoringCase(std::vector<std::string>& names)
{
    std::stable_sort(names.begin(), names.end(), NameLessIgnoringCase);
}
