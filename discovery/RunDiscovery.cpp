#include "discovery/RunDiscovery.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>
#include <system_error>

#include "discovery/ChannelDetection.h"
#include "scanfiles/BeckmanFile.h"
#include "scanfiles/FileSystem.h"
#include "scanfiles/ScanText.h"

namespace morvane {

namespace fs = std::filesystem;

namespace {

// The integer value of text: an optional sign and at least one digit, nothing else.
int32_t StrToIntDef(const std::string& text, int32_t fallback)
{
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i == text.size() || text.size() > 10)
        return fallback;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return fallback;
        value = value * 10 + (text[i] - '0');
    }
    value = negative ? -value : value;
    if (value > INT32_MAX || value < INT32_MIN)
        return fallback;
    return static_cast<int32_t>(value);
}

// Entries of dir whose names have no extension (no '.'), sorted ignoring case so that
// "first met" does not depend on the file system's order. Entries are not tested for
// being directories.
std::vector<std::string> NamesWithoutExtension(const std::string& dir, bool& ok)
{
    std::vector<std::string> names = ListFiles(dir, "*", &ok);
    std::erase_if(names, [](const std::string& n) { return n.find('.') != std::string::npos; });
    SortNamesIgnoringCase(names);
    return names;
}

// After a failed listing of path: true when path is simply not a directory (a plain file, a
// link to nothing), which has nothing below it; false for a directory that cannot be read or
// an entry that has vanished, which end the root scan.
bool NothingBelow(const std::string& path)
{
    std::error_code ec;
    const fs::file_status own = fs::symlink_status(path, ec);
    if (ec || !fs::exists(own))
        return false;
    const fs::file_status target = fs::status(path, ec);
    if (target.type() == fs::file_type::not_found)
        return true;
    if (ec)
        return false;
    return !fs::is_directory(target);
}

// Whether path is a symbolic link that never reaches a file (ELOOP), or a link to one of the
// searched directories or to a directory above them, whose listing would list them again.
bool IsLinkLoop(const std::string& path, const std::vector<fs::path>& searched)
{
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec)))
        return false;
    const fs::path target = fs::canonical(path, ec);
    if (ec)
        return ec == std::errc::too_many_symbolic_link_levels;
    for (const fs::path& dir : searched)
        if (std::mismatch(target.begin(), target.end(), dir.begin(), dir.end()).first == target.end())
            return true;
    return false;
}

} // namespace

int32_t DateDirScore(const std::string& name)
{
    if (name.size() != 6)
        return -1;
    const int32_t mm = StrToIntDef(name.substr(0, 2), -1);
    const int32_t dd = StrToIntDef(name.substr(2, 2), -1);
    const int32_t yy = StrToIntDef(name.substr(4, 2), -1);
    return yy * 10000 + mm * 100 + dd;
}

int32_t RunDirScore(const std::string& name)
{
    if (name.size() != 6)
        return 0;
    return StrToIntDef(name, -1);
}

std::string XliDataDir(const std::string& root)
{
    std::vector<std::string> names = ListFiles(root, "XLIDATA");
    SortNamesIgnoringCase(names);
    for (const std::string& name : names) {
        std::error_code ec;
        const std::string path = JoinPath(root, name);
        if (fs::is_directory(path, ec))
            return path;
    }
    return {};
}

namespace {

enum class RunKind { Measured, Exported, Unknown };

// Exported or measured, as IsExportedRun tells them apart; Unknown while the directory holds
// neither an export's list nor a scan whose first line is whole (a run just begun).
RunKind KindOfRun(const std::string& runDir)
{
    std::vector<std::string> names = ListFiles(runDir, "*");
    SortNamesIgnoringCase(names);
    for (const std::string& name : names)
        if (name.rfind("exported-", 0) == 0 && name.size() > 13 && name.compare(name.size() - 4, 4, ".txt") == 0)
            return RunKind::Exported;
    for (const std::string& name : names) {
        if (!IsScanKindName(name))
            continue;
        std::string head;
        if (ReadWholeFile(JoinPath(runDir, name), head, 4096) < 0)
            return RunKind::Measured;
        const size_t end = head.find_first_of("\r\n");
        if (head.substr(0, end).find(ExportHeaderMark) != std::string::npos)
            return RunKind::Exported;
        return end == std::string::npos && head.size() < 4096 ? RunKind::Unknown : RunKind::Measured;
    }
    return RunKind::Unknown;
}

} // namespace

