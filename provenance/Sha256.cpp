#include "provenance/Sha256.h"

#include <array>
#include <fstream>
#include <memory>
#include <openssl/evp.h>

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
    std::ifstream in(path, std::ios::binary);
    const Context context = NewContext();
    if (!in || !context)
        return d;
    std::array<char, 1 << 16> buffer {};
    int64_t size = 0;
    while (in) {
        in.read(buffer.data(), buffer.size());
        const std::streamsize got = in.gcount();
        if (got > 0 && EVP_DigestUpdate(context.get(), buffer.data(), static_cast<size_t>(got)) != 1)
            return d;
        size += got;
    }
    if (!in.eof())
        return d; // a read error before the end (a directory, an I/O fault)
    d.Sha256 = Finish(context.get());
    d.Read = !d.Sha256.empty();
    d.Size = d.Read ? size : -1;
    return d;
}
