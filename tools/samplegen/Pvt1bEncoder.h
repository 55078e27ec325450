// Encoder for NavCom binary messages, used to write sample logs and test
// input. It is the inverse of the framer and the PVT1B decoder: a message is
//
//   "[LABEL]" | u16 N | 7 more header bytes | body (N - 9 bytes) | "*" |
//   four upper-case hex digits of the CRC-16/XMODEM over header and body | CR
//
// all multi-byte fields little-endian. In a "[PVT1B]" message the header
// holds the time stamp (offsets 11..14 from the "[") and the body starts at
// offset 16; the fields the decoder reads end at offset 78.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace gnsslog {

// Every field of the "[PVT1B]" layout, in message order, in raw units.
struct Pvt1bFields {
    std::uint16_t week = 0;           // header bytes 9..10, not read by the decoder
    std::uint32_t timeMs = 0;         // time stamp, milliseconds (offset 11)
    std::uint8_t headerByte = 0;      // header byte 15, not read
    std::uint8_t status = 0x01;       // bit 0 set: the position is valid (offset 16)
    std::int32_t rawLatitude = 0;     // 2^-11 second of arc, north positive (offset 17)
    std::int32_t rawLongitude = 0;    // 2^-11 second of arc, east positive (offset 21)
    std::uint8_t latExtension = 0;    // 0..15, sixteenths of the latitude unit (high nibble of 25)
    std::uint8_t lonExtension = 0;    // 0..15, sixteenths of the longitude unit (low nibble of 25)
    std::int32_t heightMm = 0;        // height, millimetres (offset 26)
    std::int32_t heightCorrection = 0;  // signed 24-bit, 1/1024 m (offsets 30..32); only the low 24 bits are written
    std::uint16_t error1 = 0;         // error component 1, 1/1024 m (offset 33)
    std::uint16_t error2 = 0;         // error component 2, 1/1024 m (offset 35)
    std::uint16_t error3 = 0;         // error component 3, 1/1024 m (offset 37)
    std::uint8_t dop1 = 0;            // DOP component 1, units of 0.1 (offset 39)
    std::uint8_t dop2 = 0;            // DOP component 2, units of 0.1 (offset 40)
    std::uint8_t dop3 = 0;            // DOP component 3, units of 0.1 (offset 41)
    std::uint8_t satellites = 0;      // satellites used (offset 51)
    std::uint8_t mode = 0;            // solution mode in the high nibble (offset 52)
    std::uint16_t correctionAge = 0;  // age of corrections, as logged (offset 53)
    std::uint32_t gpsMask = 0;        // GPS satellites in use, one bit each (offset 66)
    std::uint32_t glonassMask = 0;    // GLONASS satellites in use, one bit each (offset 74)
    std::uint16_t trailingBytes = 0;  // zero bytes appended after offset 78, not read
};

// Solution-mode nibbles (high nibble of offset 52) for each decoded fix type.
namespace Pvt1bMode {
inline constexpr std::uint8_t StandAlone = 0x10;
inline constexpr std::uint8_t RtkFloat = 0x30;
inline constexpr std::uint8_t RtkX = 0x40;
inline constexpr std::uint8_t RtkFixed = 0x70;
inline constexpr std::uint8_t NoPosition = 0x80;
}  // namespace Pvt1bMode

inline constexpr std::size_t kPvt1bBodyOffset = 16;     // from the "["
inline constexpr std::size_t kPvt1bDecodedEnd = 78;     // first byte the decoder does not read
inline constexpr std::size_t kPvt1bMinimumBody = kPvt1bDecodedEnd - kPvt1bBodyOffset;  // 62 bytes

// A complete message: label, header and body as given (the two length
// bytes are computed: N = 9 + body bytes, so headerAndBodyAfterLength must
// hold the 7 remaining header bytes and then the body), "*", CRC, CR.
// The label includes its brackets, e.g. "[BOOTLOADB]".
std::string encodeNavcomMessage(std::string_view label, std::string_view headerAndBodyAfterLength);

// A complete "[PVT1B]" message; 84 bytes plus trailingBytes.
std::string encodePvt1bMessage(const Pvt1bFields& fields);

// Degrees to the raw 2^-11 arcsecond unit and the 1/16 extension nibble,
// rounded to the nearest sixteenth; the decoder gives back
// (raw + ext / 16) * 2^-11 / 3600 degrees.
struct RawAngle {
    std::int32_t raw = 0;
    std::uint8_t extension = 0;
};
RawAngle degreesToRawAngle(double degrees) noexcept;

// Height in metres to millimetres plus a 1/1024 m correction, so that
// heightMm * 0.001 + correction / 1024 lies within 2^-11 m of the input.
struct RawHeight {
    std::int32_t millimetres = 0;
    std::int32_t correction = 0;
};
RawHeight metresToRawHeight(double metres) noexcept;

// Four upper-case hex digits, most significant first.
std::string hex4(std::uint16_t value);

}  // namespace gnsslog
