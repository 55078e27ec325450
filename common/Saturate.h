// Saturating conversion from double to a signed integer type.
//
// Converting a double that lies outside the target range to an integer is
// undefined behaviour in C++, and so is converting NaN. Every place in the
// system that turns a double into an integer goes through this helper:
// values are truncated toward zero, values beyond the range stick at its
// limits, and NaN gives 0. Does not throw and does not allocate.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

namespace gnsslog {

template <typename Int>
constexpr Int saturatingTruncate(double value) noexcept
{
    static_assert(std::is_integral_v<Int> && std::is_signed_v<Int>);
    using Limits = std::numeric_limits<Int>;
    if (value != value) {  // NaN
        return 0;
    }
    // Both limits of a signed type of at most 53 bits are exact doubles; for
    // 64 bits the maximum rounds up to 2^63, so compare with >= there.
    constexpr double lowest = static_cast<double>(Limits::min());
    constexpr double highest = static_cast<double>(Limits::max());
    if (value <= lowest) {
        return Limits::min();
    }
    if (value >= highest) {
        return Limits::max();
    }
    return static_cast<Int>(value);
}

constexpr std::int32_t toInt32(double value) noexcept
{
    return saturatingTruncate<std::int32_t>(value);
}

constexpr std::int64_t toInt64(double value) noexcept
{
    return saturatingTruncate<std::int64_t>(value);
}

// Unsigned 32-bit view of a truncated value, as the summary's time texts
// take it: negative values wrap the way an int32 cast to uint32 does.
constexpr std::uint32_t toUInt32Wrapping(double value) noexcept
{
    return static_cast<std::uint32_t>(toInt64(value));
}

}  // namespace gnsslog
