#include "analysis/NumberText.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <system_error>

namespace morvane {

// Every conversion here goes through <charconv>, which knows no locale: the program's text is the
// same whatever decimal separator the user's locale, set by the toolkit at start-up, would use.

std::string FloatToStr(double x)
{
    if (std::isnan(x))
        return "std::numeric_limits<double>::quiet_NaN()";
    if (std::isinf(x))
        return x < 0 ? "-INF" : "INF";
    if (x == 0)
        return "0";
    // 15 significant digits and the decimal exponent, rounded once.
    char buf[40];
    const std::to_chars_result r
        = std::to_chars(buf, buf + sizeof buf - 1, std::fabs(x), std::chars_format::scientific, 14);
    *r.ptr = '\0';
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
    const std::to_chars_result end = std::to_chars(buf, buf + sizeof buf, r, std::chars_format::fixed, 0);
    const std::string plain(buf, end.ptr);
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
    // Only decimal notation: no hex, no inf/nan words.
    for (size_t i = b; i < e; ++i)
        if (!std::strchr("0123456789+-.eE", text[i]))
            return false;
    // A plus sign may lead, as in "+5"; <charconv> takes only the minus.
    if (text[b] == '+' && b + 1 < e && text[b + 1] != '-' && text[b + 1] != '+')
        ++b;
    double v = 0;
    const std::from_chars_result r = std::from_chars(text.data() + b, text.data() + e, v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != text.data() + e || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

std::string CurrentDecimalSeparator()
{
    const std::lconv* c = std::localeconv();
    return c && c->decimal_point && *c->decimal_point ? c->decimal_point : ".";
}

bool UserTextToFloat(const std::string& text, double& value, const std::string& decimalSeparator)
{
    if (decimalSeparator.empty() || decimalSeparator == ".")
        return StrToFloat(text, value);
    const size_t at = text.find(decimalSeparator);
    if (at == std::string::npos)
        return StrToFloat(text, value);
    // One decimal mark: a text with both marks, or the user's twice, is not one number.
    if (text.find('.') != std::string::npos || text.find(decimalSeparator, at + 1) != std::string::npos)
        return false;
    std::string t = text;
    t.replace(at, decimalSeparator.size(), ".");
    return StrToFloat(t, value);
}

} // namespace morvane
