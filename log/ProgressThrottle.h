// Progress reporting of one analysis through the callback's signed 32-bit
// positions.
#pragma once

#include <cstdint>

#include "log/Gpslog.h"

namespace gnsslog {

// The callback's position and total are signed 32-bit. Files larger than
// INT32_MAX bytes are reported in KiB (value / 1024) so the bar still moves;
// a count that does not fit even then sticks at INT32_MAX.
std::int32_t scaledReadProgress(std::uint64_t value, std::uint64_t fileSize) noexcept;

// A count (records, record index) clamped to the callback's range.
std::int32_t clampedProgressCount(std::uint64_t value) noexcept;

// Untimed reports always go out; timed ones only when more than 300 ms
// (unsigned 32-bit tick difference) have passed since the last timed
// report, which starts at tick 0 and is shared by every phase. The tick
// count is read once to decide and, after a report, once more to restart
// the interval, so the callback's own time (a repaint) is not counted. A
// null callback reports nothing but the clock is still consulted the same
// way.
class ProgressThrottle {
public:
    static constexpr std::uint32_t kIntervalMs = 300;

    explicit ProgressThrottle(ProgressCallback callback) noexcept : callback_(callback) {}

    void report(const char* phase, std::int32_t position, std::int32_t total) const;
    void timedReport(const char* phase, std::int32_t position, std::int32_t total);

private:
    ProgressCallback callback_;
    std::uint32_t lastReport_ = 0;
};

}  // namespace gnsslog
