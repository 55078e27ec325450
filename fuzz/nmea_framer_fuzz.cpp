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

#include "log/formats/Framers.h"
#include "tests/support/FrameShapes.h"
#include "tests/support/FramerFuzzing.h"
#include "tests/support/FuzzCheck.h"

namespace {

using namespace gnsslog;
using namespace gnsslog::testing;

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    checkFeedingShapesAgree<NMEASniffer>(data, size,
                                         [](const NMEASniffer& sniffer) { checkFrame(sniffer); });
    return 0;
}
