#pragma once
#include <string>

// General float formatting of the program's outputs: 15 significant digits, no trailing zeros,
// fixed notation for magnitudes from 0.00001 up to 15 integer digits, otherwise mantissa "E" exponent
// ("1.5E-6", "2E20": no plus sign, no leading zeros). Zero is "0"; decimal separator ".".
std::string FloatToStr(double x);

// x rounded to an integer with thousands grouped by ",": 1234567.6 gives "1,234,568", 0 gives "0".
std::string FormatThousands(double x);

// Text to number as a user types it: optional blanks around, the whole text must be one number.
// Returns false for anything else (letters, empty text, trailing junk, infinities).
bool StrToFloat(const std::string& text, double& value);
