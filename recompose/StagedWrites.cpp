#include "recompose/StagedWrites.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool WriteAll(int fd, const std::string& contents)
{
    size_t done = 0;
    while (done < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Flushes one file to the disk; opened again, as its descriptor was closed after writing.
bool SyncFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

} // namespace

StagedWrites::~StagedWrites() { RemoveStaged(0); }

void StagedWrites::RemoveStaged(size_t from)
{
    for (size_t i = from; i < staged_.size(); ++i)
        ::unlink(staged_[i].Temp.c_str());
    staged_.clear();
}

std::string StagedWrites::Stage(const std::string& path, const std::string& contents)
{
    const fs::path target(path);
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code ec;
    if (fs::is_directory(target, ec))
        return "'" + path + "' is a directory";
    const std::string temp = (dir / ("." + target.filename().string() + ".tmp" + std::to_string(::getpid()))).string();
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return "cannot create a file in '" + dir.string() + "'";
    const bool written = WriteAll(fd, contents);
    // Starts the write-back now, so that the sync at the commit has less left to wait for.
    if (written)
        ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        ::unlink(temp.c_str());
        return "cannot write '" + temp + "'";
    }
    staged_.push_back({ temp, path });
    return {};
}

std::string StagedWrites::Commit(int32_t& committed)
{
    committed = 0;
    if (staged_.empty())
        return {};
    // One sync per file system holding the batch (its directories'); where that fails, one per file.
    bool synced = true;
    std::vector<std::string> dirs;
    for (const Entry& e : staged_) {
        std::string dir = fs::path(e.Temp).parent_path().string();
        if (std::find(dirs.begin(), dirs.end(), dir) == dirs.end())
            dirs.push_back(std::move(dir));
    }
    for (const std::string& dir : dirs) {
        const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_CLOEXEC);
        synced = synced && fd >= 0 && ::syncfs(fd) == 0;
        if (fd >= 0)
            ::close(fd);
    }
    for (size_t i = 0; !synced && i < staged_.size(); ++i) {
        if (!SyncFile(staged_[i].Temp)) {
            const std::string failure = "cannot write '" + staged_[i].Temp + "'";
            RemoveStaged(0);
            return failure;
        }
    }
    for (size_t i = 0; i < staged_.size(); ++i) {
        if (::rename(staged_[i].Temp.c_str(), staged_[i].Target.c_str()) != 0) {
            const std::string failure = "cannot replace '" + staged_[i].Target + "': " + std::strerror(errno);
            RemoveStaged(i);
            return failure;
        }
        ++committed;
    }
    staged_.clear();
    return {};
}
