// The analysis pipeline: the GNSSLog constructor.
//
// Reading pass: the file goes through the framer of the chosen mode byte by
// byte, every complete frame is decoded into a record, invalid records are
// dropped, and the kept ones are appended in file order while the RTK-fix
// counts, the fix-change markers, the day wrap and the truth averages are
// collected. Calculation pass: every kept record's error against the chosen
// truth goes into the maxima and the five histograms, which are then sorted.
//
// Two departures from a plain loop, neither visible in any result:
// - Decoding (NMEA number parsing above all) and the grid conversion cost
//   more than framing, so for longer files the calling thread only reads
//   and frames, and copies each frame into a batch; one worker thread
//   decodes the batches in file order and does all record handling (the
//   same code, in the same order, as without it). Batches come from a
//   small fixed pool, so a slow worker holds the reader back instead of
//   letting frames pile up. The progress callback is only ever called from
//   the constructor's thread.
// - Records are collected in large fixed-capacity chunks and moved into the
//   exactly sized GNSSLog::records at the end, chunk by chunk, so the record
//   memory never doubles the way a growing vector's does.
#include "log/Gpslog.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <exception>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "geodesy/Kkj.h"
#include "log/NmeaDecoder.h"
#include "log/Packetsniffers.h"
#include "log/Pipeline.h"
#include "log/Pvt1bDecoder.h"
#include "platform/TickCounter.h"

namespace gnsslog {

namespace {

constexpr std::uint64_t kBlockSize = 1024;      // progress granularity, bytes
constexpr std::size_t kBlocksPerRead = 1024;    // one read() fetches 1 MiB
constexpr double kDaySeconds = 86400.0;
constexpr double kWrapToleranceSeconds = 100.0;  // a smaller step back is not a new day
constexpr std::int32_t kRtkFixedState = FixType::RtkFixed;

// Chunks above glibc's largest mmap threshold (32 MiB) are always mapped
// and unmapped on their own, so freeing one really returns its memory.
constexpr std::size_t kDefaultChunkRecords = (std::size_t{32} << 20) / sizeof(GNSSRecord) + 1;
constexpr std::size_t kDefaultBatchBytes = 256 * 1024;
constexpr std::size_t kBatchPoolSize = 8;

constexpr char kPvt1bLabel[] = "[PVT1B]";
constexpr std::size_t kPvt1bLabelLength = sizeof(kPvt1bLabel) - 1;
constexpr std::size_t kNmeaSentenceCapacity = 512;  // the framer's limit, with the zero byte

// Averaging group: the first value is the reference, later values add their
// difference from it, and the average divides by n - 1 so that it is the
// mean of the values after the first. Differences keep the sums small, so
// grid coordinates in the millions lose no precision.
struct AverageGroup {
    bool hasReference = false;
    double reference[2] = {0, 0};
    double sum[2] = {0, 0};
    std::uint64_t count = 0;

    void add(double a, double b) noexcept
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

