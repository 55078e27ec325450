// Bodies of the fuzz targets, shared by the libFuzzer executables
// (fuzz/*_fuzz.cpp) and by the regression test that replays every input
// that ever failed (tests/core/regression_corpus_test.cpp).
//
// Besides "no crash, no sanitizer report", each target checks properties
// that a wrong framer or decoder breaks without crashing:
//   - framers: feedByte one by one, the block path feed() in one piece and
//     feed() in uneven chunks give the same frames; every published frame
//     has the published shape, and a NavCom frame's CRC holds when
//     recomputed bit by bit here;
//   - decoders: every double they store is finite, a valid record reads 0
//     in every field whose validFlags bit is clear, the KKJ flag changes
//     only the grid fields, and the NMEA sentence is left as it was;
//   - analysis: counts, start and end time agree with the records, the
//     histograms hold exactly the samples the records call for, progress
//     positions stay within their totals and never step back within a
//     phase, and the threaded pipeline gives the same result as the plain
//     one.
// A failed check calls fail(): abort() in a fuzzer, so libFuzzer keeps the
// input; a test installs a handler that throws instead.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "log/GnssRecord.h"
#include "log/Gpslog.h"
#include "log/NmeaDecoder.h"
#include "log/Packetsniffers.h"
#include "log/Pipeline.h"
#include "log/Pvt1bDecoder.h"
#include "log/Summary.h"
#include "plots/ErrorSeries.h"

