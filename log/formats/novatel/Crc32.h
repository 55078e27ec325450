// CRC-32 as NovAtel logs carry it: reflected polynomial 0xEDB88320,
// initial value 0, no final xor (so not the zip CRC, which starts from and
// ends with 0xFFFFFFFF). Check value: "123456789" gives 0x2DFA8A0A.
//
// Binary logs run to gigabytes and every frame is checked, so the bulk
// goes eight bytes per step through eight tables ("slicing by eight",
// 8 KiB), built at compile time; the plain form is the tail loop.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace gnsslog {

namespace detail {

// crc32Tables[k][x]: the register after byte x followed by k zero bytes.
using Crc32Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Crc32Tables makeCrc32Tables() noexcept
{
    Crc32Tables tables{};
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
        std::uint32_t crc = byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1u) ? ((crc >> 1) ^ 0xEDB88320u) : (crc >> 1);
        }
        tables[0][byte] = crc;
    }
    for (std::size_t k = 1; k < tables.size(); ++k) {
        for (std::uint32_t byte = 0; byte < 256; ++byte) {
            const std::uint32_t previous = tables[k - 1][byte];
            tables[k][byte] = (previous >> 8) ^ tables[0][previous & 0xFFu];
        }
    }
    return tables;
}

inline constexpr Crc32Tables crc32Tables = makeCrc32Tables();

static_assert(crc32Tables[0][128] == 0xEDB88320u);

}  // namespace detail

// CRC-32 of `length` bytes at `data` (null allowed when `length` is 0).
// Does not throw and does not allocate.
constexpr std::uint32_t crc32Novatel(const std::uint8_t* data, std::size_t length) noexcept
{
    const auto& t = detail::crc32Tables;
    std::uint32_t c = 0;
    std::size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        const std::uint32_t low = c ^ (std::uint32_t{data[i]} | (std::uint32_t{data[i + 1]} << 8) |
                                       (std::uint32_t{data[i + 2]} << 16) |
                                       (std::uint32_t{data[i + 3]} << 24));
        c = t[7][low & 0xFFu] ^ t[6][(low >> 8) & 0xFFu] ^ t[5][(low >> 16) & 0xFFu] ^
            t[4][low >> 24] ^ t[3][data[i + 4]] ^ t[2][data[i + 5]] ^ t[1][data[i + 6]] ^
            t[0][data[i + 7]];
    }
    for (; i < length; ++i) {
        // Plain form: crc ^= byte, then eight shift-and-xor steps.
        c = (c >> 8) ^ t[0][(c ^ data[i]) & 0xFFu];
    }
    return c;
}

}  // namespace gnsslog