    double average(int i) const noexcept
    {
        if (count == 0) {
            return 0;
        }
        if (count == 1) {
            return reference[i];
        }
        return reference[i] + sum[i] / static_cast<double>(count - 1);
    }
};

std::string describeErrno(int error)
{
    return std::error_code(error, std::generic_category()).message();
}

class FileHandle {
public:
    explicit FileHandle(int fd) noexcept : fd_(fd) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const noexcept { return fd_; }

private:
    int fd_;
};

// Opens a regular file for reading and measures its size; on failure
// returns -1 with the reason in error.
int openLog(const char* fileName, std::uint64_t& size, std::string& error)
{
    const std::string name = fileName != nullptr ? fileName : "";
    // O_NONBLOCK keeps a FIFO from blocking the open; only regular files
    // are read, so it has no effect on the reads themselves.
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = "cannot open '" + name + "': " + describeErrno(errno);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        error = "cannot open '" + name + "': " + describeErrno(errno);
        ::close(fd);
        return -1;
    }
    if (S_ISDIR(info.st_mode)) {
        error = "cannot open '" + name + "': " + describeErrno(EISDIR);
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        // A device or pipe has no size to measure and may never end.
        error = "cannot open '" + name + "': not a regular file";
        ::close(fd);
        return -1;
    }
    size = static_cast<std::uint64_t>(std::max<off_t>(info.st_size, 0));
    return fd;
}

// Reads up to count bytes at the current position; returns the number read,
// short only at end of file or on a read error.
std::size_t readFully(int fd, std::uint8_t* buffer, std::size_t count) noexcept
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(fd, buffer + done, count - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

// The reading pass's per-record state and handling.
class RecordCollector {
public:
    explicit RecordCollector(GNSSLog& log, std::size_t chunkRecords) noexcept
        : log_(log), chunkRecords_(chunkRecords)
    {
    }

    // Decodes one frame into a new record and handles it.
    void addPvt1b(const std::uint8_t* frame, std::int32_t length, bool toKKJ)
    {
        GNSSRecord& record = slot();
        decodePVT1B(record, frame, length, toKKJ);
        commit(record);
    }
    // sentence: zero-terminated and writable.
    void addNmea(char* sentence, bool toKKJ)
    {
        GNSSRecord& record = slot();
        decodeNmeaSentence(record, sentence, toKKJ);
        commit(record);
    }

    // Handles a record decoded elsewhere (see DecodeWorker).
    void addDecoded(const GNSSRecord& decoded)
    {
        if (decoded.valid == 0) {
            return;  // what commit() would do with it
        }
        GNSSRecord& record = slot();
        record = decoded;
        commit(record);
    }

    // After the last record: the averages.
    void finishReading() noexcept
    {
        log_.avgLatitude = geodetic_.average(0);
        log_.avgLongitude = geodetic_.average(1);
        log_.avgX = grid_.average(0);
        log_.avgY = grid_.average(1);
        log_.avgZ = height_.average(0);
        if (grid_.hasReference) {
            log_.firstFixX = grid_.reference[0];
            log_.firstFixY = grid_.reference[1];
        }
        if (height_.hasReference) {
            log_.firstFixZ = height_.reference[0];
        }
    }

    // Moves every chunk into log.records, freeing each as soon as it is
    // copied. reserve() only maps the destination; its pages become
    // resident as they are written, while the chunks' pages go away.
    void moveRecordsIntoLog()
    {
        std::size_t total = 0;
        for (const auto& chunk : chunks_) {
            total += chunk.size();
        }
        log_.records.clear();
        log_.records.reserve(total);
        while (!chunks_.empty()) {
            std::vector<GNSSRecord>& chunk = chunks_.front();
            log_.records.insert(log_.records.end(), chunk.begin(), chunk.end());
            chunks_.pop_front();
        }
    }

private:
    // A zeroed slot for the decoder; commit() drops or keeps it.
    GNSSRecord& slot()
    {
        if (chunks_.empty() || chunks_.back().size() == chunks_.back().capacity()) {
            chunks_.emplace_back();
            chunks_.back().reserve(chunkRecords_);
        }
        return chunks_.back().emplace_back();
    }

    void commit(GNSSRecord& record) noexcept
    {
        if (record.valid == 0) {
            chunks_.back().pop_back();
            return;
        }
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
            if (log_.rtkFixCount < std::numeric_limits<std::int32_t>::max()) {
                ++log_.rtkFixCount;
            }
            if (prevFixState_ != kRtkFixedState) {
                record.fixChange = FixChange::Gained;
            }
            prevFixState_ = kRtkFixedState;
        } else if (prevFixState_ == kRtkFixedState) {
            if (log_.fixLostCount < std::numeric_limits<std::int32_t>::max()) {
                ++log_.fixLostCount;
            }
            prevFixState_ = record.fixType;
            record.fixChange = FixChange::Lost;
        }

        record.time += dayOffset_;
        if (!(record.time + kWrapToleranceSeconds >= prevTime_)) {
            dayOffset_ += kDaySeconds;
            record.time += kDaySeconds;
        }
        prevTime_ = record.time;
        if (record.time > log_.endTime) {
            log_.endTime = record.time;
        }
    }

    GNSSLog& log_;
    std::size_t chunkRecords_;
    std::deque<std::vector<GNSSRecord>> chunks_;

    bool firstRecord_ = true;
    double dayOffset_ = 0;
    double prevTime_ = 0;
    std::int32_t prevFixState_ = 0;
    AverageGroup geodetic_;  // group A: latitude, longitude
    AverageGroup grid_;      // group B: localX, localY
    AverageGroup height_;    // group C: height
};

// Complete frames copied out of the framer, each followed by a zero byte,
// for the decoding worker.
struct FrameBatch {
    std::vector<char> bytes;              // capacity fixed at creation
    std::vector<std::uint32_t> starts;    // offset of each frame in bytes
    std::vector<std::int32_t> lengths;    // frame lengths, without the zero
    // Filled when the reading thread decoded the batch itself.
    std::vector<GNSSRecord> decoded;
    bool preDecoded = false;

