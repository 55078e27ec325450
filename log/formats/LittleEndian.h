// Little-endian field readers for binary receiver messages.
//
// Fields in a message sit at arbitrary byte offsets, so they are read with
// memcpy (never through a cast pointer, which would be misaligned and break
// strict aliasing) and swapped only on a big-endian host. The caller checks
// that off plus the field size lies inside the buffer. Do not throw and do
// not allocate.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace gnsslog {

namespace detail {

template <typename T>
inline T loadLe(const std::uint8_t* buf, std::size_t off) noexcept
{
    T value;
    std::memcpy(&value, buf + off, sizeof value);
    if constexpr (std::endian::native == std::endian::big) {
        T swapped = 0;
        for (std::size_t i = 0; i < sizeof value; ++i) {
            swapped = static_cast<T>((swapped << 8) | ((value >> (8 * i)) & 0xFF));
        }
        value = swapped;
    }
    return value;
}

}  // namespace detail

inline std::uint8_t getU8(const std::uint8_t* buf, std::size_t off) noexcept { return buf[off]; }

inline std::uint16_t getLeU16(const std::uint8_t* buf, std::size_t off) noexcept
{
    return detail::loadLe<std::uint16_t>(buf, off);
}

inline std::uint32_t getLeU32(const std::uint8_t* buf, std::size_t off) noexcept
{
    return detail::loadLe<std::uint32_t>(buf, off);
}

// Two's complement reinterpretation; well defined since C++20.
inline std::int32_t getLeS32(const std::uint8_t* buf, std::size_t off) noexcept
{
    return static_cast<std::int32_t>(getLeU32(buf, off));
}

// Three bytes, lowest first, in the low 24 bits; the top byte is 0.
inline std::uint32_t getLeU24(const std::uint8_t* buf, std::size_t off) noexcept
{
    return static_cast<std::uint32_t>(buf[off]) | (static_cast<std::uint32_t>(buf[off + 1]) << 8) |
           (static_cast<std::uint32_t>(buf[off + 2]) << 16);
}

}  // namespace gnsslog
