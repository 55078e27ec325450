// Septentrio SBF: the framer (table rows, resynchronisation one byte after
// a failed "$", the block path against feedByte), the decoder and the
// joining of an epoch's blocks on hand-built blocks, and every SBF log in
// the real-log folder record by record against an independent scan.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "log/formats/Formats.h"
#include "log/Pipeline.h"
#include "log/formats/sbf/SbfDecoder.h"
#include "log/formats/sbf/SbfFramer.h"
#include "tests/support/Comparisons.h"
#include "tests/support/FrameShapes.h"
#include "tests/support/SbfBlockScan.h"

namespace gnsslog {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Bytes = std::string;
using testing::Frame;

const std::uint8_t* bytesOf(const Bytes& b) { return reinterpret_cast<const std::uint8_t*>(b.data()); }

void putLe(Bytes& b, std::size_t offset, std::uint64_t value, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        b[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}
void putF8(Bytes& b, std::size_t offset, double v) { putLe(b, offset, std::bit_cast<std::uint64_t>(v), 8); }
void putF4(Bytes& b, std::size_t offset, float v) { putLe(b, offset, std::bit_cast<std::uint32_t>(v), 4); }

// A block of length bytes (a multiple of 4) with its CRC written by the
// test's own CRC; fill(body) sets the fields from offset 14 on.
template <typename Fill>
Bytes sbfBlock(unsigned number, unsigned revision, std::uint32_t towMs, unsigned week,
               std::size_t length, Fill fill)
{
    Bytes b(length, '\0');
    b[0] = '$';
    b[1] = '@';
    putLe(b, 4, number | (revision << 13), 2);
    putLe(b, 6, length, 2);
    putLe(b, 8, towMs, 4);
    putLe(b, 12, week, 2);
    fill(b);
    putLe(b, 2, testing::plainCrc16(bytesOf(b) + 4, length - 4), 2);
    return b;
}

Bytes otherBlock(unsigned number = 4027, std::size_t length = 40)
{
    return sbfBlock(number, 0, 1000, 2300, length, [](Bytes&) {});
}

struct Pvt {
    std::uint32_t towMs = 212541000;
    unsigned week = 2360;
    std::uint8_t mode = 4;  // RTK fixed
    std::uint8_t error = 0;
    double a = 50.849 * std::numbers::pi / 180;  // rad, or X m
    double b = 4.732 * std::numbers::pi / 180;
    double c = 110.25;
    std::uint8_t nrSv = 23;
    std::uint16_t hAccuracy = 180;  // 0.01 m, 2DRMS
    std::uint16_t vAccuracy = 240;  // 0.01 m, 2 sigma
    unsigned revision = 2;
    unsigned number = SbfBlock::PvtGeodetic;
};

Bytes pvtBlock(const Pvt& p)
{
    return sbfBlock(p.number, p.revision, p.towMs, p.week, 96, [&](Bytes& b) {
        b[14] = static_cast<char>(p.mode);
        b[15] = static_cast<char>(p.error);
        putF8(b, 16, p.a);
        putF8(b, 24, p.b);
        putF8(b, 32, p.c);
        b[74] = static_cast<char>(p.nrSv);
        putLe(b, 90, p.hAccuracy, 2);
        putLe(b, 92, p.vAccuracy, 2);
    });
}

Bytes covBlock(std::uint32_t towMs, float lat, float lon, float hgt, std::uint8_t error = 0)
{
    return sbfBlock(SbfBlock::PosCovGeodetic, 0, towMs, 2360, 56, [&](Bytes& b) {
        b[15] = static_cast<char>(error);
        putF4(b, 16, lat);
        putF4(b, 20, lon);
        putF4(b, 24, hgt);
    });
}

Bytes dopBlock(std::uint32_t towMs, std::uint16_t pdop)
{
    return sbfBlock(SbfBlock::Dop, 0, towMs, 2360, 32, [&](Bytes& b) { putLe(b, 16, pdop, 2); });
}

std::vector<Frame> framesOf(const Bytes& input)
{
    return testing::framesByteByByte<SbfSniffer>(bytesOf(input), input.size());
}

TEST(SbfFramer, FindsTheBlocksOfEachTableRow)
{
    const Bytes a = otherBlock();
    const Bytes b = otherBlock(4001, 32);
    Bytes badCrc = a;
    badCrc[20] ^= 1;
    Bytes badLength = a;
    putLe(badLength, 6, 42, 2);  // not a multiple of 4
    // A block cut short: its declared length runs over the good block
    // after it, which must still be found.
    const Bytes cut = a.substr(0, 24);
    struct Row {
        const char* legend;
        Bytes input;
        std::vector<Bytes> frames;
        std::uint64_t failures;
    } rows[] = {
        {"one block", a, {a}, 0},
        {"garbage first", "xx$@$" + a, {a}, 0},
        {"back to back", a + b, {a, b}, 0},
        {"bad CRC is counted", badCrc + b, {b}, 1},
        {"bad length is no candidate", badLength + b, {b}, 0},
        {"cut block gives way to the next", cut + a + b, {a, b}, 1},
        {"cut by the end", a + b.substr(0, 20), {a}, 0},
        {"over the cap is no candidate", [] {
             Bytes big = "$@\0\0\0\0\0\x80"s;  // 32768 bytes declared
             return big;
         }() + a, {a}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        SbfSniffer sniffer;
        std::vector<Bytes> frames;
        for (const char c : row.input) {
            if (sniffer.feedByte(static_cast<std::uint8_t>(c)) == SnifferStatus::Complete) {
                frames.emplace_back(reinterpret_cast<const char*>(sniffer.frameStart()),
                                    static_cast<std::size_t>(sniffer.frameLength()));
                EXPECT_EQ(sniffer.frameStart()[sniffer.frameLength()], 0);
                EXPECT_EQ(sniffer.frameKind(), FrameKind::Sbf);
            }
        }
        EXPECT_EQ(frames, row.frames);
        EXPECT_EQ(sniffer.checksumFailures(), row.failures);
    }
}

TEST(SbfFramer, BlockPathGivesTheFramesOfByteByByteFeeding)
{
    Bytes input;
    for (int i = 0; i < 40; ++i) {
        Pvt p;
        p.towMs += 1000 * static_cast<std::uint32_t>(i);
        input += pvtBlock(p);
        if (i % 3 == 0) {
            input += pvtBlock(p).substr(0, 30);  // cut short
        }
        if (i % 5 == 0) {
            input += "$@junk";  // with the next "$@" it declares more than the cap
        }
        input += otherBlock(4027, 400 + 4 * static_cast<std::size_t>(i));
    }
    const auto expected = framesOf(input);
    EXPECT_EQ(expected.size(), 80u);
    for (const std::vector<std::size_t>& chunks :
         {std::vector<std::size_t>{}, {1}, {7}, {64, 3}, {1000}}) {
        EXPECT_EQ(testing::framesByBlocks<SbfSniffer>(bytesOf(input), input.size(), chunks),
                  expected);
    }
}

FrameVerdict decode(DecodedRecord& r, const Bytes& block)
{
    return sbfFormat().decodeFrame(r, bytesOf(block), static_cast<std::int32_t>(block.size()),
                                   DecodeOptions{});
}

TEST(SbfDecoder, PvtGeodeticMakesASolutionWithItsFields)
{
    DecodedRecord r;
    ASSERT_EQ(decode(r, pvtBlock(Pvt{})), FrameVerdict::Record);
    EXPECT_NEAR(r.latitude, 50.849, 1e-12);
    EXPECT_NEAR(r.longitude, 4.732, 1e-12);
    EXPECT_DOUBLE_EQ(r.height, 110.25);
    EXPECT_EQ(r.satellites, 23);
    EXPECT_EQ(r.fixType, FixType::RtkFixed);
    // 2DRMS 1.8 m and 2 sigma 2.4 m: RMS 0.9 m horizontal, 1.2 m vertical.
    EXPECT_NEAR(r.errorEstimate, 1.5, 1e-12);
    EXPECT_TRUE(r.has(ValidFlag::LatLon | ValidFlag::Height | ValidFlag::Grid |
                      ValidFlag::ErrorEstimate));
    EXPECT_EQ(r.framePart, FramePart::Solution);
}

TEST(SbfDecoder, ModeGivesTheFixClass)
{
    const std::pair<std::uint8_t, std::uint8_t> cases[] = {
        {1, FixType::StandAlone}, {2, FixType::Dgnss},      {3, FixType::FixedPosition},
        {4, FixType::RtkFixed},   {5, FixType::RtkFloat},   {6, FixType::Sbas},
        {7, FixType::RtkFixed},   {8, FixType::RtkFloat},   {10, FixType::Ppp},
        {0x44, FixType::RtkFixed},  // 2-D flag in bit 6
        {0x81, FixType::StandAlone},  // base mode in bit 7
    };
    for (const auto& [mode, fixType] : cases) {
        Pvt p;
        p.mode = mode;
        DecodedRecord r;
        ASSERT_EQ(decode(r, pvtBlock(p)), FrameVerdict::Record) << int(mode);
        EXPECT_EQ(r.fixType, fixType) << int(mode);
    }
}

TEST(SbfDecoder, NoPositionWithoutAUsableSolution)
{
    Pvt noPvt;
    noPvt.mode = 0;
    Pvt error;
    error.error = 1;
    Pvt doNotUse;
    doNotUse.a = -2e10;
    Pvt undefinedMode;
    undefinedMode.mode = 9;
    Pvt noTime;
    noTime.towMs = 4294967295u;
    Pvt noWeek;
    noWeek.week = 65535;
    for (const Pvt& p : {noPvt, error, doNotUse, undefinedMode, noTime, noWeek}) {
        DecodedRecord r;
        EXPECT_EQ(decode(r, pvtBlock(p)), FrameVerdict::Rejected);
        EXPECT_EQ(r.valid, 0);
    }
    DecodedRecord r;
    EXPECT_EQ(decode(r, covBlock(1000, -2e10f, 1, 1)), FrameVerdict::Rejected);
    EXPECT_EQ(decode(r, dopBlock(1000, 0)), FrameVerdict::Rejected);
    EXPECT_EQ(decode(r, otherBlock()), FrameVerdict::Unread);
    EXPECT_EQ(decode(r, pvtBlock(Pvt{}).substr(0, 60)), FrameVerdict::Unread);
}

TEST(SbfDecoder, PvtCartesianGoesThroughTheEcefConversion)
{
    Pvt p;
    p.number = SbfBlock::PvtCartesian;
    // The pysbf2 receiver's position, 53.45N 2.24W.
    p.a = 3803640.7;
    p.b = -148798.1;
    p.c = 5100638.1;
    p.revision = 0;  // no accuracy fields
    DecodedRecord r;
    ASSERT_EQ(decode(r, pvtBlock(p)), FrameVerdict::Record);
    EXPECT_NEAR(r.latitude, 53.45, 0.01);
    EXPECT_NEAR(r.longitude, -2.24, 0.01);
    EXPECT_FALSE(r.has(ValidFlag::ErrorEstimate));
}

std::vector<DecodedRecord> analyse(const Bytes& input, PipelineOptions options = {})
{
    GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    runPipelineOnBytes(log, bytesOf(input), input.size(), nullptr, DecodeOptions{}, sbfFormat(),
                       options);
    return testing::decodedRecordsOf(log);
}

TEST(SbfFormat, AnEpochJoinsItsCovarianceAndDop)
{
    Pvt first;
    Pvt second;
    second.towMs += 1000;
    Pvt repeated = second;
    repeated.number = SbfBlock::PvtCartesian;  // the same epoch told again
    repeated.a = 4000000;
    repeated.b = 300000;
    repeated.c = 4900000;
    const Bytes input = pvtBlock(first) + covBlock(first.towMs, 0.01f, 0.04f, 0.04f) +
                        dopBlock(first.towMs, 150) + pvtBlock(second) + pvtBlock(repeated) +
                        covBlock(second.towMs + 1000, 1, 1, 1);  // no solution of its own
    const auto records = analyse(input);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_NEAR(records[0].errorEstimate, 0.3, 1e-7);  // the covariance replaces HAccuracy
    EXPECT_NEAR(records[0].accuracy.sigmaNorth, 0.1, 1e-7);     // and its sigmas replace the PVT's
    EXPECT_NEAR(records[0].accuracy.sigmaEast, 0.2, 1e-7);
    EXPECT_NEAR(records[0].accuracy.sigmaUp, 0.2, 1e-7);
    EXPECT_DOUBLE_EQ(records[0].dop, 1.5);
    EXPECT_DOUBLE_EQ(records[0].time, 212541.0);
    EXPECT_NEAR(records[1].errorEstimate, 1.5, 1e-12);
    // 2DRMS 1.8 m is a horizontal RMS of 0.9 m, 0.9/sqrt(2) per axis; 2 sigma 2.4 m up.
    EXPECT_NEAR(records[1].accuracy.sigmaNorth, 0.9 / std::sqrt(2.0), 1e-7);
    EXPECT_NEAR(records[1].accuracy.sigmaEast, 0.9 / std::sqrt(2.0), 1e-7);
    EXPECT_NEAR(records[1].accuracy.sigmaUp, 1.2, 1e-7);
    EXPECT_FALSE(records[1].has(ValidFlag::Dop));
    EXPECT_NEAR(records[1].latitude, 50.849, 1e-12);
    EXPECT_DOUBLE_EQ(records[1].time, 212542.0);
}

TEST(SbfFormat, AtTheEndBlocksBehindACutOneAreReadAndTheCutOneCounted)
{
    Pvt first;
    Pvt second;
    second.towMs += 1000;
    // The cut block's declared 400 bytes swallow the PVT behind it.
    EXPECT_EQ(analyse(pvtBlock(first) + otherBlock(4027, 400).substr(0, 20) + pvtBlock(second)).size(),
              2u);
    GNSSLog cut(TruthMode::Averaged, 0, 0, 0);
    const Bytes input = pvtBlock(first) + pvtBlock(second).substr(0, 50);
    runPipelineOnBytes(cut, bytesOf(input), input.size(), nullptr, DecodeOptions{}, sbfFormat(),
                       PipelineOptions{});
    EXPECT_EQ(cut.records.size(), 1u);
    EXPECT_EQ(cut.dataQuality.truncatedFrames, 1u);
    EXPECT_EQ(cut.dataQuality.rejectedChecksum, 0u);
}

TEST(SbfFormat, TimeRunsOnAcrossTheWeeksEnd)
{
    Pvt last;
    last.towMs = 604799000;
    Pvt next;
    next.week = last.week + 1;
    next.towMs = 0;
    Pvt later;
    later.week = last.week + 3;  // a gap of weeks is no backward step
    later.towMs = 5000;
    const auto records = analyse(pvtBlock(last) + pvtBlock(next) + pvtBlock(later));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_DOUBLE_EQ(records[0].time, 604799.0);
    EXPECT_DOUBLE_EQ(records[1].time, 604800.0);
    EXPECT_DOUBLE_EQ(records[2].time, 3 * 604800.0 + 5);
}

// ---- real logs ----

fs::path realLogFolder()
{
    return fs::path(GNSSLOG_SOURCE_DIR) / ".." / "shared" / "realdata" / "logs";
}

std::vector<std::uint8_t> readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>());
}

std::vector<fs::path> sbfLogs()
{
    std::vector<fs::path> logs;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(realLogFolder(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".sbf") || name.starts_with("pysbf2-")) {
            logs.push_back(entry.path());
        }
    }
    std::sort(logs.begin(), logs.end());
    return logs;
}

