// UBXSniffer and the UBX decoder on arbitrary bytes. Besides "no crash, no
// sanitizer report":
//   - feedByte byte by byte, feed() over the whole input and feed() in
//     uneven chunks publish the same frames and end in the same status;
//   - the three count the same checksum failures;
//   - every frame is "0xB5 0x62", class, id, a length that matches the
//     frame, and a Fletcher checksum that holds when recomputed here,
//     zero-terminated;
//   - decoding any published frame, and the input itself as the payload of
//     a NAV-PVT (92 and 84 bytes), NAV-HPPOSLLH, NAV-SOL, NAV-POSLLH and
//     NAV-STATUS, gives finite doubles;
//     an invalid record is the empty record, a valid one reads 0 in every
//     field whose group bit is clear and has a fix type the format
//     defines; the grid flag changes nothing but the grid.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "log/GnssRecord.h"
#include "log/formats/ubx/UbxDecoder.h"
#include "log/formats/ubx/UbxFramer.h"
#include "tests/support/Comparisons.h"
#include "tests/support/FrameShapes.h"
#include "tests/support/FramerFuzzing.h"
#include "tests/support/FuzzCheck.h"

namespace {

using namespace gnsslog;
using namespace gnsslog::testing;

void checkFrame(const UBXSniffer& s)
{
    const std::uint8_t* f = s.frameStart();
    const std::int32_t n = s.frameLength();
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(s.frameKind() == FrameKind::Ubx);
    FUZZ_CHECK(n >= 8 && n <= UBXSniffer::kMaxFrameBytes);
    FUZZ_CHECK(f[n] == 0);
    FUZZ_CHECK(f[0] == 0xB5 && f[1] == 0x62);
    FUZZ_CHECK((f[4] | (f[5] << 8)) + 8 == n);
    unsigned a = 0;
    unsigned b = 0;
    for (std::int32_t i = 2; i < n - 2; ++i) {
        a = (a + f[i]) & 0xFFu;
        b = (b + a) & 0xFFu;
    }
    FUZZ_CHECK(f[n - 2] == a && f[n - 1] == b);
}

void checkDecoded(const std::uint8_t* frame, std::int32_t length)
{
    DecodedRecord plain;
    DecodedRecord grid;
    const FrameVerdict plainVerdict = decodeUbxFrame(plain, frame, length, false);
    const FrameVerdict gridVerdict = decodeUbxFrame(grid, frame, length, true);
    FUZZ_CHECK(plainVerdict == gridVerdict);
    FUZZ_CHECK(plainVerdict != FrameVerdict::ChecksumFailed);
    const bool isNavStatus = length >= 4 && frame[2] == 0x01 && frame[3] == 0x03;
    for (const DecodedRecord* r : {&plain, &grid}) {
        FUZZ_CHECK(allFinite(*r));
        FUZZ_CHECK(r->fixChange == 0);
        FUZZ_CHECK((r->valid == 1) == (plainVerdict == FrameVerdict::Record));
        if (r->valid == 0) {
            // A NAV-STATUS without a fix still tells its time and the
            // receiver's time since start-up; nothing else.
            DecodedRecord expected;
            if (isNavStatus) {
                FUZZ_CHECK(r->framePart == FramePart::FixState);
                FUZZ_CHECK(r->correctionAge >= 0);
                expected.time = r->time;
                expected.framePart = r->framePart;
                expected.correctionAge = r->correctionAge;
            }
            FUZZ_CHECK(sameRecord(*r, expected));
            continue;
        }
        // A NAV-STATUS's uptime rides in its frame's correctionAge, which
        // the epoch's record never takes from it.
        DecodedRecord groups = *r;
        if (isNavStatus) {
            groups.correctionAge = 0;
        }
        FUZZ_CHECK(clearGroupsReadZero(groups));
        const std::uint8_t t = r->fixType;
        FUZZ_CHECK(t == FixType::NoPosition || t == FixType::StandAlone ||
                   t == FixType::RtkFixed || t == FixType::RtkFloat || t == FixType::Dgnss ||
                   t == FixType::DeadReckoning || t == FixType::FixedPosition);
        FUZZ_CHECK(r->satellites >= 0 && r->satellites <= 255);
        FUZZ_CHECK(r->errorEstimate >= 0);
    }
    FUZZ_CHECK(sameApartFromGrid(plain, grid));
}

// The first payload bytes of data (zeros after its end) as a NAV message of
// that id, checksum and all, in an exactly sized heap buffer.
void checkAsPayload(std::uint8_t id, std::size_t payload, const std::uint8_t* data,
                    std::size_t size)
{
    std::vector<std::uint8_t> frame(payload + 8, 0);
    frame[0] = 0xB5;
    frame[1] = 0x62;
    frame[2] = kUbxClassNav;
    frame[3] = id;
    frame[4] = static_cast<std::uint8_t>(payload & 0xFF);
    frame[5] = static_cast<std::uint8_t>(payload >> 8);
    std::memcpy(frame.data() + 6, data, std::min(size, payload));
    checkDecoded(frame.data(), static_cast<std::int32_t>(frame.size()));
}

// Checksum failures fed byte by byte and through feed() in chunks of the
// given size (0: the rest).
std::uint64_t checksumFailures(const std::uint8_t* data, std::size_t size, std::size_t chunk)
{
    UBXSniffer sniffer;
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
    return sniffer.checksumFailures();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    checkFeedingShapesAgree<UBXSniffer>(data, size, [](const UBXSniffer& sniffer) {
        checkFrame(sniffer);
        checkDecoded(sniffer.frameStart(), sniffer.frameLength());
    });

    const std::uint64_t failures = checksumFailures(data, size, 1);
    FUZZ_CHECK(checksumFailures(data, size, 0) == failures);
    FUZZ_CHECK(checksumFailures(data, size, 1 + (size > 0 ? data[0] % 37 : 0)) == failures);

    checkAsPayload(kUbxIdNavPvt, 92, data, size);
    checkAsPayload(kUbxIdNavPvt, 84, data, size);
    checkAsPayload(kUbxIdNavHpposllh, 36, data, size);
    checkAsPayload(kUbxIdNavSol, 52, data, size);
    checkAsPayload(kUbxIdNavPosllh, 28, data, size);
    checkAsPayload(kUbxIdNavStatus, 16, data, size);
    return 0;
}
