// The live loop: bytes from a source into the archive, a tick every
// interval, until the duration is over, a stop signal comes, the source
// fails or the archive cannot be written. Single-threaded: the tick's
// work (the analysis) runs between reads, while the operating system
// buffers what arrives.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "live/ArchiveWriter.h"
#include "live/ByteSource.h"

namespace gnsslog {

struct LiveSettings {
    std::chrono::milliseconds every{10000};   // between ticks, more than 0
    std::chrono::milliseconds duration{0};    // the whole run; 0: until stopped
};

enum class LiveEnd : std::uint8_t { Duration, Signal, SourceFailed, ArchiveFailed };

struct LiveProgress {
    std::chrono::milliseconds elapsed{0};  // since the loop started
    std::uint64_t bytes = 0;               // received and archived so far
    SourceCounters counters;
};

struct LiveOutcome {
    LiveEnd end = LiveEnd::Duration;
    std::string error;  // SourceFailed, ArchiveFailed: why
    LiveProgress last;  // at the end
};

struct LiveHandlers {
    // Once per `every`, with the progress so far.
    std::function<void(const LiveProgress&)> tick;
    // Between reads, at least every kLongestLiveWait; may be empty.
    std::function<void()> idle;
};

// The longest single wait for bytes, so a stop signal or the idle handler
// comes within this much.
inline constexpr std::chrono::milliseconds kLongestLiveWait{200};

// Runs the loop, calling the handlers on the calling thread.
LiveOutcome runLiveLoop(ByteSource& source, ArchiveWriter& archive, const LiveSettings& settings,
                        const LiveHandlers& handlers);

}  // namespace gnsslog
