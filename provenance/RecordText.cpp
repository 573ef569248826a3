#include "provenance/RecordText.h"

#include <cstdint>
#include <cstdio>

namespace morvane {

namespace {

// The code point of the UTF-8 sequence at `i` and its length; length 0 for a byte that starts no
// valid sequence (overlong forms, surrogates and values beyond U+10FFFF included).
size_t DecodeUtf8(std::string_view s, size_t i, uint32_t& code)
{
    const auto byte = [&s](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b = byte(i);
    size_t n = 0;
    if (b < 0x80) {
        code = b;
        return 1;
    }
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
        code = b & 0x1Fu;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        code = b & 0x0Fu;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        code = b & 0x07u;
    } else {
        return 0;
    }
    if (i + n > s.size())
        return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3Fu);
    }
    static constexpr uint32_t lowest[] = { 0, 0, 0x80, 0x800, 0x10000 };
    if (code < lowest[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return n;
}

bool Hidden(uint32_t code)
{
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || (code >= 0x202A && code <= 0x202E)
        || (code >= 0x2066 && code <= 0x2069);
}

} // namespace

bool IsPlainFileName(std::string_view name)
{
    return !name.empty() && name.size() <= FileNameMaxBytes && name != "." && name != ".."
        && name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

std::string Printable(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    char escape[16];
    for (size_t i = 0; i < text.size();) {
        uint32_t code = 0;
        const size_t n = DecodeUtf8(text, i, code);
        if (n == 0) {
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(text[i]));
            out += escape;
            ++i;
            continue;
        }
        if (!Hidden(code))
            out.append(text.substr(i, n));
        else if (code == '\n' || code == '\r' || code == '\t')
            out += code == '\n' ? "\\n" : code == '\r' ? "\\r" : "\\t";
        else if (code < 0x80)
            out += (std::snprintf(escape, sizeof escape, "\\x%02X", code), escape);
        else
            out += (std::snprintf(escape, sizeof escape, "\\u%04X", code), escape);
        i += n;
    }
    return out;
}

size_t NestingBeyond(std::string_view json, int maxDepth)
{
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (inString) {
            if (c == '\\')
                ++i; // the escaped character cannot end the string
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > maxDepth)
                return i;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return std::string_view::npos;
}

} // namespace morvane
