// Values of the upper-case hexadecimal digits that checksums in logs are
// written with (NavCom CRCs, NMEA checksums).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace gnsslog {

// -1 for every byte but "0".."9" and "A".."F". A table rather than
// comparisons: checksum digits are random, and the branches between
// "0".."9" and "A".."F" would be mispredicted half the time.
inline constexpr std::array<std::int8_t, 256> kHexDigitValues = [] {
    std::array<std::int8_t, 256> table{};
    table.fill(-1);
    for (int c = '0'; c <= '9'; ++c) {
        table[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c - '0');
    }
    for (int c = 'A'; c <= 'F'; ++c) {
        table[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c - 'A' + 10);
    }
    return table;
}();

}  // namespace gnsslog
