#include "live/StopSignals.h"

#include <atomic>

namespace gnsslog {

namespace {

std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void requestStop(int) noexcept { stopRequested.store(true); }

}  // namespace

StopSignals::StopSignals()
{
    stopRequested.store(false);
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &oldInterrupt_);
    sigaction(SIGTERM, &action, &oldTerminate_);
}

StopSignals::~StopSignals()
{
    sigaction(SIGINT, &oldInterrupt_, nullptr);
    sigaction(SIGTERM, &oldTerminate_, nullptr);
}

bool StopSignals::requested() noexcept { return stopRequested.load(); }

}  // namespace gnsslog
