// Feeding a framer and taking each frame it completes: the one loop that
// the analysis, its first look for a tangent point and format detection
// share, and the end-of-stream step after it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "log/formats/Framers.h"

namespace gnsslog {

// Feeds bytes[0..count) through framer and calls
// onFrame(frame, length) -> bool for each frame it completes, while the
// frame is still in the framer's buffer. Returns false as soon as onFrame
// does (the rest of the bytes are not fed), true otherwise.
template <typename OnFrame>
bool feedFrames(PacketSniffer& framer, const std::uint8_t* bytes, std::size_t count,
                OnFrame&& onFrame)
{
    while (count > 0) {
        std::size_t used = framer.feed(bytes, count);
        if (used == 0) {
            framer.feedByte(*bytes);  // never expected; keeps the loop finite
            used = 1;
        }
        bytes += used;
        count -= used;
        if (framer.status() == SnifferStatus::Complete &&
            !onFrame(framer.frameStart(), framer.frameLength())) {
            return false;
        }
    }
    return true;
}

// After the last byte: onFrame for each frame the framer's end-of-stream
// step publishes, with the same return as feedFrames.
template <typename OnFrame>
bool finishFrames(PacketSniffer& framer, OnFrame&& onFrame)
{
    while (framer.finish() == SnifferStatus::Complete) {
        if (!onFrame(framer.frameStart(), framer.frameLength())) {
            return false;
        }
    }
    return true;
}

}  // namespace gnsslog
