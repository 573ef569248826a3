#include "scanfiles/BeckmanFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "scanfiles/NumericLocale.h"

namespace morvane {

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
const char* ParseFast(const char* p, int fields, double* out)
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

// The text of a line up to a NUL in it, as a C string reads it.
std::string_view TextBeforeNul(std::string_view line)
{
    const size_t nul = line.find('\0');
    return nul == std::string_view::npos ? line : line.substr(0, nul);
}

ScanRefusal RefusalOfHeader(int32_t parsed)
{
    switch (parsed) {
    case 3:
        return ScanRefusal::NoVoltage;
    case 4:
        return ScanRefusal::NonFiniteHeader;
    default:
        return ScanRefusal::BadHeader;
    }
}

// Where the data lines end: blank lines and end-of-file marks after the last data line make no
// points (a trailing point at radius 0 would spoil the radial grid built from the scan).
const char* DataEnd(const char* begin, const char* end)
{
    while (end > begin
        && (end[-1] == '\r' || end[-1] == '\n' || end[-1] == ' ' || end[-1] == '\t' || end[-1] == EndOfFileMark))
        --end;
    return end;
}

struct DataLinesRead {
    int32_t points = 0;
    bool nonFinite = false; // stopped at a value that is no finite number
    bool moreLines = false; // stopped at the kind's line limit with data lines left
};

// Reads the data lines of [p, end) into the points of `scan`.
DataLinesRead ReadDataLines(
    const char* p, const char* end, const FileKind& kind, int32_t intensityMode, ScanData& scan, std::string& copy)
{
    // Every line before the last one ends with a CR or LF before `end`, which stops the number
    // parser; the last one is copied, so that nothing at or after `end` is ever read.
    const char* lastLine = end;
    while (lastLine > p && lastLine[-1] != '\r' && lastLine[-1] != '\n')
        --lastLine;
    int32_t n = 0;
    while (n < kind.lineLimit && p < end) {
        const bool last = p >= lastLine;
        if (last)
            copy.assign(p, end);
        const char* const line = last ? copy.c_str() : p;
        // The numbers are read first; the search for the line's end then starts where they
        // stopped, so each byte is looked at once.
        double v[3] = { 0, 0, 0 };
        const char* const stop = ParseFast(line, kind.fields, v);
        if (last) {
            p = end;
        } else {
            std::string_view rest;
            NextLine(stop ? stop : line, end, rest, p);
            if (!stop)
                copy.assign(line, rest.data() + rest.size());
        }
        if (!stop)
            ScanDataLine(copy.c_str(), kind, v);
        // nan, inf or a number beyond a double would enter every sum made of the scan.
        if (!std::isfinite(v[0]) || !std::isfinite(v[1]) || !std::isfinite(v[2]))
            return { n, true, false };
        const auto k = static_cast<size_t>(n);
        scan.Radius[k] = v[0];
        if (kind.intensity) {
            double value = 0;
            if (IntensityValue(intensityMode, v[1], v[2], value)) {
                scan.Value[k] = value;
            } else {
                scan.Value[k] = 0;
                scan.Sigma[k] = FailedPointTag;
            }
        } else {
            scan.Value[k] = v[1];
            if (kind.fields == 3)
                scan.Sigma[k] = v[2];
        }
        ++n; // a line that does not parse is still a point
    }
    return { n, false, p < end };
}

} // namespace

const char* ScanRefusalText(ScanRefusal refusal)
{
    switch (refusal) {
    case ScanRefusal::None:
        return "read";
    case ScanRefusal::Unreadable:
        return "file cannot be read";
    case ScanRefusal::NotRegularFile:
        return "not a regular file";
    case ScanRefusal::TooLarge:
        return "larger than the reader takes (1,048,576 bytes)";
    case ScanRefusal::TooShort:
        return "no header line";
    case ScanRefusal::BadHeader:
        return "header line does not parse";
    case ScanRefusal::NoVoltage:
        return "fluorescence description without \"Voltage:\"";
    case ScanRefusal::NonFiniteHeader:
        return "speed, time or omega^2 t is no finite number";
    case ScanRefusal::NonFiniteValues:
        return "values that are not numbers (nan/inf)";
    case ScanRefusal::TooManyLines:
        return "more data lines than the reader takes (2,048; fluorescence 10,000)";
    }
    return "unknown";
}

