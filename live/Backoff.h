// When to try again after a lost connection: 250 ms after the loss, then
// twice as long after every failed attempt, at most 8 s between attempts,
// back to 250 ms once a connection holds.
#pragma once

#include <algorithm>
#include <chrono>

namespace gnsslog {

class Backoff {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kFirst{250};
    static constexpr std::chrono::milliseconds kLongest{8000};

    // The connection was lost or an attempt failed at `now`.
    void failed(Clock::time_point now) noexcept
    {
        next_ = now + delay_;
        delay_ = std::min(delay_ * 2, kLongest);
    }
    void succeeded() noexcept { delay_ = kFirst; }
    bool due(Clock::time_point now) const noexcept { return now >= next_; }
    Clock::time_point next() const noexcept { return next_; }

private:
    std::chrono::milliseconds delay_ = kFirst;
    Clock::time_point next_{};
};

}  // namespace gnsslog
