// NovatelSniffer and the NovAtel decoder on arbitrary bytes. Besides "no
// crash, no sanitizer report":
//   - feedByte byte by byte, feed() over the whole input and feed() in
//     uneven chunks publish the same frames and end in the same status;
//   - the framer finds exactly the frames and CRC failures of the tests'
//     independent scan;
//   - every frame is a binary frame (AA 44 12 or 13, a length that
//     matches, a CRC-32 that holds when recomputed bit by bit) or an
//     ASCII one ("#" or "%", printable bytes, "*" and eight hexadecimal
//     digits of the CRC-32), zero-terminated;
//   - decoding any published frame, the input itself as the body of the
//     binary logs the decoder reads, and the input's printable bytes as
//     the fields of their ASCII logs, gives finite doubles; an invalid
//     record is the empty record, a valid one reads 0 in every field whose
//     group bit is clear and has a fix type the format defines; the grid
//     flag changes nothing but the grid.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "log/GnssRecord.h"
#include "log/formats/novatel/NovatelDecoder.h"
#include "log/formats/novatel/NovatelFramer.h"
#include "tests/support/Comparisons.h"
#include "tests/support/FrameShapes.h"
#include "tests/support/FramerFuzzing.h"
#include "tests/support/FuzzCheck.h"
#include "tests/support/NovatelLogScan.h"

namespace {

using namespace gnsslog;
using namespace gnsslog::testing;

void checkFrame(const NovatelSniffer& s)
{
    const std::uint8_t* f = s.frameStart();
    const std::int32_t n = s.frameLength();
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(n >= 10 && n <= kNovatelMaxFrameBytes);
    FUZZ_CHECK(f[n] == 0);
    const auto size = static_cast<std::size_t>(n);
    if (f[0] == '#' || f[0] == '%') {
        FUZZ_CHECK(s.frameKind() == FrameKind::NovatelAscii);
        FUZZ_CHECK(f[1] >= 'A' && f[1] <= 'Z');
        FUZZ_CHECK(f[size - 9] == '*');
        std::uint32_t written = 0;
        for (std::size_t i = size - 8; i < size; ++i) {
            FUZZ_CHECK(scanHexDigit(f[i]) >= 0);
            written = written * 16 + static_cast<std::uint32_t>(scanHexDigit(f[i]));
        }
        for (std::size_t i = 1; i < size - 9; ++i) {
            FUZZ_CHECK(f[i] >= 0x20 && f[i] < 0x7F && f[i] != '*');
        }
        FUZZ_CHECK(plainCrc32(f + 1, size - 10) == written);
        return;
    }
    FUZZ_CHECK(s.frameKind() == FrameKind::NovatelBinary);
    FUZZ_CHECK(f[0] == 0xAA && f[1] == 0x44 && (f[2] == 0x12 || f[2] == 0x13));
    const std::size_t expected = f[2] == 0x13 ? 12u + f[3] + 4u : f[3] + (f[8] | (f[9] << 8)) + 4u;
    FUZZ_CHECK(expected == size);
    FUZZ_CHECK(plainCrc32(f, size - 4) == scanLe32(f + size - 4));
}

void checkDecoded(const std::uint8_t* frame, std::int32_t length)
{
    DecodedRecord plain;
    DecodedRecord grid;
    const FrameVerdict plainVerdict = decodeNovatelFrame(plain, frame, length, false);
    const FrameVerdict gridVerdict = decodeNovatelFrame(grid, frame, length, true);
    FUZZ_CHECK(plainVerdict == gridVerdict);
    FUZZ_CHECK(plainVerdict != FrameVerdict::ChecksumFailed);
    for (const DecodedRecord* r : {&plain, &grid}) {
        FUZZ_CHECK(allFinite(*r));
        FUZZ_CHECK((r->valid == 1) == (plainVerdict == FrameVerdict::Record));
        if (r->valid == 0) {
            FUZZ_CHECK(sameRecord(*r, DecodedRecord{}));
            continue;
        }
        FUZZ_CHECK(clearGroupsReadZero(*r));
        const std::uint8_t t = r->fixType;
        FUZZ_CHECK(t == FixType::StandAlone || t == FixType::Dgnss ||
                   t == FixType::FixedPosition || t == FixType::RtkFixed ||
                   t == FixType::RtkFloat || t == FixType::Sbas || t == FixType::Ppp ||
                   t == FixType::DeadReckoning);
        FUZZ_CHECK(r->framePart == FramePart::Solution);
        FUZZ_CHECK(r->latitude >= -90 && r->latitude <= 90);
        FUZZ_CHECK(r->satellites >= 0 && r->satellites <= 255);
        FUZZ_CHECK(r->errorEstimate >= 0);
    }
    FUZZ_CHECK(sameApartFromGrid(plain, grid));
}

// The data (zeros after its end) as the body of a long-header binary log.
void checkAsBinaryBody(unsigned id, std::size_t body, const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> frame(28 + body + 4, 0);
    frame[0] = 0xAA;
    frame[1] = 0x44;
    frame[2] = 0x12;
    frame[3] = 28;
    frame[4] = static_cast<std::uint8_t>(id & 0xFF);
    frame[5] = static_cast<std::uint8_t>(id >> 8);
    frame[8] = static_cast<std::uint8_t>(body & 0xFF);
    frame[9] = static_cast<std::uint8_t>(body >> 8);
    frame[14] = size > 0 ? data[0] : 0;  // week
    frame[15] = 0x07;
    std::memcpy(frame.data() + 28, data, std::min(size, body));
    checkDecoded(frame.data(), static_cast<std::int32_t>(frame.size()));
}

// The data's printable bytes as the fields of an ASCII log of that name.
void checkAsAsciiFields(const char* header, const std::uint8_t* data, std::size_t size)
{
    std::string text = header;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] >= 0x20 && data[i] < 0x7F && data[i] != '*') {
            text += static_cast<char>(data[i]);
        }
    }
    text += "*00000000";
    checkDecoded(reinterpret_cast<const std::uint8_t*>(text.c_str()),
                 static_cast<std::int32_t>(text.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::size_t frames = 0;
    const CountToEnd byByte = checkResyncingFeeds<NovatelSniffer>(data, size, frames, [](const NovatelSniffer& sniffer) {
        checkFrame(sniffer);
        checkDecoded(sniffer.frameStart(), sniffer.frameLength());
    });
    const NovatelScan scan = scanNovatelFrames(data, size);
    FUZZ_CHECK(scan.frames.size() == frames + byByte.framesAtEnd);
    FUZZ_CHECK(scan.crcFailures == byByte.checksumFailures);

    checkAsBinaryBody(NovatelLog::BestPos, 72, data, size);
    checkAsBinaryBody(NovatelLog::BestXyz, 112, data, size);
    checkAsBinaryBody(NovatelLog::InsPvax, 126, data, size);
    checkAsAsciiFields("#BESTPOSA,COM1,0,0,FINESTEERING,1687,1.5,0,0,0;", data, size);
    checkAsAsciiFields("#BESTXYZA,COM1,0,0,FINESTEERING,1687,1.5,0,0,0;", data, size);
    checkAsAsciiFields("#INSPVAXA,COM1,0,0,FINESTEERING,1687,1.5,0,0,0;", data, size);
    checkAsAsciiFields("%BESTPOSA,", data, size);
    return 0;
}
