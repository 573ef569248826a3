#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace morvane {

// The batch writer: files written as WriteFileAtomically writes one, each to a temporary file beside
// its target (made as CreateTemporaryFor makes it), made durable, then renamed over the target, so
// a target holds its old text or its whole new text, never part of it. Here the files are made
// durable together, with one sync of the file system before the renames instead of one per file: a
// run of 999 scans would otherwise wait for 999 syncs (about 10 s on a disk that takes 10 ms each).
class StagedWrites {
public:
    StagedWrites() = default;
    StagedWrites(const StagedWrites&) = delete;
    StagedWrites& operator=(const StagedWrites&) = delete;
    // Removes the temporary files of a batch that was not committed.
    ~StagedWrites();

    // Writes `contents` to a temporary file beside `path`. Returns an empty text or what failed.
    std::string Stage(const std::string& path, const std::string& contents);
    // Makes every staged file durable, then renames each over its target in the order staged. A
    // file that cannot be made durable or renamed keeps its target as it was; the others are
    // committed all the same. Returns an empty text or what failed first; `committed` counts the
    // targets replaced, `failures` (if given) receives the others, each with what failed. The batch
    // is empty afterwards.
    std::string Commit(int32_t& committed, std::vector<std::pair<std::string, std::string>>* failures = nullptr);
    size_t Count() const { return staged_.size(); }

private:
    struct Entry {
        std::string Temp;
        std::string Target;
    };
    void RemoveStaged();
    std::vector<Entry> staged_;
    std::vector<std::string> cleanedDirs_; // directories whose stale temporaries were removed
};

} // namespace morvane
