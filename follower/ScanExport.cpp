#include "follower/ScanExport.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "scanfiles/BeckmanFile.h"
#include "scanfiles/FileSystem.h"
#include "scanfiles/StagedWrites.h"

namespace morvane {

namespace fs = std::filesystem;

namespace {

std::string TwoDigits(int32_t n)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d", static_cast<int>(n % 100 + 100) % 100);
    return text;
}

std::string WithDelimiter(const std::string& dir)
{
    if (!dir.empty() && dir.back() == fs::path::preferred_separator)
        return dir;
    return dir + fs::path::preferred_separator;
}

// The canonical form of a directory, to compare two spellings of it; empty when it has none.
fs::path CanonicalDirectory(const std::string& dir)
{
    if (dir.empty())
        return {};
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(dir, ec), ec);
    if (ec)
        return {};
    if (!p.has_filename() && p.has_relative_path())
        p = p.parent_path();
    return p;
}

} // namespace

LocalDateTime CurrentLocalDateTime()
{
    const std::time_t now = std::time(nullptr);
    std::tm t {};
    localtime_r(&now, &t);
    return { t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec };
}

std::string ExportExtension(const std::string& channelName)
{
    const size_t dot = channelName.find('.');
    std::string extension = dot == std::string::npos ? std::string() : channelName.substr(dot + 1, 3);
    if (extension.size() >= 2 && std::toupper(static_cast<unsigned char>(extension[0])) == 'R'
        && std::toupper(static_cast<unsigned char>(extension[1])) == 'I')
        extension[1] = std::islower(static_cast<unsigned char>(extension[1])) ? 'a' : 'A';
    return extension;
}

std::string ExportRoot(const std::string& firstScanPath)
{
    std::error_code ec;
    const fs::path absolute = firstScanPath.empty() ? fs::path() : fs::absolute(firstScanPath, ec);
    std::string root = ec ? firstScanPath : absolute.string();
    const auto cut = [&root] {
        const size_t k = root.find_last_of(fs::path::preferred_separator);
        root = k == std::string::npos ? std::string() : root.substr(0, k);
    };
    cut();
    for (int i = 0; i < 2 && root.find(fs::path::preferred_separator) != std::string::npos; ++i)
        cut();
    return root;
}

std::string ExportBaseDirectory(const std::string& root, const LocalDateTime& now)
{
    return root + fs::path::preferred_separator + TwoDigits(now.Month) + TwoDigits(now.Day) + TwoDigits(now.Year);
}

std::string ExportDirectory(const std::string& root, const LocalDateTime& now)
{
    return ExportBaseDirectory(root, now) + fs::path::preferred_separator + TwoDigits(now.Hour) + TwoDigits(now.Minute)
        + TwoDigits(now.Second) + fs::path::preferred_separator;
}

std::string ExportHeaderSuffix(const LocalDateTime& now)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", static_cast<int>(now.Year),
        static_cast<int>(now.Month), static_cast<int>(now.Day), static_cast<int>(now.Hour),
        static_cast<int>(now.Minute), static_cast<int>(now.Second));
    return ExportHeaderMark + std::string(text);
}

std::string ProposedExportFileName(const std::string& extension) { return "000001." + extension; }

int32_t ChosenExportNumber(const std::string& chosenName)
{
    const int32_t n = FileNumberOf(chosenName.substr(0, 15));
    return n > 0 && n <= HighestFirstExportNumber ? n : 0;
}

std::string ExportFileName(int32_t number, const std::string& extension)
{
    char text[16];
    std::snprintf(text, sizeof text, "%05d.", static_cast<int>(number));
    return text + extension;
}

std::string ExportRefusal(
    const std::string& targetDir, const std::string& runDir, const std::string& firstScanPath, bool mayJoinScans)
{
    const fs::path target = CanonicalDirectory(targetDir);
    const fs::path scanDir = firstScanPath.empty() ? fs::path() : fs::path(firstScanPath).parent_path();
    for (const fs::path& run : { CanonicalDirectory(runDir), CanonicalDirectory(scanDir.string()) })
        if (!target.empty() && target == run)
            return "Will not export into " + targetDir
                + ": it is the directory of the run being read, and the exported files would replace its scans. "
                  "Choose another directory.";
    if (!mayJoinScans && HoldsScanFiles(targetDir))
        return "Will not export into " + targetDir
            + ": it holds scan files, which the exported files would replace or join. Choose another directory.";
    return {};
}

ScanExportResult ExportScans(const ChannelDataStore& raw, const ScanExportRequest& request)
{
    ScanExportResult result;
    result.Directory = request.Directory.empty() ? std::string(".") + fs::path::preferred_separator
                                                 : WithDelimiter(request.Directory);
    result.Sets = raw.GetNumberOfSets();
    const std::string firstPath = result.Sets > 0 ? raw.Headers[0].FilePath : std::string();
    result.Refused = ExportRefusal(result.Directory, request.RunDirectory, firstPath, request.MayJoinScans);
    if (!result.Refused.empty() || result.Sets < 1)
        return result;
    result.FirstName = ExportFileName(request.First, request.Extension);
    result.LastName = ExportFileName(request.First + result.Sets - 1, request.Extension);

    StagedWrites batch;
    std::vector<std::pair<std::string, std::string>> failures; // path, what failed
    for (int32_t i = 0; i < result.Sets; ++i) {
        const std::string path = result.Directory + ExportFileName(request.First + i, request.Extension);
        if (std::string failure = batch.Stage(path, raw.SetToText(i, request.Suffix)); !failure.empty())
            failures.emplace_back(path, std::move(failure));
    }
    batch.Commit(result.Written, &failures);
    // In set order: the zero-padded names of one directory sort as their numbers.
    std::sort(failures.begin(), failures.end());
    for (const auto& f : failures)
        result.Failed.push_back(f.first);
    if (!failures.empty())
        result.FirstFailure = failures.front().second;
    return result;
}

std::string ExportResultText(const ScanExportResult& result)
{
    if (!result.Refused.empty())
        return result.Refused;
    if (result.Sets < 1)
        return NoDataSetsToExportMessage;
    const std::string files = result.Sets == 1 ? " scan file" : " scan files";
    std::string text = result.Failed.empty()
        ? std::to_string(result.Written) + files + " exported to " + result.Directory
        : std::to_string(result.Written) + " of " + std::to_string(result.Sets) + files + " exported to "
            + result.Directory;
    text += result.Sets == 1 ? " (" + result.FirstName + ")."
                             : " (" + result.FirstName + " to " + result.LastName + ").";
    if (!result.Failed.empty())
        text += " " + std::to_string(result.Failed.size()) + (result.Failed.size() == 1 ? " file" : " files")
            + " could not be written, the first: " + result.Failed.front() + " (" + result.FirstFailure + ").";
    return text;
}

} // namespace morvane
