// SbfSniffer and the SBF decoder on arbitrary bytes. Besides "no crash, no
// sanitizer report":
//   - feedByte byte by byte, feed() over the whole input and feed() in
//     uneven chunks publish the same frames and end in the same status;
//   - the framer finds exactly the blocks and CRC failures of the tests'
//     independent scan;
//   - every frame is "$@", a length that matches the frame, a multiple of
//     4 within the cap, and a CRC that holds when recomputed bit by bit,
//     zero-terminated;
//   - decoding any published frame, and the input itself as the body of a
//     PVTGeodetic, PVTCartesian, PosCovGeodetic and DOP block, gives finite
//     doubles; an invalid record is the empty record, a valid one reads 0
//     in every field whose group bit is clear and has a fix type the
//     format defines; the grid flag changes nothing but the grid.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "log/GnssRecord.h"
#include "log/formats/sbf/SbfDecoder.h"
#include "log/formats/sbf/SbfFramer.h"
#include "tests/support/Comparisons.h"
#include "tests/support/FrameShapes.h"
#include "tests/support/FramerFuzzing.h"
#include "tests/support/FuzzCheck.h"
#include "tests/support/SbfBlockScan.h"

namespace {

using namespace gnsslog;
using namespace gnsslog::testing;

void checkFrame(const SbfSniffer& s)
{
    const std::uint8_t* f = s.frameStart();
    const std::int32_t n = s.frameLength();
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(s.frameKind() == FrameKind::Sbf);
    FUZZ_CHECK(n >= 8 && n <= kSbfMaxBlockBytes && n % 4 == 0);
    FUZZ_CHECK(f[n] == 0);
    FUZZ_CHECK(f[0] == '$' && f[1] == '@');
    FUZZ_CHECK(static_cast<std::int32_t>(scanLe16(f + 6)) == n);
    FUZZ_CHECK(plainCrc16(f + 4, static_cast<std::size_t>(n) - 4) == scanLe16(f + 2));
}

void checkDecoded(const std::uint8_t* frame, std::int32_t length)
{
    DecodedRecord plain;
    DecodedRecord grid;
    const FrameVerdict plainVerdict = decodeSbfBlock(plain, frame, length, false);
    const FrameVerdict gridVerdict = decodeSbfBlock(grid, frame, length, true);
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
        if (r->framePart == FramePart::Solution) {
            FUZZ_CHECK(t == FixType::StandAlone || t == FixType::Dgnss ||
                       t == FixType::FixedPosition || t == FixType::RtkFixed ||
                       t == FixType::RtkFloat || t == FixType::Sbas || t == FixType::Ppp);
            FUZZ_CHECK(r->latitude >= -90 && r->latitude <= 90);
        } else {
            FUZZ_CHECK(t == FixType::NoPosition);
            FUZZ_CHECK(r->framePart == FramePart::ErrorEstimate || r->framePart == FramePart::Dop);
        }
        FUZZ_CHECK(r->satellites >= 0 && r->satellites <= 255);
        FUZZ_CHECK(r->errorEstimate >= 0);
    }
    FUZZ_CHECK(sameApartFromGrid(plain, grid));
}

// The data (zeros after its end) as the body of a block of that number
// and length, from the TOW on, in an exactly sized heap buffer.
void checkAsBody(unsigned number, std::size_t length, const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> block(length, 0);
    block[0] = '$';
    block[1] = '@';
    block[4] = static_cast<std::uint8_t>(number & 0xFF);
    block[5] = static_cast<std::uint8_t>((number >> 8) | (size > 0 ? (data[0] & 0xE0) : 0));
    block[6] = static_cast<std::uint8_t>(length & 0xFF);
    block[7] = static_cast<std::uint8_t>(length >> 8);
    std::memcpy(block.data() + 8, data, std::min(size, length - 8));
    checkDecoded(block.data(), static_cast<std::int32_t>(block.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::size_t frames = 0;
    const CountToEnd byByte = checkResyncingFeeds<SbfSniffer>(data, size, frames, [](const SbfSniffer& sniffer) {
        checkFrame(sniffer);
        checkDecoded(sniffer.frameStart(), sniffer.frameLength());
    });
    const SbfScan scan = scanSbfBlocks(data, size);
    FUZZ_CHECK(scan.blocks.size() == frames + byByte.framesAtEnd);
    FUZZ_CHECK(scan.crcFailures == byByte.checksumFailures);
    FUZZ_CHECK(scan.truncated == byByte.truncatedFrames);

    checkAsBody(SbfBlock::PvtGeodetic, 96, data, size);
    checkAsBody(SbfBlock::PvtCartesian, 96, data, size);
    checkAsBody(SbfBlock::PvtGeodetic, 76, data, size);
    checkAsBody(SbfBlock::PosCovGeodetic, 56, data, size);
    checkAsBody(SbfBlock::Dop, 36, data, size);
    return 0;
}
