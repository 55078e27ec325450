#include "log/ProgressThrottle.h"

#include <algorithm>
#include <limits>

#include "platform/TickCounter.h"

namespace gnsslog {

std::int32_t scaledReadProgress(std::uint64_t value, std::uint64_t fileSize) noexcept
{
    constexpr std::uint64_t limit = std::numeric_limits<std::int32_t>::max();
    if (fileSize > limit) {
        value /= 1024;
    }
    return static_cast<std::int32_t>(std::min(value, limit));
}

std::int32_t clampedProgressCount(std::uint64_t value) noexcept
{
    constexpr std::uint64_t limit = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::min(value, limit));
}

void ProgressThrottle::report(const char* phase, std::int32_t position, std::int32_t total) const
{
    if (callback_ != nullptr) {
        callback_(phase, position, total);
    }
}

void ProgressThrottle::timedReport(const char* phase, std::int32_t position, std::int32_t total)
{
    const std::uint32_t elapsed = tickCountMs() - lastReport_;  // unsigned: survives the wrap
    if (elapsed > kIntervalMs) {
        report(phase, position, total);
        lastReport_ = tickCountMs();
    }
}

}  // namespace gnsslog
