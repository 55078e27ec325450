// A live byte source: a file still being written, a TCP stream, gpsd's
// raw pass-through or a serial port. The live loop asks it for bytes with
// a bounded wait, so no source can hang the run; a source that loses its
// peer reconnects by itself and counts the loss instead of ending.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace gnsslog {

// What a source has gone through since it was opened.
struct SourceCounters {
    std::int64_t drops = 0;       // connections lost (tcp, gpsd, serial)
    std::int64_t reconnects = 0;  // connections regained after a drop
    std::int64_t segments = 1;    // followed file: 1 + truncations and replacements
};

enum class ReadStatus : std::uint8_t {
    Data,   // bytes were appended
    Idle,   // nothing within the wait (or the source is between connections)
    Failed  // the source cannot go on; ReadResult::error says why
};

struct ReadResult {
    ReadStatus status = ReadStatus::Idle;
    std::string error;
};

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Waits at most `wait` and appends the bytes that arrived to `bytes`,
    // in the order received. Never blocks much longer than `wait`
    // (a reconnect attempt is bounded by kConnectTimeout).
    virtual ReadResult read(std::vector<std::uint8_t>& bytes, std::chrono::milliseconds wait) = 0;
    virtual SourceCounters counters() const = 0;
};

// How long one connection attempt may take before it counts as failed.
inline constexpr std::chrono::milliseconds kConnectTimeout{3000};

}  // namespace gnsslog
