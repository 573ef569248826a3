#include "scanfiles/DirectoryWatch.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __linux__
#include <sys/inotify.h>
#endif

namespace morvane {

namespace {

int64_t Nanoseconds(const timespec& t) { return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec; }

int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

DirectoryWatch::DirectoryWatch(Mode mode)
    : notify_(mode == Mode::Notify)
{
}

DirectoryWatch::~DirectoryWatch()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool DirectoryWatch::Notifying() const { return !watchUsers_.empty(); }

DirectoryWatch::Status DirectoryWatch::StatusOf(const std::string& dir)
{
    Status s;
    struct stat st { };
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return s;
    s.Exists = true;
    s.Device = static_cast<uint64_t>(st.st_dev);
    s.Inode = static_cast<uint64_t>(st.st_ino);
    s.ModifiedNs = Nanoseconds(st.st_mtim);
    s.ChangedNs = Nanoseconds(st.st_ctim);
    return s;
}

void DirectoryWatch::AddWatch(const std::string& dir, Entry& entry)
{
#ifdef __linux__
    // Made at the first directory, so that an object that never looks holds no instance (the
    // kernel allows a user few). None to be had: status only.
    if (notify_ && fd_ < 0) {
        fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        notify_ = fd_ >= 0;
    }
    if (fd_ < 0 || entry.Watch >= 0)
        return;
    // Failing (no such directory yet, the kernel's limit of watches, a file system without
    // notification) leaves the directory to its status, and the next call tries again.
    const int wd = ::inotify_add_watch(fd_, dir.c_str(),
        IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB | IN_DELETE_SELF
            | IN_MOVE_SELF | IN_ONLYDIR);
    if (wd >= 0) {
        entry.Watch = wd;
        ++watchUsers_[wd];
    }
#else
    (void)dir;
    (void)entry;
#endif
}

void DirectoryWatch::DropWatch(Entry& entry)
{
    if (entry.Watch < 0)
        return;
    const auto users = watchUsers_.find(entry.Watch);
    if (users != watchUsers_.end() && --users->second == 0) {
#ifdef __linux__
        ::inotify_rm_watch(fd_, entry.Watch);
#endif
        watchUsers_.erase(users);
    }
    entry.Watch = -1;
}

void DirectoryWatch::DrainNotifications()
{
#ifdef __linux__
    if (fd_ < 0)
        return;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0)
            break; // EAGAIN: nothing more pending
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
            const bool lost = (event.mask & IN_Q_OVERFLOW) != 0; // notifications were lost: any may have changed
            if (!lost && !watchUsers_.contains(event.wd))
                continue; // a watch dropped before
            for (auto& [dir, entry] : dirs_) {
                if (!lost && entry.Watch != event.wd)
                    continue;
                entry.Notified = true;
                // The directory is gone (or replaced), its watch with it: the next call watches anew.
                if (!lost && (event.mask & IN_IGNORED))
                    entry.Watch = -1;
            }
            if (!lost && (event.mask & IN_IGNORED))
                watchUsers_.erase(event.wd);
        }
    }
#endif
}

std::vector<std::string> DirectoryWatch::ChangedAmong(const std::vector<std::string>& dirs)
{
    DrainNotifications();
    const std::set<std::string> wanted(dirs.begin(), dirs.end());
    for (auto it = dirs_.begin(); it != dirs_.end();) {
        if (wanted.contains(it->first)) {
            ++it;
            continue;
        }
        DropWatch(it->second);
        it = dirs_.erase(it);
    }
    const int64_t now = NowNs();
    std::vector<std::string> changed;
    for (const std::string& dir : wanted) {
        const auto [at, added] = dirs_.try_emplace(dir);
        Entry& entry = at->second;
        const bool watched = entry.Watch >= 0;
        AddWatch(dir, entry);
        const Status status = StatusOf(dir);
        // A watch made now may have missed what happened since the last call.
        if (added || entry.Notified || (!watched && entry.Watch >= 0) || status != entry.Last
            || (status.Exists && now - status.ModifiedNs < int64_t { RecentSeconds } * 1000000000))
            changed.push_back(dir);
        entry.Last = status;
        entry.Notified = false;
    }
    return changed;
}

} // namespace morvane
