#include "platform/TickCounter.h"

#include <atomic>
#include <time.h>

namespace gnsslog {

namespace {
std::atomic<TickSource> currentSource{&systemTickCountMs};
}  // namespace

std::uint32_t systemTickCountMs() noexcept
{
    timespec now{};
    // The coarse clock costs a few nanoseconds, which matters because the
    // pipeline asks for the time once per record; its resolution (a few
    // milliseconds) is ample for a 300 ms throttle.
#ifdef CLOCK_MONOTONIC_COARSE
    if (clock_gettime(CLOCK_MONOTONIC_COARSE, &now) != 0)
#endif
    {
        clock_gettime(CLOCK_MONOTONIC, &now);
    }
    const std::uint64_t ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                             static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);  // wraps by design
}

std::uint32_t tickCountMs() noexcept
{
    return currentSource.load(std::memory_order_relaxed)();
}

TickSource setTickSource(TickSource source) noexcept
{
    return currentSource.exchange(source != nullptr ? source : &systemTickCountMs);
}

}  // namespace gnsslog
