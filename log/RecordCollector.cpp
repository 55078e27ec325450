#include "log/RecordCollector.h"

#include <algorithm>
#include <limits>

#include <unistd.h>

namespace gnsslog {

namespace {

constexpr double kDaySeconds = 86400.0;
constexpr double kWrapToleranceSeconds = 100.0;  // a smaller step back is not a new day
constexpr std::int32_t kRtkFixedState = FixType::RtkFixed;
// Records a growing log's collector holds between hand-overs: room for a
// few seconds of a fast receiver, given back once it grew far beyond.
constexpr std::size_t kStagingRecords = 4096;
constexpr std::size_t kMostStagingRecords = 16 * kStagingRecords;

void countUpTo(std::int32_t& counter) noexcept
{
    if (counter < std::numeric_limits<std::int32_t>::max()) {
        ++counter;
    }
}

}  // namespace

void AverageGroup::add(double a, double b) noexcept
{
    if (!hasReference) {
        reference[0] = a;
        reference[1] = b;
        count = 1;
        hasReference = true;
        return;
    }
    sum[0] += a - reference[0];
    sum[1] += b - reference[1];
    ++count;
}

double AverageGroup::average(int i) const noexcept
{
    if (count == 0) {
        return 0;
    }
    if (count == 1) {
        return reference[i];
    }
    return reference[i] + sum[i] / static_cast<double>(count - 1);
}

std::size_t recordCapacityFor(std::uint64_t logBytes, const InputFormat& format) noexcept
{
    const std::uint64_t bound = logBytes / std::max<std::size_t>(format.minimumRecordBytes(), 1) + 1;
    // A quarter of the physical memory in address space at most.
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageBytes = ::sysconf(_SC_PAGESIZE);
    std::uint64_t cap = std::uint64_t{1} << 24;  // records, when the machine does not say
    if (pages > 0 && pageBytes > 0) {
        cap = static_cast<std::uint64_t>(pages) / 4 * static_cast<std::uint64_t>(pageBytes) /
              sizeof(GNSSRecord);
    }
    return static_cast<std::size_t>(std::min(bound, cap));
}

RecordCollector::RecordCollector(GNSSLog& log, const InputFormat& format,
                                 const DecodeOptions& options, std::size_t reservedRecords)
    : log_(log), format_(format), options_(decoderOptions(options)), frameGrid_(options),
      assembler_(format.makeAssembler())
{
    log_.records.clear();
    log_.restarts.clear();
    log_.accuracy.clear();
    log_.records.reserve(reservedRecords);
}

void RecordCollector::decode(const std::uint8_t* frame, std::int32_t length)
{
    scratch_ = DecodedRecord{};
    quality_.countVerdict(format_.decodeFrame(scratch_, frame, length, options_));
    frameGrid_.apply(scratch_);
    if (assembler_) {
        assembler_->add(scratch_, *this);
        return;
    }
    take(scratch_);
}

void RecordCollector::addDecoded(const DecodedRecord& decoded, FrameVerdict verdict)
{
    quality_.countVerdict(verdict);
    if (assembler_) {
        assembler_->add(decoded, *this);
        return;
    }
    take(decoded);
}

void RecordCollector::take(const DecodedRecord& record)
{
    if (record.valid == 0) {
        return;
    }
    commit(log_.records.emplace_back(record));
    keepAccuracy(record);
}

void RecordCollector::keepAccuracy(const DecodedRecord& record)
{
    auto& accuracy = log_.accuracy;
    if (accuracy.empty()) {
        if (!record.hasAccuracy() && !keepsAccuracy_) {
            return;
        }
        // The first record with figures (or the first since a hand-over):
        // the ones before it had none. Room as for the records, so the list
        // is never copied to grow either.
        keepsAccuracy_ = true;
        accuracy.reserve(log_.records.capacity());
        accuracy.resize(log_.records.size() - 1);
    }
    accuracy.push_back(record.accuracy);
}

void RecordCollector::commit(GNSSRecord& record) noexcept
{
    if (firstRecord_) {
        log_.startTime = record.time;
        firstRecord_ = false;
    }
    record.fixChange = FixChange::None;
    if (record.fixType == FixType::RtkFixed) {
        if ((record.validFlags & ValidFlag::LatLon) != 0) {
            geodetic_.add(record.latitude, record.longitude);
        }
        if ((record.validFlags & ValidFlag::Grid) != 0) {
            grid_.add(record.localX, record.localY);
        }
        if ((record.validFlags & ValidFlag::Height) != 0) {
            height_.add(record.height, 0);
        }
        countUpTo(log_.rtkFixCount);
        if (prevFixState_ != kRtkFixedState) {
            record.fixChange = FixChange::Gained;
        }
        prevFixState_ = kRtkFixedState;
    } else if (prevFixState_ == kRtkFixedState) {
        countUpTo(log_.fixLostCount);
        prevFixState_ = record.fixType;
        record.fixChange = FixChange::Lost;
    }

    bool wrapped = false;
    if (record.has(ValidFlag::DatedTime)) {
        // The date decides the day, so a step back stays one. The first
        // dated record continues the undated ones before it by the rule
        // below.
        if (!dated_) {
            dated_ = true;
            dateOffset_ = dayOffset_;
            wrapped = !(record.time + dateOffset_ + kWrapToleranceSeconds >= prevTime_);
            if (wrapped) {
                dateOffset_ += kDaySeconds;
            }
        }
        record.time += dateOffset_;
    } else {
        record.time += dayOffset_;
        wrapped = !(record.time + kWrapToleranceSeconds >= prevTime_);
        if (wrapped) {
            dayOffset_ += kDaySeconds;
            record.time += kDaySeconds;
        }
    }
    prevTime_ = record.time;
    quality_.addRecord(record, wrapped);
    if (frameGrid_.active() && record.has(ValidFlag::LatLon) && !record.has(ValidFlag::Grid)) {
        quality_.countOffGrid();
    }
    if (record.time > log_.endTime) {
        log_.endTime = record.time;
    }
}

void RecordCollector::markRestart() noexcept
{
    // A restart before the first record, or two before one record, cuts
    // nothing more.
    const std::size_t next = recordsSoFar();
    if (next == 0 || (!log_.restarts.empty() && log_.restarts.back() == next)) {
        return;
    }
    try {
        log_.restarts.push_back(next);
    } catch (...) {
        // Without room for the marker the log is read as if it had none.
    }
}

void RecordCollector::countFramerChecksumFailures(std::uint64_t count) noexcept
{
    quality_.countChecksumFailures(count);
}

void RecordCollector::endOfLog()
{
    if (assembler_) {
        assembler_->finish(*this);
    }
    // A restart after the last record starts nothing.
    if (!log_.restarts.empty() && log_.restarts.back() == recordsSoFar()) {
        log_.restarts.pop_back();
    }
}

void RecordCollector::finishReading(FrameTypeTally& frameTypes)
{
    endOfLog();
    DataQuality quality;
    frameTypes.moveInto(quality);
    quality_.finish(quality);
    fillTotals(log_, std::move(quality));
}

void RecordCollector::handOver(GNSSLog& shown, const FrameTypeTally& frameTypes,
                               std::uint64_t framerChecksumFailures, std::uint64_t framerTruncatedFrames)
{
    auto& records = log_.records;
    auto& accuracy = log_.accuracy;
    const std::size_t total = recordsSoFar();
    if (shown.records.empty()) {
        // The first records move with their list, room and all, so a long
        // backlog is never held twice.
        shown.records.swap(records);
        shown.accuracy.swap(accuracy);
    } else {
        if (!accuracy.empty() && shown.accuracy.empty()) {
            // The first figures: the records handed over before had none.
            shown.accuracy.reserve(shown.records.capacity());
            shown.accuracy.resize(shown.records.size());
        }
        shown.accuracy.insert(shown.accuracy.end(), accuracy.begin(), accuracy.end());
        shown.records.insert(shown.records.end(), records.begin(), records.end());
    }
    // A restart with no record after it yet stays until one comes.
    for (const std::size_t restart : log_.restarts) {
        if (restart < total) {
            shown.restarts.push_back(restart);
        }
    }
    const bool restartPending = !log_.restarts.empty() && log_.restarts.back() == total;
    log_.restarts.clear();
    if (restartPending) {
        log_.restarts.push_back(total);
    }
    handedOver_ = total;
    records.clear();
    accuracy.clear();
    if (records.capacity() > kMostStagingRecords || records.capacity() == 0) {
        // After a long backlog the list's pages go back; between hand-overs
        // it holds a few seconds' records.
        std::vector<GNSSRecord>().swap(records);
        std::vector<AccuracyFigures>().swap(accuracy);
        records.reserve(kStagingRecords);
    }

    DataQuality quality;
    frameTypes.copyInto(quality);
    quality_.finish(quality, framerChecksumFailures, framerTruncatedFrames);
    shown.rtkFixCount = log_.rtkFixCount;
    shown.fixLostCount = log_.fixLostCount;
    shown.startTime = log_.startTime;
    shown.endTime = log_.endTime;
    fillTotals(shown, std::move(quality));
}

void RecordCollector::fillTotals(GNSSLog& log, DataQuality&& quality) const
{
    log.dataQuality = std::move(quality);
    log.avgLatitude = geodetic_.average(0);
    log.avgLongitude = geodetic_.average(1);
    log.avgX = grid_.average(0);
    log.avgY = grid_.average(1);
    log.avgZ = height_.average(0);
    if (grid_.hasReference) {
        log.firstFixX = grid_.reference[0];
        log.firstFixY = grid_.reference[1];
    }
    if (height_.hasReference) {
        log.firstFixZ = height_.reference[0];
    }
    if (log.truthUndefined()) {
        // First: every error the analysis shows depends on it.
        auto& warnings = log.dataQuality.warnings;
        warnings.emplace(warnings.begin(), kAveragedTruthUndefined);
    }
}

}  // namespace gnsslog
