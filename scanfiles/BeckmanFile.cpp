#include "scanfiles/BeckmanFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "scanfiles/NumericLocale.h"

namespace {

// The ignore tag of a point whose intensity value cannot be formed; fixed, never a changed setting.
constexpr double FailedPointTag = -2e10;

enum class LineFormat { ThreeColumns, Interference, Fluorescence };

struct FileKind {
    int32_t opticalSystem;
    int32_t capacity; // doubles per array
    int32_t lineLimit; // data lines read at most
    int fields; // numbers per data line
    LineFormat format;
    bool intensity;
};

// The kind from the two characters after the dot of the name's extension ("RA1", "ra3" give "RA").
bool KindOfName(const std::string& name, FileKind& kind)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.size() < dot + 3)
        return false;
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    const char a = upper(name[dot + 1]), b = upper(name[dot + 2]);
    if (a == 'I' && b == 'P')
        kind = { 3, 2048, 2048, 2, LineFormat::Interference, false };
    else if (a == 'R' && b == 'A')
        kind = { 1, 10000, 2048, 3, LineFormat::ThreeColumns, false };
    else if (a == 'R' && b == 'I')
        kind = { 1, 10000, 2048, 3, LineFormat::ThreeColumns, true };
    else if (a == 'F' && b == 'I')
        kind = { 2, 10000, 10000, 3, LineFormat::Fluorescence, false };
    else
        return false;
    return true;
}

std::string NameOfPath(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

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

// Reads at most maxBytes of a regular file into buffer and puts a terminator after them.
// Returns the byte count, or -1 when the path is no readable regular file.
int64_t LoadFile(const std::string& path, size_t maxBytes, std::vector<char>& buffer)
{
    if (path.empty() || path.find('\0') != std::string::npos)
        return -1;
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is rejected below anyway.
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0)
        return -1;
    struct stat info { };
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    // The size is only a first guess: the instrument may still be writing the file.
    size_t room = info.st_size > 0 ? std::min(static_cast<size_t>(info.st_size), maxBytes) : 4096;
    room = std::min(std::max<size_t>(room, 4096), maxBytes);
    size_t total = 0;
    for (;;) {
        if (buffer.size() < room + 1)
            buffer.resize(room + 1);
        const ssize_t got = ::read(fd.get(), buffer.data() + total, room - total);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            break;
        total += static_cast<size_t>(got);
        if (total == room) {
            if (room == maxBytes)
                break;
            room = std::min(room * 2, maxBytes);
        }
    }
    buffer[total] = '\0';
    return static_cast<int64_t>(total);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsLineEnd(char c) { return c == '\0' || c == '\r' || c == '\n'; }

// Powers of ten that a double holds exactly.
constexpr double ExactPowersOfTen[] = { 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14,
    1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22 };

// Reads up to `fields` blank-separated numbers of the plain form -ddd.ddde+dd from the line
// that starts at p, which ends at a NUL, CR or LF (not yet split). Returns where it stopped,
// or nullptr as soon as the line holds anything else (leading '+', hex, inf/nan, other
// blanks, junk glued to a number, a value out of range), so that the caller lets sscanf
// decide. Both paths round correctly, so the numbers they agree on are the same bits.
char* ParseFast(char* p, int fields, double* out)
{
    for (int k = 0; k < fields; ++k) {
        while (*p == ' ' || *p == '\t')
            ++p;
        if (IsLineEnd(*p))
            return p; // a short line: the fields not reached keep their zero, as with sscanf
        const char* start = p;
        const bool negative = *p == '-';
        if (negative)
            ++p;
        uint64_t mantissa = 0;
        int significant = 0; // digits after leading zeros
        auto take = [&](char c) {
            if (mantissa == 0 && c == '0')
                return;
            if (++significant <= 19)
                mantissa = mantissa * 10 + static_cast<uint64_t>(c - '0');
        };
        const char* digits = p;
        while (IsDigit(*p))
            take(*p++);
        const int64_t integerDigits = p - digits;
        int64_t fractionDigits = 0;
        if (*p == '.') {
            const char* fraction = ++p;
            while (IsDigit(*p))
                take(*p++);
            fractionDigits = p - fraction;
        }
        if (integerDigits + fractionDigits == 0)
            return nullptr; // no digit at all: "-", ".", "-."
        int64_t exponent = 0;
        if (*p == 'e' || *p == 'E') {
            ++p;
            const bool negativeExponent = *p == '-';
            if (*p == '+' || *p == '-')
                ++p;
            const char* exponentDigits = p;
            for (; IsDigit(*p); ++p)
                if (exponent < 100000)
                    exponent = exponent * 10 + (*p - '0');
            if (p == exponentDigits)
                return nullptr;
            if (negativeExponent)
                exponent = -exponent;
        }
        if (*p != ' ' && *p != '\t' && !IsLineEnd(*p))
            return nullptr;
        double value = 0;
        const int64_t power = exponent - fractionDigits;
        if (significant <= 19 && mantissa <= (uint64_t { 1 } << 53) && power >= -22 && power <= 22) {
            // Both operands exact: one division or multiplication rounds correctly.
            value = static_cast<double>(mantissa);
            value = power < 0 ? value / ExactPowersOfTen[-power] : value * ExactPowersOfTen[power];
            if (negative)
                value = -value;
        } else {
            const std::from_chars_result r = std::from_chars(start, p, value, std::chars_format::general);
            if (r.ec != std::errc {} || r.ptr != p)
                return nullptr;
        }
        out[k] = value;
    }
    return p;
}

// One split data line into v[0..2], exactly as the kind's sscanf format reads it.
void ScanDataLine(const char* line, const FileKind& kind, double* v)
{
    v[0] = v[1] = v[2] = 0;
    switch (kind.format) {
    case LineFormat::ThreeColumns:
        std::sscanf(line, "%lf%le%le", &v[0], &v[1], &v[2]);
        break;
    case LineFormat::Interference:
        std::sscanf(line, "%lf %le", &v[0], &v[1]);
        break;
    case LineFormat::Fluorescence:
        std::sscanf(line, "%lf %lg %lg", &v[0], &v[1], &v[2]);
        break;
    }
}

// The value of an intensity line; false when it cannot be formed (zero divisor, logarithm of
// zero or of a negative number, or a result that is no finite number).
bool IntensityValue(int32_t mode, double i1, double i2, double& value)
{
    double numerator = i1, divisor = i2; // IntensityRatio, also for an unknown mode
    if (mode == IntensityReference) {
        numerator = 1000;
        divisor = i1;
    } else if (mode == IntensitySample) {
        numerator = 1000;
        divisor = i2;
    }
    if (divisor == 0)
        return false;
    const double ratio = numerator / divisor;
    if (!(ratio > 0))
        return false;
    value = std::log10(ratio);
    return std::isfinite(value);
}

} // namespace