double f8(const std::uint8_t* p) { double v; std::memcpy(&v, p, 8); return v; }

// WGS84 geodetic to ECEF, the closed form, to compare positions in metres.
void toEcef(double latDeg, double lonDeg, double h, double xyz[3])
{
    const double a = 6378137.0;
    const double e2 = 6.69437999014e-3;
    const double lat = latDeg * std::numbers::pi / 180;
    const double lon = lonDeg * std::numbers::pi / 180;
    const double n = a / std::sqrt(1 - e2 * std::sin(lat) * std::sin(lat));
    xyz[0] = (n + h) * std::cos(lat) * std::cos(lon);
    xyz[1] = (n + h) * std::cos(lat) * std::sin(lon);
    xyz[2] = (n * (1 - e2) + h) * std::sin(lat);
}

struct ExpectedSolution {
    double seconds;  // of the first record's week
    double xyz[3];
    unsigned modeType;
    unsigned nrSv;
};

// The PVT blocks with a position, first of each time, as the format
// describes them.
std::vector<ExpectedSolution> expectedSolutions(const std::vector<std::uint8_t>& bytes,
                                                const testing::SbfScan& scan)
{
    std::vector<ExpectedSolution> out;
    long long firstWeek = -1;
    long long lastMs = -1;
    for (const auto& block : scan.blocks) {
        const std::uint8_t* p = bytes.data() + block.offset;
        if ((block.number != 4006 && block.number != 4007) || block.length < 75) {
            continue;
        }
        const unsigned mode = p[14] & 0x0F;
        const std::uint32_t tow = p[8] | (p[9] << 8) | (p[10] << 16) | (std::uint32_t{p[11]} << 24);
        const unsigned week = p[12] | (p[13] << 8);
        const double a = f8(p + 16);
        const double b = f8(p + 24);
        const double c = f8(p + 32);
        const bool known = mode == 1 || mode == 2 || mode == 3 || mode == 4 || mode == 5 ||
                           mode == 6 || mode == 7 || mode == 8 || mode == 10;
        if (!known || p[15] != 0 || a == -2e10 || b == -2e10 || c == -2e10 ||
            tow == 4294967295u || week == 65535) {
            continue;
        }
        const long long ms = week * 604800000LL + tow;
        if (ms == lastMs) {
            continue;
        }
        lastMs = ms;
        if (firstWeek < 0) {
            firstWeek = week;
        }
        ExpectedSolution e{};
        e.seconds = static_cast<double>(ms - firstWeek * 604800000LL) / 1000;
        if (block.number == 4007) {
            toEcef(a * 180 / std::numbers::pi, b * 180 / std::numbers::pi, c, e.xyz);
        } else {
            e.xyz[0] = a;
            e.xyz[1] = b;
            e.xyz[2] = c;
        }
        e.modeType = mode;
        e.nrSv = p[74];
        out.push_back(e);
    }
    return out;
}

