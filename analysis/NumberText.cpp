#include "analysis/NumberText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

std::string FloatToStr(double x)
{
    if (std::isnan(x))
        return "NAN";
    if (std::isinf(x))
        return x < 0 ? "-INF" : "INF";
    if (x == 0)
        return "0";
    // 15 significant digits and the decimal exponent, rounded once by the C library.
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(x));
    std::string digits;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits += *p;
    const int exponent = std::atoi(p + 1);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string out = x < 0 ? "-" : "";
    if (exponent >= -5 && exponent < 15) {
        if (exponent >= 0) {
            const size_t intDigits = static_cast<size_t>(exponent) + 1;
            if (digits.size() <= intDigits) {
                out += digits + std::string(intDigits - digits.size(), '0');
            } else {
                out += digits.substr(0, intDigits) + "." + digits.substr(intDigits);
            }
        } else {
            out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
        }
        return out;
    }
    out += digits.substr(0, 1);
    if (digits.size() > 1)
        out += "." + digits.substr(1);
    out += "E" + std::to_string(exponent);
    return out;
}

std::string FormatThousands(double x)
{
    if (!std::isfinite(x))
        return FloatToStr(x);
    const double r = std::floor(std::fabs(x) + 0.5);
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.0f", r);
    const std::string plain = buf;
    std::string out;
    for (size_t i = 0; i < plain.size(); ++i) {
        if (i > 0 && (plain.size() - i) % 3 == 0)
            out += ',';
        out += plain[i];
    }
    return (x < 0 && r != 0) ? "-" + out : out;
}

bool StrToFloat(const std::string& text, double& value)
{
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t'))
        ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t'))
        --e;
    if (b == e)
        return false;
    const std::string t = text.substr(b, e - b);
    // Only decimal notation: no hex, no inf/nan words.
    for (char c : t)
        if (!std::strchr("0123456789+-.eE", c))
            return false;
    char* end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size() || !std::isfinite(v))
        return false;
    value = v;
    return true;
}
