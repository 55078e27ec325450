// Millisecond tick counter for throttling progress reports.
//
// A 32-bit count of milliseconds since an arbitrary start that wraps around
// after about 49.7 days, like an operating system's uptime counter. Callers
// measure elapsed time as the unsigned difference of two counts, which stays
// correct across the wrap. Tests replace the source with a fake clock.
#pragma once

#include <cstdint>

namespace gnsslog {

using TickSource = std::uint32_t (*)();

// Current tick count in milliseconds, from the installed source (by default
// a monotonic system clock). Does not throw and does not allocate.
std::uint32_t tickCountMs() noexcept;

// Installs a replacement source and returns the previous one; null restores
// the system clock (and the system clock is then returned as the previous
// source by the next call). Meant for tests: not synchronised with
// concurrent tickCountMs() callers beyond an atomic pointer swap.
TickSource setTickSource(TickSource source) noexcept;

// The default source: milliseconds of the monotonic clock, truncated to 32
// bits.
std::uint32_t systemTickCountMs() noexcept;

}  // namespace gnsslog
