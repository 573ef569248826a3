#pragma once
#include <string>
#include <utility>
#include <vector>

namespace morvane {

// File masks such as "0*.RA1": '*' any run of characters, '?' one character; compared
// without regard to case on every platform, as the instrument's file system does.
bool MatchesMask(const std::string& name, const std::string& mask);

// Names (no directory) of the entries of `dir` that match `mask`, in directory order.
// A directory that cannot be listed yields no names; `ok` (if given) tells the two apart.
std::vector<std::string> ListFiles(const std::string& dir, const std::string& mask, bool* ok = nullptr);

// Whether at least one entry of `dir` matches `mask`; stops at the first match.
bool AnyFileMatches(const std::string& dir, const std::string& mask);

// Writes `contents` to a temporary file beside `path` (CreateTemporaryFor) and renames it over
// `path`, so an existing file is never lost to a failed write. Returns an empty text on success,
// otherwise what failed. First removes the stale temporaries of earlier writes into the same
// directory (RemoveStaleTemporaries).
std::string WriteFileAtomically(const std::string& path, const std::string& contents);

// Writes files (path, contents) as WriteFileAtomically writes each, made durable together: all are
// written to their temporaries before any is synced, so that one commit of the file system's
// journal takes them all, then each is synced and renamed over its target in the order given. A
// file is renamed only when every file before it was; the ones after a failure keep their targets
// as they were. Returns one text per file: empty when it was written, otherwise what failed.
std::vector<std::string> WriteFilesAtomically(const std::vector<std::pair<std::string, std::string>>& files);

// Creates the temporary file for a write of `target`, in the target's directory, under a name
// nobody can foresee (AtomicTemporaryName with random characters), exclusively and never through
// a symbolic link: a file or link planted under any name is never written through. Returns the
// descriptor open for writing, with the path in `temp`; -1 with what failed in `failure`.
int CreateTemporaryFor(const std::string& target, std::string& temp, std::string& failure);

// Writes all of `contents` to the descriptor, going on after interrupted writes; false when a write fails.
bool WriteWhole(int fd, const std::string& contents);

// Removes the temporaries that writes into `dir` left behind: a write that was killed (or a machine
// that stopped) never renames its temporary. Only regular files of this user whose names
// AtomicTemporaryName made are removed, those of processes that no longer run or older than a
// day; those of running processes may be in use and stay.
void RemoveStaleTemporaries(const std::string& dir);

// The name of a temporary file for fileName (no directory): "." + the start of fileName +
// ".morvane-tmp" + pid + "-" + unique, at most 255 bytes (fileName is cut at a character boundary
// when needed), so every name the file system takes can be written.
std::string AtomicTemporaryName(const std::string& fileName, long pid, const std::string& unique);

// The process id in a name that AtomicTemporaryName made (or that earlier versions made, without
// "-" + unique); -1 for any other name.
long TemporaryOwner(const std::string& name);

// Whether `dir` holds a scan file: a regular file (or a link to one) whose name the reader takes as
// a scan (IsScanKindName).
bool HoldsScanFiles(const std::string& dir);

// Why an output must not be written at `target`, as part of a sentence ("its name is that of a scan
// file and DIR holds scan files"): a run's raw scans would be replaced, or joined by a file that is
// none of them. Empty when the name is no scan file's name or its directory holds no scan file.
std::string ScanOverwriteReason(const std::string& target);

// The window's refusal: "Will not write TARGET: " + the reason + ". Choose another name or folder.";
// empty when ScanOverwriteReason is.
std::string ScanOverwriteRefusal(const std::string& target);

// `path` as seen from startDir: startDir/path, or path itself when absolute, with "." and ".."
// taken out as written and no trailing delimiter; empty stays empty. The program changes its
// working directory to the run it reads; a path typed on its command line means the directory it
// was started in.
std::string AbsolutePathFrom(const std::string& startDir, const std::string& path);

// dir + the platform's delimiter (added only if missing) + name.
std::string JoinPath(const std::string& dir, const std::string& name);

// The order of a sorted list box: byte-wise ignoring case, a prefix first.
bool NameLessIgnoringCase(const std::string& a, const std::string& b);

// Sorts names ascending, ignoring case (equal names keep their order).
void SortNamesIgnoringCase(std::vector<std::string>& names);

} // namespace morvane
