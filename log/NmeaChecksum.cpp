#include "log/NmeaChecksum.h"

namespace gnsslog {

namespace {

int hexValue(std::uint8_t c) noexcept
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

bool nmeaChecksumMatches(const std::uint8_t* sentence, std::int32_t length) noexcept
{
    constexpr std::int32_t kTail = 3;  // "*" and two characters
    if (sentence == nullptr || length < 1 + kTail || sentence[0] != '$' ||
        sentence[length - kTail] != '*') {
        return false;
    }
    const int high = hexValue(sentence[length - 2]);
    const int low = hexValue(sentence[length - 1]);
    if (high < 0 || low < 0) {
        return false;
    }
    std::uint8_t sum = 0;
    for (std::int32_t i = 1; i < length - kTail; ++i) {
        sum ^= sentence[i];
    }
    return sum == ((high << 4) | low);
}

}  // namespace gnsslog
