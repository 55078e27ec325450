#include "common/FormatNumber.h"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace gnsslog {

namespace {

// "%.64f" of the largest double: sign, 309 integer digits, point, decimals.
constexpr std::size_t kFixedBufferSize = 1 + 309 + 1 + kMaxFixedDecimals + 1;
// "%.40g": sign, 40 digits, point, "e-308", or up to four zeros after "0."
// when the exponent is small.
constexpr std::size_t kGeneralBufferSize = 64;

}  // namespace

void appendFixed(std::string& out, double value, int decimals)
{
    char buffer[kFixedBufferSize];
    const int precision = std::clamp(decimals, 0, kMaxFixedDecimals);
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
    if (result.ec == std::errc()) {
        out.append(buffer, result.ptr);
    }
}

std::string formatFixed(double value, int decimals)
{
    std::string text;
    appendFixed(text, value, decimals);
    return text;
}

void appendGeneral(std::string& out, double value, int digits)
{
    char buffer[kGeneralBufferSize];
    const int precision = std::clamp(digits, 1, kMaxGeneralDigits);
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, precision);
    if (result.ec == std::errc()) {
        out.append(buffer, result.ptr);
    }
}

std::string formatGeneral(double value, int digits)
{
    std::string text;
    appendGeneral(text, value, digits);
    return text;
}

void appendInt(std::string& out, std::int64_t value, int minDigits)
{
    char buffer[24];  // 19 digits and a sign
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    const char* digits = buffer;
    if (value < 0) {
        out.push_back('-');
        ++digits;
    }
    const auto count = static_cast<std::size_t>(result.ptr - digits);
    if (minDigits > 0 && count < static_cast<std::size_t>(minDigits)) {
        out.append(static_cast<std::size_t>(minDigits) - count, '0');
    }
    out.append(digits, count);
}

std::string formatInt(std::int64_t value, int minDigits)
{
    std::string text;
    appendInt(text, value, minDigits);
    return text;
}

std::string alignRight(std::string_view text, std::size_t width)
{
    std::string out;
    if (text.size() < width) {
        out.append(width - text.size(), ' ');
    }
    out.append(text);
    return out;
}

std::string alignLeft(std::string_view text, std::size_t width)
{
    std::string out(text);
    if (text.size() < width) {
        out.append(width - text.size(), ' ');
    }
    return out;
}

}  // namespace gnsslog
