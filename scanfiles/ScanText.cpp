#include "scanfiles/ScanText.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "scanfiles/NumericLocale.h"

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : fd_(fd)
    {
    }
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Room for the widest line: a radius of 1e308 takes 314 characters in "%9.4f".
constexpr size_t LineRoom = 400;

void AppendFormatted(std::string& text, const char* line, int length)
{
    if (length > 0)
        text.append(line, std::min(static_cast<size_t>(length), LineRoom - 1));
}

} // namespace

int64_t ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes)
{
    if (path.empty() || path.find('\0') != std::string::npos)
        return -1;
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is rejected below anyway.
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0)
        return -1;
    struct stat info { };
    if (::fstat(fd.get(), &info) != 0)
        return -1;
    if (!S_ISREG(info.st_mode))
        return NotARegularFile;
    // The size is only a first guess: the instrument may still be writing the file. One byte
    // more than it lets the read that finds the end need no larger buffer.
    size_t room = info.st_size > 0 ? static_cast<size_t>(info.st_size) : 4096;
    room = std::min(room + 1, maxBytes);
    size_t total = 0;
    for (;;) {
        if (bytes.size() < room)
            bytes.resize(room);
        if (room == total)
            break; // maxBytes reached (or 0)
        const ssize_t got = ::read(fd.get(), bytes.data() + total, room - total);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            break;
        total += static_cast<size_t>(got);
        if (total == room && room < maxBytes)
            room = std::min(room * 2, maxBytes);
    }
    bytes.resize(total);
    return static_cast<int64_t>(total);
}

bool NextLine(const char* start, const char* end, std::string_view& line, const char*& next)
{
    if (start >= end) {
        line = {};
        next = end;
        return false;
    }
    const char* p = start;
    while (p < end && *p != '\r' && *p != '\n')
        ++p;
    line = std::string_view(start, static_cast<size_t>(p - start));
    if (p < end) {
        const bool cr = *p == '\r';
        ++p;
        if (cr && p < end && *p == '\n')
            ++p;
    }
    next = p;
    return true;
}

std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    const char* p = text.data();
    const char* const end = p + text.size();
    std::string_view line;
    while (NextLine(p, end, line, p))
        lines.push_back(line);
    return lines;
}

std::string LinesToText(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

bool EndsWithLineEnd(std::string_view text)
{
    return !text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == EndOfFileMark);
}

std::string HeaderLineText(char typeLetter, const ScanHeader& header)
{
    const NumericLocaleScope numericLocale;
    char line[2048]; // five fixed-point fields of up to 314 characters each
    const int length = std::snprintf(line, sizeof line, "%c %d %.1f %.0f %.0f %.5E %.0f %d", typeLetter, header.Cell,
        header.Temperature, header.Rpm, header.RecordedTime, header.Omega2t, header.Wavelength, header.HeaderCount);
    return length > 0 ? std::string(line, std::min(static_cast<size_t>(length), sizeof line - 1)) : std::string();
}

void AppendDataLine(std::string& text, double radius, double value)
{
    const NumericLocaleScope numericLocale;
    char line[LineRoom];
    AppendFormatted(text, line, std::snprintf(line, sizeof line, "%9.4f%15.5E\r\n", radius, value));
}

void AppendDataLine(std::string& text, double radius, double value, double third)
{
    const NumericLocaleScope numericLocale;
    char line[LineRoom];
    AppendFormatted(text, line, std::snprintf(line, sizeof line, "%9.4f%15.5E%15.5E\r\n", radius, value, third));
}

void AppendDataLines(std::string& text, const double* radius, const double* value, const double* third, int32_t n)
{
    const NumericLocaleScope numericLocale;
    text.reserve(text.size() + static_cast<size_t>(std::max(n, 0)) * (third ? 41 : 26));
    char line[LineRoom];
    for (int32_t i = 0; i < n; ++i) {
        const auto k = static_cast<size_t>(i);
        const int length = third
            ? std::snprintf(line, sizeof line, "%9.4f%15.5E%15.5E\r\n", radius[k], value[k], third[k])
            : std::snprintf(line, sizeof line, "%9.4f%15.5E\r\n", radius[k], value[k]);
        AppendFormatted(text, line, length);
    }
}

std::string ScanText(const std::string& description, const std::string& headerLine, const double* radius,
    const double* value, const double* third, int32_t n)
{
    std::string text = description + "\r\n" + headerLine + "\r\n";
    AppendDataLines(text, radius, value, third, n);
    return text;
}