    explicit FrameBatch(std::size_t capacity)
    {
        bytes.reserve(capacity);
        starts.reserve(capacity / 64);
        lengths.reserve(capacity / 64);
    }
    // The index vectors keep their capacity across clear(), so after the
    // first rounds nothing is allocated per frame.
    bool fits(std::size_t length) const noexcept
    {
        return bytes.size() + length + 1 <= bytes.capacity();
    }
    void add(const std::uint8_t* frame, std::int32_t length)
    {
        starts.push_back(static_cast<std::uint32_t>(bytes.size()));
        lengths.push_back(length);
        bytes.insert(bytes.end(), frame, frame + length);
        bytes.push_back('\0');
    }
    void clear() noexcept
    {
        bytes.clear();
        starts.clear();
        lengths.clear();
        decoded.clear();
        preDecoded = false;
    }
};

// The decoding worker: takes full batches in order, decodes every frame
// into the collector and hands the batch back for reuse.
class DecodeWorker {
public:
    DecodeWorker(RecordCollector& collector, bool navcom, bool toKKJ, std::size_t batchBytes,
                 std::size_t poolSize, std::size_t backlogToDecodeHere)
        : collector_(collector), navcom_(navcom), toKKJ_(toKKJ),
          backlogToDecodeHere_(backlogToDecodeHere)
    {
        for (std::size_t i = 0; i < poolSize; ++i) {
            pool_.push_back(std::make_unique<FrameBatch>(batchBytes));
            free_.push_back(pool_.back().get());
        }
        current_ = takeFree();
        thread_ = std::thread([this] { run(); });
    }
    DecodeWorker(const DecodeWorker&) = delete;
    DecodeWorker& operator=(const DecodeWorker&) = delete;
    ~DecodeWorker() { stop(); }

    // Called by the reading thread for every frame to decode. A frame that
    // does not fit an empty batch (never with the framers' limits) is
    // given a batch of its own size.
    void add(const std::uint8_t* frame, std::int32_t length)
    {
        if (current_ == nullptr) {
            return;  // the worker failed; finish() reports why
        }
        const std::size_t n = static_cast<std::size_t>(length);
        if (!current_->fits(n)) {
            submit();
            current_ = takeFree();
            if (current_ == nullptr) {
                return;
            }
            if (!current_->fits(n)) {
                current_->bytes.reserve(n + 1);
            }
        }
        current_->add(frame, length);
    }

