#include "log/formats/NumberFields.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace gnsslog {

namespace {

// The "C" locale's isspace set, without calling the locale-aware isspace.
constexpr bool isCSpace(char c) noexcept
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Skips the blanks and one sign; returns whether the sign was '-'.
inline bool skipBlanksAndSign(const char*& p, const char* end) noexcept
{
    while (p != end && isCSpace(*p)) {
        ++p;
    }
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    return negative;
}

inline bool startsWithDigit(const char* p, const char* end) noexcept
{
    return p != end && static_cast<unsigned char>(*p) - unsigned{'0'} <= 9;
}

// A plain decimal's digits, whole and fraction together, form an integer
// below 2^53 when there are at most this many.
constexpr std::ptrdiff_t kPlainDecimalDigits = 15;
// Exact powers of ten: every one up to 1e22 is a double.
constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// Plain fields such as "4807.038": at most 15 digits and no exponent. Then
// the digits form an integer below 2^53 and the value is that integer over
// an exact power of ten; one IEEE division rounds correctly, so the result
// equals strtod's (Clinger's fast path). Returns where the number ends, or
// nullptr for anything else.
inline const char* plainDecimalEnd(const char* p, const char* end, double& value) noexcept
{
    // Digits are counted from the pointers, not one by one: this runs for
    // every number of every sentence.
    std::uint64_t mantissa = 0;
    const char* const first = p;
    while (p != end) {
        const unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
        if (digit > 9) {
            break;
        }
        mantissa = mantissa * 10 + digit;
        ++p;
    }
    const std::ptrdiff_t wholeDigits = p - first;
    std::ptrdiff_t fractionDigits = 0;
    if (p != end && *p == '.') {
        const char* const fraction = ++p;
        while (p != end) {
            const unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
            if (digit > 9) {
                break;
            }
            mantissa = mantissa * 10 + digit;
            ++p;
        }
        fractionDigits = p - fraction;
    }
    const std::ptrdiff_t digits = wholeDigits + fractionDigits;
    if (digits == 0 || digits > kPlainDecimalDigits || (p != end && (*p == 'e' || *p == 'E'))) {
        return nullptr;  // from_chars takes these (a wrapped mantissa is discarded here)
    }
    value = static_cast<double>(mantissa) / kPowersOfTen[fractionDigits];
    return p;
}

}  // namespace

std::int32_t parseInt32(const char* text, std::size_t length) noexcept
{
    const char* p = text;
    const char* const end = text + length;
    const bool negative = !startsWithDigit(p, end) && skipBlanksAndSign(p, end);

    // Accumulate the magnitude in 64 bits and stop growing it once past the
    // int32 range; the remaining digits cannot bring it back.
    constexpr std::int64_t cap = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; p != end; ++p) {
        const unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
        if (digit > 9) {
            break;
        }
        if (magnitude < cap) {
            magnitude = magnitude * 10 + digit;
        }
    }
    if (negative) {
        return magnitude >= cap ? std::numeric_limits<std::int32_t>::min()
                                : static_cast<std::int32_t>(-magnitude);
    }
    return magnitude >= cap ? std::numeric_limits<std::int32_t>::max()
                            : static_cast<std::int32_t>(magnitude);
}

double parseDecimal(const char* text, std::size_t length) noexcept
{
    const char* p = text;
    const char* const end = text + length;
    bool negative = false;
    // Nearly every field starts with a digit: nothing to skip then.
    if (!startsWithDigit(p, end)) {
        negative = skipBlanksAndSign(p, end);
        // from_chars takes a '-' of its own; after our sign strtod would
        // take none ("+-5" and "--5" are no number), so neither do we.
        if (p == end || *p == '-') {
            return 0.0;
        }
    }
    double value = 0.0;
    if (plainDecimalEnd(p, end, value) != nullptr) {
        return negative ? -value : value;
    }
    const std::from_chars_result result = std::from_chars(p, end, value, std::chars_format::general);
    if (result.ec == std::errc::invalid_argument || (result.ec == std::errc{} && !std::isfinite(value))) {
        return 0.0;  // no number, or "inf"/"nan" spelt out
    }
    if (result.ec == std::errc::result_out_of_range) {
        // Underflow is a signed 0 in strtod too; overflow would be infinite
        // and reads as 0 as well, keeping the sign for simplicity.
        value = 0.0;
    }
    return negative ? -value : value;
}

bool readWholeDecimal(const char* text, std::size_t length, double& value) noexcept
{
    const char* p = text;
    const char* const end = text + length;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p == end || *p == '+' || *p == '-') {
        return false;
    }
    double magnitude = 0.0;
    if (plainDecimalEnd(p, end, magnitude) != end) {
        const auto [last, error] = std::from_chars(p, end, magnitude, std::chars_format::general);
        if (error != std::errc{} || last != end || !std::isfinite(magnitude)) {
            return false;
        }
    }
    value = negative ? -magnitude : magnitude;
    return true;
}

const char* scanPlainDecimal(const char* text, double& value) noexcept
{
    // The most a plain number takes is its digits, the point and the
    // character after them; reading stops at the first non-digit, so no
    // byte past the terminator is read.
    constexpr std::ptrdiff_t kLongest = kPlainDecimalDigits + 2;
    if (!startsWithDigit(text, text + 1)) {
        return nullptr;
    }
    return plainDecimalEnd(text, text + kLongest, value);
}

const char* scanDigitsInt32(const char* text, std::int32_t& value) noexcept
{
    // Nine digits cannot leave the int32 range.
    constexpr int kMostDigits = 9;
    std::int32_t magnitude = 0;
    int digits = 0;
    for (;; ++digits) {
        const unsigned digit = static_cast<unsigned char>(text[digits]) - unsigned{'0'};
        if (digit > 9) {
            break;
        }
        if (digits == kMostDigits) {
            return nullptr;
        }
        magnitude = magnitude * 10 + static_cast<std::int32_t>(digit);
    }
    if (digits == 0) {
        return nullptr;
    }
    value = magnitude;
    return text + digits;
}

}  // namespace gnsslog
