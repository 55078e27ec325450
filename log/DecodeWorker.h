// Decoding on a second thread while the reading thread frames.
//
// The reading thread copies each wanted frame into a batch; full batches go
// to the worker in file order, which decodes them into the collector (the
// same code, in the same order, as without it). Batches come from a small
// fixed pool, so a slow worker holds the reader back instead of letting
// frames pile up. Decoding is a pure function of the frame, so when the
// worker falls behind the reading thread decodes the next batch itself and
// the worker only files its records, still in batch order: both cores
// decode, and who decoded a batch changes nothing in the result.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "log/formats/InputFormat.h"
#include "log/RecordCollector.h"
#include "log/RecordGrid.h"

namespace gnsslog {

// Complete frames copied out of the framer, each followed by a zero byte.
struct FrameBatch {
    std::vector<std::uint8_t> bytes;      // capacity fixed at creation
    std::vector<std::uint32_t> starts;    // offset of each frame in bytes
    std::vector<std::int32_t> lengths;    // frame lengths, without the zero
    // Filled when the reading thread decoded the batch itself; keeps its
    // capacity, so its pages are touched once per analysis.
    std::vector<DecodedRecord> decoded;
    std::vector<FrameVerdict> verdicts;
    bool preDecoded = false;

    explicit FrameBatch(std::size_t capacity);
    bool fits(std::size_t length) const noexcept
    {
        return bytes.size() + length + 1 <= bytes.capacity();
    }
    void add(const std::uint8_t* frame, std::int32_t length);
    void clear() noexcept;
};

class DecodeWorker {
public:
    // Starts the thread; throws std::system_error when there is none.
    DecodeWorker(RecordCollector& collector, const InputFormat& format,
                 const DecodeOptions& options,
                 std::size_t batchBytes, std::size_t poolSize, std::size_t backlogToDecodeHere);
    DecodeWorker(const DecodeWorker&) = delete;
    DecodeWorker& operator=(const DecodeWorker&) = delete;
    ~DecodeWorker();

    // Called by the reading thread for every frame to decode. A frame that
    // does not fit an empty batch is given room of its own.
    void add(const std::uint8_t* frame, std::int32_t length);

    // After the last frame: waits until every frame is decoded and passes
    // on a failure of the worker.
    void finish();

private:
    void submit();
    void decodeHere(FrameBatch& batch);
    FrameBatch* takeFree();
    void run() noexcept;
    void file(FrameBatch& batch);
    void stop() noexcept;

    RecordCollector& collector_;
    const InputFormat& format_;
    const DecodeOptions options_;  // as the decoders get them
    const DecodeOptions analysisOptions_;
    // The reading thread's own grid converter, made when it first decodes
    // (a PROJ transformation takes some 0.1 s to make).
    std::optional<RecordGrid> frameGrid_;
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

}  // namespace gnsslog