    // After the last frame: waits until every frame is decoded and passes
    // on a failure of the worker.
    void finish()
    {
        submit();
        current_ = nullptr;
        stop();
        if (error_) {
            std::rethrow_exception(error_);
        }
    }

private:
    // Decoding is a pure function of the frame, so when the worker falls
    // behind the reading thread decodes the batch itself and the worker
    // only files the records, still in batch order. Who decodes a batch
    // changes nothing in the result.
    void submit()
    {
        if (current_ == nullptr || current_->starts.empty()) {
            return;
        }
        bool backlog = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            backlog = full_.size() >= backlogToDecodeHere_;
        }
        if (backlog) {
            decodeHere(*current_);
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            full_.push_back(current_);
        }
        current_ = nullptr;
        wake_.notify_all();
    }

    void decodeHere(FrameBatch& batch)
    {
        batch.decoded.clear();
        batch.decoded.resize(batch.starts.size());  // zeroed records, as the decoders expect
        for (std::size_t i = 0; i < batch.starts.size(); ++i) {
            char* frame = batch.bytes.data() + batch.starts[i];
            if (navcom_) {
                decodePVT1B(batch.decoded[i], reinterpret_cast<const std::uint8_t*>(frame),
                            batch.lengths[i], toKKJ_);
            } else {
                decodeNmeaSentence(batch.decoded[i], frame, toKKJ_);
            }
        }
        batch.preDecoded = true;
    }

    FrameBatch* takeFree()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [this] { return !free_.empty() || failed_; });
        if (failed_) {
            return nullptr;
        }
        FrameBatch* batch = free_.back();
        free_.pop_back();
        return batch;
    }

    void run() noexcept
    {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return !full_.empty() || done_; });
            if (full_.empty()) {
                return;
            }
            FrameBatch* batch = full_.front();
            full_.pop_front();
            lock.unlock();
            try {
                decode(*batch);
            } catch (...) {
                lock.lock();
                error_ = std::current_exception();
                failed_ = true;
                full_.clear();
                wake_.notify_all();
                return;
            }
            batch->clear();
            lock.lock();
            free_.push_back(batch);
            wake_.notify_all();
        }
    }

    void decode(FrameBatch& batch)
    {
        if (batch.preDecoded) {
            for (const GNSSRecord& record : batch.decoded) {
                collector_.addDecoded(record);
            }
            return;
        }
        for (std::size_t i = 0; i < batch.starts.size(); ++i) {
            char* frame = batch.bytes.data() + batch.starts[i];
            if (navcom_) {
                collector_.addPvt1b(reinterpret_cast<const std::uint8_t*>(frame), batch.lengths[i],
                                    toKKJ_);
            } else {
                collector_.addNmea(frame, toKKJ_);
            }
        }
    }

    void stop() noexcept
    {
        if (!thread_.joinable()) {
            return;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }

    RecordCollector& collector_;
    const bool navcom_;
    const bool toKKJ_;
    const std::size_t backlogToDecodeHere_;
    std::vector<std::unique_ptr<FrameBatch>> pool_;
    FrameBatch* current_ = nullptr;  // the reader's batch being filled

    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<FrameBatch*> free_;
    std::deque<FrameBatch*> full_;
    bool done_ = false;
    bool failed_ = false;
    std::exception_ptr error_;
    std::thread thread_;
};

// The framers' block fast path gives exactly the frames of a byte-by-byte
// feed; it stops after each completed frame so the frame can be used
// before the next byte overwrites it.
template <typename Sniffer, typename OnFrame>
inline void feedBytes(Sniffer& sniffer, const std::uint8_t* bytes, std::size_t count,
                      OnFrame& onFrame)
{
    while (count > 0) {
        std::size_t used = sniffer.feed(bytes, count);
        if (used == 0) {
            sniffer.feedByte(*bytes);  // never expected; keeps the loop finite
            used = 1;
        }
        bytes += used;
        count -= used;
        if (sniffer.status() == SnifferStatus::Complete) {
            onFrame();
        }
    }
}

struct Truth {
    double x, y, z;
};

struct ErrorSums {
    double maxZ = 0;
    double maxX = 0;
    double maxY = 0;
};

