// The analysis pipeline behind the GNSSLog constructor, with its tuning
// knobs, for the application's file path, logs held in memory, tests and
// benchmarks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "log/Gpslog.h"
#include "log/formats/InputFormat.h"
#include "log/ProgressThrottle.h"

namespace gnsslog {

struct PipelineOptions {
    // Decode on a second thread while this one reads and frames. Every
    // observable result is the same as without it.
    bool decodeWorker = true;
    // Records the storage is given room for before the first one; more
    // make it grow. 0: as many as the log can hold.
    std::size_t reservedRecords = 0;
    // Bytes of frames per batch handed to the worker.
    std::size_t batchBytes = 0;  // 0: the default
    // Full batches waiting for the worker at which the reading thread
    // decodes the next batch itself (0: always; SIZE_MAX: never).
    std::size_t backlogToDecodeHere = 2;
    // Logs smaller than this are decoded on the calling thread, where a
    // thread start would cost more than it saves.
    std::uint64_t workerMinFileSize = 1u << 20;
};

// The analysis of a file into log, which must be freshly constructed with
// its settings (truthMode, manualX..Z) filled in and nothing else.
void runPipeline(GNSSLog& log, const char* fileName, ProgressCallback progress,
                 const DecodeOptions& decodeOptions, const InputFormat& format,
                 const PipelineOptions& options);

// The analysis of a log held in memory: the results and progress calls of
// a file with these bytes, without opening one. bytes may be null when size
// is 0.
void runPipelineOnBytes(GNSSLog& log, const std::uint8_t* bytes, std::size_t size,
                        ProgressCallback progress, const DecodeOptions& decodeOptions,
                        const InputFormat& format, const PipelineOptions& options);

// The tangent point an Enu frame without one takes from a log: the
// geodetic position of the first frame in bytes that decodes into a
// solution with one; empty when none does. logEnds false: bytes are the
// start of a log still being written, so the frame they end in is not
// yet complete and is not looked at.
std::optional<GeodeticPosition> firstLogPosition(const std::uint8_t* bytes, std::size_t size,
                                                 const InputFormat& format,
                                                 const DecodeOptions& decodeOptions, bool logEnds = true);

// Sets the grid log's errors are measured in from the options it is
// decoded with (the tangent point of an Enu frame found already).
void describeLogGrid(GNSSLog& log, const DecodeOptions& decodeOptions) noexcept;

// The same with the format chosen as the application's parsing mode does,
// NavCom binary or NMEA, and checksums verified.
void runPipeline(GNSSLog& log, const char* fileName, ProgressCallback progress, bool toKKJ,
                 bool navcomBinary, const PipelineOptions& options);
void runPipelineOnBytes(GNSSLog& log, const std::uint8_t* bytes, std::size_t size,
                        ProgressCallback progress, bool toKKJ, bool navcomBinary,
                        const PipelineOptions& options);

}  // namespace gnsslog
