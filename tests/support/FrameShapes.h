// The frames a framer publishes from the same bytes fed in different
// shapes: one byte at a time through feedByte, or through the block path
// feed() in chunks of chosen sizes. Shared by the framer fuzz targets and
// the differential tests, which compare the shapes with each other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "log/formats/Framers.h"

namespace gnsslog::testing {

struct Frame {
    std::string bytes;
    std::uint16_t kind;
    bool operator==(const Frame&) const = default;
};

inline Frame publishedFrame(const PacketSniffer& sniffer)
{
    return {std::string(reinterpret_cast<const char*>(sniffer.frameStart()),
                        static_cast<std::size_t>(sniffer.frameLength())),
            sniffer.frameKind()};
}

// Frames of data fed one byte at a time. onByte(sniffer, status) sees the
// framer after every byte, before a completed frame is taken.
template <typename Sniffer, typename OnByte>
std::vector<Frame> framesByteByByte(const std::uint8_t* data, std::size_t size, OnByte onByte)
{
    Sniffer sniffer;
    std::vector<Frame> frames;
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t status = sniffer.feedByte(data[i]);
        onByte(static_cast<const Sniffer&>(sniffer), status);
        if (status == SnifferStatus::Complete) {
            frames.push_back(publishedFrame(sniffer));
        }
    }
    return frames;
}

template <typename Sniffer>
std::vector<Frame> framesByteByByte(const std::uint8_t* data, std::size_t size)
{
    return framesByteByByte<Sniffer>(data, size, [](const Sniffer&, std::uint8_t) {});
}

// Frames of data through the block path, in chunks whose sizes cycle
// through chunkSizes (a chunk size of 0, or none at all, means "the
// rest"). finalStatus, when given, receives the framer's status at the
// end. A feed() that takes no byte or more than it was given breaks the
// framer's contract, and would loop or overrun here: it throws
// std::logic_error instead.
template <typename Sniffer>
std::vector<Frame> framesByBlocks(const std::uint8_t* data, std::size_t size,
                                  const std::vector<std::size_t>& chunkSizes,
                                  std::uint8_t* finalStatus = nullptr)
{
    Sniffer sniffer;
    std::vector<Frame> frames;
    std::size_t offset = 0;
    std::size_t which = 0;
    while (offset < size) {
        std::size_t chunk = chunkSizes.empty() ? 0 : chunkSizes[which++ % chunkSizes.size()];
        if (chunk == 0 || chunk > size - offset) {
            chunk = size - offset;
        }
        const std::uint8_t* p = data + offset;
        std::size_t left = chunk;
        while (left > 0) {
            const std::size_t used = sniffer.feed(p, left);
            if (used < 1 || used > left) {
                throw std::logic_error("feed() took " + std::to_string(used) + " of " +
                                       std::to_string(left) + " bytes");
            }
            p += used;
            left -= used;
            if (sniffer.status() == SnifferStatus::Complete) {
                frames.push_back(publishedFrame(sniffer));
            }
        }
        offset += chunk;
    }
    if (finalStatus != nullptr) {
        *finalStatus = sniffer.status();
    }
    return frames;
}

}  // namespace gnsslog::testing
