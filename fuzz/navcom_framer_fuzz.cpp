// NCTBINSniffer fed arbitrary bytes one at a time, in one block and in
// uneven chunks. Besides "no crash, no sanitizer report":
//   - the three shapes publish the same frames and end in the same status;
//   - feedByte returns the status it keeps, always one of the three;
//   - every frame has the published shape: a "[...B]" label other than
//     the boot loader's, a declared length that matches the frame, "*" and
//     four hex digits, zero-terminated; and its CRC holds when recomputed
//     bit by bit here, independently of the framer's tables.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "log/formats/Framers.h"
#include "tests/support/FrameShapes.h"
#include "tests/support/FramerFuzzing.h"
#include "tests/support/FuzzCheck.h"

namespace {

using namespace gnsslog;
using namespace gnsslog::testing;

// CRC-16/XMODEM (polynomial 0x1021, initial 0), bit by bit.
std::uint16_t referenceCrc16(const std::uint8_t* data, std::size_t size) noexcept
{
    unsigned crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= unsigned{data[i]} << 8;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000u) ? ((crc << 1) ^ 0x1021u) : (crc << 1);
            crc &= 0xFFFFu;
        }
    }
    return static_cast<std::uint16_t>(crc);
}

// Value of an upper-case hex digit; -1 for anything else.
int hexValue(std::uint8_t c) noexcept
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

void checkFrame(const NCTBINSniffer& s)
{
    const std::uint8_t* f = s.frameStart();
    const std::int32_t n = s.frameLength();
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(s.frameKind() == FrameKind::NavcomBinary);
    FUZZ_CHECK(n > 0 && n <= NCTBINSniffer::BufferSize - 1);
    FUZZ_CHECK(f[n] == 0);
    FUZZ_CHECK(f[0] == '[');
    std::int32_t close = 1;
    while (close < n && f[close] != ']') {
        FUZZ_CHECK(f[close] >= '0' && f[close] <= 'Z');
        ++close;
    }
    FUZZ_CHECK(close < n && close >= 3);  // "[" + two characters + "]" at least
    const std::string_view label(reinterpret_cast<const char*>(f),
                                 static_cast<std::size_t>(close + 1));
    FUZZ_CHECK(label.ends_with("B]") && !label.ends_with("BOOTLOADB]"));
    const std::int32_t header = close + 1;
    FUZZ_CHECK(header + 9 + 5 <= n);
    const std::int32_t declared = f[header] | (f[header + 1] << 8);
    // Label, header and body (declared), "*" and four digits.
    FUZZ_CHECK(declared >= 9 && declared - 9 <= NCTBINSniffer::MaxBody);
    FUZZ_CHECK(n == header + declared + 5);
    FUZZ_CHECK(f[n - 5] == '*');
    int expected = 0;
    for (std::int32_t i = n - 4; i < n; ++i) {
        const int digit = hexValue(f[i]);
        FUZZ_CHECK(digit >= 0);
        expected = expected * 16 + digit;
    }
    FUZZ_CHECK(referenceCrc16(f + header, static_cast<std::size_t>(declared)) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    checkFeedingShapesAgree<NCTBINSniffer>(data, size,
                                           [](const NCTBINSniffer& sniffer) { checkFrame(sniffer); });
    return 0;
}
