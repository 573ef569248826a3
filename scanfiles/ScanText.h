#pragma once
// The text of scan files: reading a whole file, splitting it into lines, and writing header and
// data lines. Whatever reads or writes scan-file text goes through here, so every file carries
// "." as its decimal separator whatever the locale, and CR LF line ends.
//
//   line 1    description (free text)
//   line 2    header line   "R 1 20.0 50000 1234 2.04386E+10 280 1"
//   line 3... data lines    "%9.4f%15.5E" (interference) or "%9.4f%15.5E%15.5E"
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scanfiles/ScanHeader.h"

namespace morvane {

// The reader takes no more of a file than this.
constexpr size_t ScanFileMaxBytes = 1048576;

// What an export writes after each scan's description (then the date and time of the export):
// it tells an exported run from a measured one.
inline constexpr const char* ExportHeaderMark = "reformated by Morvane ";

// End-of-file mark that some instrument software writes after the last line.
constexpr char EndOfFileMark = '\x1A';

// ReadWholeFile's result for a path that is no regular file: a directory, a pipe, a device (a link
// to /dev/zero would never end, a pipe never be written).
constexpr int64_t NotARegularFile = -2;

// Reads at most maxBytes of a regular file into `bytes` (sized to what was read). Returns the
// byte count; NotARegularFile for anything but a regular file (judged on the open file, so it
// cannot change in between), -1 when the path cannot be opened or read (missing, no permission);
// `bytes` is then unspecified. Never waits for a writer. A file that grows while it is read is
// read as far as it reaches at that moment.
int64_t ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes = ScanFileMaxBytes);

// The line splitter. From `start`, the line runs to the first CR or LF before `end`; CR, LF and
// CR LF each end one line. Returns false when start == end. Otherwise `line` is the line without
// its end and `next` where the following line starts. A last line without a line end ends at
// `end` and is still a line. The text is never changed and nothing at or after `end` is read.
bool NextLine(const char* start, const char* end, std::string_view& line, const char*& next);

// Every line of a text, as NextLine finds them (views into `text`).
std::vector<std::string_view> SplitLines(std::string_view text);

// The lines joined with CR LF after each, as files are written.
std::string LinesToText(const std::vector<std::string>& lines);

// Whether the text ends with a line end (CR or LF) or an end-of-file mark, as a finished file
// does; a scan file still being written usually stops inside a line.
bool EndsWithLineEnd(std::string_view text);

// The header line of a scan: type letter ('R', 'I', 'F' or 'P'), then cell, temperature, speed
// (rpm), elapsed time (s), omega^2 t, wavelength and count from `header`, as the instrument writes
// them: "%c %d %.1f %.0f %.0f %.5E %.0f %d". ScanHeader::ParseHeader reads it back.
std::string HeaderLineText(char typeLetter, const ScanHeader& header);

// Appends one data line and CR LF: the radius "%9.4f" and the value "%15.5E" (two columns, the
// interference layout), or with a third column "%15.5E" (sigma, second intensity, ...).
void AppendDataLine(std::string& text, double radius, double value);
void AppendDataLine(std::string& text, double radius, double value, double third);

// Appends n data lines; `third` null gives two columns.
void AppendDataLines(std::string& text, const double* radius, const double* value, const double* third, int32_t n);

// A whole scan file: the description, the header line, then n data lines; CR LF line ends.
std::string ScanText(const std::string& description, const std::string& headerLine, const double* radius,
    const double* value, const double* third, int32_t n);

} // namespace morvane
