#include "log/NmeaChecksum.h"

#include <cstring>

#include "log/HexDigits.h"

namespace gnsslog {

bool nmeaChecksumMatches(const std::uint8_t* sentence, std::int32_t length) noexcept
{
    constexpr std::int32_t kTail = 3;  // "*" and two characters
    if (sentence == nullptr || length < 1 + kTail || sentence[0] != '$' ||
        sentence[length - kTail] != '*') {
        return false;
    }
    const int high = kHexDigitValues[sentence[length - 2]];
    const int low = kHexDigitValues[sentence[length - 1]];
    if (high < 0 || low < 0) {
        return false;
    }
    // Eight bytes at a time, folded at the end: exclusive or does not care
    // how the bytes are grouped, and every sentence of a log is summed.
    const std::uint8_t* p = sentence + 1;
    const std::uint8_t* const end = sentence + (length - kTail);
    std::uint64_t words = 0;
    for (; end - p >= 8; p += 8) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        words ^= word;
    }
    words ^= words >> 32;
    words ^= words >> 16;
    words ^= words >> 8;
    auto sum = static_cast<std::uint8_t>(words);
    for (; p != end; ++p) {
        sum ^= *p;
    }
    return sum == ((high << 4) | low);
}

}  // namespace gnsslog
