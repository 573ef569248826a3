#include "analysis/Rounding.h"

#include <cmath>

namespace morvane {

double RoundSignificant(double x, int32_t digits)
{
    if (digits >= 10 || x == 0 || !std::isfinite(x))
        return x;
    if (digits < 2)
        digits = 1;
    double a = std::fabs(x);
    // The ceiling keeps an exact power of ten on its own exponent: 1000 to 2 digits stays 1000.
    const int e = static_cast<int>(std::ceil(std::log10(a)));
    a = a * std::pow(10.0, digits - e);
    a = std::floor(a + 0.5);
    a = a * std::pow(10.0, e - digits);
    return x < 0 ? -a : a;
}

double RoundToPowerOfTen(double x, int32_t p)
{
    double a = std::fabs(x);
    a = a * std::pow(10.0, -p);
    a = std::floor(a + 0.5);
    a = a * std::pow(10.0, p);
    return x < 0 ? -a : a;
}

double PadUp(double x, double f) { return x + std::fabs(x) * f; }

double PadDown(double x, double f) { return x - std::fabs(x) * f; }

} // namespace morvane