// The Z and X halves of the calculation pass; the calling thread does the
// Y half, the 3D errors and the progress reports at the same time. Each
// histogram still receives its samples in record order.
void accumulateZX(const std::vector<GNSSRecord>& records, Truth truth, Histogram& histZ,
                  Histogram& histX, double& maxZ, double& maxX)
{
    for (const GNSSRecord& r : records) {
        if (r.fixType != FixType::RtkFixed) {
            continue;
        }
        if ((r.validFlags & ValidFlag::Height) != 0) {
            const double dz = r.height - truth.z;
            if (std::fabs(dz) > maxZ) {
                maxZ = std::fabs(dz);
            }
            histZ.addSample(dz);
        }
        if ((r.validFlags & ValidFlag::Grid) != 0) {
            const double dx = r.localX - truth.x;
            if (std::fabs(dx) > maxX) {
                maxX = std::fabs(dx);
            }
            histX.addSample(dx);
        }
    }
}

double error3D(double dz, double dx, double dy) noexcept
{
    const double sum = dz * dz + dx * dx + dy * dy;
    return sum == 0 ? 0.0 : std::sqrt(sum);
}

void calculationPass(GNSSLog& log, ProgressThrottle& progress, bool splitWork)
{
    log.maxErrorZ = 0;
    log.maxErrorX = 0;
    log.maxErrorY = 0;
    const std::int32_t total = clampedProgressCount(log.records.size());
    progress.report("Calculating", 0, total);
    const Truth truth{log.truthX(), log.truthY(), log.truthZ()};

    double maxZ = 0;
    double maxX = 0;
    std::exception_ptr helperError;
    std::thread helper;
    if (splitWork) {
        try {
            helper = std::thread([&] {
                try {
                    accumulateZX(log.records, truth, log.histZ, log.histX, maxZ, maxX);
                } catch (...) {
                    helperError = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
            splitWork = false;
        }
    }
    struct Joiner {
        std::thread& t;
        ~Joiner()
        {
            if (t.joinable()) {
                t.join();
            }
        }
    } joiner{helper};

    double maxY = 0;
    std::uint64_t index = 1;
    for (const GNSSRecord& r : log.records) {
        const double dz = r.height - truth.z;
        const double dx = r.localX - truth.x;
        const double dy = r.localY - truth.y;
        const bool hasHeight = (r.validFlags & ValidFlag::Height) != 0;
        const bool hasGrid = (r.validFlags & ValidFlag::Grid) != 0;
        if (r.fixType == FixType::RtkFixed) {
            if (!splitWork && hasHeight) {
                if (std::fabs(dz) > maxZ) {
                    maxZ = std::fabs(dz);
                }
                log.histZ.addSample(dz);
            }
            if (hasGrid) {
                if (!splitWork) {
                    if (std::fabs(dx) > maxX) {
                        maxX = std::fabs(dx);
                    }
                    log.histX.addSample(dx);
                }
                if (std::fabs(dy) > maxY) {
                    maxY = std::fabs(dy);
                }
                log.histY.addSample(dy);
            }
            if (hasGrid && hasHeight) {
                log.hist3DFix.addSample(error3D(dz, dx, dy));
            }
        } else if (r.fixType == FixType::RtkX && hasGrid && hasHeight) {
            log.hist3DRtkx.addSample(error3D(dz, dx, dy));
        }
        progress.timedReport("Calculating...", clampedProgressCount(index), total);
        ++index;
    }
    if (helper.joinable()) {
        helper.join();
    }
    if (helperError) {
        std::rethrow_exception(helperError);
    }
    log.maxErrorZ = maxZ;
    log.maxErrorX = maxX;
    log.maxErrorY = maxY;
}

}  // namespace

std::int32_t scaledReadProgress(std::uint64_t value, std::uint64_t fileSize) noexcept
{
    constexpr std::uint64_t limit = std::numeric_limits<std::int32_t>::max();
    if (fileSize > limit) {
        value /= 1024;
    }
    return static_cast<std::int32_t>(std::min(value, limit));
}

std::int32_t clampedProgressCount(std::uint64_t value) noexcept
{
    constexpr std::uint64_t limit = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::min(value, limit));
}

void ProgressThrottle::report(const char* phase, std::int32_t position, std::int32_t total) const
{
    if (callback_ != nullptr) {
        callback_(phase, position, total);
    }
}

void ProgressThrottle::timedReport(const char* phase, std::int32_t position, std::int32_t total)
{
    const std::uint32_t elapsed = tickCountMs() - lastReport_;  // unsigned: survives the wrap
    if (elapsed > kIntervalMs) {
        report(phase, position, total);
        lastReport_ = tickCountMs();
    }
}

namespace {

// The reading pass and everything after it, over the chunks that
// nextChunk(buffer) hands out in file order (empty at the end).
template <typename NextChunk>
void analyseChunks(GNSSLog& log, std::uint64_t size, NextChunk&& nextChunk,
                   ProgressCallback progressCallback, bool toKKJ, bool navcomBinary,
                   const PipelineOptions& options)
{
    ProgressThrottle progress(progressCallback);
    const std::int32_t reportedSize = scaledReadProgress(size, size);
    progress.report("Reading file", 0, reportedSize);

    RecordCollector collector(log, options.chunkRecords != 0 ? options.chunkRecords
                                                             : kDefaultChunkRecords);
    std::optional<DecodeWorker> worker;
    if (options.decodeWorker && size >= options.workerMinFileSize) {
        try {
            worker.emplace(collector, navcomBinary, toKKJ,
                           options.batchBytes != 0 ? options.batchBytes : kDefaultBatchBytes,
                           kBatchPoolSize, options.backlogToDecodeHere);
        } catch (const std::system_error&) {
            // No thread available: decode on this thread instead.
        }
    }

    NMEASniffer nmeaSniffer;
    NCTBINSniffer navcomSniffer;
    char sentence[kNmeaSentenceCapacity + 1];

    auto onNavcomFrame = [&] {
        const std::uint8_t* frame = navcomSniffer.frameStart();
        const std::int32_t length = navcomSniffer.frameLength();
        if (frame == nullptr || length < static_cast<std::int32_t>(kPvt1bLabelLength) ||
            std::memcmp(frame, kPvt1bLabel, kPvt1bLabelLength) != 0) {
            return;  // another message type
        }
        if (worker) {
            worker->add(frame, length);
        } else {
            collector.addPvt1b(frame, length, toKKJ);
        }
    };
    auto onNmeaFrame = [&] {
        const std::uint8_t* frame = nmeaSniffer.frameStart();
        const std::int32_t length = nmeaSniffer.frameLength();
        if (frame == nullptr || length < 0) {
            return;
        }
        const std::int32_t n =
            std::min<std::int32_t>(length, static_cast<std::int32_t>(kNmeaSentenceCapacity));
        if (worker) {
            worker->add(frame, n);
            return;
        }
        // The decoder takes a writable text; the framer's buffer is its own.
        std::memcpy(sentence, frame, static_cast<std::size_t>(n));
        sentence[n] = '\0';
        collector.addNmea(sentence, toKKJ);
    };

    std::uint64_t offset = 0;
    for (;;) {
        const auto [data, got] = nextChunk();
        if (got == 0) {
            break;
        }
        for (std::size_t start = 0; start < got; start += kBlockSize) {
            const std::size_t n = std::min<std::size_t>(kBlockSize, got - start);
            if (navcomBinary) {
                feedBytes(navcomSniffer, data + start, n, onNavcomFrame);
            } else {
                feedBytes(nmeaSniffer, data + start, n, onNmeaFrame);
            }
            progress.timedReport("Reading file", scaledReadProgress(offset + start, size),
                                 reportedSize);
        }
        offset += got;
    }

    if (worker) {
        worker->finish();
    }
    collector.finishReading();
    collector.moveRecordsIntoLog();

    // Splitting the calculation only pays for long logs.
    const bool splitWork = options.decodeWorker && log.records.size() >= (std::size_t{1} << 16);
    calculationPass(log, progress, splitWork);

    Histogram* const histograms[] = {&log.histZ, &log.histX, &log.histY, &log.hist3DFix,
                                     &log.hist3DRtkx};
    constexpr std::int32_t histogramCount = 5;
    for (std::int32_t i = 0; i < histogramCount; ++i) {
        progress.report("Sorting histograms", i, histogramCount);
        histograms[i]->sortBins();
    }
    progress.report("All done!", histogramCount, histogramCount);
}

struct Chunk {
    const std::uint8_t* data;
    std::size_t size;
};

}  // namespace

void runPipeline(GNSSLog& log, const char* fileName, ProgressCallback progress, bool toKKJ,
                 bool navcomBinary, const PipelineOptions& options)
{
    std::uint64_t size = 0;
    const FileHandle file(openLog(fileName, size, log.openError));
    if (file.get() < 0) {
        // Nothing was analysed, so nothing is reported: openError says why.
        return;
    }
    std::vector<std::uint8_t> buffer(kBlocksPerRead * kBlockSize);
    std::uint64_t offset = 0;
    bool readFailed = false;
    auto nextChunk = [&]() -> Chunk {
        if (offset >= size || readFailed) {
            return {nullptr, 0};
        }
        const std::size_t wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), size - offset));
        const std::size_t got = readFully(file.get(), buffer.data(), wanted);
        // A short read means the file shrank or could not be read further:
        // the analysis keeps what was read.
        readFailed = got < wanted;
        offset += got;
        return {buffer.data(), got};
    };
    analyseChunks(log, size, nextChunk, progress, toKKJ, navcomBinary, options);
}

