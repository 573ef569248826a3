#include "scanfiles/Sha256.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvane {

namespace {

using Context = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

Context NewContext()
{
    Context context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        context.reset();
    return context;
}

std::string Finish(EVP_MD_CTX* context)
{
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest {};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context, digest.data(), &length) != 1)
        return {};
    static const char* hex = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 0xF];
    }
    return text;
}

} // namespace

std::string Sha256Hex(std::string_view bytes)
{
    const Context context = NewContext();
    if (!context || EVP_DigestUpdate(context.get(), bytes.data(), bytes.size()) != 1)
        return {};
    return Finish(context.get());
}

FileDigest DigestOfFile(const std::string& path)
{
    FileDigest d;
    // O_NONBLOCK: opening a pipe must not wait for a writer; it is refused below anyway.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return d;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer { fd };
    // Only a regular file has an end: a pipe or a device (a link to /dev/zero) would be read forever.
    struct stat info { };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return d;
    const Context context = NewContext();
    if (!context)
        return d;
    std::array<char, 1 << 16> buffer {};
    int64_t size = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return d; // an I/O fault before the end
        if (got == 0)
            break;
        if (EVP_DigestUpdate(context.get(), buffer.data(), static_cast<size_t>(got)) != 1)
            return d;
        size += got;
    }
    d.Sha256 = Finish(context.get());
    d.Read = !d.Sha256.empty();
    d.Size = d.Read ? size : -1;
    return d;
}

} // namespace morvane
