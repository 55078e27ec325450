// Where the framer's frames go on the reading thread: every frame is
// counted by type and the wanted ones are handed on for decoding.
#pragma once

#include <cstdint>
#include <vector>

#include "log/formats/Framers.h"
#include "log/formats/InputFormat.h"
#include "log/quality/QualityTally.h"
#include "log/RecordCollector.h"

namespace gnsslog {

// Decodes frames on the calling thread into the collector.
class FrameDecoder {
public:
    explicit FrameDecoder(RecordCollector& collector) : collector_(collector) {}

    void add(const std::uint8_t* frame, std::int32_t length)
    {
        // The decoders read a zero-terminated copy; the framer's buffer is
        // its own.
        scratch_.assign(frame, frame + length);
        scratch_.push_back(0);
        collector_.decode(scratch_.data(), length);
    }

private:
    RecordCollector& collector_;
    std::vector<std::uint8_t> scratch_;
};

// The framer's frame handler (feedFrames, finishFrames). Router: anything
// with add(frame, length).
template <typename Router>
class FrameTaker {
public:
    FrameTaker(const InputFormat& format, FrameTypeTally& frameTypes, Router& router)
        : format_(format), frameTypes_(frameTypes), router_(router)
    {
    }
    bool operator()(const std::uint8_t* frame, std::int32_t length)
    {
        frameTypes_.add(format_.frameType(frame, length));
        if (format_.wantsFrame(frame, length)) {
            router_.add(frame, length);
        }
        return true;
    }

private:
    const InputFormat& format_;
    FrameTypeTally& frameTypes_;
    Router& router_;
};

// Frames the framer checked but passed unpublished (too long for it),
// counted by type with the others.
inline void countUnpublishedFrames(FrameTypeTally& frameTypes, const PacketSniffer& framer,
                                   const InputFormat& format)
{
    for (const UnpublishedFrames& passed : framer.unpublishedFrames()) {
        frameTypes.add(format.frameType(passed.head.data(), UnpublishedFrames::kHeadBytes), passed.count);
    }
}

}  // namespace gnsslog