void runPipelineOnBytes(GNSSLog& log, const std::uint8_t* bytes, std::size_t size,
                        ProgressCallback progress, bool toKKJ, bool navcomBinary,
                        const PipelineOptions& options)
{
    constexpr std::size_t kChunkBytes = kBlocksPerRead * kBlockSize;
    std::size_t offset = 0;
    auto nextChunk = [&]() -> Chunk {
        const std::size_t n = std::min(kChunkBytes, size - offset);
        const Chunk chunk{bytes + offset, n};
        offset += n;
        return chunk;
    };
    analyseChunks(log, size, nextChunk, progress, toKKJ, navcomBinary, options);
}

GNSSLog::GNSSLog(std::uint8_t truthMode_, double manualX_, double manualY_, double manualZ_)
    : manualX(manualX_), manualY(manualY_), manualZ(manualZ_), truthMode(truthMode_)
{
}

GNSSLog::GNSSLog(const char* fileName, ProgressCallback progress, bool toKKJ, bool navcomBinary,
                 std::uint8_t truthMode_, double manualX_, double manualY_, double manualZ_)
    : GNSSLog(truthMode_, manualX_, manualY_, manualZ_)
{
    runPipeline(*this, fileName, progress, toKKJ, navcomBinary, PipelineOptions{});
}

double GNSSLog::truthX() const noexcept
{
    switch (truthMode) {
    case TruthMode::Averaged: return avgX;
    case TruthMode::FirstFix: return firstFixX;
    case TruthMode::Manual: return manualX;
    default: return 0;
    }
}

double GNSSLog::truthY() const noexcept
{
    switch (truthMode) {
    case TruthMode::Averaged: return avgY;
    case TruthMode::FirstFix: return firstFixY;
    case TruthMode::Manual: return manualY;
    default: return 0;
    }
}

double GNSSLog::truthZ() const noexcept
{
    switch (truthMode) {
    case TruthMode::Averaged: return avgZ;
    case TruthMode::FirstFix: return firstFixZ;
    case TruthMode::Manual: return manualZ;
    default: return 0;
    }
}

}  // namespace gnsslog
