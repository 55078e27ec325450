// The analysis, step by step.
//
// Reading pass: the log goes through the format's framer, every wanted
// frame is decoded into a record, invalid records are dropped and the kept
// ones are collected in file order (RecordCollector). Decoding may run on a
// second thread (DecodeWorker) without changing any result. Calculation
// pass: every kept record's error against the chosen truth goes into the
// maxima and the five histograms, which are then sorted (ErrorPass).
//
// Grids: the decoders convert into KKJ themselves, exactly as they always
// have. Any other frame is converted right after each frame is decoded, by
// the decoding thread's own converter (RecordGrid: PROJ objects are not
// thread-safe), so it costs what KKJ costs and runs on both cores. A local
// (Enu) frame needs its tangent point before that: the manual geodetic
// truth when one is given, else a first look at the log's start finds the
// first decoded geodetic position (a few frames in; a log without one is
// framed through once more).
#include "log/Pipeline.h"

#include <algorithm>
#include <optional>
#include <system_error>
#include <vector>

#include "log/DecodeWorker.h"
#include "log/ErrorPass.h"
#include "log/formats/FrameFeed.h"
#include "log/FrameTaker.h"
#include "log/formats/Formats.h"
#include "log/RecordCollector.h"
#include "platform/LogFile.h"

namespace gnsslog {

namespace {

constexpr std::size_t kBlockSize = 1024;                  // progress granularity, bytes
// One read() of a file: small enough to stay in the core's cache while it is framed.
constexpr std::size_t kChunkBytes = std::size_t{128} << 10;
constexpr std::size_t kDefaultBatchBytes = 256 * 1024;
constexpr std::size_t kBatchPoolSize = 8;

struct Chunk {
    const std::uint8_t* data;
    std::size_t size;
};

// Where decoded frames go: straight to the collector, or through the worker.
class FrameRouter {
public:
    FrameRouter(RecordCollector& collector, const InputFormat& format,
                const DecodeOptions& decodeOptions, std::uint64_t logBytes,
                const PipelineOptions& options)
        : here_(collector)
    {
        if (!options.decodeWorker || logBytes < options.workerMinFileSize) {
            return;
        }
        try {
            worker_.emplace(collector, format, decodeOptions,
                            options.batchBytes != 0 ? options.batchBytes : kDefaultBatchBytes,
                            kBatchPoolSize, options.backlogToDecodeHere);
        } catch (const std::system_error&) {
            // No thread available: decode on this thread instead.
        }
    }

    void add(const std::uint8_t* frame, std::int32_t length)
    {
        if (worker_) {
            worker_->add(frame, length);
            return;
        }
        here_.add(frame, length);
    }