int32_t BeckmanFile::ReadScanFile(const std::string& path, int32_t intensityMode, double expectedRpm)
{
    int64_t read = -1;
    try {
        // One byte past the limit tells a file over it from one that just fills it.
        read = ReadWholeFile(path, buffer_, ScanFileMaxBytes + 1);
    } catch (...) {
        read = -1; // no memory for the bytes: as good as unreadable
    }
    if (read < 0) {
        Refusal = read == NotARegularFile ? ScanRefusal::NotRegularFile : ScanRefusal::Unreadable;
        EndedWithLineEnd = false;
        HeaderParsed = false;
        return -1;
    }
    return ParseScanText(path, buffer_, intensityMode, expectedRpm);
}

int32_t BeckmanFile::ParseScanText(
    const std::string& path, std::string_view text, int32_t intensityMode, double expectedRpm)
{
    bool changed = false;
    try {
        const bool tooLarge = text.size() > ScanFileMaxBytes;
        text = text.substr(0, std::min(text.size(), ScanFileMaxBytes));
        const auto bytes = static_cast<int32_t>(text.size());
        const NumericLocaleScope numericLocale;
        Refusal = ScanRefusal::None;
        EndedWithLineEnd = EndsWithLineEnd(text);
        HeaderParsed = false;

        changed = true;
        ScanPath = path;
        const std::string name = NameOfPath(path);
        FileKind kind {};
        if (!KindOfName(name, kind))
            return bytes;
        if (tooLarge) {
            // Read in part, a scan would pass for a whole one with its outer radii missing.
            Refusal = ScanRefusal::TooLarge;
            NumberOfPoints = 0;
            return -1;
        }
        OpticalSystem = kind.opticalSystem;
        AllocatePoints(kind.capacity);

        const char* p = text.data();
        const char* const end = p + text.size();
        std::string_view line;
        int32_t lines = 0;
        for (std::string* field : { &Header.Description, &Header.HeaderLine }) {
            field->clear();
            if (NextLine(p, end, line, p)) {
                ++lines;
                field->assign(TextBeforeNul(line));
            }
        }
        const int32_t parsed = Header.ParseHeader(expectedRpm);
        HeaderParsed = lines >= 2;
        if (lines < 2 || parsed != 0) {
            Refusal = lines < 2 ? ScanRefusal::TooShort : RefusalOfHeader(parsed);
            NumberOfPoints = 0;
            return -1;
        }
        Header.FilePath = path;
        Header.FileName = name;

        const DataLinesRead data = ReadDataLines(p, DataEnd(p, end), kind, intensityMode, *this, line_);
        NumberOfPoints = data.points;
        if (data.nonFinite || data.moreLines) {
            // The whole scan, not the points before: they would pass for a whole scan.
            Refusal = data.nonFinite ? ScanRefusal::NonFiniteValues : ScanRefusal::TooManyLines;
            NumberOfPoints = 0;
            return -1;
        }
        return bytes;
    } catch (...) {
        // Out of memory: report a failed read; the points are no longer valid.
        if (changed)
            NumberOfPoints = 0;
        Refusal = ScanRefusal::Unreadable;
        HeaderParsed = false;
        return -1;
    }
}

bool IsScanKindName(const std::string& name)
{
    FileKind kind {};
    return KindOfName(name, kind);
}

int32_t ReadUnderTimeRule(
    int32_t read, ScanRefusal& refusal, ScanHeader& header, int32_t useApparentTime, double expectedRpm)
{
    header.UseApparentTime = useApparentTime;
    const int32_t parsed = header.ParseHeader(expectedRpm);
    if (parsed != 0) {
        refusal = RefusalOfHeader(parsed);
        return -1;
    }
    return read; // recorded times took the header too: the read's own result and refusal stand
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

} // namespace morvane
