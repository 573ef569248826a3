#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace morvane {

// A record (sidecar) comes from outside: the checks its text passes before the program uses or
// shows it.

// The longest file name the usual file systems take, in bytes.
inline constexpr size_t FileNameMaxBytes = 255;

// A name that stays inside the directory it is joined to: not empty, at most FileNameMaxBytes,
// not "." or "..", no '/', '\\' or NUL.
bool IsPlainFileName(std::string_view name);

// Text of a record as it may go to a terminal: control characters (C0, DEL, C1), the characters
// that reorder text (U+202A..U+202E, U+2066..U+2069) and bytes that are not UTF-8 are written as
// escapes (\n, \r, \t, \xNN, \uNNNN); everything else, backslashes included, stays as it is, so
// showing a shown text again changes nothing. No escape sequence or line of its own can come from
// a record's text.
std::string Printable(std::string_view text);

// Where JSON text opens its (maxDepth + 1)-th nested array or object (brackets inside strings do
// not count), or npos when it never nests that deep.
size_t NestingBeyond(std::string_view json, int maxDepth);

} // namespace morvane
