#include "scanfiles/FileSystem.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/random.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "scanfiles/BeckmanFile.h"

namespace morvane {

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

// Random characters of a temporary's name: 10 of 62 give about 60 bits, which nobody can foresee.
constexpr size_t UniqueChars = 10;

std::string RandomName()
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[UniqueChars];
    size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
        if (n > 0)
            got += static_cast<size_t>(n);
        else if (errno != EINTR)
            break;
    }
    std::random_device device; // where the kernel's source fails
    for (; got < sizeof bytes; ++got)
        bytes[got] = static_cast<unsigned char>(device());
    std::string name;
    for (const unsigned char b : bytes)
        name += alphabet[b % (sizeof alphabet - 1)];
    return name;
}

bool IsAlphanumeric(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

} // namespace

void RemoveStaleTemporaries(const std::string& dir)
{
    const auto now = std::chrono::system_clock::now();
    const uid_t self = ::geteuid();
    ForEachEntry(dir, [&](const std::string& name) {
        const long owner = TemporaryOwner(name);
        if (owner < 0)
            return true;
        const std::string path = (fs::path(dir.empty() ? "." : dir) / name).string();
        // Not through a link, and never another user's file, whatever its name.
        struct stat st { };
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != self)
            return true;
        const bool old = now - std::chrono::system_clock::from_time_t(st.st_mtime) > TemporaryMaxAge;
        if (old || !ProcessRuns(owner))
            ::unlink(path.c_str());
        return true;
    });
}

std::string AtomicTemporaryName(const std::string& fileName, long pid, const std::string& unique)
{
    const std::string suffix = TemporaryMarker + std::to_string(pid) + "-" + unique;
    return "." + Utf8Prefix(fileName, NameMaxBytes - 1 - suffix.size()) + suffix;
}

long TemporaryOwner(const std::string& name)
{
    const size_t marker = name.rfind(TemporaryMarker);
    if (name.size() < 2 || name[0] != '.' || marker == std::string::npos || marker < 1)
        return -1;
    std::string digits = name.substr(marker + std::char_traits<char>::length(TemporaryMarker));
    if (const size_t dash = digits.find('-'); dash != std::string::npos) {
        const std::string unique = digits.substr(dash + 1);
        if (unique.empty() || unique.size() > 32 || !std::all_of(unique.begin(), unique.end(), IsAlphanumeric))
            return -1;
        digits.resize(dash);
    }
    if (digits.empty() || digits.size() > 10
        || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    return std::stol(digits);
}

int CreateTemporaryFor(const std::string& target, std::string& temp, std::string& failure)
{
    const fs::path t(target);
    const fs::path dir = t.has_parent_path() ? t.parent_path() : fs::path(".");
    const long pid = static_cast<long>(::getpid());
    int error = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = (dir / AtomicTemporaryName(t.filename().string(), pid, RandomName())).string();
        // O_EXCL: a name that exists, a link included, is never opened; another name is tried.
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0)
            return fd;
        error = errno;
        if (error != EEXIST)
            break;
    }
    failure = "cannot create a file in '" + dir.string() + "': " + std::strerror(error);
    return -1;
}

bool WriteWhole(int fd, const std::string& contents)
{
    size_t done = 0;
    while (done < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
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
    return WriteFilesAtomically({ { path, contents } }).front();
}

std::vector<std::string> WriteFilesAtomically(const std::vector<std::pair<std::string, std::string>>& files)
{
    std::vector<std::string> failures(files.size());
    struct Staged {
        std::string temp;
        int fd = -1;
    };
    std::vector<Staged> staged(files.size());
    std::vector<std::string> cleaned; // directories whose stale temporaries were removed
    // Every file is written before any is synced: the first sync's journal commit then takes the
    // others' data along, and their syncs find little left to wait for.
    size_t written = 0;
    for (; written < files.size(); ++written) {
        const auto& [path, contents] = files[written];
        const fs::path target(path);
        const std::string dir = target.has_parent_path() ? target.parent_path().string() : ".";
        std::error_code ec;
        if (fs::is_directory(target, ec)) {
            failures[written] = "'" + path + "' is a directory";
            break;
        }
        if (std::find(cleaned.begin(), cleaned.end(), dir) == cleaned.end()) {
            RemoveStaleTemporaries(dir);
            cleaned.push_back(dir);
        }
        Staged& s = staged[written];
        s.fd = CreateTemporaryFor(path, s.temp, failures[written]);
        if (s.fd < 0)
            break;
        if (!WriteWhole(s.fd, contents)) {
            failures[written] = "cannot write '" + s.temp + "'";
            break;
        }
        // Starts the write-back now, so that the sync has less left to wait for.
        ::sync_file_range(s.fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    }
    // Synced and renamed in order, each only while every file before it was written.
    size_t firstFailure = written;
    for (size_t i = 0; i < files.size(); ++i) {
        Staged& s = staged[i];
        if (i < firstFailure) {
            const bool synced = ::fsync(s.fd) == 0;
            const bool closed = ::close(s.fd) == 0;
            s.fd = -1;
            if (!synced || !closed)
                failures[i] = "cannot write '" + s.temp + "'";
            else if (::rename(s.temp.c_str(), files[i].first.c_str()) != 0)
                failures[i] = "cannot replace '" + files[i].first + "': " + std::strerror(errno);
            else
                continue;
            firstFailure = i;
        }
        if (s.fd >= 0)
            ::close(s.fd);
        if (!s.temp.empty())
            ::unlink(s.temp.c_str());
        if (failures[i].empty())
            failures[i] = "not written, as '" + files[firstFailure].first + "' before it was not";
    }
    return failures;
}

bool HoldsScanFiles(const std::string& dir)
{
    bool found = false;
    ForEachEntry(dir, [&](const std::string& name) {
        std::error_code ec;
        found = IsScanKindName(name) && fs::is_regular_file(fs::path(dir.empty() ? "." : dir) / name, ec);
        return !found;
    });
    return found;
}

std::string ScanOverwriteReason(const std::string& target)
{
    const fs::path t(target);
    if (!IsScanKindName(t.filename().string()))
        return {};
    const std::string dir = t.has_parent_path() ? t.parent_path().string() : std::string(".");
    if (!HoldsScanFiles(dir))
        return {};
    return "its name is that of a scan file and " + dir + " holds scan files";
}

std::string ScanOverwriteRefusal(const std::string& target)
{
    const std::string reason = ScanOverwriteReason(target);
    return reason.empty() ? reason : "Will not write " + target + ": " + reason + ". Choose another name or folder.";
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

} // namespace morvane