bool BeckmanFile::NextLine(char* start, char* end, char*& line, char*& next)
{
    if (start >= end) {
        line = next = end;
        return false;
    }
    char* p = start;
    while (p < end && *p != '\r' && *p != '\n')
        ++p;
    line = start;
    if (p < end) {
        const bool cr = *p == '\r';
        *p++ = '\0';
        if (cr && p < end && *p == '\n')
            *p++ = '\0';
    }
    next = p;
    return true;
}

int32_t BeckmanFile::ReadScanFile(const std::string& path, int32_t intensityMode, double expectedRpm)
{
    bool changed = false;
    try {
        const int64_t loaded = LoadFile(path, static_cast<size_t>(MaxFileBytes), buffer_);
        if (loaded < 0)
            return -1;
        const auto bytes = static_cast<int32_t>(loaded);
        const NumericLocaleScope numericLocale;

        changed = true;
        ScanPath = path;
        const std::string name = NameOfPath(path);
        FileKind kind {};
        if (!KindOfName(name, kind))
            return bytes;
        OpticalSystem = kind.opticalSystem;
        AllocatePoints(kind.capacity);

        char* p = buffer_.data();
        char* const end = p + bytes;
        char* line = nullptr;
        Header.Description = NextLine(p, end, line, p) ? line : "";
        Header.HeaderLine = NextLine(p, end, line, p) ? line : "";
        if (Header.ParseHeader(expectedRpm) != 0) {
            NumberOfPoints = 0;
            return -1;
        }
        Header.FilePath = path;
        Header.FileName = name;

        int32_t n = 0;
        while (n < kind.lineLimit && p < end) {
            // The numbers are read before the line is split; the search for its end then
            // starts where they stopped, so each byte is looked at once.
            double v[3] = { 0, 0, 0 };
            line = p;
            char* const stop = ParseFast(line, kind.fields, v);
            char* ignored = nullptr;
            NextLine(stop ? stop : line, end, ignored, p); // at the end of the data p becomes end
            if (!stop)
                ScanDataLine(line, kind, v);
            Radius[static_cast<size_t>(n)] = v[0];
            if (kind.intensity) {
                double value = 0;
                if (IntensityValue(intensityMode, v[1], v[2], value)) {
                    Value[static_cast<size_t>(n)] = value;
                } else {
                    Value[static_cast<size_t>(n)] = 0;
                    Sigma[static_cast<size_t>(n)] = FailedPointTag;
                }
            } else {
                Value[static_cast<size_t>(n)] = v[1];
                if (kind.fields == 3)
                    Sigma[static_cast<size_t>(n)] = v[2];
            }
            ++n; // a line that does not parse is still a point
        }
        NumberOfPoints = n;
        return bytes;
    } catch (...) {
        // Out of memory: report a failed read; the points are no longer valid.
        if (changed)
            NumberOfPoints = 0;
        return -1;
    }
}

int32_t FileNumberOf(const std::string& fileName)
{
    // The text from the second character, as long as the 1-based position of the first ".".
    const size_t dot = fileName.find('.');
    if (dot == std::string::npos || fileName.size() < 2)
        return 0;
    const size_t stop = std::min(fileName.size(), 1 + dot + 1);
    int64_t number = 0;
    for (size_t i = 1; i < stop && IsDigit(fileName[i]); ++i) {
        number = number * 10 + (fileName[i] - '0');
        if (number > INT32_MAX)
            return 0; // no scan number this program could have written
    }
    return static_cast<int32_t>(number);
}
