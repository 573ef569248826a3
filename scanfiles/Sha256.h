#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace morvane {

// SHA-256 digests (OpenSSL's libcrypto), written as 64 lower-case hexadecimal digits.

std::string Sha256Hex(std::string_view bytes);

struct FileDigest {
    bool Read = false; // false: no regular file, or it could not be opened or read to its end
    int64_t Size = -1; // bytes
    std::string Sha256;
};

// The digest of a whole regular file, read in pieces (a file of any size). Anything else (a
// directory, a pipe, a device) is not read: Read false, at once.
FileDigest DigestOfFile(const std::string& path);

} // namespace morvane
