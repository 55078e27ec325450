#include "log/formats/FormatDetection.h"

#include <algorithm>
#include <vector>

#include "log/formats/FrameFeed.h"
#include "log/formats/Formats.h"
#include "platform/LogFile.h"

namespace gnsslog {

namespace {

bool isValid(const InputFormat& format, const std::uint8_t* frame, std::int32_t length,
             bool verifyChecksum, std::vector<std::uint8_t>& scratch)
{
    if (!format.wantsFrame(frame, length)) {
        return format.frameIntact(frame, length);
    }
    // Decoders read a zero-terminated copy, as in the analysis.
    scratch.assign(frame, frame + length);
    scratch.push_back(0);
    DecodedRecord record;
    const FrameVerdict verdict = withChecksumCheck(format, verifyChecksum)
                                     .decodeFrame(record, scratch.data(), length, DecodeOptions{false});
    return verdict == FrameVerdict::Record || verdict == FrameVerdict::Unread;
}

}  // namespace

std::uint64_t countValidFrames(const InputFormat& format, const std::uint8_t* bytes,
                               std::size_t size, bool verifyChecksum)
{
    // Shorter than the limit, the bytes are the whole log, so its end is
    // the log's end; otherwise they stop anywhere.
    const bool wholeLog = size < kDetectionBytes;
    size = std::min(size, kDetectionBytes);
    const std::unique_ptr<PacketSniffer> framer = format.makeFramer();
    std::vector<std::uint8_t> scratch;
    std::uint64_t valid = 0;
    auto count = [&](const std::uint8_t* frame, std::int32_t length) {
        valid += isValid(format, frame, length, verifyChecksum, scratch) ? 1 : 0;
        return true;
    };
    feedFrames(*framer, bytes, size, count);
    if (wholeLog) {
        finishFrames(*framer, count);
    }
    return valid;
}

const InputFormat* detectInputFormat(const std::uint8_t* bytes, std::size_t size,
                                     bool verifyChecksum)
{
    const InputFormat* best = nullptr;
    std::uint64_t mostFrames = 0;
    for (const InputFormat* format : inputFormats()) {
        const std::uint64_t frames = countValidFrames(*format, bytes, size, verifyChecksum);
        if (frames > mostFrames) {
            best = format;
            mostFrames = frames;
        }
    }
    return best;
}

const InputFormat* detectLogFileFormat(const char* fileName, bool verifyChecksum)
{
    LogFile file(fileName);
    if (!file.isOpen()) {
        return nullptr;
    }
    std::vector<std::uint8_t> start(
        static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), kDetectionBytes)));
    start.resize(file.read(start.data(), start.size()));
    return detectInputFormat(start.data(), start.size(), verifyChecksum);
}

const InputFormat& detectedFormatOrFallback(const char* fileName, bool verifyChecksum)
{
    const InputFormat* detected = detectLogFileFormat(fileName, verifyChecksum);
    return detected != nullptr ? *detected : fallbackFormat();
}

}  // namespace gnsslog
