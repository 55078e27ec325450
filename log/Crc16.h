// CRC-16/XMODEM: polynomial 0x1021, initial value 0, no reflection of input
// or output, no final xor, most significant bit first. Check value:
// "123456789" gives 0x31C3.
//
// NavCom binary messages carry this checksum over their header and body,
// and the framer checks it on every frame of logs that run to gigabytes, so
// the bulk of the data goes eight bytes per step through eight tables
// ("slicing by eight"); the tables are built at compile time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace gnsslog {

namespace detail {

// crc16XmodemTables[k][x]: the register after byte x followed by k zero
// bytes, starting from 0. Row 0 is the classic byte-at-a-time table.
using Crc16Tables = std::array<std::array<std::uint16_t, 256>, 8>;

constexpr Crc16Tables makeCrc16XmodemTables() noexcept
{
    Crc16Tables tables{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        unsigned crc = byte << 8;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000u) ? ((crc << 1) ^ 0x1021u) : (crc << 1);
        }
        tables[0][byte] = static_cast<std::uint16_t>(crc & 0xFFFFu);
    }
    for (std::size_t k = 1; k < tables.size(); ++k) {
        for (unsigned byte = 0; byte < 256; ++byte) {
            const unsigned previous = tables[k - 1][byte];
            tables[k][byte] =
                static_cast<std::uint16_t>(((previous << 8) ^ tables[0][previous >> 8]) & 0xFFFFu);
        }
    }
    return tables;
}

inline constexpr Crc16Tables crc16XmodemTables = makeCrc16XmodemTables();

static_assert(crc16XmodemTables[0][1] == 0x1021);

}  // namespace detail

// Continues a CRC-16/XMODEM over `length` bytes at `data`, starting from
// the register value `crc` (0 for a fresh checksum), and returns the new
// register. `data` may be null when `length` is 0. Does not throw and does
// not allocate.
constexpr std::uint16_t crc16XmodemUpdate(std::uint16_t crc, const std::uint8_t* data,
                                          std::size_t length) noexcept
{
    const auto& t = detail::crc16XmodemTables;
    unsigned c = crc;
    std::size_t i = 0;
    // The register folds into the first two bytes of each block because the
    // checksum is linear and has no initial or final xor.
    for (; i + 8 <= length; i += 8) {
        c = t[7][data[i] ^ (c >> 8)] ^ t[6][data[i + 1] ^ (c & 0xFFu)] ^ t[5][data[i + 2]] ^
            t[4][data[i + 3]] ^ t[3][data[i + 4]] ^ t[2][data[i + 5]] ^ t[1][data[i + 6]] ^
            t[0][data[i + 7]];
    }
    for (; i < length; ++i) {
        // Plain form: crc ^= data[i] << 8, then eight shift-and-xor steps.
        c = ((c << 8) ^ t[0][(c >> 8) ^ data[i]]) & 0xFFFFu;
    }
    return static_cast<std::uint16_t>(c);
}

// CRC-16/XMODEM of `length` bytes at `data` (null allowed when `length` is
// 0). Does not throw and does not allocate.
constexpr std::uint16_t crc16Xmodem(const std::uint8_t* data, std::size_t length) noexcept
{
    return crc16XmodemUpdate(0, data, length);
}

}  // namespace gnsslog
