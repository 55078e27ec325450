// NMEASniffer fed arbitrary bytes one at a time, in one block and in uneven
// chunks. Besides "no crash, no sanitizer report":
//   - the three shapes publish the same frames and end in the same status;
//   - feedByte returns the status it keeps, always one of the three;
//   - every frame has the published shape: "$", five capitals, printable
//     ASCII, "*" and two checksum characters, zero-terminated, and the
//     first "*" ends the body.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "log/Packetsniffers.h"
#include "tests/support/FrameShapes.h"

namespace {

using namespace gnsslog;
using namespace gnsslog::testing;

// A broken property aborts: libFuzzer keeps the input, the replay fails.
#define FUZZ_CHECK(condition) \
    ((condition) ? void(0) : propertyFailed(#condition, __FILE__, __LINE__))

[[noreturn]] void propertyFailed(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, what);
    std::abort();
}

void checkFrame(const NMEASniffer& s)
{
    const std::uint8_t* f = s.frameStart();
    const std::int32_t n = s.frameLength();
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(s.frameKind() == FrameKind::Nmea);
    // "$", five letters, "*" and two checksum characters at least; the
    // sentence and its zero fit the 512-byte buffer.
    FUZZ_CHECK(n >= 9 && n <= NMEASniffer::BufferSize - 1);
    FUZZ_CHECK(f[n] == 0);
    FUZZ_CHECK(f[0] == '$');
    for (int i = 1; i <= 5; ++i) {
        FUZZ_CHECK(f[i] >= 'A' && f[i] <= 'Z');
    }
    for (std::int32_t i = 6; i < n; ++i) {
        FUZZ_CHECK(f[i] >= 0x20 && f[i] < 0x80);
    }
    FUZZ_CHECK(f[n - 3] == '*');
    FUZZ_CHECK(f[n - 2] >= '0' && f[n - 2] <= 'F' && f[n - 1] >= '0' && f[n - 1] <= 'F');
    FUZZ_CHECK(std::memchr(f + 6, '*', static_cast<std::size_t>(n - 9)) == nullptr);
}

// Chunk sizes of 1 to 23 bytes taken from the data itself, so the fuzzer
// explores the splits.
std::vector<std::size_t> chunkSizesFrom(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::size_t> sizes;
    for (std::size_t i = 0; i < size && sizes.size() < 16; i += 7) {
        sizes.push_back(1 + data[i] % 23);
    }
    return sizes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::uint8_t lastStatus = SnifferStatus::Searching;
    const auto onByte = [&](const NMEASniffer& sniffer, std::uint8_t status) {
        FUZZ_CHECK(status == sniffer.status());
        FUZZ_CHECK(status == SnifferStatus::Searching || status == SnifferStatus::InFrame ||
                   status == SnifferStatus::Complete);
        if (status == SnifferStatus::Complete) {
            checkFrame(sniffer);
        }
        lastStatus = status;
    };
    const std::vector<Frame> single = framesByteByByte<NMEASniffer>(data, size, onByte);
    std::uint8_t wholeStatus = SnifferStatus::Searching;
    FUZZ_CHECK(framesByBlocks<NMEASniffer>(data, size, {}, &wholeStatus) == single);
    FUZZ_CHECK(framesByBlocks<NMEASniffer>(data, size, chunkSizesFrom(data, size)) == single);
    // The same state after the last byte: the next frame comes out of both
    // alike.
    FUZZ_CHECK(size == 0 || wholeStatus == lastStatus);
    return 0;
}
