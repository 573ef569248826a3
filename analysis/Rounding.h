#pragma once
#include <cstdint>

namespace morvane {

// x rounded to `digits` significant digits (halves away from zero); digits >= 10 or x == 0: x unchanged.
double RoundSignificant(double x, int32_t digits);
// x rounded to a whole multiple of 10^p (p = -2: two decimals, p = 1: tens).
double RoundToPowerOfTen(double x, int32_t p);
// Widen a range end by a fraction f of its own magnitude: a maximum goes up, a minimum down.
double PadUp(double x, double f);
double PadDown(double x, double f);

} // namespace morvane
