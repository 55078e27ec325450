// The framer fuzz targets' common property: feeding the bytes one by one,
// in one block and in chunks whose sizes the data chooses gives the same
// frames and leaves the same status, and every frame passes the target's
// own checkFrame.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "log/formats/Framers.h"
#include "tests/support/FrameShapes.h"
#include "tests/support/FuzzCheck.h"

namespace gnsslog::testing {

// What a resyncing framer finds in the bytes fed in chunks of `chunk`
// bytes (1: byte by byte; 0: all at once), finish() included: its
// checksum failures and the frames it publishes after the last byte.
struct CountToEnd {
    std::uint64_t checksumFailures = 0;
    std::size_t framesAtEnd = 0;
    std::uint64_t truncatedFrames = 0;
};

template <class Sniffer>
CountToEnd countToEnd(const std::uint8_t* data, std::size_t size, std::size_t chunk)
{
    Sniffer sniffer;
    std::size_t offset = 0;
    while (offset < size) {
        if (chunk == 1) {
            sniffer.feedByte(data[offset++]);
            continue;
        }
        const std::size_t n = chunk == 0 ? size - offset : std::min(chunk, size - offset);
        std::size_t done = 0;
        while (done < n) {
            done += sniffer.feed(data + offset + done, n - done);
        }
        offset += n;
    }
    CountToEnd count;
    while (sniffer.finish() == SnifferStatus::Complete) {
        ++count.framesAtEnd;
    }
    count.checksumFailures = sniffer.checksumFailures();
    count.truncatedFrames = sniffer.truncatedFrames();
    return count;
}

// Chunk sizes of 1 to 23 bytes taken from the data itself, so the fuzzer
// explores the splits.
inline std::vector<std::size_t> chunkSizesFrom(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::size_t> sizes;
    for (std::size_t i = 0; i < size && sizes.size() < 16; i += 7) {
        sizes.push_back(1 + data[i] % 23);
    }
    return sizes;
}

template <typename Sniffer, typename CheckFrame>
void checkFeedingShapesAgree(const std::uint8_t* data, std::size_t size, CheckFrame checkFrame)
{
    std::uint8_t lastStatus = SnifferStatus::Searching;
    const auto onByte = [&](const Sniffer& sniffer, std::uint8_t status) {
        FUZZ_CHECK(status == sniffer.status());
        FUZZ_CHECK(status == SnifferStatus::Searching || status == SnifferStatus::InFrame ||
                   status == SnifferStatus::Complete);
        if (status == SnifferStatus::Complete) {
            checkFrame(sniffer);
        }
        lastStatus = status;
    };
    const std::vector<Frame> single = framesByteByByte<Sniffer>(data, size, onByte);
    std::uint8_t wholeStatus = SnifferStatus::Searching;
    FUZZ_CHECK(framesByBlocks<Sniffer>(data, size, {}, &wholeStatus) == single);
    FUZZ_CHECK(framesByBlocks<Sniffer>(data, size, chunkSizesFrom(data, size)) == single);
    // The same state after the last byte: the next frame comes out of both
    // alike.
    FUZZ_CHECK(size == 0 || wholeStatus == lastStatus);
}

// For the resyncing framers: feeding shapes agree on the frames (each
// passed to onFrame once, from the byte-by-byte run) and on the checksum
// failures and cut frames counted to the end; returns the byte-by-byte
// count and, in frames, how many frames came out before finish().
template <typename Sniffer, typename OnFrame>
CountToEnd checkResyncingFeeds(const std::uint8_t* data, std::size_t size, std::size_t& frames,
                               OnFrame onFrame)
{
    frames = 0;
    checkFeedingShapesAgree<Sniffer>(data, size, [&](const Sniffer& sniffer) {
        onFrame(sniffer);
        ++frames;
    });
    const CountToEnd byByte = countToEnd<Sniffer>(data, size, 1);
    const CountToEnd whole = countToEnd<Sniffer>(data, size, 0);
    const CountToEnd chunked = countToEnd<Sniffer>(data, size, 1 + (size > 0 ? data[0] % 37 : 0));
    FUZZ_CHECK(whole.checksumFailures == byByte.checksumFailures);
    FUZZ_CHECK(chunked.checksumFailures == byByte.checksumFailures);
    FUZZ_CHECK(whole.truncatedFrames == byByte.truncatedFrames);
    return byByte;
}

}  // namespace gnsslog::testing
