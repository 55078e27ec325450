// A part of a whole as a share 0..1, and 0 (not NaN) of nothing.
#pragma once

#include <cstdint>

namespace gnsslog {

inline double shareOf(std::int64_t part, std::int64_t whole) noexcept
{
    return whole > 0 ? static_cast<double>(part) / static_cast<double>(whole) : 0.0;
}

}  // namespace gnsslog
