#include "live/LiveLoop.h"

#include <algorithm>
#include <vector>

#include "live/StopSignals.h"

namespace gnsslog {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

milliseconds until(Clock::time_point when, Clock::time_point now)
{
    return std::max(milliseconds{0}, std::chrono::ceil<milliseconds>(when - now));
}

}  // namespace

LiveOutcome runLiveLoop(ByteSource& source, ArchiveWriter& archive, const LiveSettings& settings,
                        const LiveHandlers& handlers)
{
    const Clock::time_point start = Clock::now();
    const milliseconds every = std::max(settings.every, milliseconds{1});
    Clock::time_point nextTick = start + every;
    const bool bounded = settings.duration > milliseconds{0};
    const Clock::time_point end = start + settings.duration;
    LiveOutcome outcome;
    std::vector<std::uint8_t> bytes;
    const auto progress = [&]() {
        outcome.last.elapsed = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
        outcome.last.bytes = archive.size();
        outcome.last.counters = source.counters();
        return outcome.last;
    };
    for (;;) {
        Clock::time_point now = Clock::now();
        if (bounded && now >= end) {
            outcome.end = LiveEnd::Duration;
            break;
        }
        if (StopSignals::requested()) {
            outcome.end = LiveEnd::Signal;
            break;
        }
        if (now >= nextTick) {
            handlers.tick(progress());
            // A slow tick skips the ticks it overran instead of bunching them.
            while (nextTick <= Clock::now()) {
                nextTick += every;
            }
            continue;
        }
        if (handlers.idle) {
            handlers.idle();
        }
        milliseconds wait = std::min(until(nextTick, now), kLongestLiveWait);
        if (bounded) {
            wait = std::min(wait, until(end, now));
        }
        bytes.clear();
        const ReadResult read = source.read(bytes, wait);
        if (const std::string problem = archive.append(bytes); !problem.empty()) {
            outcome.end = LiveEnd::ArchiveFailed;
            outcome.error = problem;
            break;
        }
        if (read.status == ReadStatus::Failed) {
            outcome.end = LiveEnd::SourceFailed;
            outcome.error = read.error;
            break;
        }
    }
    progress();
    return outcome;
}

}  // namespace gnsslog
