// Internals of the analysis pipeline (the GNSSLog constructor), exposed for
// tests and benchmarks: the progress throttle, the scaling of file
// positions into the callback's 32-bit range, and the pipeline itself with
// its tuning knobs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "log/Gpslog.h"

namespace gnsslog {

// The callback's position and total are signed 32-bit. Files larger than
// INT32_MAX bytes are reported in KiB (value / 1024) so the bar still moves;
// a count that does not fit even then sticks at INT32_MAX.
std::int32_t scaledReadProgress(std::uint64_t value, std::uint64_t fileSize) noexcept;

// A count (records, record index) clamped to the callback's range.
std::int32_t clampedProgressCount(std::uint64_t value) noexcept;

// Progress reporting of one analysis: untimed reports always go out; timed
// ones only when more than 300 ms (unsigned 32-bit tick difference) have
// passed since the last timed report, which starts at tick 0 and is shared
// by every phase. The tick count is read once to decide and, after a
// report, once more to restart the interval, so the callback's own time
// (a repaint) is not counted. A null callback reports nothing but the
// clock is still consulted the same way.
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

struct PipelineOptions {
    // Decode on a second thread while this one reads and frames. Every
    // observable result is the same as without it.
    bool decodeWorker = true;
    // Records per storage chunk; chunks are moved into GNSSLog::records
    // one by one at the end so the record memory never doubles.
    std::size_t chunkRecords = 0;  // 0: the default
    // Bytes of frames per batch handed to the worker.
    std::size_t batchBytes = 0;  // 0: the default
    // Full batches waiting for the worker at which the reading thread
    // decodes the next batch itself (0: always; SIZE_MAX: never).
    std::size_t backlogToDecodeHere = 2;
    // Files smaller than this are decoded on the calling thread, where a
    // thread start would cost more than it saves.
    std::uint64_t workerMinFileSize = 1u << 20;
};

// The analysis into log, which must be freshly constructed with its
// settings (truthMode, manualX..Z) filled in and nothing else.
void runPipeline(GNSSLog& log, const char* fileName, ProgressCallback progress, bool toKKJ,
                 bool navcomBinary, const PipelineOptions& options);

// The analysis of a log held in memory: the results and progress calls of
// a file with these bytes, without opening one. bytes may be null when size
// is 0.
void runPipelineOnBytes(GNSSLog& log, const std::uint8_t* bytes, std::size_t size,
                        ProgressCallback progress, bool toKKJ, bool navcomBinary,
                        const PipelineOptions& options);

}  // namespace gnsslog
