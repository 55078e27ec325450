#include "log/GrowingLogReader.h"

#include <algorithm>

#include "log/formats/FrameFeed.h"
#include "log/FrameTaker.h"
#include "log/Pipeline.h"
#include "log/RecordCollector.h"
#include "platform/LogFile.h"

namespace gnsslog {

namespace {

constexpr std::size_t kGrowthChunkBytes = std::size_t{128} << 10;  // one read of a growing file

}  // namespace

GrowingLogReader::GrowingLogReader(const InputFormat& format, const DecodeOptions& options,
                                   std::size_t recordRoom)
    : format_(format), askedOptions_(options), options_(options), recordRoom_(recordRoom),
      staging_(TruthMode::Averaged, 0, 0, 0)
{
    if (options_.frame.kind != GridKind::Enu || options_.enuOrigin) {
        start();
    }
}

GrowingLogReader::~GrowingLogReader() = default;

void GrowingLogReader::start()
{
    // The room goes with the first records to the analysis on show.
    collector_ = std::make_unique<RecordCollector>(staging_, format_, options_, recordRoom_);
    decoder_ = std::make_unique<FrameDecoder>(*collector_);
    framer_ = format_.makeFramer();
}

void GrowingLogReader::feed(const std::uint8_t* bytes, std::size_t size)
{
    if (finished_ || size == 0) {
        return;
    }
    bytesFed_ += size;
    if (collector_) {
        decode(bytes, size);
        return;
    }
    held_.insert(held_.end(), bytes, bytes + size);
    options_.enuOrigin = firstLogPosition(held_.data(), held_.size(), format_, options_, false);
    if (options_.enuOrigin || held_.size() >= kMostHeldBytes) {
        startWithHeldBytes();
    }
}

void GrowingLogReader::startWithHeldBytes()
{
    start();
    decode(held_.data(), held_.size());
    held_ = {};
}

std::string GrowingLogReader::feedGrowth(const char* fileName)
{
    LogFile file(fileName);
    if (!file.isOpen()) {
        return file.error();
    }
    if (file.size() <= bytesFed_ || !file.seek(bytesFed_)) {
        return {};
    }
    std::vector<std::uint8_t> buffer(kGrowthChunkBytes);
    for (std::uint64_t left = file.size() - bytesFed_; left > 0;) {
        const std::size_t got = file.read(buffer.data(), static_cast<std::size_t>(
                                                             std::min<std::uint64_t>(left, buffer.size())));
        if (got == 0) {
            break;
        }
        feed(buffer.data(), got);
        left -= got;
    }
    return {};
}

void GrowingLogReader::decode(const std::uint8_t* bytes, std::size_t size)
{
    FrameTaker<FrameDecoder> take(format_, frameTypes_, *decoder_);
    feedFrames(*framer_, bytes, size, take);
}

FrameTypeTally GrowingLogReader::frameTypesSoFar() const
{
    FrameTypeTally tally = frameTypes_;
    countUnpublishedFrames(tally, *framer_, format_);
    return tally;
}

void GrowingLogReader::handOver(GNSSLog& shown)
{
    if (collector_ && !finished_) {
        passOn(shown, frameTypesSoFar(), framer_->checksumFailures(), framer_->truncatedFrames());
    }
}

void GrowingLogReader::finish(GNSSLog& shown)
{
    if (finished_) {
        return;
    }
    if (!collector_) {
        // The log's last frame may hold its first position.
        options_.enuOrigin = firstLogPosition(held_.data(), held_.size(), format_, options_);
        startWithHeldBytes();
    }
    FrameTaker<FrameDecoder> take(format_, frameTypes_, *decoder_);
    finishFrames(*framer_, take);
    frameTypes_ = frameTypesSoFar();
    collector_->countFramerChecksumFailures(framer_->checksumFailures());
    collector_->countTruncatedFrames(framer_->truncatedFrames());
    collector_->endOfLog();
    finished_ = true;
    // The framer's counts are the collector's now.
    passOn(shown, frameTypes_, 0, 0);
}

void GrowingLogReader::passOn(GNSSLog& shown, const FrameTypeTally& frameTypes,
                              std::uint64_t framerChecksumFailures, std::uint64_t framerTruncatedFrames)
{
    describeLogGrid(shown, options_);
    collector_->handOver(shown, frameTypes, framerChecksumFailures, framerTruncatedFrames);
}

}  // namespace gnsslog
