#include "scanfiles/ChannelWavelength.h"

#include <cctype>
#include <cmath>
#include <string_view>

#include "scanfiles/ScanHeader.h"
#include "scanfiles/ScanText.h"

namespace morvane {

namespace {

constexpr const char* NmSuffix = " nm";

// The bytes that hold the header line of any scan file the instrument writes.
constexpr size_t HeaderBytes = 4096;

} // namespace

bool ScannedAtWavelengths(const std::string& m)
{
    if (m.size() < 5 || m[2] != '.' || std::toupper(static_cast<unsigned char>(m[3])) != 'R')
        return false;
    const char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(m[4])));
    return kind == 'A' || kind == 'I';
}

int32_t WholeNanometres(double wavelength)
{
    if (!std::isfinite(wavelength) || !(wavelength >= 0.5) || wavelength > 1e6)
        return 0;
    return static_cast<int32_t>(std::lround(wavelength));
}

std::string EntryWithWavelength(const std::string& entry, int32_t nm)
{
    return nm > 0 ? entry + " " + std::to_string(nm) + NmSuffix : entry;
}

int32_t EntryWavelength(const std::string& entry)
{
    const size_t blank = entry.find(' ');
    const std::string suffix(NmSuffix);
    if (blank == std::string::npos || entry.size() < blank + 1 + suffix.size() + 1
        || entry.compare(entry.size() - suffix.size(), suffix.size(), suffix) != 0)
        return 0;
    const std::string digits = entry.substr(blank + 1, entry.size() - suffix.size() - blank - 1);
    if (digits.empty() || digits.size() > 6)
        return 0;
    int32_t nm = 0;
    for (const char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return 0;
        nm = nm * 10 + (c - '0');
    }
    return nm;
}

std::string EntryWithoutWavelength(const std::string& entry)
{
    return EntryWavelength(entry) > 0 ? entry.substr(0, entry.find(' ')) : entry;
}

int32_t HeaderWavelength(const std::string& path, bool& headerComplete)
{
    std::string bytes;
    // Judged on the open file, never waiting for a writer: a pipe or a device named as a scan has no
    // header and never will.
    const int64_t read = ReadWholeFile(path, bytes, HeaderBytes);
    headerComplete = read == NotARegularFile;
    if (read < 0)
        return 0;
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    std::string_view description, headerLine;
    if (!NextLine(p, end, description, p) || !NextLine(p, end, headerLine, p))
        return 0;
    // The header line is whole once a line end follows it.
    headerComplete = headerLine.data() + headerLine.size() < end;
    if (!headerComplete)
        return 0;
    ScanHeader h;
    h.Description = std::string(description);
    h.HeaderLine = std::string(headerLine);
    return h.ParseHeader(0) == 0 ? WholeNanometres(h.Wavelength) : 0;
}

} // namespace morvane
