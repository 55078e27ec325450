#include "log/formats/nmea/NmeaChecksum.h"

#include "log/formats/HexDigits.h"

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
    std::uint8_t sum = 0;
    for (std::int32_t i = 1; i < length - kTail; ++i) {
        sum ^= sentence[i];
    }
    return sum == ((high << 4) | low);
}

}  // namespace gnsslog
