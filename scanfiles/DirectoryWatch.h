#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace morvane {

// Tells a periodic look whether the directories it lists may have changed since its last look, so
// that it lists them only then. Two signs are taken: the kernel's change notification (inotify on
// Linux), which also reports files written in place; and each directory's own status (identity and
// modification time), which catches what notification misses (changes made by another machine on a
// network file system) and serves alone where there is no notification (Mode::Poll, another
// platform, or the kernel's limit of watches reached).
class DirectoryWatch {
public:
    enum class Mode { Notify, Poll };
    // A directory last modified this recently is looked at again: a file system whose clock is
    // coarse (whole seconds, or two) can give a second change the time of the first.
    static constexpr int32_t RecentSeconds = 3;

    explicit DirectoryWatch(Mode mode = Mode::Notify);
    ~DirectoryWatch();
    DirectoryWatch(const DirectoryWatch&) = delete;
    DirectoryWatch& operator=(const DirectoryWatch&) = delete;

    // Watches exactly `dirs` from now on, and returns those of them (sorted, once each) that may
    // have changed since the previous call: an entry made, removed or renamed, a file written, the
    // directory made, replaced or gone. A directory new to the watch counts as changed, as does one
    // modified within RecentSeconds.
    std::vector<std::string> ChangedAmong(const std::vector<std::string>& dirs);
    // Whether any of them may have changed (ChangedAmong, not empty).
    bool Changed(const std::vector<std::string>& dirs) { return !ChangedAmong(dirs).empty(); }
    // Whether the kernel's change notification is in use for at least one directory.
    bool Notifying() const;

private:
    struct Status {
        bool Exists = false;
        uint64_t Device = 0, Inode = 0;
        int64_t ModifiedNs = 0, ChangedNs = 0;
        bool operator==(const Status&) const = default;
    };
    struct Entry {
        int Watch = -1; // inotify watch descriptor; -1: none (status only)
        Status Last;
        bool Notified = false; // a notification came since the last call
    };
    static Status StatusOf(const std::string& dir);
    // Reads the pending notifications and marks the directories they concern.
    void DrainNotifications();
    void AddWatch(const std::string& dir, Entry& entry);
    void DropWatch(Entry& entry);

    bool notify_; // notification wanted, and an instance to be had
    int fd_ = -1; // the inotify instance; -1: none
    std::map<std::string, Entry> dirs_;
    std::map<int, int> watchUsers_; // watch descriptor -> entries that share it (one directory under two names)
};

} // namespace morvane
