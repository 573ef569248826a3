#include "chart/TickLabels.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace morvane {

namespace {

constexpr int MaxDigits = 12;
// Beyond these magnitudes fixed labels would be long rows of digits or zeros.
constexpr double ScientificAbove = 1e5;
constexpr double ScientificBelow = 1e-3;

std::string Fixed(double x, int digits)
{
    char text[64];
    const auto r = std::to_chars(text, text + sizeof text, x, std::chars_format::fixed, digits);
    std::string s(text, r.ptr);
    if (s.find_first_not_of("-0.") == std::string::npos && !s.empty() && s[0] == '-')
        s.erase(0, 1); // no "-0.00"
    return s;
}

// Decimal exponent of x's leading digit; 0 for 0.
int ExponentOf(double x) { return x == 0 ? 0 : static_cast<int>(std::floor(std::log10(std::fabs(x)))); }

// x as mantissa "e" exponent with `digits` decimals in the mantissa ("2.50e-4"), its mantissa
// rounded before the exponent is fixed so that 9.99e-4 to one decimal reads 1.0e-3.
std::string Scientific(double x, int digits)
{
    if (x == 0)
        return "0";
    int e = ExponentOf(x);
    double m = x / std::pow(10.0, e);
    const double scale = std::pow(10.0, digits);
    if (std::fabs(std::round(m * scale) / scale) >= 10) {
        ++e;
        m /= 10;
    }
    return Fixed(m, digits) + "e" + std::to_string(e);
}

double ValueOf(const std::string& label)
{
    double v = 0;
    std::from_chars(label.data(), label.data() + label.size(), v);
    return v;
}

} // namespace

std::vector<std::string> TickLabels(const std::vector<double>& ticks, bool logarithmic)
{
    std::vector<std::string> labels;
    if (ticks.empty())
        return labels;
    double largest = 0, step = 0;
    for (size_t i = 0; i < ticks.size(); ++i) {
        largest = std::max(largest, std::fabs(ticks[i]));
        const double gap = i > 0 ? std::fabs(ticks[i] - ticks[i - 1]) : 0;
        if (gap > 0 && (step == 0 || gap < step))
            step = gap;
    }
    if (step == 0)
        step = largest > 0 ? largest : 1;
    const bool scientific = largest >= ScientificAbove || (largest > 0 && largest < ScientificBelow);
    auto format = [scientific](double x, int d) { return scientific ? Scientific(x, d) : Fixed(x, d); };
    // A label may be off by a thousandth of the step (linear) or of its own value (logarithmic).
    auto readsBack = [&](size_t i, int d) {
        const double t = ticks[i];
        return std::fabs(ValueOf(format(t, d)) - t) <= 1e-3 * (logarithmic ? std::fabs(t) : step);
    };
    // The fewest digits with which ticks first .. last - 1 read back.
    auto digitsFor = [&](size_t first, size_t last) {
        int d = 0;
        for (size_t i = first; i < last; ++i)
            while (d < MaxDigits && !readsBack(i, d))
                ++d;
        return d;
    };
    const int common = digitsFor(0, ticks.size());
    for (size_t i = 0; i < ticks.size(); ++i)
        labels.push_back(format(ticks[i], logarithmic ? digitsFor(i, i + 1) : common));
    return labels;
}

} // namespace morvane