    void finish()
    {
        if (worker_) {
            worker_->finish();
        }
    }

private:
    FrameDecoder here_;
    std::optional<DecodeWorker> worker_;
};

bool needsEnuOrigin(const DecodeOptions& options) noexcept
{
    return options.frame.kind == GridKind::Enu && !options.enuOrigin;
}

// The geodetic position of the log's first frame that decodes into a
// solution with one, from the chunks nextChunk() hands out (an empty one at
// the end); a solution without a position (often zeros for coordinates)
// is passed over. Usually found within the first few frames; a log without
// one is framed through.
template <typename NextChunk>
std::optional<GeodeticPosition> firstGeodeticPosition(NextChunk&& nextChunk,
                                                      const InputFormat& format,
                                                      const DecodeOptions& decodeOptions,
                                                      bool logEnds = true)
{
    DecodeOptions plain = decodeOptions;
    plain.toKKJ = false;
    const std::unique_ptr<PacketSniffer> framer = format.makeFramer();
    std::vector<std::uint8_t> scratch;
    std::optional<GeodeticPosition> found;
    // Returns false once a position is found.
    auto lookAt = [&](const std::uint8_t* frame, std::int32_t length) {
        if (!format.wantsFrame(frame, length)) {
            return true;
        }
        scratch.assign(frame, frame + length);
        scratch.push_back(0);
        DecodedRecord record;
        if (format.decodeFrame(record, scratch.data(), length, plain) == FrameVerdict::Record &&
            record.has(ValidFlag::LatLon) && record.fixType != FixType::NoPosition) {
            found = GeodeticPosition{record.latitude, record.longitude,
                                     record.has(ValidFlag::Height) ? record.height : 0.0};
        }
        return !found;
    };
    for (Chunk chunk = nextChunk(); chunk.size > 0; chunk = nextChunk()) {
        if (!feedFrames(*framer, chunk.data, chunk.size, lookAt)) {
            return found;
        }
    }
    if (logEnds) {
        finishFrames(*framer, lookAt);
    }
    return found;
}

// The whole analysis over the chunks nextChunk() hands out in file order
// (an empty one at the end). An Enu frame's origin must be set.
template <typename NextChunk>
void analyse(GNSSLog& log, std::uint64_t size, NextChunk&& nextChunk,
             ProgressCallback progressCallback, const DecodeOptions& decodeOptions,
             const InputFormat& format, const PipelineOptions& options)
{
    describeLogGrid(log, decodeOptions);

    ProgressThrottle progress(progressCallback);
    const std::int32_t reportedSize = scaledReadProgress(size, size);
    progress.report("Reading file", 0, reportedSize);

    RecordCollector collector(log, format, decodeOptions,
                              options.reservedRecords != 0 ? options.reservedRecords
                                                           : recordCapacityFor(size, format));
    FrameRouter router(collector, format, decodeOptions, size, options);
    FrameTypeTally frameTypes;
    FrameTaker<FrameRouter> take(format, frameTypes, router);
    const std::unique_ptr<PacketSniffer> framer = format.makeFramer();
    std::uint64_t offset = 0;
    for (Chunk chunk = nextChunk(); chunk.size > 0; chunk = nextChunk()) {
        for (std::size_t start = 0; start < chunk.size; start += kBlockSize) {
            const std::size_t n = std::min(kBlockSize, chunk.size - start);
            feedFrames(*framer, chunk.data + start, n, take);
            progress.timedReport("Reading file", scaledReadProgress(offset + start, size),
                                 reportedSize);
        }
        offset += chunk.size;
    }
    finishFrames(*framer, take);
    router.finish();
    countUnpublishedFrames(frameTypes, *framer, format);
    collector.countFramerChecksumFailures(framer->checksumFailures());
    collector.countTruncatedFrames(framer->truncatedFrames());
    collector.finishReading(frameTypes);

    calculationPass(log, progress,
                    options.decodeWorker && log.records.size() >= kSplitErrorPassRecords);
    sortHistograms(log, progress);
}

}  // namespace

void runPipeline(GNSSLog& log, const char* fileName, ProgressCallback progress,
                 const DecodeOptions& decodeOptions, const InputFormat& format,
                 const PipelineOptions& options)
{
    LogFile file(fileName);
    if (!file.isOpen()) {
        // Nothing was analysed, so nothing is reported: openError says why.
        log.openError = file.error();
        return;
    }
    const std::uint64_t size = file.size();
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(
        kChunkBytes, std::max<std::uint64_t>(size, 1))));
    DecodeOptions resolved = decodeOptions;
    if (needsEnuOrigin(decodeOptions)) {
        // A look at the log's start: the tangent point must be known before
        // decoding starts on two threads, so that every thread converts
        // each position the same way as it is decoded.
        LogFile head(fileName);
        auto nextHeadChunk = [&]() -> Chunk {
            const std::size_t got = head.isOpen() ? head.read(buffer.data(), buffer.size()) : 0;
            return {buffer.data(), got};
        };
        resolved.enuOrigin = firstGeodeticPosition(nextHeadChunk, format, decodeOptions);
    }
    std::uint64_t offset = 0;
    bool readFailed = false;
    auto nextChunk = [&]() -> Chunk {
        if (offset >= size || readFailed) {
            return {nullptr, 0};
        }
        const std::size_t wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size - offset));
        const std::size_t got = file.read(buffer.data(), wanted);
        // A short read means the file shrank or could not be read further:
        // the analysis keeps what was read.
        readFailed = got < wanted;
        offset += got;
        return {buffer.data(), got};
    };
    analyse(log, size, nextChunk, progress, resolved, format, options);
}

void runPipelineOnBytes(GNSSLog& log, const std::uint8_t* bytes, std::size_t size,
                        ProgressCallback progress, const DecodeOptions& decodeOptions,
                        const InputFormat& format, const PipelineOptions& options)
{
    std::size_t offset = 0;
    auto nextChunk = [&]() -> Chunk {
        const std::size_t n = std::min(kChunkBytes, size - offset);
        const Chunk chunk{bytes + offset, n};
        offset += n;
        return chunk;
    };
    DecodeOptions resolved = decodeOptions;
    if (needsEnuOrigin(decodeOptions)) {
        resolved.enuOrigin = firstGeodeticPosition(nextChunk, format, decodeOptions);
        offset = 0;
    }
    analyse(log, size, nextChunk, progress, resolved, format, options);
}

void describeLogGrid(GNSSLog& log, const DecodeOptions& decodeOptions) noexcept
{
    log.frame = decodeOptions.frame;
    log.frameOrigin = decodeOptions.enuOrigin.value_or(GeodeticPosition{});
    log.gridConverted = decodeOptions.frame.kind != GridKind::Kkj || decodeOptions.toKKJ;
}

std::optional<GeodeticPosition> firstLogPosition(const std::uint8_t* bytes, std::size_t size,
                                                 const InputFormat& format,
                                                 const DecodeOptions& decodeOptions, bool logEnds)
{
    bool given = false;
    auto nextChunk = [&]() -> Chunk {
        const Chunk chunk{bytes, given ? 0 : size};
        given = true;
        return chunk;
    };
    return firstGeodeticPosition(nextChunk, format, decodeOptions, logEnds);
}

void runPipeline(GNSSLog& log, const char* fileName, ProgressCallback progress, bool toKKJ,
                 bool navcomBinary, const PipelineOptions& options)
{
    runPipeline(log, fileName, progress, DecodeOptions{toKKJ},
                navcomBinary ? navcomFormat() : nmeaFormat(), options);
}

void runPipelineOnBytes(GNSSLog& log, const std::uint8_t* bytes, std::size_t size,
                        ProgressCallback progress, bool toKKJ, bool navcomBinary,
                        const PipelineOptions& options)
{
    runPipelineOnBytes(log, bytes, size, progress, DecodeOptions{toKKJ},
                       navcomBinary ? navcomFormat() : nmeaFormat(), options);
}

}  // namespace gnsslog
