#pragma once
// Time and number texts shared by the labels, dialogs and scripts.

#include <array>
#include <cstdint>
#include <string>

namespace kavrel {

// Rounds to the nearest integer, halves to the even neighbour.
int64_t roundHalfEven(double v);

// v * 10^n rounded, written with n decimals; `strip` drops trailing zeros and
// a trailing ".". n is 1..6.
std::string formatFixed(int n, bool strip, double v);

// Seconds as "m:ss.fff" / "s.fff" (d = 3) or "m:ss.ff s" / "s.ff s" (d = 2).
std::string formatTime(int d, double t);


// Decimal with "," between groups of three digits: 1,234,567.
std::string formatGrouped(int64_t value);

// " 2.6E-0002": sign or blank, two significant digits, signed 4-digit exponent.
std::string formatExponent2(double v);

}  // namespace kavrel
