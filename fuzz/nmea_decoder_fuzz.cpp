// decodeNmeaSentence on arbitrary writable texts of at most 511 characters
// (the framer's limit), cut at the first zero byte. Besides "no crash, no
// sanitizer report", on both settings of the KKJ flag:
//   - the sentence is left as it was;
//   - every double is finite; valid is 0 or 1, fixChange 0, and no
//     validFlags bit beyond the six groups is set;
//   - a valid record reads 0 in every field whose group bit is clear;
//   - the flag changes nothing but the grid, and a geodetic position
//     gains the grid with it;
//   - nextField cuts the sentence at its commas exactly.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "log/GnssRecord.h"
#include "log/formats/nmea/NmeaDecoder.h"
#include "log/formats/Framers.h"
#include "tests/support/Comparisons.h"
#include "tests/support/FuzzCheck.h"

namespace {

using namespace gnsslog;
using namespace gnsslog::testing;

// nextField's contract: the fields it cuts at ',' are the text between the
// commas (cut to the buffer), and it fails, with an empty field and the
// rest untouched, where no comma is left.
void checkNextField(const char* sentence)
{
    std::string copy(sentence);
    char* rest = copy.data();
    const char* expected = sentence;
    char field[kNmeaFieldCapacity];
    for (;;) {
        char* const before = rest;
        const char* comma = std::strchr(expected, ',');
        const bool ok = nextField(field, rest, ',');
        FUZZ_CHECK(ok == (comma != nullptr));
        if (!ok) {
            FUZZ_CHECK(field[0] == '\0' && rest == before);
            break;
        }
        const std::size_t length = static_cast<std::size_t>(comma - expected);
        const std::size_t kept = std::min(length, kNmeaFieldCapacity - 1);
        FUZZ_CHECK(std::strlen(field) == kept);
        FUZZ_CHECK(std::memcmp(field, expected, kept) == 0);
        FUZZ_CHECK(rest == before + length + 1);
        expected = comma + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    constexpr std::size_t limit = NMEASniffer::BufferSize - 1;
    const std::size_t n = std::min(size, limit);
    // Exactly sized, so ASan sees a read past the terminating zero.
    std::vector<char> sentence(n + 1);
    if (n > 0) {
        std::memcpy(sentence.data(), data, n);
    }
    sentence[n] = '\0';
    const std::string original(sentence.data());

    DecodedRecord plain;
    decodeNmeaSentence(plain, sentence.data(), false);
    FUZZ_CHECK(original == sentence.data());
    DecodedRecord grid;
    decodeNmeaSentence(grid, sentence.data(), true);
    FUZZ_CHECK(original == sentence.data());

    for (const DecodedRecord* r : {&plain, &grid}) {
        FUZZ_CHECK(allFinite(*r));
        FUZZ_CHECK(r->valid == 0 || r->valid == 1);
        FUZZ_CHECK((r->validFlags & ~(0x3Fu | ValidFlag::AxisSigmas)) == 0);
        FUZZ_CHECK(!r->has(ValidFlag::AxisSigmas) ||
                   (r->accuracy.sigmaNorth >= 0 && r->accuracy.sigmaEast >= 0 &&
                    r->accuracy.sigmaUp >= 0));
        FUZZ_CHECK(r->fixChange == 0);
        FUZZ_CHECK(r->valid == 0 || clearGroupsReadZero(*r));
    }
    if (plain.valid == 1) {
        switch (plain.framePart) {
        case FramePart::Solution:
        case FramePart::OtherSolution: break;
        case FramePart::ErrorEstimate:
            FUZZ_CHECK((plain.validFlags & ~ValidFlag::AxisSigmas) == ValidFlag::ErrorEstimate &&
                       plain.errorEstimate >= 0);
            break;
        case FramePart::Date:
            // 1980..2999, give or take the time of day's hours.
            FUZZ_CHECK(plain.validFlags == 0 && plain.time > 3.1e8 && plain.time < 3.3e10);
            break;
        case FramePart::Satellites:
            FUZZ_CHECK(plain.validFlags == 0 && plain.gpsSatellites >= 0 &&
                       plain.glonassSatellites >= 0 &&
                       plain.gpsSatellites + plain.glonassSatellites <= 12);
            break;
        default: FUZZ_CHECK(false); break;
        }
    }
    FUZZ_CHECK(plain.valid == grid.valid);
    FUZZ_CHECK(sameApartFromGrid(plain, grid));
    FUZZ_CHECK(grid.valid == 0 || !grid.has(ValidFlag::LatLon) || grid.has(ValidFlag::Grid));
    checkNextField(original.c_str());
    return 0;
}
