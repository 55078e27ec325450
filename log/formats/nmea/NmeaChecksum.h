// The NMEA checksum: two upper-case hexadecimal characters after the "*"
// that give the XOR of every byte between the "$" and the "*".
#pragma once

#include <cstdint>

namespace gnsslog {

// Whether sentence (as the NMEA framer publishes it: "$", address, body,
// "*" and two characters, length bytes) carries its right checksum. A
// sentence without "*" three bytes before its end, or with a checksum
// character that is not a hexadecimal digit, does not.
bool nmeaChecksumMatches(const std::uint8_t* sentence, std::int32_t length) noexcept;

}  // namespace gnsslog
