#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// Recomposing a run: every interference scan of a data directory is copied into an output
// directory with the description before the first comma and the radius of each data line taken
// from a paradigm file, a scan file of the same layout. Header lines and values stay the file's own.
//
//   paradigm  "Paradigm 12.5, ref"          data file  "Run7 3.1, sample"
//             "P 2 20.0 40000 ..."                     "P 2 20.0 40000 ..."
//             "   5.8012    1.00000E+00"               "   5.8000    2.31400E+00"
//   output    "Paradigm 12.5, sample" / the data file's header / "   5.8012    2.31400E+00"
//
// Plain functions, shared by the recompose tool's window and the headless command.

inline constexpr const char* SameDirectoriesMessage = "Input and Output Directories must be different";
inline constexpr const char* RecomposeMask = "*.IP?";
inline constexpr const char* IdleStatus = "status = idle";

// Data lines are written "%9.4f%15.5E": the radius is the first 9 characters, the value starts
// at the 10th. The splice takes characters 1-9 from the paradigm and 10 on from the file, so a
// line keeps its length and no character position is filled twice.
inline constexpr size_t RadiusFieldWidth = 9;

// Files larger than this are not recomposed (nor taken as a paradigm): no scan file comes near it,
// and a cut copy would pass for a whole one.
inline constexpr size_t RecomposeMaxFileBytes = 16u << 20;

// Reads a whole file and splits it into lines (CR, LF or CR LF). Returns the number of bytes read;
// NotARegularFile for a pipe, a device or a directory, -1 when the file cannot be read or is larger
// than RecomposeMaxFileBytes (`lines` is then left as it was).
int64_t ReadFileLines(const std::string& path, std::vector<std::string>& lines);

// The description of a recomposed file: the paradigm's text before its first comma (all of it
// when it has none), then the file's own text from its first comma on. A file line without a
// comma stays as it is.
std::string RecomposeFirstLine(std::string_view paradigmLine, std::string_view fileLine);

// A data line of a recomposed file: the paradigm's radius field, then the file's line after its own.
std::string RecomposeDataLine(std::string_view paradigmLine, std::string_view fileLine);

// The text of a recomposed file from its lines, CR LF after each: the first line and the data
// lines (the third on) spliced with the paradigm's lines of the same number, as far as it has them.
std::string RecomposeText(const std::vector<std::string>& paradigm, const std::vector<std::string_view>& lines);

// Why a recompose from dataDir into outputDir must not start, or "" when it may: a directory not
// given, the same directory (also spelt otherwise: a trailing delimiter, "..", a link), an output
// directory inside the data directory, or, unless mayJoinScans, one that holds scan files (another
// run's, which the recomposed files would replace or join).
std::string RecomposeRefusal(const std::string& dataDir, const std::string& outputDir, bool mayJoinScans = false);

// "<bytes> bytes read and being processed for file <n>" and "<n> files processed.".
std::string FileStatusText(int64_t bytes, int32_t ordinal);
std::string ProcessedStatusText(int32_t files);

struct RecomposeResult {
    std::string Refused; // why nothing was done, or ""
    int32_t FilesListed = 0; // "*.IP?" files of the data directory
    int32_t FilesWritten = 0;
    std::vector<std::string> Skipped; // one sentence per file that was not written
    std::string Stopped; // why the run stopped before the last file, or ""
    bool Complete() const { return Refused.empty() && Stopped.empty() && Skipped.empty(); }
    // Skipped files and the stop, one sentence a line; "" when complete.
    std::string ProblemsText() const;
};

// Recomposes every "*.IP?" file of dataDir (sorted ignoring case) into outputDir (made when it is
// missing) with the paradigm's lines. `status` receives each status text as it is set: the bytes
// read for file n (-1 when it could not be read), then the number of files written. A file that
// cannot be read, or is empty, is skipped; a file with more lines than the paradigm stops the run
// before it is written (files written before stay). Each output is written through a temporary
// file and a rename; no input file is changed. Refused as RecomposeRefusal refuses.
RecomposeResult RecomposeDirectory(const std::string& dataDir, const std::vector<std::string>& paradigm,
    const std::string& outputDir, const std::function<void(const std::string&)>& status = nullptr,
    bool mayJoinScans = false);

} // namespace morvane
