#include "log/DecodeWorker.h"

namespace gnsslog {

FrameBatch::FrameBatch(std::size_t capacity)
{
    bytes.reserve(capacity);
    starts.reserve(capacity / 64);
    lengths.reserve(capacity / 64);
}

void FrameBatch::add(const std::uint8_t* frame, std::int32_t length)
{
    starts.push_back(static_cast<std::uint32_t>(bytes.size()));
    lengths.push_back(length);
    bytes.insert(bytes.end(), frame, frame + length);
    bytes.push_back(0);
}

// The index vectors keep their capacity across clear(), so after the first
// rounds nothing is allocated per frame.
void FrameBatch::clear() noexcept
{
    bytes.clear();
    starts.clear();
    lengths.clear();
    decoded.clear();
    verdicts.clear();
    preDecoded = false;
}

DecodeWorker::DecodeWorker(RecordCollector& collector, const InputFormat& format,
                           const DecodeOptions& options, std::size_t batchBytes,
                           std::size_t poolSize, std::size_t backlogToDecodeHere)
    : collector_(collector), format_(format), options_(decoderOptions(options)),
      analysisOptions_(options),
      backlogToDecodeHere_(backlogToDecodeHere)
{
    for (std::size_t i = 0; i < poolSize; ++i) {
        pool_.push_back(std::make_unique<FrameBatch>(batchBytes));
        free_.push_back(pool_.back().get());
    }
    current_ = takeFree();
    thread_ = std::thread([this] { run(); });
}

DecodeWorker::~DecodeWorker()
{
    stop();
}

void DecodeWorker::add(const std::uint8_t* frame, std::int32_t length)
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

void DecodeWorker::finish()
{
    submit();
    current_ = nullptr;
    stop();
    if (error_) {
        std::rethrow_exception(error_);
    }
}

void DecodeWorker::submit()
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

void DecodeWorker::decodeHere(FrameBatch& batch)
{
    batch.decoded.clear();
    batch.decoded.resize(batch.starts.size());  // zeroed records, as the decoders expect
    batch.verdicts.resize(batch.starts.size());
    if (!frameGrid_) {
        frameGrid_.emplace(analysisOptions_);
    }
    for (std::size_t i = 0; i < batch.starts.size(); ++i) {
        batch.verdicts[i] = format_.decodeFrame(batch.decoded[i],
                                                batch.bytes.data() + batch.starts[i],
                                                batch.lengths[i], options_);
        frameGrid_->apply(batch.decoded[i]);
    }
    batch.preDecoded = true;
}

FrameBatch* DecodeWorker::takeFree()
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

void DecodeWorker::run() noexcept
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
            file(*batch);
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

void DecodeWorker::file(FrameBatch& batch)
{
    if (batch.preDecoded) {
        for (std::size_t i = 0; i < batch.decoded.size(); ++i) {
            collector_.addDecoded(batch.decoded[i], batch.verdicts[i]);
        }
        return;
    }
    for (std::size_t i = 0; i < batch.starts.size(); ++i) {
        collector_.decode(batch.bytes.data() + batch.starts[i], batch.lengths[i]);
    }
}

void DecodeWorker::stop() noexcept
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

}  // namespace gnsslog
