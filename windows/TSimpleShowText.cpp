#include "windows/TSimpleShowText.h"

#include <algorithm>

#include "scanfiles/ScanText.h"

namespace morvane {

namespace {

void AppendCodePoint(std::string& out, unsigned code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Length of the well-formed UTF-8 sequence of more than one byte at `p`, or 0; 0 as well for a
// C1 control character, which would not show.
size_t Utf8Length(const unsigned char* p, const unsigned char* end)
{
    const unsigned char c = *p;
    size_t n = 0;
    unsigned min = 0;
    if ((c & 0xE0) == 0xC0) {
        n = 2;
        min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3;
        min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (static_cast<size_t>(end - p) < n)
        return 0;
    unsigned code = c & (0x3F >> (n - 1));
    for (size_t i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code >= min && code >= 0xA0 && code <= 0x10FFFF && !surrogate ? n : 0;
}

} // namespace

TSimpleShowText::TSimpleShowText(WindowHost* host)
    : host_(host ? host : &silentHost_)
{
}

void TSimpleShowText::SetHost(WindowHost* host) { host_ = host ? host : &silentHost_; }

void TSimpleShowText::EditFileNameChange()
{
    std::string bytes;
    const int64_t n = ReadWholeFile(EditFileName, bytes, MaxShownBytes + 1);
    if (n < 0) {
        host_->ShowMessage(ReadFileErrorMessage);
        return;
    }
    const bool cut = bytes.size() > MaxShownBytes;
    if (cut)
        bytes.resize(MaxShownBytes);
    std::vector<std::string> lines;
    for (std::string_view line : SplitLines(bytes))
        lines.push_back(DisplayLine(line));
    if (cut)
        lines.push_back("[only the first " + std::to_string(MaxShownBytes) + " bytes are shown]");
    Memo1 = std::move(lines);
    ++Memo1Loads;
}

void TSimpleShowText::FormResize(int32_t width, int32_t height)
{
    const int32_t w = std::max(width - Memo1Left - 20, 200);
    const int32_t h = std::max(height - Memo1Top - 40, 200);
    Width = width;
    Height = height;
    Memo1Width = w;
    EditFileNameWidth = w;
    Memo1Height = h;
}

std::string TSimpleShowText::DisplayLine(std::string_view line)
{
    std::string out;
    out.reserve(line.size());
    const auto* p = reinterpret_cast<const unsigned char*>(line.data());
    const auto* const end = p + line.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c == '\t' || (c >= 0x20 && c < 0x7F)) {
            out += static_cast<char>(c);
            ++p;
        } else if (c < 0x20 || c == 0x7F) {
            AppendCodePoint(out, 0xB7);
            ++p;
        } else if (const size_t n = Utf8Length(p, end)) {
            out.append(reinterpret_cast<const char*>(p), n);
            p += n;
        } else {
            // C1 controls of Latin-1 would be invisible too.
            AppendCodePoint(out, c < 0xA0 ? 0xB7u : c);
            ++p;
        }
    }
    return out;
}

} // namespace morvane
