#include "recompose/Recompose.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <system_error>

#include "scanfiles/FileSystem.h"
#include "scanfiles/ScanText.h"
#include "scanfiles/StagedWrites.h"

namespace morvane {

namespace fs = std::filesystem;

namespace {

bool IsBlankChar(char c) { return c == ' ' || c == '\t' || c == EndOfFileMark; }

// An empty line, or blanks and end-of-file marks only: it holds no radius and stays as it is.
bool IsBlank(std::string_view line) { return std::all_of(line.begin(), line.end(), IsBlankChar); }

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlankChar(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlankChar(text.back()))
        text.remove_suffix(1);
    return text;
}

// Whether the first RadiusFieldWidth characters hold one number with only blanks around it and,
// for a data line, the rest of the line starts with a blank: the "%9.4f" layout the splice relies
// on. A line of another layout would get a cut value.
bool HasRadiusField(std::string_view line, bool isDataLine)
{
    const std::string_view field = Trimmed(line.substr(0, RadiusFieldWidth));
    double radius = 0;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), radius);
    if (field.empty() || ec != std::errc() || end != field.data() + field.size())
        return false;
    return !isDataLine || line.size() <= RadiusFieldWidth || IsBlankChar(line[RadiusFieldWidth]);
}

// The canonical form of a directory as far as it exists, without a trailing delimiter.
fs::path CanonicalDir(const std::string& dir)
{
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(fs::path(dir), ec), ec);
    if (ec)
        p = fs::absolute(fs::path(dir), ec).lexically_normal();
    if (!p.has_filename() && p.has_parent_path() && p != p.root_path())
        p = p.parent_path();
    return p;
}

// Whether `inner` lies below `outer` (both canonical).
bool IsBelow(const fs::path& inner, const fs::path& outer)
{
    auto o = outer.begin();
    auto i = inner.begin();
    for (; o != outer.end(); ++o, ++i) {
        if (o->empty())
            continue; // a trailing delimiter's empty element
        if (i == inner.end() || *i != *o)
            return false;
    }
    return i != inner.end();
}

// Checks a file's lines against the paradigm before anything is written; returns why the file
// cannot be recomposed, or "". `stop` tells whether the fault is the paradigm's (it would stop
// every later file too) rather than this file's.
std::string CheckLines(const std::vector<std::string>& paradigm, const std::vector<std::string_view>& lines,
    const std::string& name, bool& stop)
{
    stop = false;
    for (size_t i = 2; i < lines.size(); ++i) {
        if (IsBlank(lines[i]))
            continue;
        const std::string lineNo = std::to_string(i + 1);
        if (i >= paradigm.size() || IsBlank(paradigm[i])) {
            stop = true;
            return "The paradigm file has no radius for line " + lineNo + " of " + name + " (the paradigm has "
                + std::to_string(paradigm.size()) + " lines, " + name + " has " + std::to_string(lines.size()) + ")";
        }
        if (!HasRadiusField(paradigm[i], false)) {
            stop = true;
            return "Line " + lineNo + " of the paradigm file does not begin with a radius of "
                + std::to_string(RadiusFieldWidth) + " characters";
        }
        if (!HasRadiusField(lines[i], true))
            return "Line " + lineNo + " of " + name + " does not begin with a radius of "
                + std::to_string(RadiusFieldWidth) + " characters; " + name + " was not written";
    }
    return {};
}

} // namespace

int64_t ReadFileLines(const std::string& path, std::vector<std::string>& lines)
{
    std::string bytes;
    const int64_t n = ReadWholeFile(path, bytes, RecomposeMaxFileBytes + 1);
    if (n < 0 || n > static_cast<int64_t>(RecomposeMaxFileBytes))
        return n == NotARegularFile ? NotARegularFile : -1;
    const std::vector<std::string_view> views = SplitLines(bytes);
    lines.assign(views.begin(), views.end());
    return n;
}

std::string RecomposeFirstLine(std::string_view paradigmLine, std::string_view fileLine)
{
    const size_t comma = fileLine.find(',');
    if (comma == std::string_view::npos)
        return std::string(fileLine);
    std::string line(paradigmLine.substr(0, paradigmLine.find(',')));
    line += fileLine.substr(comma);
    return line;
}

void AppendRecomposedDataLine(std::string& text, std::string_view paradigmLine, std::string_view fileLine)
{
    if (IsBlank(fileLine)) {
        text += fileLine;
        return;
    }
    text += paradigmLine.substr(0, RadiusFieldWidth);
    if (fileLine.size() > RadiusFieldWidth)
        text += fileLine.substr(RadiusFieldWidth);
}

std::string RecomposeDataLine(std::string_view paradigmLine, std::string_view fileLine)
{
    std::string line;
    AppendRecomposedDataLine(line, paradigmLine, fileLine);
    return line;
}