bool fixTypeFitsMode(std::uint8_t fixType, unsigned mode)
{
    switch (mode) {
    case 4: case 7: return fixType == FixType::RtkFixed;
    case 5: case 8: return fixType == FixType::RtkFloat;
    case 1: return fixType == FixType::StandAlone;
    // The other modes: a class of their own, never an RTK one.
    default:
        return fixType != FixType::RtkFixed && fixType != FixType::RtkFloat &&
               fixType != FixType::StandAlone && fixType != FixType::NoPosition;
    }
}

TEST(SbfRealLogs, RecordsAndCrcFailuresAreThoseOfAnIndependentScan)
{
    const auto logs = sbfLogs();
    if (logs.empty()) {
        GTEST_SKIP() << "no SBF logs in " << realLogFolder();
    }
    std::size_t total = 0;
    for (const fs::path& path : logs) {
        SCOPED_TRACE(path.filename().string());
        const auto bytes = readBytes(path);
        const auto scan = testing::scanSbfBlocks(bytes.data(), bytes.size());
        const auto expected = expectedSolutions(bytes, scan);
        GNSSLog result(TruthMode::Averaged, 0, 0, 0);
        runPipelineOnBytes(result, bytes.data(), bytes.size(), nullptr, DecodeOptions{},
                           sbfFormat(), PipelineOptions{});
        EXPECT_EQ(result.dataQuality.frames, scan.blocks.size());
        EXPECT_EQ(result.dataQuality.rejectedChecksum, scan.crcFailures);
        ASSERT_EQ(result.records.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const GNSSRecord& r = result.records[i];
            const ExpectedSolution& e = expected[i];
            ASSERT_TRUE(testing::allFinite(r));
            EXPECT_DOUBLE_EQ(r.time, e.seconds) << i;
            double xyz[3];
            toEcef(r.latitude, r.longitude, r.height, xyz);
            for (int k = 0; k < 3; ++k) {
                EXPECT_NEAR(xyz[k], e.xyz[k], 0.001) << i;  // 1 mm
            }
            EXPECT_TRUE(fixTypeFitsMode(r.fixType, e.modeType)) << i << " mode " << e.modeType;
            EXPECT_EQ(r.satellites, static_cast<std::int32_t>(e.nrSv == 255 ? 0 : e.nrSv));
        }
        total += expected.size();
    }
    EXPECT_GT(total, 0u);
}

