#pragma once
#include <string>
#include <vector>

// File masks such as "0*.RA1": '*' any run of characters, '?' one character; compared
// without regard to case on every platform, as the instrument's file system does.
bool MatchesMask(const std::string& name, const std::string& mask);

// Names (no directory) of the entries of `dir` that match `mask`, in directory order.
// A directory that cannot be listed yields no names; `ok` (if given) tells the two apart.
std::vector<std::string> ListFiles(const std::string& dir, const std::string& mask, bool* ok = nullptr);

// Whether at least one entry of `dir` matches `mask`; stops at the first match.
bool AnyFileMatches(const std::string& dir, const std::string& mask);

// Writes `contents` to a temporary file beside `path` and renames it over `path`, so an
// existing file is never lost to a failed write. Returns an empty text on success,
// otherwise what failed. First removes the stale temporaries of earlier writes into the same
// directory (StaleTemporaryOwner): those of processes that no longer run, and any older than a day.
std::string WriteFileAtomically(const std::string& path, const std::string& contents);

// Removes the temporaries that writes into `dir` left behind: a write that was killed (or a machine
// that stopped) never renames its temporary. Those of running processes may be in use and stay,
// unless older than a day.
void RemoveStaleTemporaries(const std::string& dir);

// The name of the temporary file that WriteFileAtomically writes for fileName (no directory):
// "." + the start of fileName + ".morvane-tmp" + pid, at most 255 bytes (fileName is cut at a
// character boundary when needed), so every name the file system takes can be written.
std::string AtomicTemporaryName(const std::string& fileName, long pid);

// The process id in a name that AtomicTemporaryName made; -1 for any other name.
long TemporaryOwner(const std::string& name);

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
