#include "scanfiles/StagedWrites.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "scanfiles/FileSystem.h"

namespace morvane {

namespace fs = std::filesystem;

namespace {

// Flushes one file to the disk; opened again, as its descriptor was closed after writing.
bool SyncFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

// One sync per file system holding the batch (its directories'); false when one fails.
bool SyncDirectories(const std::vector<std::string>& temps)
{
    std::vector<std::string> dirs;
    for (const std::string& temp : temps) {
        std::string dir = fs::path(temp).parent_path().string();
        if (std::find(dirs.begin(), dirs.end(), dir) == dirs.end())
            dirs.push_back(std::move(dir));
    }
    bool synced = true;
    for (const std::string& dir : dirs) {
        const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_CLOEXEC);
        synced = synced && fd >= 0 && ::syncfs(fd) == 0;
        if (fd >= 0)
            ::close(fd);
    }
    return synced;
}

} // namespace

StagedWrites::~StagedWrites() { RemoveStaged(); }

void StagedWrites::RemoveStaged()
{
    for (const Entry& e : staged_)
        ::unlink(e.Temp.c_str());
    staged_.clear();
}

std::string StagedWrites::Stage(const std::string& path, const std::string& contents)
{
    const fs::path target(path);
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code ec;
    if (fs::is_directory(target, ec))
        return "'" + path + "' is a directory";
    if (std::find(cleanedDirs_.begin(), cleanedDirs_.end(), dir.string()) == cleanedDirs_.end()) {
        RemoveStaleTemporaries(dir.string());
        cleanedDirs_.push_back(dir.string());
    }
    std::string temp, failure;
    const int fd = CreateTemporaryFor(path, temp, failure);
    if (fd < 0)
        return failure;
    const bool written = WriteWhole(fd, contents);
    const int writeError = errno;
    // Starts the write-back now, so that the sync at the commit has less left to wait for.
    if (written)
        ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        ::unlink(temp.c_str());
        return "cannot write '" + temp + "': " + std::strerror(written ? errno : writeError);
    }
    staged_.push_back({ temp, path });
    return {};
}

std::string StagedWrites::Commit(int32_t& committed, std::vector<std::pair<std::string, std::string>>* failures)
{
    committed = 0;
    std::vector<std::string> temps;
    for (const Entry& e : staged_)
        temps.push_back(e.Temp);
    // Where the file system cannot be synced as a whole, each file is synced on its own.
    const bool synced = staged_.empty() || SyncDirectories(temps);
    std::string firstFailure;
    const auto fail = [&](const Entry& e, const std::string& what) {
        ::unlink(e.Temp.c_str());
        if (firstFailure.empty())
            firstFailure = what;
        if (failures)
            failures->emplace_back(e.Target, what);
    };
    for (const Entry& e : staged_) {
        if (!synced && !SyncFile(e.Temp))
            fail(e, "cannot write '" + e.Temp + "'");
        else if (::rename(e.Temp.c_str(), e.Target.c_str()) != 0)
            fail(e, "cannot replace '" + e.Target + "': " + std::strerror(errno));
        else
            ++committed;
    }
    staged_.clear();
    return firstFailure;
}

} // namespace morvane