TEST(SbfRealLogs, ALogCutInsideABlockKeepsEveryWholeBlockBeforeTheCut)
{
    const fs::path path = realLogFolder() / "septentrio-sbfmixer-log_0000.sbf";
    if (!fs::exists(path)) {
        GTEST_SKIP() << path << " not found";
    }
    auto bytes = readBytes(path);
    const auto whole = testing::scanSbfBlocks(bytes.data(), bytes.size());
    // Cut in the middle of the last PVTGeodetic.
    std::size_t cutAt = 0;
    for (const auto& block : whole.blocks) {
        if (block.number == SbfBlock::PvtGeodetic) {
            cutAt = block.offset + block.length / 2;
        }
    }
    ASSERT_GT(cutAt, 0u);
    bytes.resize(cutAt);
    const auto scan = testing::scanSbfBlocks(bytes.data(), bytes.size());
    GNSSLog result(TruthMode::Averaged, 0, 0, 0);
    runPipelineOnBytes(result, bytes.data(), bytes.size(), nullptr, DecodeOptions{}, sbfFormat(),
                       PipelineOptions{});
    EXPECT_EQ(result.dataQuality.frames, scan.blocks.size());
    EXPECT_EQ(result.records.size(), expectedSolutions(bytes, scan).size());
    EXPECT_EQ(result.records.size() + 1, expectedSolutions(readBytes(path), whole).size());
    EXPECT_EQ(result.dataQuality.rejectedChecksum, 0u);
    EXPECT_EQ(result.dataQuality.truncatedFrames, 1u);
}

}  // namespace
}  // namespace gnsslog
