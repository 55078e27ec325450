// CRC-16/XMODEM: polynomial 0x1021, initial value 0, no reflection of input
// or output, no final xor, most significant bit first. Check value:
// "123456789" gives 0x31C3.
//
// NavCom binary messages carry this checksum over their header and body,
// and the framer checks it on every frame of logs that run to gigabytes, so
// the bulk of the data goes sixteen bytes per step through sixteen tables
// ("slicing by sixteen", 8 KiB); the tables are built at compile time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace gnsslog {

namespace detail {

// crc16XmodemTables[k][x]: the register after byte x followed by k zero
// bytes, starting from 0. Row 0 is the classic byte-at-a-time table.
using Crc16Tables = std::array<std::array<std::uint16_t, 256>, 16>;

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

// One block of K bytes (2 <= K <= 16): byte k of the block is followed by
// K - 1 - k more, so it goes through table K - 1 - k; the register folds
// into the first two bytes because the checksum is linear and has no
// initial or final xor.
template <std::size_t... k>
constexpr unsigned crc16XmodemBlock(unsigned crc, const std::uint8_t* d,
                                    std::index_sequence<k...>) noexcept
{
    constexpr std::size_t K = sizeof...(k) + 2;
    const auto& t = crc16XmodemTables;
    return t[K - 1][d[0] ^ (crc >> 8)] ^ t[K - 2][d[1] ^ (crc & 0xFFu)] ^
           (0u ^ ... ^ unsigned{t[K - 3 - k][d[k + 2]]});
}

template <std::size_t K>
constexpr unsigned crc16XmodemBlock(unsigned crc, const std::uint8_t* d) noexcept
{
    static_assert(K >= 2 && K <= 16);
    return crc16XmodemBlock(crc, d, std::make_index_sequence<K - 2>{});
}

}  // namespace detail

// Continues a CRC-16/XMODEM over `length` bytes at `data`, starting from
// the register value `crc` (0 for a fresh checksum), and returns the new
// register. `data` may be null when `length` is 0. Does not throw and does
// not allocate.
constexpr std::uint16_t crc16XmodemUpdate(std::uint16_t crc, const std::uint8_t* data,
                                          std::size_t length) noexcept
{
    unsigned c = crc;
    std::size_t i = 0;
    for (; i + 16 <= length; i += 16) {
        c = detail::crc16XmodemBlock<16>(c, data + i);
    }
    // Frames are short, so the tail matters: halve the block size down to two.
    if (i + 8 <= length) {
        c = detail::crc16XmodemBlock<8>(c, data + i);
        i += 8;
    }
    if (i + 4 <= length) {
        c = detail::crc16XmodemBlock<4>(c, data + i);
        i += 4;
    }
    if (i + 2 <= length) {
        c = detail::crc16XmodemBlock<2>(c, data + i);
        i += 2;
    }
    if (i < length) {
        // Plain form: crc ^= byte << 8, then eight shift-and-xor steps.
        c = ((c << 8) ^ detail::crc16XmodemTables[0][(c >> 8) ^ data[i]]) & 0xFFFFu;
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
