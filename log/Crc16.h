// CRC-16/XMODEM: polynomial 0x1021, initial value 0, no reflection of input
// or output, no final xor. Check value: "123456789" gives 0x31C3.
//
// NavCom binary messages carry this checksum over their header and body.
// The 256-entry table is built at compile time, one byte per step.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace gnsslog {

namespace detail {

constexpr std::array<std::uint16_t, 256> makeCrc16XmodemTable() noexcept
{
    std::array<std::uint16_t, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        unsigned crc = byte << 8;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000u) ? ((crc << 1) ^ 0x1021u) : (crc << 1);
        }
        table[byte] = static_cast<std::uint16_t>(crc & 0xFFFFu);
    }
    return table;
}

inline constexpr std::array<std::uint16_t, 256> crc16XmodemTable = makeCrc16XmodemTable();

}  // namespace detail

// Continues a CRC-16/XMODEM over `length` bytes at `data`, starting from
// `crc` (0 for a fresh checksum). `data` may be null when `length` is 0.
// Does not throw and does not allocate.
constexpr std::uint16_t crc16XmodemUpdate(std::uint16_t crc, const std::uint8_t* data,
                                          std::size_t length) noexcept
{
    for (std::size_t i = 0; i < length; ++i) {
        // Plain form: crc ^= data[i] << 8, then eight shift-and-xor steps.
        const unsigned index = ((crc >> 8) ^ data[i]) & 0xFFu;
        crc = static_cast<std::uint16_t>((crc << 8) ^ detail::crc16XmodemTable[index]);
    }
    return crc;
}

// CRC-16/XMODEM of `length` bytes at `data`. Does not throw and does not
// allocate.
constexpr std::uint16_t crc16Xmodem(const std::uint8_t* data, std::size_t length) noexcept
{
    return crc16XmodemUpdate(0, data, length);
}

static_assert(detail::crc16XmodemTable[1] == 0x1021);

}  // namespace gnsslog
