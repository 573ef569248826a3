#pragma once
#include <string>

namespace morvane {

// General float formatting of the program's outputs: 15 significant digits, no trailing zeros,
// fixed notation for magnitudes from 0.00001 up to 15 integer digits, otherwise mantissa "E" exponent
// ("1.5E-6", "2E20": no plus sign, no leading zeros). Zero is "0"; decimal separator ".".
std::string FloatToStr(double x);

// x rounded to an integer with thousands grouped by ",": 1234567.6 gives "1,234,568", 0 gives "0".
std::string FormatThousands(double x);

// Text to number with "." as decimal separator, as files and the program's own texts hold it,
// whatever the locale: optional blanks around, the whole text must be one number.
// Returns false for anything else (letters, a ",", empty text, trailing junk, infinities).
bool StrToFloat(const std::string& text, double& value);

// The decimal separator of the C library's current locale ("," under de_DE.UTF-8): the user's,
// once the toolkit has set the locale from the environment at start-up. "." when none is set.
std::string CurrentDecimalSeparator();

// Text the user typed into a field: "." or the user's own decimal separator (one of them, once);
// no digit grouping. Otherwise as StrToFloat.
bool UserTextToFloat(
    const std::string& text, double& value, const std::string& decimalSeparator = CurrentDecimalSeparator());

} // namespace morvane