std::string RecomposeText(const std::vector<std::string>& paradigm, const std::vector<std::string_view>& lines)
{
    std::string text;
    size_t room = 0;
    for (std::string_view line : lines)
        room += line.size() + 2;
    text.reserve(room);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i == 0 && !paradigm.empty())
            text += RecomposeFirstLine(paradigm[0], lines[0]);
        else if (i >= 2 && i < paradigm.size())
            AppendRecomposedDataLine(text, paradigm[i], lines[i]);
        else
            text += lines[i];
        text += "\r\n";
    }
    return text;
}

std::string RecomposeRefusal(const std::string& dataDir, const std::string& outputDir, bool mayJoinScans)
{
    if (dataDir.empty())
        return "No Data Directory: choose the run's directory first";
    if (outputDir.empty())
        return "No Output Directory: choose where the recomposed files go first";
    const fs::path in = CanonicalDir(dataDir);
    const fs::path out = CanonicalDir(outputDir);
    if (in == out)
        return SameDirectoriesMessage;
    if (IsBelow(out, in))
        return "The Output Directory must not be inside the Input Directory: the recomposed files would be "
               "kept among the scans they were made from";
    if (!mayJoinScans && HoldsScanFiles(outputDir))
        return "The Output Directory " + outputDir
            + " holds scan files, which the recomposed files would replace or join: choose another directory";
    return {};
}

std::string FileStatusText(int64_t bytes, int32_t ordinal)
{
    return std::to_string(bytes) + " bytes read and being processed for file " + std::to_string(ordinal);
}

std::string ProcessedStatusText(int32_t files) { return std::to_string(files) + " files processed."; }

std::string RecomposeResult::ProblemsText() const
{
    std::string text = Refused;
    for (const std::string& s : Skipped)
        text += (text.empty() ? "" : "\n") + s;
    if (!Stopped.empty())
        text += (text.empty() ? "" : "\n") + Stopped;
    return text;
}

RecomposeResult RecomposeDirectory(const std::string& dataDir, const std::vector<std::string>& paradigm,
    const std::string& outputDir, const std::function<void(const std::string&)>& status, bool mayJoinScans)
{
    RecomposeResult result;
    const auto say = [&status](const std::string& text) {
        if (status)
            status(text);
    };
    result.Refused = RecomposeRefusal(dataDir, outputDir, mayJoinScans);
    if (result.Refused.empty() && paradigm.empty())
        result.Refused = "No paradigm: read a paradigm file first";
    bool listed = false;
    std::vector<std::string> names;
    if (result.Refused.empty()) {
        names = ListFiles(dataDir, RecomposeMask, &listed);
        if (!listed)
            result.Refused = "The Data Directory " + dataDir + " cannot be read";
    }
    if (!result.Refused.empty())
        return result;
    SortNamesIgnoringCase(names);
    result.FilesListed = static_cast<int32_t>(names.size());

    std::string bytesRead;
    StagedWrites outputs;
    for (size_t k = 0; k < names.size(); ++k) {
        const std::string& name = names[k];
        int64_t bytes = ReadWholeFile(JoinPath(dataDir, name), bytesRead, RecomposeMaxFileBytes + 1);
        if (bytes > static_cast<int64_t>(RecomposeMaxFileBytes))
            bytes = -1;
        const std::vector<std::string_view> lines = bytes < 0 ? std::vector<std::string_view>() : SplitLines(bytesRead);
        say(FileStatusText(std::max<int64_t>(bytes, -1), static_cast<int32_t>(k + 1)));
        if (bytes < 0 || lines.empty()) {
            result.Skipped.push_back(name
                + (bytes == NotARegularFile ? " is not a regular file"
                        : bytes < 0         ? " could not be read"
                                            : " is empty")
                + " and was not written");
            continue;
        }
        bool stop = false;
        const std::string fault = CheckLines(paradigm, lines, name, stop);
        if (stop) {
            const size_t later = names.size() - k - 1;
            result.Stopped = fault + ": " + name
                + (later ? " and the " + std::to_string(later) + " files after it were" : " was") + " not written";
            break;
        }
        if (!fault.empty()) {
            result.Skipped.push_back(fault);
            continue;
        }
        if (outputs.Count() == 0) {
            std::error_code ec;
            fs::create_directories(outputDir, ec); // a failure shows in the write below
        }
        const std::string failure = outputs.Stage(JoinPath(outputDir, name), RecomposeText(paradigm, lines));
        if (!failure.empty()) {
            result.Stopped = "Writing " + name + " failed (" + failure + "); the files after it were not written";
            break;
        }
    }
    // Files staged before a stop are written all the same, as they would have been one by one.
    const std::string failure = outputs.Commit(result.FilesWritten);
    if (!failure.empty())
        result.Stopped += (result.Stopped.empty() ? "" : "\n") + ("Writing the recomposed files failed: " + failure);
    say(ProcessedStatusText(result.FilesWritten));
    return result;
}

} // namespace morvane