namespace gnsslog::fuzz {

using FailHandler = void (*)(const char* what);

inline FailHandler& failHandler() noexcept
{
    static FailHandler handler = nullptr;
    return handler;
}

// Reports a broken property. Does not return: the handler may throw; if
// there is none (or it returns) the process aborts.
[[noreturn]] inline void fail(const char* what)
{
    if (failHandler() != nullptr) {
        failHandler()(what);
    }
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

#define GNSSLOG_FUZZ_STR2(x) #x
#define GNSSLOG_FUZZ_STR(x) GNSSLOG_FUZZ_STR2(x)
#define GNSSLOG_FUZZ_CHECK(condition)                                                         \
    do {                                                                                      \
        if (!(condition)) {                                                                   \
            ::gnsslog::fuzz::fail(#condition " (" __FILE__ ":" GNSSLOG_FUZZ_STR(__LINE__) ")"); \
        }                                                                                     \
    } while (0)

// ---------------------------------------------------------------- records

// Bitwise equality of two doubles, so that two NaNs of the same pattern
// compare equal and 0.0 differs from -0.0.
inline bool sameBits(double a, double b) noexcept
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// All sixteen fields, doubles bit for bit.
inline bool sameRecord(const GNSSRecord& a, const GNSSRecord& b) noexcept
{
    return sameBits(a.time, b.time) && sameBits(a.latitude, b.latitude) &&
           sameBits(a.longitude, b.longitude) && sameBits(a.height, b.height) &&
           sameBits(a.localX, b.localX) && sameBits(a.localY, b.localY) &&
           sameBits(a.dop, b.dop) && sameBits(a.correctionAge, b.correctionAge) &&
           sameBits(a.errorEstimate, b.errorEstimate) && a.fixType == b.fixType &&
           a.gpsSatellites == b.gpsSatellites && a.glonassSatellites == b.glonassSatellites &&
           a.satellites == b.satellites && a.validFlags == b.validFlags &&
           a.fixChange == b.fixChange && a.valid == b.valid;
}

// Equal except for the grid fields and their bit: what the KKJ flag may change.
inline bool sameApartFromGrid(const GNSSRecord& a, const GNSSRecord& b) noexcept
{
    GNSSRecord x = a;
    GNSSRecord y = b;
    x.localX = y.localX = 0;
    x.localY = y.localY = 0;
    x.validFlags &= ~ValidFlag::Grid;
    y.validFlags &= ~ValidFlag::Grid;
    return sameRecord(x, y);
}

inline bool allFinite(const GNSSRecord& r) noexcept
{
    const double values[] = {r.time,   r.latitude, r.longitude,     r.height,       r.localX,
                             r.localY, r.dop,      r.correctionAge, r.errorEstimate};
    return std::all_of(std::begin(values), std::end(values),
                       [](double v) { return std::isfinite(v); });
}

// A field whose group bit is clear reads 0 (checked on valid records).
inline bool clearGroupsReadZero(const GNSSRecord& r) noexcept
{
    const auto zeroUnless = [&](std::uint32_t bit, double v) { return r.has(bit) || v == 0; };
    return zeroUnless(ValidFlag::LatLon, r.latitude) && zeroUnless(ValidFlag::LatLon, r.longitude) &&
           zeroUnless(ValidFlag::Grid, r.localX) && zeroUnless(ValidFlag::Grid, r.localY) &&
           zeroUnless(ValidFlag::Height, r.height) && zeroUnless(ValidFlag::Dop, r.dop) &&
           zeroUnless(ValidFlag::CorrectionAge, r.correctionAge) &&
           zeroUnless(ValidFlag::ErrorEstimate, r.errorEstimate);
}

inline bool sameHistogram(const Histogram& a, const Histogram& b)
{
    if (a.sampleCount() != b.sampleCount() || a.peakCount() != b.peakCount() ||
        a.binCount() != b.binCount()) {
        return false;
    }
    for (std::size_t i = 0; i < a.binCount(); ++i) {
        if (a.bins()[i].key != b.bins()[i].key || a.bins()[i].count != b.bins()[i].count) {
            return false;
        }
    }
    return true;
}

// Every member of two analyses; records field by field. why, when given,
// names the first difference.
inline bool sameAnalysis(const GNSSLog& a, const GNSSLog& b, std::string* why = nullptr)
{
    const auto differ = [&](const std::string& what) {
        if (why != nullptr) {
            *why = what;
        }
        return false;
    };
    if (a.records.size() != b.records.size()) {
        return differ("record count " + std::to_string(a.records.size()) + " vs " +
                      std::to_string(b.records.size()));
    }
    for (std::size_t i = 0; i < a.records.size(); ++i) {
        if (!sameRecord(a.records[i], b.records[i])) {
            return differ("record " + std::to_string(i));
        }
    }
    if (a.rtkFixCount != b.rtkFixCount || a.fixLostCount != b.fixLostCount) {
        return differ("fix counts");
    }
    const double av[] = {a.avgLatitude, a.avgLongitude, a.avgZ,      a.avgX,      a.avgY,
                         a.firstFixX,   a.firstFixY,    a.firstFixZ, a.manualX,   a.manualY,
                         a.manualZ,     a.maxErrorZ,    a.maxErrorX, a.maxErrorY, a.startTime,
                         a.endTime};
    const double bv[] = {b.avgLatitude, b.avgLongitude, b.avgZ,      b.avgX,      b.avgY,
                         b.firstFixX,   b.firstFixY,    b.firstFixZ, b.manualX,   b.manualY,
                         b.manualZ,     b.maxErrorZ,    b.maxErrorX, b.maxErrorY, b.startTime,
                         b.endTime};
    for (std::size_t i = 0; i < std::size(av); ++i) {
        if (!sameBits(av[i], bv[i])) {
            return differ("numeric member " + std::to_string(i));
        }
    }
    if (a.truthMode != b.truthMode || a.openError != b.openError) {
        return differ("truth mode or open error");
    }
    const Histogram* ha[] = {&a.histZ, &a.histX, &a.histY, &a.hist3DFix, &a.hist3DRtkx};
    const Histogram* hb[] = {&b.histZ, &b.histX, &b.histY, &b.hist3DFix, &b.hist3DRtkx};
    for (std::size_t i = 0; i < std::size(ha); ++i) {
        if (!sameHistogram(*ha[i], *hb[i])) {
            return differ("histogram " + std::to_string(i));
        }
    }
    return true;
}

// ---------------------------------------------------------------- framers

struct Frame {
    std::string bytes;
    std::uint16_t kind;
    bool operator==(const Frame&) const = default;
};

// CRC-16/XMODEM bit by bit: independent of the framer's tables.
inline std::uint16_t referenceCrc16(const std::uint8_t* data, std::size_t size) noexcept
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

inline void checkNmeaFrame(const PacketSniffer& s)
{
    const std::uint8_t* f = s.frameStart();
    const std::int32_t n = s.frameLength();
    GNSSLOG_FUZZ_CHECK(f != nullptr);
    GNSSLOG_FUZZ_CHECK(s.frameKind() == FrameKind::Nmea);
    // "$", five letters, "*" and two checksum characters at least; the
    // sentence and its zero fit the 512-byte buffer.
    GNSSLOG_FUZZ_CHECK(n >= 9 && n <= NMEASniffer::BufferSize - 1);
    GNSSLOG_FUZZ_CHECK(f[n] == 0);
    GNSSLOG_FUZZ_CHECK(f[0] == '$');
    for (int i = 1; i <= 5; ++i) {
        GNSSLOG_FUZZ_CHECK(f[i] >= 'A' && f[i] <= 'Z');
    }
    for (std::int32_t i = 6; i < n; ++i) {
        GNSSLOG_FUZZ_CHECK(f[i] >= 0x20 && f[i] < 0x80);
    }
    GNSSLOG_FUZZ_CHECK(f[n - 3] == '*');
    GNSSLOG_FUZZ_CHECK(f[n - 2] >= '0' && f[n - 2] <= 'F' && f[n - 1] >= '0' && f[n - 1] <= 'F');
    // The first "*" of the body ends it.
    GNSSLOG_FUZZ_CHECK(std::memchr(f + 6, '*', static_cast<std::size_t>(n - 9)) == nullptr);
}

inline int hexValue(std::uint8_t c) noexcept
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

inline void checkNavcomFrame(const PacketSniffer& s)
{
    const std::uint8_t* f = s.frameStart();
    const std::int32_t n = s.frameLength();
    GNSSLOG_FUZZ_CHECK(f != nullptr);
    GNSSLOG_FUZZ_CHECK(s.frameKind() == FrameKind::NavcomBinary);
    GNSSLOG_FUZZ_CHECK(n > 0 && n <= NCTBINSniffer::BufferSize - 1);
    GNSSLOG_FUZZ_CHECK(f[n] == 0);
    GNSSLOG_FUZZ_CHECK(f[0] == '[');
    std::int32_t close = 1;
    while (close < n && f[close] != ']') {
        GNSSLOG_FUZZ_CHECK(f[close] >= '0' && f[close] <= 'Z');
        ++close;
    }
    GNSSLOG_FUZZ_CHECK(close < n && close >= 3);  // "[" + two characters + "]" at least
    const std::string_view label(reinterpret_cast<const char*>(f),
                                 static_cast<std::size_t>(close + 1));
    GNSSLOG_FUZZ_CHECK(label.ends_with("B]") && !label.ends_with("BOOTLOADB]"));
    const std::int32_t header = close + 1;
    GNSSLOG_FUZZ_CHECK(header + 9 + 5 <= n);
    const std::int32_t declared = f[header] | (f[header + 1] << 8);
    // Label, header and body (declared), "*" and four digits.
    GNSSLOG_FUZZ_CHECK(declared >= 9 && declared - 9 <= NCTBINSniffer::MaxBody);
    GNSSLOG_FUZZ_CHECK(n == header + declared + 5);
    GNSSLOG_FUZZ_CHECK(f[n - 5] == '*');
    int expected = 0;
    for (std::int32_t i = n - 4; i < n; ++i) {
        const int digit = hexValue(f[i]);
        GNSSLOG_FUZZ_CHECK(digit >= 0);
        expected = expected * 16 + digit;
    }
    GNSSLOG_FUZZ_CHECK(referenceCrc16(f + header, static_cast<std::size_t>(declared)) == expected);
}

// Frames of data fed one byte at a time, checking each as it is published.
template <typename Sniffer, typename Check>
std::vector<Frame> framesByteByByte(const std::uint8_t* data, std::size_t size, Check check)
{
    Sniffer sniffer;
    std::vector<Frame> frames;
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t status = sniffer.feedByte(data[i]);
        GNSSLOG_FUZZ_CHECK(status == sniffer.status());
        GNSSLOG_FUZZ_CHECK(status == SnifferStatus::Searching || status == SnifferStatus::InFrame ||
                           status == SnifferStatus::Complete);
        if (status == SnifferStatus::Complete) {
            check(sniffer);
            frames.push_back({std::string(reinterpret_cast<const char*>(sniffer.frameStart()),
                                          static_cast<std::size_t>(sniffer.frameLength())),
                              sniffer.frameKind()});
        }
    }
    return frames;
}

// Frames of data through the block path, in chunks whose sizes cycle
// through chunkSizes (a chunk size of 0 means "the rest").
template <typename Sniffer>
std::vector<Frame> framesByBlocks(const std::uint8_t* data, std::size_t size,
                                  const std::vector<std::size_t>& chunkSizes,
                                  std::uint8_t* finalStatus = nullptr)
{
    Sniffer sniffer;
    std::vector<Frame> frames;
    std::size_t offset = 0;
    std::size_t which = 0;
    while (offset < size) {
        std::size_t chunk = chunkSizes.empty() ? 0 : chunkSizes[which++ % chunkSizes.size()];
        if (chunk == 0 || chunk > size - offset) {
            chunk = size - offset;
        }
        const std::uint8_t* p = data + offset;
        std::size_t left = chunk;
        while (left > 0) {
            const std::size_t used = sniffer.feed(p, left);
            GNSSLOG_FUZZ_CHECK(used >= 1 && used <= left);
            p += used;
            left -= used;
            if (sniffer.status() == SnifferStatus::Complete) {
                frames.push_back({std::string(reinterpret_cast<const char*>(sniffer.frameStart()),
                                              static_cast<std::size_t>(sniffer.frameLength())),
                                  sniffer.frameKind()});
            }
        }
        offset += chunk;
    }
    if (finalStatus != nullptr) {
        *finalStatus = sniffer.status();
    }
    return frames;
}

// Chunk sizes taken from the data itself, so the fuzzer explores splits.
inline std::vector<std::size_t> chunkSizesFrom(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::size_t> sizes;
    for (std::size_t i = 0; i < size && sizes.size() < 16; i += 7) {
        sizes.push_back(1 + data[i] % 23);
    }
    return sizes;
}

template <typename Sniffer, typename Check>
void fuzzFramer(const std::uint8_t* data, std::size_t size, Check check)
{
    const std::vector<Frame> single = framesByteByByte<Sniffer>(data, size, check);
    std::uint8_t statusWhole = 0;
    const std::vector<Frame> whole = framesByBlocks<Sniffer>(data, size, {}, &statusWhole);
    GNSSLOG_FUZZ_CHECK(whole == single);
    const std::vector<Frame> chunked = framesByBlocks<Sniffer>(data, size, chunkSizesFrom(data, size));
    GNSSLOG_FUZZ_CHECK(chunked == single);
    // The state after the last byte is the same too: the next frame comes
    // out of both alike.
    Sniffer byByte;
    for (std::size_t i = 0; i < size; ++i) {
        byByte.feedByte(data[i]);
    }
    if (size > 0) {
        GNSSLOG_FUZZ_CHECK(byByte.status() == statusWhole);
    }
}

inline void fuzzNmeaFramer(const std::uint8_t* data, std::size_t size)
{
    fuzzFramer<NMEASniffer>(data, size, checkNmeaFrame);
}

inline void fuzzNavcomFramer(const std::uint8_t* data, std::size_t size)
{
    fuzzFramer<NCTBINSniffer>(data, size, checkNavcomFrame);
}

// ---------------------------------------------------------------- decoders

inline void checkPvt1b(const std::uint8_t* frame, std::int32_t length)
{
    GNSSRecord plain;
    GNSSRecord grid;
    decodePVT1B(plain, frame, length, false);
    decodePVT1B(grid, frame, length, true);
    for (const GNSSRecord* r : {&plain, &grid}) {
        GNSSLOG_FUZZ_CHECK(allFinite(*r));
        GNSSLOG_FUZZ_CHECK(r->valid == 0 || r->valid == 1);
        GNSSLOG_FUZZ_CHECK(r->fixChange == 0);
        if (r->valid == 0) {
            GNSSLOG_FUZZ_CHECK(sameRecord(*r, GNSSRecord{}));
            continue;
        }
        GNSSLOG_FUZZ_CHECK(clearGroupsReadZero(*r));
        const std::uint8_t t = r->fixType;
        GNSSLOG_FUZZ_CHECK(t == 0 || t == 1 || t == 4 || t == 5 || t == 255);
        GNSSLOG_FUZZ_CHECK(r->gpsSatellites >= 0 && r->gpsSatellites <= 32);
        GNSSLOG_FUZZ_CHECK(r->glonassSatellites >= 0 && r->glonassSatellites <= 32);
        GNSSLOG_FUZZ_CHECK(r->satellites >= 0 && r->satellites <= 255);
    }
    GNSSLOG_FUZZ_CHECK(plain.valid == grid.valid);
    if (plain.valid == 1) {
        GNSSLOG_FUZZ_CHECK(plain.validFlags == 0x3D && grid.validFlags == 0x3F);
    }
    GNSSLOG_FUZZ_CHECK(sameApartFromGrid(plain, grid));
}

// decodePVT1B on every frame the framer publishes from data, and on data
// as the content of a frame behind a "[PVT1B]" label.
inline void fuzzPvt1b(const std::uint8_t* data, std::size_t size)
{
    NCTBINSniffer sniffer;
    for (std::size_t i = 0; i < size; ++i) {
        if (sniffer.feedByte(data[i]) == SnifferStatus::Complete) {
            checkPvt1b(sniffer.frameStart(), sniffer.frameLength());
        }
    }
    // An exactly sized heap copy, so ASan sees any read past its end.
    constexpr char label[] = "[PVT1B]";
    constexpr std::size_t labelLength = sizeof(label) - 1;
    const std::size_t length = std::min<std::size_t>(size, 1 << 16) + labelLength;
    std::vector<std::uint8_t> frame(length);
    std::memcpy(frame.data(), label, labelLength);
    if (length > labelLength) {
        std::memcpy(frame.data() + labelLength, data, length - labelLength);
    }
    checkPvt1b(frame.data(), static_cast<std::int32_t>(length));
}

// nextField's contract, checked on the sentence: the fields it cuts at ','
// are the text between the commas (cut to the buffer), and it fails, with
// an empty field and the rest untouched, where no comma is left.
inline void checkNextField(const char* sentence)
{
    std::string copy(sentence);
    char* rest = copy.data();
    const char* expected = sentence;
    char field[kNmeaFieldCapacity];
    for (;;) {
        char* const before = rest;
        const char* comma = std::strchr(expected, ',');
        const bool ok = nextField(field, rest, ',');
        GNSSLOG_FUZZ_CHECK(ok == (comma != nullptr));
        if (!ok) {
            GNSSLOG_FUZZ_CHECK(field[0] == '\0' && rest == before);
            break;
        }
        const std::size_t length = static_cast<std::size_t>(comma - expected);
        const std::size_t kept = std::min(length, kNmeaFieldCapacity - 1);
        GNSSLOG_FUZZ_CHECK(std::strlen(field) == kept);
        GNSSLOG_FUZZ_CHECK(std::memcmp(field, expected, kept) == 0);
        GNSSLOG_FUZZ_CHECK(rest == before + length + 1);
        expected = comma + 1;
    }
}

// decodeNmeaSentence on data as a writable text of at most 511 characters
// (the framer's limit), cut at the first zero byte.
inline void fuzzNmeaDecoder(const std::uint8_t* data, std::size_t size)
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

    GNSSRecord plain;
    decodeNmeaSentence(plain, sentence.data(), false);
    GNSSLOG_FUZZ_CHECK(original == sentence.data());
    GNSSRecord grid;
    decodeNmeaSentence(grid, sentence.data(), true);
    GNSSLOG_FUZZ_CHECK(original == sentence.data());

    for (const GNSSRecord* r : {&plain, &grid}) {
        GNSSLOG_FUZZ_CHECK(allFinite(*r));
        GNSSLOG_FUZZ_CHECK(r->valid == 0 || r->valid == 1);
        GNSSLOG_FUZZ_CHECK((r->validFlags & ~0x3Fu) == 0);
        GNSSLOG_FUZZ_CHECK(r->fixChange == 0);
        if (r->valid == 1) {
            GNSSLOG_FUZZ_CHECK(clearGroupsReadZero(*r));
        }
    }
    GNSSLOG_FUZZ_CHECK(plain.valid == grid.valid);
    GNSSLOG_FUZZ_CHECK(sameApartFromGrid(plain, grid));
    // A geodetic position with the flag on gains the grid.
    if (grid.valid == 1 && grid.has(ValidFlag::LatLon)) {
        GNSSLOG_FUZZ_CHECK(grid.has(ValidFlag::Grid));
    }
    checkNextField(original.c_str());
}

// ---------------------------------------------------------------- analysis

// What the progress callback saw during one analysis.
struct ProgressLog {
    std::string lastPhase;
    std::int32_t lastPosition = 0;
    std::int32_t calls = 0;
    bool sawDone = false;
    bool broken = false;
    const char* why = "";
};

inline ProgressLog& progressLog() noexcept
{
    static ProgressLog log;
    return log;
}

// Positions in [0, total]; within one phase they never decrease; nothing
// after "All done!".
inline void checkingProgress(const char* phase, std::int32_t position, std::int32_t total)
{
    ProgressLog& p = progressLog();
    ++p.calls;
    const auto broken = [&](const char* why) {
        if (!p.broken) {
            p.broken = true;
            p.why = why;
        }
    };
    if (phase == nullptr) {
        broken("null phase");
        return;
    }
    if (p.sawDone) {
        broken("report after All done!");
    }
    if (position < 0 || total < 0 || position > total) {
        broken("position outside 0..total");
    }
    // "Calculating" and "Calculating..." are one phase.
    std::string name(phase);
    if (name == "Calculating...") {
        name = "Calculating";
    }
    if (name == p.lastPhase && position < p.lastPosition) {
        broken("position stepped back");
    }
    p.lastPhase = name;
    p.lastPosition = position;
    if (name == "All done!") {
        p.sawDone = true;
    }
}

// Properties every finished analysis has, whatever the input.
inline void checkAnalysis(const GNSSLog& log)
{
    GNSSLOG_FUZZ_CHECK(log.openError.empty());
    std::int32_t fixed = 0;
    std::int32_t lost = 0;
    std::int32_t zSamples = 0;
    std::int32_t xySamples = 0;
    std::int32_t fix3D = 0;
    std::int32_t rtkx3D = 0;
    double latest = 0;
    bool wasFixed = false;
    for (const GNSSRecord& r : log.records) {
        GNSSLOG_FUZZ_CHECK(r.valid == 1);
        GNSSLOG_FUZZ_CHECK(allFinite(r));
        if (r.fixType == FixType::RtkFixed) {
            ++fixed;
            GNSSLOG_FUZZ_CHECK(r.fixChange == (wasFixed ? FixChange::None : FixChange::Gained));
            wasFixed = true;
            zSamples += r.has(ValidFlag::Height) ? 1 : 0;
            xySamples += r.has(ValidFlag::Grid) ? 1 : 0;
            fix3D += r.has(ValidFlag::Grid | ValidFlag::Height) ? 1 : 0;
        } else {
            GNSSLOG_FUZZ_CHECK(r.fixChange == (wasFixed ? FixChange::Lost : FixChange::None));
            lost += wasFixed ? 1 : 0;
            wasFixed = false;
            if (r.fixType == FixType::RtkX) {
                rtkx3D += r.has(ValidFlag::Grid | ValidFlag::Height) ? 1 : 0;
            }
        }
        latest = std::max(latest, r.time);
    }
    GNSSLOG_FUZZ_CHECK(log.rtkFixCount == fixed);
    GNSSLOG_FUZZ_CHECK(log.fixLostCount == lost);
    GNSSLOG_FUZZ_CHECK(log.histZ.sampleCount() == zSamples);
    GNSSLOG_FUZZ_CHECK(log.histX.sampleCount() == xySamples);
    GNSSLOG_FUZZ_CHECK(log.histY.sampleCount() == xySamples);
    GNSSLOG_FUZZ_CHECK(log.hist3DFix.sampleCount() == fix3D);
    GNSSLOG_FUZZ_CHECK(log.hist3DRtkx.sampleCount() == rtkx3D);
    for (const Histogram* h : {&log.histZ, &log.histX, &log.histY, &log.hist3DFix, &log.hist3DRtkx}) {
        std::int64_t sum = 0;
        std::int32_t peak = 0;
        for (std::size_t i = 0; i < h->binCount(); ++i) {
            const ErrorRecord& bin = h->bins()[i];
            GNSSLOG_FUZZ_CHECK(bin.count >= 1);
            GNSSLOG_FUZZ_CHECK(i == 0 || h->bins()[i - 1].key < bin.key);  // sorted, one bin per key
            sum += bin.count;
            peak = std::max(peak, bin.count);
        }
        GNSSLOG_FUZZ_CHECK(sum == h->sampleCount());
        GNSSLOG_FUZZ_CHECK(peak == h->peakCount());
    }
    if (log.records.empty()) {
        GNSSLOG_FUZZ_CHECK(log.startTime == DBL_MAX && log.endTime == 0);
    } else {
        // startTime is the first record's time as decoded; a first time more
        // than 100 s below 0 (a negative NMEA hour) is already a day wrap
        // for the record itself.
        const double first = log.records.front().time;
        GNSSLOG_FUZZ_CHECK(sameBits(log.startTime, first) ||
                           (log.startTime + 100.0 < 0 && first == log.startTime + 86400.0));
        GNSSLOG_FUZZ_CHECK(sameBits(log.endTime, latest));
    }
    for (double m : {log.maxErrorX, log.maxErrorY, log.maxErrorZ}) {
        GNSSLOG_FUZZ_CHECK(m >= 0);
    }
}

// The error plot's series over the analysis: built from the records and
// from the index alike, through a reset, a zoom in on a read-out and a
// wheel step out.
inline void exerciseSeries(const GNSSLog& log)
{
    constexpr std::int32_t width = 430;
    PlotViewState view;
    view.reset(log);
    const SeriesIndex index(log);
    // With times that never step back every column is visited once, and
    // the last one gets no point.
    const bool ordered = std::is_sorted(log.records.begin(), log.records.end(),
                                        [](const GNSSRecord& a, const GNSSRecord& b) {
                                            return a.time < b.time;
                                        });
    for (int step = 0; step < 3; ++step) {
        const auto fromRecords = PointStore::build(width, log, view.CentreTime, view.TimeSpan);
        const auto fromIndex = PointStore::build(width, index, view.CentreTime, view.TimeSpan);
        GNSSLOG_FUZZ_CHECK(fromRecords->pointCount() == fromIndex->pointCount());
        GNSSLOG_FUZZ_CHECK(!ordered || fromRecords->pointCount() <= static_cast<std::size_t>(width));
        for (std::size_t i = 0; i < fromRecords->pointCount(); ++i) {
            const PlotPoint& a = fromRecords->points()[i];
            const PlotPoint& b = fromIndex->points()[i];
            GNSSLOG_FUZZ_CHECK(a.column == b.column && sameRecord(a.sample, b.sample));
            for (std::size_t c = 0; c < CurveCount; ++c) {
                (void)plotValue(a.sample, static_cast<Curve>(c));
            }
        }
        const GNSSRecord* hovered = nullptr;
        for (std::int32_t x : {-5, 0, width / 2, width, width + 100}) {
            const GNSSRecord* sample = fromRecords->nearestSample(x);
            GNSSLOG_FUZZ_CHECK((sample == nullptr) == (fromRecords->pointCount() == 0));
            if (sample != nullptr && hovered == nullptr) {
                hovered = sample;
            }
        }
        if (hovered != nullptr) {
            view.HoveredTime = hovered->time;
        }
        if (step == 0) {
            view.zoomIn(log);
        } else {
            view.wheel(log, -120);
        }
        GNSSLOG_FUZZ_CHECK(view.ZoomLevel >= 1);
    }
    for (int s = 0; s <= static_cast<int>(PlotScale::M1_0); ++s) {
        const double range = scaleRange(static_cast<PlotScale>(s), log);
        GNSSLOG_FUZZ_CHECK(range > 0);
    }
}

// A file of its own per process, so parallel fuzzing jobs do not clash.
inline std::string analysisFilePath()
{
    const char* dir = std::getenv("TMPDIR");
    std::string path = dir != nullptr && *dir != '\0' ? dir : "/tmp";
    return path + "/gnsslog-analysis-fuzz-" + std::to_string(::getpid()) + ".log";
}

// The whole analysis of data as a log file: the first byte chooses the KKJ
// flag (bit 0), the truth mode (bits 1-2) and whether the threaded pipeline
// is compared with the plain one, and with which backlog rule (bits 3-4:
// 0 not at all; 1, 2, 3 the reader decodes always, after one waiting
// batch, never); the rest is the file.
inline void fuzzAnalysis(const std::uint8_t* data, std::size_t size)
{
    const std::uint8_t selector = size > 0 ? data[0] : 0;
    const bool toKKJ = (selector & 0x01) != 0;
    const std::uint8_t truthMode = static_cast<std::uint8_t>((selector >> 1) & 0x03);
    const unsigned threadedRule = (selector >> 3) & 0x03;
    const std::uint8_t* content = size > 0 ? data + 1 : data;
    const std::size_t contentSize = size > 0 ? size - 1 : 0;

    const std::string path = analysisFilePath();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(content), static_cast<std::streamsize>(contentSize));
        GNSSLOG_FUZZ_CHECK(out.good());
    }
    struct Remove {
        const std::string& path;
        ~Remove() { std::remove(path.c_str()); }
    } remove{path};

    for (const bool navcom : {true, false}) {
        progressLog() = ProgressLog{};
        const GNSSLog log(path.c_str(), checkingProgress, toKKJ, navcom, truthMode, 6672000.0,
                          2500000.0, 45.0);
        const ProgressLog& p = progressLog();
        if (p.broken) {
            fail(p.why);
        }
        GNSSLOG_FUZZ_CHECK(p.sawDone && p.calls >= 8);
        checkAnalysis(log);
        const SummaryTexts texts = summaryTexts(log);
        GNSSLOG_FUZZ_CHECK(!texts.label1.empty());
        (void)heightsWithin3cm(log);
        exerciseSeries(log);

        if (threadedRule != 0) {
            // The worker thread with tiny batches and chunks.
            constexpr std::size_t backlogs[] = {0, 1, SIZE_MAX};
            PipelineOptions options;
            options.workerMinFileSize = 0;
            options.batchBytes = 600;
            options.reservedRecords = 3;
            options.backlogToDecodeHere = backlogs[threadedRule - 1];
            GNSSLog threaded(truthMode, 6672000.0, 2500000.0, 45.0);
            runPipeline(threaded, path.c_str(), nullptr, toKKJ, navcom, options);
            std::string why;
            if (!sameAnalysis(log, threaded, &why)) {
                fail(("threaded pipeline differs: " + why).c_str());
            }
        }
    }
}

}  // namespace gnsslog::fuzz
