// The reading pass's record handling: keeps the valid records in file
// order in the analysis's own record storage, marks RTK-fix gains and
// losses, moves times past midnight onto one clock and averages the
// RTK-fixed positions for the truth. Dated times need no day wrap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "log/Gpslog.h"
#include "log/formats/InputFormat.h"
#include "log/quality/QualityTally.h"
#include "log/RecordGrid.h"

namespace gnsslog {

// Averaging group: the first value is the reference, later values add their
// difference from it, and the average divides by n - 1 so that it is the
// mean of the values after the first. Differences keep the sums small, so
// grid coordinates in the millions lose no precision.
struct AverageGroup {
    bool hasReference = false;
    double reference[2] = {0, 0};
    double sum[2] = {0, 0};
    std::uint64_t count = 0;

    void add(double a, double b) noexcept;
    double average(int i) const noexcept;
};

class RecordCollector final : private RecordSink {
public:
    // Records go straight into log.records, which is given room for
    // reservedRecords up front so that no record is ever copied to grow it.
    // options.enuOrigin must be set for an Enu frame.
    RecordCollector(GNSSLog& log, const InputFormat& format, const DecodeOptions& options,
                    std::size_t reservedRecords);

    // Decodes one frame (frame[length] is a zero byte) and handles the
    // record.
    void decode(const std::uint8_t* frame, std::int32_t length);
    // Handles a frame decoded elsewhere.
    void addDecoded(const DecodedRecord& decoded, FrameVerdict verdict);

    // After the last frame: pending records, the averages and the data
    // quality (into which frameTypes moves).
    void finishReading(FrameTypeTally& frameTypes);
    // After the last frame, for a log handed over as it grew: the pending
    // records; the last handOver then gives the totals.
    void endOfLog();

    // For a log that is still growing: moves the records kept since the
    // last hand-over onto shown's (which holds every record handed over
    // before, and nothing else adds to), with their accuracy figures and
    // restarts, and sets shown's counts, times, averages and data quality
    // as they stand, as if the log ended here. A record still being
    // assembled stays for the next hand-over. frameTypes: every frame so
    // far; framerChecksumFailures, framerTruncatedFrames: the framer's own
    // counts so far.
    void handOver(GNSSLog& shown, const FrameTypeTally& frameTypes,
                  std::uint64_t framerChecksumFailures, std::uint64_t framerTruncatedFrames);
    // Frames the framer dropped for a wrong checksum, counted with those
    // the decoder rejected for one.
    void countFramerChecksumFailures(std::uint64_t count) noexcept;
    // Frames the end of the log cut short.
    void countTruncatedFrames(std::uint64_t count) noexcept
    {
        quality_.countTruncatedFrames(count);
    }

private:
    void take(const DecodedRecord& record) override;
    void ignoreDate() noexcept override { quality_.countIgnoredDate(); }
    void markRestart() noexcept override;
    void commit(GNSSRecord& record) noexcept;
    // Keeps record's accuracy figures beside it (records.back()).
    void keepAccuracy(const DecodedRecord& record);
    // The averages and data quality of every record so far into log.
    void fillTotals(GNSSLog& log, DataQuality&& quality) const;
    std::size_t recordsSoFar() const noexcept { return handedOver_ + log_.records.size(); }

    GNSSLog& log_;
    const InputFormat& format_;
    const DecodeOptions options_;  // as the decoders get them
    RecordGrid frameGrid_;         // this thread's conversion into a frame other than KKJ
    std::unique_ptr<RecordAssembler> assembler_;
    DecodedRecord scratch_;  // the frame being decoded, without an assembler
    RecordQuality quality_;

    bool firstRecord_ = true;
    double dayOffset_ = 0;
    // Dated records (ValidFlag::DatedTime) count their days themselves:
    // dateOffset_ joins them once onto the undated times before them.
    bool dated_ = false;
    double dateOffset_ = 0;
    double prevTime_ = 0;
    std::int32_t prevFixState_ = 0;
    AverageGroup geodetic_;  // group A: latitude, longitude
    AverageGroup grid_;      // group B: localX, localY
    AverageGroup height_;    // group C: height
    // Records moved to a shown analysis by handOver; log_ holds the rest.
    std::size_t handedOver_ = 0;
    // A record with accuracy figures has been kept: every later one keeps
    // figures (zeros where it has none), in whichever hand-over it falls.
    bool keepsAccuracy_ = false;
};

// Room for every record a log of logBytes can hold, given the format's
// shortest record: reserving it costs address space only, as untouched
// pages are never backed. Capped so the request stays well inside the
// machine's memory; beyond the cap the storage grows as usual.
std::size_t recordCapacityFor(std::uint64_t logBytes, const InputFormat& format) noexcept;

}  // namespace gnsslog
