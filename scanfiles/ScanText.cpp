#include "scanfiles/ScanText.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvane {

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

// Room for the widest field: a radius of 1e308 takes 314 characters in "%9.4f".
constexpr size_t FieldRoom = 400;

// Appends x as printf would in the "C" locale with "%<width>.<precision>f" (fixed) or
// "%<width>.<precision>E": std::to_chars gives the same correctly rounded digits (ties of exactly
// representable values to even, as the C library rounds), the same "-nan"/"inf" words and at least
// two exponent digits; printf's upper case and its right alignment are added here. Knows no
// locale, so no locale switch per line is needed.
char* AppendField(char* out, double x, int width, int precision, bool scientific)
{
    char field[FieldRoom];
    const std::to_chars_result r = std::to_chars(field, field + sizeof field, x,
        scientific ? std::chars_format::scientific : std::chars_format::fixed, precision);
    const auto length = static_cast<int>(r.ptr - field);
    for (int pad = width - length; pad > 0; --pad)
        *out++ = ' ';
    for (const char* p = field; p < r.ptr; ++p)
        *out++ = scientific && *p >= 'a' && *p <= 'z' ? static_cast<char>(*p - 'a' + 'A') : *p;
    return out;
}

// One data line: "%9.4f%15.5E" and, with a third column, "%15.5E"; then CR LF.
void AppendLine(std::string& text, double radius, double value, const double* third)
{
    char line[3 * FieldRoom + 2];
    char* p = AppendField(line, radius, 9, 4, false);
    p = AppendField(p, value, 15, 5, true);
    if (third)
        p = AppendField(p, *third, 15, 5, true);
    *p++ = '\r';
    *p++ = '\n';
    text.append(line, static_cast<size_t>(p - line));
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
    // "%c %d %.1f %.0f %.0f %.5E %.0f %d"
    char line[6 * FieldRoom];
    char* p = line;
    *p++ = typeLetter;
    *p++ = ' ';
    p = std::to_chars(p, p + 16, header.Cell).ptr;
    const struct {
        double x;
        int precision;
        bool scientific;
    } fields[] = { { header.Temperature, 1, false }, { header.Rpm, 0, false }, { header.RecordedTime, 0, false },
        { header.Omega2t, 5, true }, { header.Wavelength, 0, false } };
    for (const auto& f : fields) {
        *p++ = ' ';
        p = AppendField(p, f.x, 0, f.precision, f.scientific);
    }
    *p++ = ' ';
    p = std::to_chars(p, p + 16, header.HeaderCount).ptr;
    return std::string(line, p);
}

void AppendDataLine(std::string& text, double radius, double value) { AppendLine(text, radius, value, nullptr); }

void AppendDataLine(std::string& text, double radius, double value, double third)
{
    AppendLine(text, radius, value, &third);
}

void AppendDataLines(std::string& text, const double* radius, const double* value, const double* third, int32_t n)
{
    text.reserve(text.size() + static_cast<size_t>(std::max(n, 0)) * (third ? 41 : 26));
    for (int32_t i = 0; i < n; ++i) {
        const auto k = static_cast<size_t>(i);
        AppendLine(text, radius[k], value[k], third ? third + k : nullptr);
    }
}

std::string ScanText(const std::string& description, const std::string& headerLine, const double* radius,
    const double* value, const double* third, int32_t n)
{
    std::string text = description + "\r\n" + headerLine + "\r\n";
    AppendDataLines(text, radius, value, third, n);
    return text;
}

} // namespace morvane
