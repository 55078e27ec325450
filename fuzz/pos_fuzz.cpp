// PosSniffer and the .pos decoder on arbitrary bytes. Besides "no crash,
// no sanitizer report":
//   - feedByte byte by byte, feed() over the whole input and feed() in
//     uneven chunks publish the same frames and end in the same status;
//   - every frame is a layout prefix of a known line kind and position
//     style followed by a line without a line feed, zero-terminated;
//   - decoding any published frame, and the input's first line under the
//     layout of each position style's column line, gives finite doubles;
//     an invalid record is the empty record, a valid one reads 0 in every
//     field whose group bit is clear and has a fix type the format
//     defines; the grid flag changes nothing but the grid (and the grid
//     group of a baseline, which is the baseline itself);
//   - the input read as a column line never names a layout whose axes
//     share a token;
//   - a frame's date, where it has one, is a day of the years 0 to 9999,
//     and the record clock the input's head gives is finite, with a date
//     origin only where it states a full date.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "log/GnssRecord.h"
#include "log/formats/Formats.h"
#include "log/formats/pos/PosDecoder.h"
#include "log/formats/pos/PosFramer.h"
#include "tests/support/Comparisons.h"
#include "tests/support/FrameShapes.h"
#include "tests/support/FramerFuzzing.h"
#include "tests/support/FuzzCheck.h"

namespace {

using namespace gnsslog;
using namespace gnsslog::testing;

// 0000-01-01 and 9999-12-31 in days from 1970-01-01.
constexpr std::int64_t kFirstDateDay = -719528;
constexpr std::int64_t kLastDateDay = 2932896;

void checkDecoded(const std::uint8_t* frame, std::int32_t length)
{
    DecodedRecord plain;
    DecodedRecord grid;
    const FrameVerdict plainVerdict = decodePosFrame(plain, frame, length, false);
    const FrameVerdict gridVerdict = decodePosFrame(grid, frame, length, true);
    std::int64_t day = 0;
    if (posFrameDate(frame, length, day)) {
        FUZZ_CHECK(day >= kFirstDateDay && day <= kLastDateDay);
    }
    FUZZ_CHECK(plainVerdict == gridVerdict);
    FUZZ_CHECK(plainVerdict != FrameVerdict::ChecksumFailed);
    for (const DecodedRecord* r : {&plain, &grid}) {
        FUZZ_CHECK(allFinite(*r));
        FUZZ_CHECK(r->fixChange == 0);
        FUZZ_CHECK((r->valid == 1) == (plainVerdict == FrameVerdict::Record));
        if (r->valid == 0) {
            FUZZ_CHECK(sameRecord(*r, DecodedRecord{}));
            continue;
        }
        FUZZ_CHECK(clearGroupsReadZero(*r));
        const std::uint8_t t = r->fixType;
        FUZZ_CHECK(t == FixType::StandAlone || t == FixType::RtkFixed || t == FixType::RtkFloat);
        FUZZ_CHECK(r->satellites >= 0);
        FUZZ_CHECK(r->errorEstimate >= 0);
        FUZZ_CHECK(r->has(ValidFlag::Height));
        FUZZ_CHECK(r->has(ValidFlag::LatLon) || r->has(ValidFlag::Grid));
    }
    if (plain.valid != 0 && plain.has(ValidFlag::LatLon)) {
        FUZZ_CHECK(sameApartFromGrid(plain, grid));
    } else {
        FUZZ_CHECK(sameRecord(plain, grid));
    }
}

void checkFrame(const PosSniffer& s)
{
    const std::uint8_t* f = s.frameStart();
    const std::int32_t n = s.frameLength();
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(s.frameKind() == FrameKind::PosLine);
    FUZZ_CHECK(n >= kPosPrefixBytes && n <= PosSniffer::BufferSize - 1);
    FUZZ_CHECK(f[n] == 0);
    const PosLayout layout = readPosPrefix(f);
    FUZZ_CHECK(layout.kind == PosLineKind::Header || layout.kind == PosLineKind::Solution ||
               layout.kind == PosLineKind::Overlong);
    FUZZ_CHECK(static_cast<std::uint8_t>(layout.style) <= static_cast<std::uint8_t>(PosStyle::Baseline));
    FUZZ_CHECK(std::memchr(f + kPosPrefixBytes, '\n', static_cast<std::size_t>(n - kPosPrefixBytes)) == nullptr);
    checkDecoded(f, n);
}

constexpr std::string_view kColumnLines[] = {
    "  GPST latitude(deg) longitude(deg) height(m) Q ns sdn(m) sde(m) sdu(m) sdne(m) sdeu(m) sdun(m) age(s) ratio",
    "  UTC latitude(d'\") longitude(d'\") height(m) Q ns sdn(m) sde(m) sdu(m) sdne(m) sdeu(m) sdun(m) age(s) ratio",
    "  GPST x-ecef(m) y-ecef(m) z-ecef(m) Q ns sdx(m) sdy(m) sdz(m) sdxy(m) sdyz(m) sdzx(m) age(s) ratio",
    "  GPST e-baseline(m) n-baseline(m) u-baseline(m) Q ns sde(m) sdn(m) sdu(m) age(s)",
};

// The input's first line (at most what a frame holds) as a solution line
// of each style, in an exactly sized heap buffer.
void checkAsSolutionLine(const std::uint8_t* data, std::size_t size)
{
    const void* newline = std::memchr(data, '\n', size);
    std::size_t line = newline == nullptr ? size
                                          : static_cast<std::size_t>(static_cast<const std::uint8_t*>(newline) - data);
    line = std::min<std::size_t>(line, PosSniffer::kMaxLineBytes);
    for (const std::string_view columns : kColumnLines) {
        PosLayout layout;
        FUZZ_CHECK(parsePosColumnLine(columns, layout));
        std::vector<std::uint8_t> frame(kPosPrefixBytes + line + 1, 0);
        writePosPrefix(layout, frame.data());
        if (line > 0) {
            std::memcpy(frame.data() + kPosPrefixBytes, data, line);
        }
        checkDecoded(frame.data(), static_cast<std::int32_t>(kPosPrefixBytes + line));
    }
}

void checkAsColumnLine(const std::uint8_t* data, std::size_t size)
{
    PosLayout layout;
    if (!parsePosColumnLine(std::string_view(reinterpret_cast<const char*>(data), size), layout)) {
        return;
    }
    FUZZ_CHECK(layout.axis[0] != layout.axis[1] && layout.axis[1] != layout.axis[2] &&
               layout.axis[0] != layout.axis[2]);
    FUZZ_CHECK(layout.axis[0] >= 2 && layout.axis[1] >= 2 && layout.axis[2] >= 2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    checkFeedingShapesAgree<PosSniffer>(data, size, checkFrame);
    checkAsSolutionLine(data, size);
    checkAsColumnLine(data, size);
    const RecordClock clock = posFormat().recordClock(data, size);
    FUZZ_CHECK(std::isfinite(clock.dateOrigin));
    FUZZ_CHECK(clock.date == DateKnown::FullDate || clock.dateOrigin == 0);
    return 0;
}
