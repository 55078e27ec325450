// Numbers as text for files, reports and tests: the digits of C printf in
// the "C" locale, whatever locale the process runs in.
//
// printf, std::to_string(double) and an iostream imbued with the user's
// locale take the decimal point from the locale, and a Qt application sets
// the process locale from the environment when it starts; under fi_FI a
// "%.4f" then writes "0,0078" and a CSV row falls apart. These functions
// use std::to_chars, which never reads the locale. Each matches the printf
// format named beside it digit for digit: ties round to even on the exact
// binary value, "-" stays on a negative value that rounds to zero, and
// infinities and NaN read "inf", "-inf", "nan" and "-nan". None of them
// throws except for running out of memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace gnsslog {

// Most decimals the fixed format writes; more are taken as this many.
inline constexpr int kMaxFixedDecimals = 64;
// Most significant digits the general format writes; more are taken as this many.
inline constexpr int kMaxGeneralDigits = 40;

// printf("%.*f", decimals, value): "0.0078" for (0.0078125, 4). A negative
// count is taken as 0.
void appendFixed(std::string& out, double value, int decimals);
std::string formatFixed(double value, int decimals);

// printf("%.*g", digits, value): "1.0000000000000001e-05" for (1e-5, 17).
// A count below 1 is taken as 1, as printf does with 0.
void appendGeneral(std::string& out, double value, int digits);
std::string formatGeneral(double value, int digits);

// printf("%.*lld", minDigits, value): at least minDigits digits, zeros in
// front, the sign outside them ("-07" for (-7, 2)). For values from 0 up
// this is also printf("%0*d").
void appendInt(std::string& out, std::int64_t value, int minDigits = 1);
std::string formatInt(std::int64_t value, int minDigits = 1);

// Text in a column of `width` characters (bytes), as printf("%*s") and
// printf("%-*s") lay it out: spaces before, or after; longer text is kept
// whole.
std::string alignRight(std::string_view text, std::size_t width);
std::string alignLeft(std::string_view text, std::size_t width);

}  // namespace gnsslog
