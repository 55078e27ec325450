// decodePVT1B on every frame the NavCom framer publishes from arbitrary
// bytes, and on the bytes themselves behind a "[PVT1B]" label. Besides "no
// crash, no sanitizer report", on both settings of the KKJ flag:
//   - every double is finite; valid is 0 or 1 and fixChange 0;
//   - an invalid record is the empty record;
//   - a valid one reads 0 in every field whose group bit is clear, has a
//     known fix type and satellite counts in their ranges, and carries
//     the groups 0x3D, plus the grid (0x3F) with the flag on;
//   - the flag changes nothing but the grid.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "log/GnssRecord.h"
#include "log/formats/Framers.h"
#include "log/formats/navcom/Pvt1bDecoder.h"
#include "tests/support/Comparisons.h"
#include "tests/support/FuzzCheck.h"

namespace {

using namespace gnsslog;
using namespace gnsslog::testing;

void checkDecoded(const std::uint8_t* frame, std::int32_t length)
{
    GNSSRecord plain;
    GNSSRecord grid;
    decodePVT1B(plain, frame, length, false);
    decodePVT1B(grid, frame, length, true);
    for (const GNSSRecord* r : {&plain, &grid}) {
        FUZZ_CHECK(allFinite(*r));
        FUZZ_CHECK(r->valid == 0 || r->valid == 1);
        FUZZ_CHECK(r->fixChange == 0);
        if (r->valid == 0) {
            FUZZ_CHECK(sameRecord(*r, GNSSRecord{}));
            continue;
        }
        FUZZ_CHECK(clearGroupsReadZero(*r));
        const std::uint8_t t = r->fixType;
        FUZZ_CHECK(t == 0 || t == 1 || t == 4 || t == 5 || t == 255);
        FUZZ_CHECK(r->gpsSatellites >= 0 && r->gpsSatellites <= 32);
        FUZZ_CHECK(r->glonassSatellites >= 0 && r->glonassSatellites <= 32);
        FUZZ_CHECK(r->satellites >= 0 && r->satellites <= 255);
    }
    FUZZ_CHECK(plain.valid == grid.valid);
    if (plain.valid == 1) {
        FUZZ_CHECK(plain.validFlags == 0x3D && grid.validFlags == 0x3F);
    }
    FUZZ_CHECK(sameApartFromGrid(plain, grid));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    NCTBINSniffer sniffer;
    for (std::size_t i = 0; i < size; ++i) {
        if (sniffer.feedByte(data[i]) == SnifferStatus::Complete) {
            checkDecoded(sniffer.frameStart(), sniffer.frameLength());
        }
    }
    // An exactly sized heap copy, so ASan sees any read past its end.
    constexpr char label[] = "[PVT1B]";
    constexpr std::size_t labelLength = sizeof(label) - 1;
    constexpr std::size_t maxContent = std::size_t{1} << 16;
    const std::size_t length = std::min(size, maxContent) + labelLength;
    std::vector<std::uint8_t> frame(length);
    std::memcpy(frame.data(), label, labelLength);
    if (length > labelLength) {
        std::memcpy(frame.data() + labelLength, data, length - labelLength);
    }
    checkDecoded(frame.data(), static_cast<std::int32_t>(length));
    return 0;
}
