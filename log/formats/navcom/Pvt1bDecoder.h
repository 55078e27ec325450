// Decoder of NavCom "[PVT1B]" position messages.
//
// One framed message becomes one GNSSRecord: time, WGS84 position, height
// above the ellipsoid, DOP, the receiver's error estimate, correction age,
// satellite counts and solution type, and optionally the KKJ zone 2 grid
// coordinates (other grids are the pipeline's). Its CRC is not looked at
// here: the NavCom format's decodeFrame checks it first, on the decoding
// threads.
#pragma once

#include <cstdint>

#include "log/GnssRecord.h"

namespace gnsslog {

// Offsets count from the opening bracket of the label. A message must
// reach past the GLONASS mask at offset 74..77 to be decoded.
inline constexpr std::int32_t kPvt1bMinimumLength = 78;

// Fills record (expected zeroed) from frame, which holds frameLength bytes
// starting at the '['. A frame shorter than kPvt1bMinimumLength, a null
// frame, or a status byte with bit 0 clear gives valid 0 and fixType 0 and
// nothing else decoded. With toKKJ set, localX and localY are filled as
// well. Returns record. Does not throw and does not allocate; every byte
// value of every field is decoded as stored.
GNSSRecord& decodePVT1B(GNSSRecord& record, const std::uint8_t* frame, std::int32_t frameLength,
                        bool toKKJ) noexcept;

// Number of set bits (0..32): the satellites in a one-bit-per-satellite mask.
std::uint32_t countBits(std::uint32_t value) noexcept;

// The low 24 bits of value as a signed number: bit 23 is the sign.
std::int32_t signExtend24(std::uint32_t value) noexcept;

}  // namespace gnsslog