bool IsExportedRun(const std::string& runDir) { return KindOfRun(runDir) == RunKind::Exported; }

RunDirectories ListRunDirectories(const std::string& root)
{
    RunDirectories out;
    try {
        if (root.empty()) {
            out.Failure = UnexpectedDirectoryError;
            return out;
        }
        std::vector<std::string> searched { root };
        if (const std::string xli = XliDataDir(root); !xli.empty())
            searched.push_back(xli);
        std::vector<fs::path> searchedCanonical;
        for (const std::string& dir : searched) {
            std::error_code ec;
            searchedCanonical.push_back(fs::canonical(dir, ec));
        }
        for (const std::string& name : ListFiles(root, "XLIDATA"))
            if (IsLinkLoop(JoinPath(root, name), searchedCanonical))
                out.Loops.push_back(JoinPath(root, name));

        struct Run {
            int32_t date, run;
            std::string path;
        };
        std::vector<Run> found;
        for (const std::string& dir : searched) {
            bool ok = false;
            const std::vector<std::string> dates = NamesWithoutExtension(dir, ok);
            if (!ok) {
                out.Failure = UnexpectedDirectoryError;
                return out;
            }
            out.Listed.push_back(dir);
            for (const std::string& date : dates) {
                const int32_t dateKey = DateDirScore(date);
                if (dateKey <= 0)
                    continue;
                const std::string datePath = JoinPath(dir, date);
                if (IsLinkLoop(datePath, searchedCanonical)) {
                    out.Loops.push_back(datePath);
                    continue;
                }
                const std::vector<std::string> runs = NamesWithoutExtension(datePath, ok);
                if (!ok) {
                    if (NothingBelow(datePath))
                        continue;
                    out.Failure = UnexpectedDirectoryError;
                    return out;
                }
                out.Listed.push_back(datePath);
                for (const std::string& run : runs) {
                    const int32_t runKey = RunDirScore(run);
                    if (runKey <= 0)
                        continue;
                    const std::string runPath = JoinPath(datePath, run);
                    if (IsLinkLoop(runPath, searchedCanonical)) {
                        out.Loops.push_back(runPath);
                        continue;
                    }
                    out.Dirs.push_back(runPath);
                    found.push_back({ dateKey, runKey, runPath });
                }
            }
        }

        // Without run directories the data files lie in the root itself. Sorted as a list box sorts,
        // equal names in the order met (the root after any equal run directory).
        out.Dirs.push_back(root);
        SortNamesIgnoringCase(out.Dirs);
        // Newest first, the first met on equal keys; only the runs tried are looked into.
        std::stable_sort(found.begin(), found.end(),
            [](const Run& a, const Run& b) { return a.date != b.date ? a.date > b.date : a.run > b.run; });
        std::string newest = found.empty() ? root : found.front().path;
        for (const Run& run : found) {
            const RunKind kind = KindOfRun(run.path);
            // A run not yet told apart may still turn out to be an export: watched until it is.
            if (kind == RunKind::Unknown)
                out.Listed.push_back(run.path);
            if (kind != RunKind::Exported) {
                newest = run.path;
                break;
            }
        }
        for (size_t i = 0; i < out.Dirs.size() && out.Newest < 0; ++i)
            if (out.Dirs[i] == newest)
                out.Newest = static_cast<int32_t>(i);
    } catch (const std::exception&) {
        out.Newest = -1;
        out.Failure = UnexpectedDirectoryError;
    }
    return out;
}

std::string LoopMessage(const std::string& path) { return "Skipped a symbolic link loop: " + path; }

bool IsScanFileOfRun(const std::string& target, const std::string& runDir)
{
    std::error_code ec;
    const fs::path dir = fs::weakly_canonical(runDir, ec);
    if (ec || target.empty())
        return false;
    const fs::path file = fs::weakly_canonical(target, ec);
    if (ec || file.parent_path() != dir)
        return false;
    const std::string name = file.filename().string();
    if (IsScanKindName(name))
        return true;
    for (const std::string& mask : ChannelMasks())
        if (MatchesMask(name, mask))
            return true;
    return false;
}

} // namespace morvane
