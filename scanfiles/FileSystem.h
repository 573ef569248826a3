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
// otherwise what failed.
std::string WriteFileAtomically(const std::string& path, const std::string& contents);

// dir + the platform's delimiter (added only if missing) + name.
std::string JoinPath(const std::string& dir, const std::string& name);

// The order of a sorted list box: byte-wise ignoring case, a prefix first.
bool NameLessIgnoringCase(const std::string& a, const std::string& b);

// Sorts names ascending, ignoring case (equal names keep their order).
void SortNamesIgnoringCase(std::vector<std::string>& names);
