// Locale-free conversion of NMEA number fields.
//
// The fields are short ASCII texts cut out of a sentence. Both conversions
// keep the tolerance of C's strtol and strtod in the "C" locale: leading
// blanks (the isspace set: space, \t, \n, \v, \f, \r) and one sign, '+' or
// '-', are accepted, reading stops at the first character that does not fit
// the number, and a text with no number in it gives 0. They differ from the
// C functions on purpose in three ways:
//   - integers saturate at the int32 limits instead of wrapping on storage;
//   - a decimal whose value is not finite ("nan", "inf", "1e999") gives 0,
//     so a corrupt field cannot poison sums and square roots downstream;
//   - decimals are decimal only: hex floats are not NMEA, so "0x1p3" reads
//     its leading "0".
// The decimal digits are converted by std::from_chars, which rounds
// correctly and ignores the locale, so the value equals strtod's.
//
// text need not be zero-terminated: only [text, text + length) is read.
// None of these throws or allocates.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gnsslog {

// Integer value of the text, base 10, saturated to [INT32_MIN, INT32_MAX].
std::int32_t parseInt32(const char* text, std::size_t length) noexcept;

// Decimal value of the text (digits, optional point, optional exponent);
// 0 for no number and for non-finite results. Out-of-range magnitudes
// give a 0 with the text's sign (strtod does so for underflow).
double parseDecimal(const char* text, std::size_t length) noexcept;

// The whole of the text as a finite decimal (one optional sign, digits, an
// optional point and exponent); false, value untouched, for anything else.
bool readWholeDecimal(const char* text, std::size_t length, double& value) noexcept;

// The common field forms in one pass over a zero-terminated text, for
// readers that find a field's end from its number: the text's start must
// be a digit. Return the end of the number, having set value to what
// parseDecimal and parseInt32 give for the text up to there; nullptr (value
// untouched) when the text is not of the form, and the general parse must
// be used.
// scanPlainDecimal: digits, an optional point and digits, at most 15 digits
// in all, no exponent.
const char* scanPlainDecimal(const char* text, double& value) noexcept;
// scanDigitsInt32: one to nine digits.
const char* scanDigitsInt32(const char* text, std::int32_t& value) noexcept;

}  // namespace gnsslog
