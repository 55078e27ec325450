// u-blox UBX: the framer (tables of inputs and the frames they must give,
// the resynchronisation one byte after a failed 0xB5, the block path
// against feedByte), the NAV-PVT and NAV-HPPOSLLH decoder on hand-built
// payloads, the joining of one epoch's two messages, and real logs
// checked against an independent scan of their NAV-PVT messages.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <numeric>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "geodesy/Ecef.h"
#include "geodesy/Kkj.h"
#include "log/formats/FrameFeed.h"
#include "log/formats/Formats.h"
#include "log/Pipeline.h"
#include "log/formats/ubx/UbxDecoder.h"
#include "log/formats/ubx/UbxFramer.h"
#include "tests/support/Comparisons.h"
#include "tests/support/FrameShapes.h"

namespace gnsslog {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using testing::allFinite;
using testing::clearGroupsReadZero;
using testing::sameRecord;
using Bytes = std::string;
using Frames = std::vector<Bytes>;

// Fletcher sums written out here rather than taken from the framer.
Bytes ubxFrame(std::uint8_t cls, std::uint8_t id, const Bytes& payload)
{
    Bytes frame = "\xB5\x62"s;
    frame += static_cast<char>(cls);
    frame += static_cast<char>(id);
    frame += static_cast<char>(payload.size() & 0xFF);
    frame += static_cast<char>(payload.size() >> 8);
    frame += payload;
    unsigned a = 0;
    unsigned b = 0;
    for (std::size_t i = 2; i < frame.size(); ++i) {
        a = (a + static_cast<std::uint8_t>(frame[i])) & 0xFF;
        b = (b + a) & 0xFF;
    }
    frame += static_cast<char>(a);
    frame += static_cast<char>(b);
    return frame;
}

void putLe(Bytes& payload, std::size_t offset, std::uint32_t value, std::size_t bytes)
{
    for (std::size_t i = 0; i < bytes; ++i) {
        payload[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

struct Pvt {
    std::uint32_t iTowMs = 345600500;
    std::uint8_t flags = 0x01;  // gnssFixOK, no carrier solution
    std::uint8_t satellites = 17;
    std::int32_t lon = 249384560;   // 1e-7 deg
    std::int32_t lat = 601698400;   // 1e-7 deg
    std::int32_t heightMm = 45678;
    std::uint32_t hAccMm = 30;
    std::uint32_t vAccMm = 40;
    std::uint16_t pDop = 135;  // 0.01
    std::size_t length = 92;
};

Bytes pvtFrame(const Pvt& pvt)
{
    Bytes p(pvt.length, '\0');
    putLe(p, 0, pvt.iTowMs, 4);
    putLe(p, 20, 3, 1);
    putLe(p, 21, pvt.flags, 1);
    putLe(p, 23, pvt.satellites, 1);
    putLe(p, 24, static_cast<std::uint32_t>(pvt.lon), 4);
    putLe(p, 28, static_cast<std::uint32_t>(pvt.lat), 4);
    putLe(p, 32, static_cast<std::uint32_t>(pvt.heightMm), 4);
    putLe(p, 36, static_cast<std::uint32_t>(pvt.heightMm - 20000), 4);
    putLe(p, 40, pvt.hAccMm, 4);
    putLe(p, 44, pvt.vAccMm, 4);
    putLe(p, 76, pvt.pDop, 2);
    return ubxFrame(0x01, 0x07, p);
}

struct Hp {
    std::uint8_t flags = 0;
    std::uint32_t iTowMs = 345600500;
    std::int32_t lon = 249384560;
    std::int32_t lat = 601698400;
    std::int32_t heightMm = 45678;
    std::int8_t lonHp = 0;     // 1e-9 deg
    std::int8_t latHp = 0;     // 1e-9 deg
    std::int8_t heightHp = 0;  // 0.1 mm
    std::uint32_t hAcc = 300;  // 0.1 mm
    std::uint32_t vAcc = 400;  // 0.1 mm
};

Bytes hpFrame(const Hp& hp)
{
    Bytes p(36, '\0');
    putLe(p, 3, hp.flags, 1);
    putLe(p, 4, hp.iTowMs, 4);
    putLe(p, 8, static_cast<std::uint32_t>(hp.lon), 4);
    putLe(p, 12, static_cast<std::uint32_t>(hp.lat), 4);
    putLe(p, 16, static_cast<std::uint32_t>(hp.heightMm), 4);
    putLe(p, 24, static_cast<std::uint8_t>(hp.lonHp), 1);
    putLe(p, 25, static_cast<std::uint8_t>(hp.latHp), 1);
    putLe(p, 26, static_cast<std::uint8_t>(hp.heightHp), 1);
    putLe(p, 28, hp.hAcc, 4);
    putLe(p, 32, hp.vAcc, 4);
    return ubxFrame(0x01, 0x14, p);
}

const std::uint8_t* bytesOf(const Bytes& s)
{
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

Frames asStrings(const std::vector<testing::Frame>& frames)
{
    Frames out;
    for (const testing::Frame& f : frames) {
        EXPECT_EQ(f.kind, FrameKind::Ubx);
        out.push_back(f.bytes);
    }
    return out;
}

// The frames of input fed byte by byte, in one piece and in small chunks:
// all three must agree.
Frames framesOf(const Bytes& input)
{
    const Frames single =
        asStrings(testing::framesByteByByte<UBXSniffer>(bytesOf(input), input.size()));
    EXPECT_EQ(asStrings(testing::framesByBlocks<UBXSniffer>(bytesOf(input), input.size(), {})),
              single);
    EXPECT_EQ(asStrings(testing::framesByBlocks<UBXSniffer>(bytesOf(input), input.size(),
                                                             {1, 3, 7, 2, 64})),
              single);
    return single;
}

const Bytes kSmall = ubxFrame(0x05, 0x01, "\x06\x8A"s);  // an ACK-ACK
const Bytes kPvt = pvtFrame(Pvt{});
const Bytes kHp = hpFrame(Hp{});
const Bytes kEmpty = ubxFrame(0x0A, 0x04, "");

Bytes withBadChecksum(Bytes frame)
{
    frame.back() = static_cast<char>(frame.back() ^ 0x01);
    return frame;
}

// The header of a frame whose declared payload is far longer than what
// follows it.
Bytes cutShort(std::uint16_t declaredPayload)
{
    Bytes header = "\xB5\x62\x02\x15"s;
    header += static_cast<char>(declaredPayload & 0xFF);
    header += static_cast<char>(declaredPayload >> 8);
    return header + "\x01\x02\x03"s;
}

struct Row {
    const char* legend;
    Bytes input;
    Frames expected;
};

TEST(UbxFramer, FindsTheFramesOfEachTableRow)
{
    const Bytes nmea = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
    const Bytes rtcm = "\xD3\x00\x13\x3E\xD0\x00\x03\xB5\x00\x62\x11\x22\x33\x44\x55"s;
    const Bytes maxPayload(UBXSniffer::kMaxFrameBytes - UBXSniffer::kOverheadBytes, '\x5A');
    const Bytes longest = ubxFrame(0x02, 0x15, maxPayload);
    const Bytes tooLong = ubxFrame(0x02, 0x15, maxPayload + "\x5A"s);
    const std::vector<Row> rows = {
        {"one good frame", kSmall, {kSmall}},
        {"empty payload", kEmpty, {kEmpty}},
        {"three in a row", kPvt + kHp + kSmall, {kPvt, kHp, kSmall}},
        {"bad checksum", withBadChecksum(kPvt), {}},
        {"bad checksum, then a good frame", withBadChecksum(kPvt) + kHp, {kHp}},
        {"cut short, a good frame right after", cutShort(1200) + kPvt + Bytes(1300, '\0'),
         {kPvt}},
        {"cut short before two good frames and noise",
         cutShort(100) + kSmall + kHp + Bytes(100, 'x'),
         {kSmall, kHp}},
        {"cut short at the end: what it spans waits for its bytes", cutShort(100) + kSmall, {}},
        {"declared length beyond the buffer", cutShort(60000) + kSmall, {kSmall}},
        {"the longest frame that fits", longest + kSmall, {longest, kSmall}},
        {"one byte longer: dropped", tooLong + kSmall, {kSmall}},
        {"NMEA and RTCM between frames", nmea + kPvt + rtcm + kHp + nmea, {kPvt, kHp}},
        {"doubled 0xB5", "\xB5"s + kSmall, {kSmall}},
        {"0xB5 without 0x62", "\xB5\x00\xB5"s + kSmall, {kSmall}},
        {"a good frame inside a failed one",
         withBadChecksum(ubxFrame(0x02, 0x13, "ab" + kSmall + "cd")),
         {kSmall}},
        {"header without its payload at the end", kSmall + cutShort(40), {kSmall}},
        {"nothing but noise", "\x62\x62\x00\xFF hello"s, {}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(framesOf(row.input), row.expected) << row.legend;
    }
}

// Bytes shaped to meet every branch: good frames, cut and corrupted ones,
// lone sync bytes, NMEA and random noise.
Bytes hostileBytes(std::mt19937& rng, std::size_t pieces)
{
    const std::vector<Bytes> parts = {kSmall, kPvt, kHp, kEmpty, withBadChecksum(kHp),
                                      cutShort(30), cutShort(3000), "\xB5"s, "\xB5\x62"s,
                                      "$GPGGA,1*00\r\n"};
    Bytes out;
    for (std::size_t i = 0; i < pieces; ++i) {
        switch (rng() % 4) {
        case 0:
            out += parts[rng() % parts.size()];
            break;
        case 1: {
            const Bytes& part = parts[rng() % parts.size()];
            out += part.substr(0, rng() % (part.size() + 1));
            break;
        }
        case 2: {
            Bytes part = parts[rng() % parts.size()];
            part[rng() % part.size()] = static_cast<char>(rng());
            out += part;
            break;
        }
        default:
            for (unsigned n = rng() % 8; n > 0; --n) {
                out += static_cast<char>(rng());
            }
        }
    }
    return out;
}

TEST(UbxFramer, BlockPathGivesTheFramesOfByteByByteFeeding)
{
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
        std::mt19937 rng(seed);
        const Bytes input = hostileBytes(rng, 60);
        std::vector<std::size_t> chunks;
        for (int i = 0; i < 12; ++i) {
            chunks.push_back(1 + rng() % 150);
        }
        std::uint8_t byteStatus = SnifferStatus::Searching;
        const auto single = testing::framesByteByByte<UBXSniffer>(
            bytesOf(input), input.size(),
            [&](const UBXSniffer& s, std::uint8_t status) {
                EXPECT_EQ(status, s.status());
                byteStatus = status;
            });
        std::uint8_t blockStatus = SnifferStatus::Searching;
        EXPECT_EQ(testing::framesByBlocks<UBXSniffer>(bytesOf(input), input.size(), chunks,
                                                      &blockStatus),
                  single)
            << "seed " << seed;
        EXPECT_EQ(blockStatus, byteStatus) << "seed " << seed;
        for (const testing::Frame& f : single) {
            EXPECT_TRUE(UBXSniffer::checksumMatches(bytesOf(f.bytes),
                                                    static_cast<std::int32_t>(f.bytes.size())));
        }
    }
}

TEST(UbxFramer, PublishedFramesAreZeroTerminated)
{
    UBXSniffer sniffer;
    // The second frame completes from bytes the failed candidate kept, so
    // its terminating zero covers a byte still to be examined.
    const Bytes input = withBadChecksum(ubxFrame(0x02, 0x13, kSmall + kSmall + "zz"));
    int frames = 0;
    for (char c : input) {
        if (sniffer.feedByte(static_cast<std::uint8_t>(c)) == SnifferStatus::Complete) {
            ++frames;
            EXPECT_EQ(sniffer.frameStart()[sniffer.frameLength()], 0);
        }
    }
    // The first frame comes out on the last byte; the second, already
    // whole, on the next byte fed.
    EXPECT_EQ(frames, 1);
    EXPECT_EQ(sniffer.feedByte(0), SnifferStatus::Complete);
    EXPECT_EQ(Bytes(reinterpret_cast<const char*>(sniffer.frameStart()),
                    static_cast<std::size_t>(sniffer.frameLength())),
              kSmall);
}

FrameVerdict decode(DecodedRecord& record, const Bytes& frame, bool toKKJ = false)
{
    return decodeUbxFrame(record, bytesOf(frame), static_cast<std::int32_t>(frame.size()), toKKJ);
}

TEST(UbxDecoder, NavPvtMakesARecordWithItsFields)
{
    DecodedRecord r;
    ASSERT_EQ(decode(r, kPvt, true), FrameVerdict::Record);
    EXPECT_EQ(r.valid, 1);
    EXPECT_DOUBLE_EQ(r.time, 345600.5);
    EXPECT_DOUBLE_EQ(r.latitude, 60.16984);
    EXPECT_DOUBLE_EQ(r.longitude, 24.938456);
    EXPECT_DOUBLE_EQ(r.height, 45.678);
    EXPECT_DOUBLE_EQ(r.errorEstimate, 0.05);  // sqrt(0.03^2 + 0.04^2)
    EXPECT_DOUBLE_EQ(r.dop, 1.35);
    EXPECT_EQ(r.satellites, 17);
    EXPECT_EQ(r.fixType, FixType::StandAlone);
    EXPECT_EQ(r.validFlags, ValidFlag::LatLon | ValidFlag::Height | ValidFlag::Dop |
                                ValidFlag::ErrorEstimate | ValidFlag::Grid |
                                ValidFlag::AxisSigmas);
    double x = 0;
    double y = 0;
    geodeticToKKJ(r.latitude, r.longitude, 2, x, y);
    EXPECT_DOUBLE_EQ(r.localX, x);
    EXPECT_DOUBLE_EQ(r.localY, y);
    EXPECT_TRUE(clearGroupsReadZero(r));
}

TEST(UbxDecoder, CarrierSolutionGivesTheFixType)
{
    struct Case {
        std::uint8_t flags;
        std::uint8_t fixType;
    };
    const Case cases[] = {
        {0x01, FixType::StandAlone}, {0x03, FixType::StandAlone}, {0x41, FixType::RtkFloat},
        {0x81, FixType::RtkFixed},   {0xC1, FixType::StandAlone},
    };
    for (const Case& c : cases) {
        Pvt pvt;
        pvt.flags = c.flags;
        DecodedRecord r;
        EXPECT_EQ(decode(r, pvtFrame(pvt)), FrameVerdict::Record);
        EXPECT_EQ(r.fixType, c.fixType) << "flags " << int{c.flags};
    }
}

TEST(UbxDecoder, NavPvtWithoutGnssFixOkIsRejected)
{
    Pvt pvt;
    pvt.flags = 0x82;  // carrier fixed and diffSoln, but no gnssFixOK
    DecodedRecord r;
    EXPECT_EQ(decode(r, pvtFrame(pvt)), FrameVerdict::Rejected);
    EXPECT_TRUE(sameRecord(r, DecodedRecord{}));
}

TEST(UbxDecoder, ReadsSouthWestAndTheShortNavPvt)
{
    Pvt pvt;
    pvt.lat = -339876543;
    pvt.lon = -1512345678;
    pvt.heightMm = -12345;
    pvt.length = 84;
    DecodedRecord r;
    ASSERT_EQ(decode(r, pvtFrame(pvt)), FrameVerdict::Record);
    EXPECT_DOUBLE_EQ(r.latitude, -33.9876543);
    EXPECT_DOUBLE_EQ(r.longitude, -151.2345678);
    EXPECT_DOUBLE_EQ(r.height, -12.345);
}

TEST(UbxDecoder, HighPrecisionPartsAreSigned)
{
    Hp hp;
    hp.lat = -339876543;
    hp.latHp = -7;
    hp.lon = 249384560;
    hp.lonHp = 99;
    hp.heightMm = 45678;
    hp.heightHp = -3;
    DecodedRecord r;
    ASSERT_EQ(decode(r, hpFrame(hp)), FrameVerdict::Record);
    EXPECT_NEAR(r.latitude, -33.987654307, 1e-12);
    EXPECT_NEAR(r.longitude, 24.938456099, 1e-12);
    EXPECT_NEAR(r.height, 45.6777, 1e-9);
    EXPECT_DOUBLE_EQ(r.errorEstimate, 0.05);
    EXPECT_TRUE(isUbxPositionOnly(r));
    EXPECT_FALSE(r.has(ValidFlag::Dop));
}

TEST(UbxDecoder, InvalidLlhHasNoPosition)
{
    Hp hp;
    hp.flags = 0x01;
    DecodedRecord r;
    EXPECT_EQ(decode(r, hpFrame(hp)), FrameVerdict::Rejected);
    EXPECT_EQ(r.valid, 0);
}

TEST(UbxDecoder, OtherMessagesAndOddLengthsAreUnread)
{
    Pvt shortPvt;
    shortPvt.length = 88;
    Bytes lying = kPvt;
    lying[4] = 91;  // declares one byte less than it holds
    for (const Bytes& frame : {kSmall, kEmpty, pvtFrame(shortPvt), lying,
                               ubxFrame(0x01, 0x14, Bytes(35, '\0')), Bytes("\xB5\x62")}) {
        DecodedRecord r;
        EXPECT_EQ(decode(r, frame), FrameVerdict::Unread);
        EXPECT_EQ(r.valid, 0);
    }
}

class Collect final : public RecordSink {
public:
    void take(const DecodedRecord& record) override { records.push_back(record); }
    std::vector<DecodedRecord> records;
};

std::vector<DecodedRecord> assemble(const std::vector<Bytes>& frames)
{
    const InputFormat& format = ubxFormat();
    const auto assembler = format.makeAssembler();
    Collect sink;
    for (const Bytes& frame : frames) {
        DecodedRecord r;
        format.decodeFrame(r, bytesOf(frame), static_cast<std::int32_t>(frame.size()),
                           DecodeOptions{});
        assembler->add(r, sink);
    }
    assembler->finish(sink);
    return sink.records;
}

TEST(UbxAssembler, JoinsOneEpochInEitherOrder)
{
    Hp hp;
    hp.latHp = 42;
    hp.heightHp = 5;
    Pvt pvt;
    pvt.flags = 0x81;
    for (const auto& frames : {std::vector<Bytes>{pvtFrame(pvt), hpFrame(hp)},
                               std::vector<Bytes>{hpFrame(hp), pvtFrame(pvt)}}) {
        const auto records = assemble(frames);
        ASSERT_EQ(records.size(), 1u);
        const DecodedRecord& r = records[0];
        EXPECT_NEAR(r.latitude, 60.169840042, 1e-12);
        EXPECT_NEAR(r.height, 45.6785, 1e-9);
        EXPECT_EQ(r.fixType, FixType::RtkFixed);
        EXPECT_DOUBLE_EQ(r.dop, 1.35);
        EXPECT_EQ(r.satellites, 17);
        double x = 0;
        double y = 0;
        geodeticToKKJ(r.latitude, r.longitude, 2, x, y);
        EXPECT_DOUBLE_EQ(r.localX, x);
    }
}

TEST(UbxAssembler, AnEpochNeedsItsNavPvt)
{
    Pvt first;
    Hp other;
    other.iTowMs = first.iTowMs + 1000;
    other.latHp = 50;
    Pvt noFix;
    noFix.iTowMs = first.iTowMs + 2000;
    noFix.flags = 0;
    Hp third;
    third.iTowMs = noFix.iTowMs;
    Pvt last;
    last.iTowMs = first.iTowMs + 3000;
    // The HPPOSLLH of another second does not move the first PVT; one
    // without a PVT, or with a rejected one, is no record.
    const auto records =
        assemble({pvtFrame(first), hpFrame(other), pvtFrame(noFix), hpFrame(third),
                  pvtFrame(last)});
    ASSERT_EQ(records.size(), 2u);
    EXPECT_DOUBLE_EQ(records[0].time, 345600.5);
    EXPECT_DOUBLE_EQ(records[0].latitude, 60.16984);
    EXPECT_DOUBLE_EQ(records[1].time, 345603.5);
}

Bytes solFrame(std::uint32_t iTowMs, std::uint8_t gpsFix, std::uint8_t flags)
{
    Bytes p(52, '\0');
    putLe(p, 0, iTowMs, 4);
    putLe(p, 10, gpsFix, 1);
    putLe(p, 11, flags, 1);
    // 60.1698 N 24.9385 E, 45 m above the ellipsoid, in cm.
    putLe(p, 12, static_cast<std::uint32_t>(288416109), 4);
    putLe(p, 16, static_cast<std::uint32_t>(134113934), 4);
    putLe(p, 20, static_cast<std::uint32_t>(550995091), 4);
    putLe(p, 24, 250, 4);  // pAcc, cm
    putLe(p, 44, 180, 2);  // pDOP
    putLe(p, 47, 9, 1);
    return ubxFrame(0x01, 0x06, p);
}

Bytes posllhFrame(std::uint32_t iTowMs)
{
    Bytes p(28, '\0');
    putLe(p, 0, iTowMs, 4);
    putLe(p, 4, 249384000, 4);
    putLe(p, 8, 601698000, 4);
    putLe(p, 12, 45000, 4);
    putLe(p, 20, 3000, 4);  // hAcc, mm
    putLe(p, 24, 4000, 4);  // vAcc, mm
    return ubxFrame(0x01, 0x02, p);
}

Bytes statusFrame(std::uint32_t iTowMs, std::uint8_t gpsFix, std::uint8_t flags,
                  std::uint32_t msss = 0)
{
    Bytes p(16, '\0');
    putLe(p, 0, iTowMs, 4);
    putLe(p, 4, gpsFix, 1);
    putLe(p, 5, flags, 1);
    putLe(p, 12, msss, 4);
    return ubxFrame(0x01, 0x03, p);
}

TEST(UbxAssembler, OlderReceiversMessagesMakeRecordsOnlyWithoutANavPvt)
{
    Pvt pvt;
    const std::uint32_t t = pvt.iTowMs;
    const auto alone = assemble({pvtFrame(pvt)});
    const auto withOld =
        assemble({solFrame(t, 3, 0x0D), pvtFrame(pvt), posllhFrame(t), statusFrame(t, 3, 1)});
    ASSERT_EQ(alone.size(), 1u);
    ASSERT_EQ(withOld.size(), 1u);
    EXPECT_TRUE(sameRecord(withOld[0], alone[0]));

    const auto records = assemble({
        solFrame(t, 3, 0x0F), posllhFrame(t),            // SOL's status, POSLLH's position
        solFrame(t + 1000, 5, 0x0D),                      // time only: a held position
        statusFrame(t + 2000, 3, 1), posllhFrame(t + 2000),
        posllhFrame(t + 3000),                            // no fix state: no record
        statusFrame(t + 4000, 3, 0), posllhFrame(t + 4000),  // gpsFixOk clear
        solFrame(t + 5000, 0, 0x0C),                      // no fix
    });
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].fixType, FixType::Dgnss);  // diffSoln
    EXPECT_DOUBLE_EQ(records[0].latitude, 60.1698);
    EXPECT_DOUBLE_EQ(records[0].errorEstimate, 2.5);  // pAcc
    EXPECT_DOUBLE_EQ(records[0].dop, 1.8);
    EXPECT_EQ(records[0].satellites, 9);
    EXPECT_EQ(records[1].fixType, FixType::FixedPosition);
    EXPECT_NEAR(records[1].latitude, 60.1698, 1e-6);  // from ECEF in cm
    EXPECT_NEAR(records[1].height, 45.0, 0.02);
    EXPECT_EQ(records[2].fixType, FixType::StandAlone);
    EXPECT_DOUBLE_EQ(records[2].longitude, 24.9384);
    EXPECT_DOUBLE_EQ(records[2].errorEstimate, 5.0);  // sqrt(3^2 + 4^2)
    EXPECT_DOUBLE_EQ(records[2].time, (t + 2000) * 0.001);
}

TEST(UbxFormat, NavStatusUptimeGoingBackMarksARestart)
{
    // Epochs of a NAV-PVT each, with a NAV-STATUS before or after it whose
    // msss (ms since start-up) is given; 0: no NAV-STATUS.
    struct Epoch {
        std::uint32_t msss;
        bool statusFirst;
        bool fixOk;
    };
    struct Row {
        const char* legend;
        std::vector<Epoch> epochs;
        std::vector<std::size_t> restarts;
    };
    const Row rows[] = {
        {"uptime running on", {{5000, false, true}, {6000, false, true}, {7000, true, true}}, {}},
        {"back in the third epoch, status first",
         {{5000, false, true}, {6000, false, true}, {100, true, false}, {1100, true, true}},
         {2}},
        {"back in the third epoch, status after the NAV-PVT",
         {{5000, false, true}, {6000, false, true}, {100, false, false}, {1100, false, true}},
         {2}},
        {"back twice, across epochs without a NAV-STATUS",
         {{5000, false, true}, {100, false, true}, {0, false, true}, {50, true, true}},
         {1, 3}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        Bytes log;
        Pvt pvt;
        const std::uint32_t t0 = pvt.iTowMs;
        for (std::size_t i = 0; i < row.epochs.size(); ++i) {
            const Epoch& e = row.epochs[i];
            pvt.iTowMs = t0 + 1000 * static_cast<std::uint32_t>(i);
            pvt.flags = e.fixOk ? 0x81 : 0x80;
            const Bytes status =
                e.msss == 0 ? Bytes() : statusFrame(pvt.iTowMs, e.fixOk ? 3 : 0, e.fixOk, e.msss);
            log += e.statusFirst ? status + pvtFrame(pvt) : pvtFrame(pvt) + status;
        }
        GNSSLog result(TruthMode::Averaged, 0, 0, 0);
        runPipelineOnBytes(result, bytesOf(log), log.size(), nullptr, DecodeOptions{},
                           ubxFormat(), PipelineOptions{});
        EXPECT_EQ(result.restarts, row.restarts);
        // Epochs without gnssFixOK make no record, so a restart marks the
        // first record after it.
        for (const std::size_t r : result.restarts) {
            ASSERT_LT(r, result.records.size());
        }
    }
}

TEST(UbxFormat, NamesFramesByTheirMessageNames)
{
    const InputFormat& format = ubxFormat();
    const auto typeOf = [&](const Bytes& frame) {
        return std::string(format.frameType(bytesOf(frame), static_cast<std::int32_t>(frame.size())));
    };
    EXPECT_EQ(typeOf(kPvt), "NAV-PVT");
    EXPECT_EQ(typeOf(kHp), "NAV-HPPOSLLH");
    EXPECT_EQ(typeOf(kSmall), "ACK-ACK");
    EXPECT_EQ(typeOf(ubxFrame(0x01, 0x06, "x")), "NAV-SOL");
    EXPECT_EQ(typeOf(ubxFrame(0x01, 0x02, "x")), "NAV-POSLLH");
    EXPECT_EQ(typeOf(ubxFrame(0x01, 0x03, "x")), "NAV-STATUS");
    EXPECT_EQ(typeOf(ubxFrame(0x02, 0x13, "x")), "RXM-SFRBX");
    EXPECT_EQ(typeOf(ubxFrame(0x28, 0x00, "x")), "HNR-PVT") << "the table's last entry";
    EXPECT_EQ(typeOf(ubxFrame(0x01, 0x01, "x")), "NAV-POSECEF") << "the table's first entry";
    // Without a name: class and id in hexadecimal.
    EXPECT_EQ(typeOf(ubxFrame(0x7F, 0xA2, "x")), "UBX-7F-A2");
    EXPECT_EQ(typeOf(ubxFrame(0x01, 0x08, "x")), "UBX-01-08");
    EXPECT_EQ(typeOf(ubxFrame(0x00, 0x00, "")), "UBX-00-00");
    const Bytes rawx = ubxFrame(0x02, 0x15, "x");
    EXPECT_EQ(typeOf(rawx), "RXM-RAWX");
    EXPECT_TRUE(format.wantsFrame(bytesOf(kHp), static_cast<std::int32_t>(kHp.size())));
    EXPECT_FALSE(format.wantsFrame(bytesOf(rawx), static_cast<std::int32_t>(rawx.size())));
}

// Raw measurements are longer than anything the framer publishes; they
// still count in the frames by type, once each, and only when they pass.
TEST(UbxFormat, LongMessagesCountInTheFramesByType)
{
    Pvt pvt;
    pvt.flags = 0x81;
    const Bytes rawx = ubxFrame(0x02, 0x15, Bytes(900, '\x03'));
    const Bytes sfrbx = ubxFrame(0x02, 0x13, Bytes(400, '\x07'));
    const Bytes unnamed = ubxFrame(0x7E, 0x01, Bytes(200, '\x09'));
    const Bytes log = pvtFrame(pvt) + rawx + sfrbx + withBadChecksum(rawx) + Bytes(40, '\0') + kSmall + rawx +
                      unnamed + cutShort(1200) + kSmall;
    GNSSLog result(TruthMode::Averaged, 0, 0, 0);
    runPipelineOnBytes(result, bytesOf(log), log.size(), nullptr, DecodeOptions{}, ubxFormat(),
                       PipelineOptions{});
    const std::map<std::string, std::uint64_t> byType(result.dataQuality.framesByType.begin(),
                                                      result.dataQuality.framesByType.end());
    const std::map<std::string, std::uint64_t> expected = {
        {"NAV-PVT", 1}, {"RXM-RAWX", 2}, {"RXM-SFRBX", 1}, {"ACK-ACK", 2}, {"UBX-7E-01", 1}};
    EXPECT_EQ(byType, expected);
    EXPECT_EQ(result.dataQuality.frames, 7u);
    EXPECT_EQ(result.dataQuality.rejectedChecksum, 1u) << "the RAWX with the bad checksum";
}

TEST(UbxFormat, PipelineGivesOneRecordPerEpoch)
{
    Bytes log = "$GPTXT,01,01,02,hello*00\r\n";
    for (std::uint32_t second = 0; second < 5; ++second) {
        Pvt pvt;
        pvt.iTowMs += 1000 * second;
        pvt.flags = second == 2 ? 0x00 : 0x81;
        Hp hp;
        hp.iTowMs = pvt.iTowMs;
        hp.latHp = static_cast<std::int8_t>(second);
        log += hpFrame(hp) + cutShort(120).substr(0, 6) + pvtFrame(pvt);
    }
    // Bytes for the last cut-short header to fail on.
    log += Bytes(200, '\0');
    GNSSLog result(TruthMode::Averaged, 0, 0, 0);
    runPipelineOnBytes(result, bytesOf(log), log.size(), nullptr, DecodeOptions{}, ubxFormat(),
                       PipelineOptions{});
    ASSERT_EQ(result.records.size(), 4u);
    EXPECT_NEAR(result.records[3].latitude, 60.16984 + 4e-9, 1e-12);
    EXPECT_EQ(result.records[0].fixType, FixType::RtkFixed);
}

TEST(UbxFormat, ChecksumFailuresAreCountedInTheDataQuality)
{
    Pvt pvt;
    pvt.flags = 0x81;
    struct Row {
        const char* legend;
        Bytes log;
        std::uint64_t failures;
    };
    const Bytes longGood = ubxFrame(0x02, 0x15, Bytes(300, '\x01') + withBadChecksum(kSmall));
    const std::vector<Row> rows = {
        {"short failures", pvtFrame(pvt) + withBadChecksum(kSmall) + kSmall + withBadChecksum(kPvt), 2},
        // A message cut short counts once its declared length has passed,
        // with the failure inside it.
        {"cut-short long message", cutShort(1200) + withBadChecksum(kPvt) + Bytes(1300, '\0'), 2},
        // Its length not yet passed at the end: no verdict on either.
        {"cut short at the end", cutShort(1200) + withBadChecksum(kPvt), 0},
        // Inside a long message that passes nothing was a candidate.
        {"inside a good long message", longGood + withBadChecksum(kSmall), 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        UBXSniffer sniffer;
        for (const char c : row.log) {
            sniffer.feedByte(static_cast<std::uint8_t>(c));
        }
        EXPECT_EQ(sniffer.checksumFailures(), row.failures);
        GNSSLog result(TruthMode::Averaged, 0, 0, 0);
        runPipelineOnBytes(result, bytesOf(row.log), row.log.size(), nullptr, DecodeOptions{},
                           ubxFormat(), PipelineOptions{});
        EXPECT_EQ(result.dataQuality.rejectedChecksum, row.failures);
    }
    GNSSLog result(TruthMode::Averaged, 0, 0, 0);
    runPipelineOnBytes(result, bytesOf(rows[0].log), rows[0].log.size(), nullptr, DecodeOptions{},
                       ubxFormat(), PipelineOptions{});
    EXPECT_EQ(result.records.size(), 1u);
    ASSERT_FALSE(result.dataQuality.warnings.empty());
    EXPECT_EQ(result.dataQuality.warnings.back(), "2 frames rejected for a wrong checksum");
}

TEST(UbxFormat, AtTheEndFramesBehindACutOneAreReadAndTheCutOneCounted)
{
    Pvt first;
    first.flags = 0x81;
    Pvt second = first;
    second.iTowMs += 1000;
    struct Row {
        const char* legend;
        Bytes log;
        std::size_t records;
        std::uint64_t truncated;
    };
    const std::vector<Row> rows = {
        // Its declared 127 bytes swallow the NAV-PVT behind it.
        {"cut header before a whole frame", pvtFrame(first) + cutShort(119) + pvtFrame(second), 2, 1},
        {"cut long message before a whole frame", cutShort(1200) + pvtFrame(second), 1, 1},
        {"last frame cut in its payload", pvtFrame(first) + pvtFrame(second).substr(0, 50), 1, 1},
        {"cut after its sync", pvtFrame(first) + "\xB5\x62"s, 1, 1},
        {"a lone first sync byte is no frame", pvtFrame(first) + "\xB5"s, 1, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        GNSSLog result(TruthMode::Averaged, 0, 0, 0);
        runPipelineOnBytes(result, bytesOf(row.log), row.log.size(), nullptr, DecodeOptions{},
                           ubxFormat(), PipelineOptions{});
        EXPECT_EQ(result.records.size(), row.records);
        EXPECT_EQ(result.dataQuality.truncatedFrames, row.truncated);
        EXPECT_EQ(result.dataQuality.rejectedChecksum, 0u);
    }
}

TEST(UbxFormat, TimeRunsOnAcrossTheWeeksEndAndDays)
{
    // iTOW counts the week: the day's end passes without a wrap, the
    // week's end moves the clock on by a week, not back.
    const std::vector<std::uint32_t> times = {86399000, 86400000, 604799000, 0, 1000};
    Bytes log;
    for (const std::uint32_t ms : times) {
        Pvt pvt;
        pvt.iTowMs = ms;
        pvt.flags = 0x81;
        log += pvtFrame(pvt);
    }
    for (const bool worker : {false, true}) {
        PipelineOptions options;
        if (worker) {
            options.workerMinFileSize = 0;
        }
        GNSSLog result(TruthMode::Averaged, 0, 0, 0);
        runPipelineOnBytes(result, bytesOf(log), log.size(), nullptr, DecodeOptions{}, ubxFormat(),
                           options);
        ASSERT_EQ(result.records.size(), times.size());
        EXPECT_DOUBLE_EQ(result.records[1].time, 86400.0);
        EXPECT_DOUBLE_EQ(result.records[3].time, 604800.0);
        EXPECT_DOUBLE_EQ(result.records[4].time, 604801.0);
        EXPECT_EQ(result.dataQuality.dayWraps, 0u);
        EXPECT_EQ(result.dataQuality.backwardSteps, 0u);
    }
}

// Real logs: the same bytes scanned here without the core.

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

// The epochs of a log as the format describes them, from a scan of its
// frames here (checksums summed here; a good frame is skipped whole): the
// NAV messages that carry something (NAV-PVT with gnssFixOK, NAV-HPPOSLLH
// without invalidLlh, NAV-SOL and NAV-STATUS with gpsFixOk and a fix,
// NAV-POSLLH) grouped while their iTOW stays the same. An epoch is a
// record through its NAV-PVT, else through its NAV-SOL, else through its
// NAV-STATUS with a position.
struct ScannedEpoch {
    std::uint32_t iTowMs = 0;
    bool pvt = false;
    std::uint8_t carrier = 0;  // NAV-PVT carrSoln
    bool sol = false;
    bool status = false;
    std::uint8_t gpsFix = 0;   // of NAV-SOL, else NAV-STATUS
    bool hp = false;
    bool posllh = false;
    double lat = 0;            // NAV-POSLLH, 1e-7 deg
    double lon = 0;
    double ecef[3] = {0, 0, 0};  // NAV-SOL, m

    bool isRecord() const { return pvt || sol || (status && (hp || posllh)); }
};

std::uint32_t le32(const std::uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::vector<ScannedEpoch> scanEpochs(const std::vector<std::uint8_t>& bytes)
{
    std::vector<ScannedEpoch> epochs;
    bool open = false;
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i + 6 <= n) {
        if (bytes[i] != 0xB5 || bytes[i + 1] != 0x62) {
            ++i;
            continue;
        }
        const std::size_t payload = bytes[i + 4] | (bytes[i + 5] << 8);
        const std::size_t length = 8 + payload;
        if (i + length > n) {
            break;
        }
        unsigned a = 0;
        unsigned b = 0;
        for (std::size_t k = i + 2; k < i + length - 2; ++k) {
            a = (a + bytes[k]) & 0xFF;
            b = (b + a) & 0xFF;
        }
        if (bytes[i + length - 2] != a || bytes[i + length - 1] != b) {
            ++i;
            continue;
        }
        const std::uint8_t* f = bytes.data() + i;
        const std::uint8_t* p = f + 6;
        i += length;
        if (f[2] != 0x01 || length > 127) {
            continue;
        }
        const std::uint8_t id = f[3];
        std::uint32_t tow = 0;
        bool carries = false;
        if (id == 0x07 && (payload == 92 || payload == 84)) {
            tow = le32(p);
            carries = (p[21] & 1) != 0;
        } else if (id == 0x14 && payload == 36) {
            tow = le32(p + 4);
            carries = (p[3] & 1) == 0;
        } else if (id == 0x06 && payload == 52) {
            tow = le32(p);
            carries = (p[11] & 1) != 0 && p[10] >= 1 && p[10] <= 5 &&
                      (le32(p + 12) | le32(p + 16) | le32(p + 20)) != 0;
        } else if (id == 0x03 && payload == 16) {
            tow = le32(p);
            carries = (p[5] & 1) != 0 && p[4] >= 1 && p[4] <= 5;
        } else if (id == 0x02 && payload == 28) {
            tow = le32(p);
            carries = true;
        }
        if (!carries) {
            continue;
        }
        if (!open || epochs.back().iTowMs != tow) {
            epochs.emplace_back();
            epochs.back().iTowMs = tow;
            open = true;
        }
        ScannedEpoch& e = epochs.back();
        switch (id) {
        case 0x07: e.pvt = true; e.carrier = static_cast<std::uint8_t>(p[21] >> 6); break;
        case 0x14: e.hp = true; break;
        case 0x06:
            e.sol = true;
            e.gpsFix = p[10];
            for (int k = 0; k < 3; ++k) {
                e.ecef[k] = static_cast<std::int32_t>(le32(p + 12 + 4 * k)) * 0.01;
            }
            break;
        case 0x03:
            e.status = true;
            e.gpsFix = e.sol ? e.gpsFix : p[4];
            break;
        case 0x02:
            e.posllh = true;
            e.lon = static_cast<std::int32_t>(le32(p + 4)) * 1e-7;
            e.lat = static_cast<std::int32_t>(le32(p + 8)) * 1e-7;
            break;
        }
    }
    std::erase_if(epochs, [](const ScannedEpoch& e) { return !e.isRecord(); });
    return epochs;
}

// Candidates in file order as the format describes them: a good frame is
// skipped whole, a failed one gives way one byte after its 0xB5; a frame
// cut by the end of the file is no verdict.
// longByClassAndId, where given, gets the good frames too long for the
// framer's buffer by class (high byte) and id.
std::uint64_t checksumFailuresByScan(const std::vector<std::uint8_t>& bytes,
                                     std::map<std::uint16_t, std::uint64_t>* longByClassAndId = nullptr)
{
    std::uint64_t failures = 0;
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i + 6 <= n) {
        if (bytes[i] != 0xB5 || bytes[i + 1] != 0x62) {
            ++i;
            continue;
        }
        const std::size_t length = 8 + (bytes[i + 4] | (bytes[i + 5] << 8));
        if (i + length > n) {
            break;
        }
        unsigned a = 0;
        unsigned b = 0;
        for (std::size_t k = i + 2; k < i + length - 2; ++k) {
            a = (a + bytes[k]) & 0xFF;
            b = (b + a) & 0xFF;
        }
        if (bytes[i + length - 2] == a && bytes[i + length - 1] == b) {
            if (longByClassAndId != nullptr && length > UBXSniffer::kMaxFrameBytes) {
                ++(*longByClassAndId)[static_cast<std::uint16_t>(bytes[i + 2] << 8 | bytes[i + 3])];
            }
            i += length;
        } else {
            ++failures;
            ++i;
        }
    }
    return failures;
}

TEST(UbxRealLogs, ChecksumFailuresAndLongFramesAreThoseOfAScanOfTheWholeFile)
{
    std::vector<fs::path> logs;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(realLogFolder(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".ubx") || name.starts_with("gpsd-ublox") || name.starts_with("pyubx2")) {
            logs.push_back(entry.path());
        }
    }
    if (logs.empty()) {
        GTEST_SKIP() << "no UBX logs in " << realLogFolder();
    }
    std::uint64_t total = 0;
    std::uint64_t longTotal = 0;
    for (const fs::path& path : logs) {
        SCOPED_TRACE(path.filename().string());
        const std::vector<std::uint8_t> bytes = readBytes(path);
        std::map<std::uint16_t, std::uint64_t> longFrames;
        const std::uint64_t expected = checksumFailuresByScan(bytes, &longFrames);
        UBXSniffer byteByByte;
        std::map<std::string, std::uint64_t> published;
        const auto take = [&](const std::uint8_t* frame, std::int32_t length) {
            ++published[std::string(ubxFormat().frameType(frame, length))];
            return true;
        };
        for (const std::uint8_t byte : bytes) {
            if (byteByByte.feedByte(byte) == SnifferStatus::Complete) {
                take(byteByByte.frameStart(), byteByByte.frameLength());
            }
        }
        EXPECT_EQ(byteByByte.checksumFailures(), expected);
        finishFrames(byteByByte, take);
        GNSSLog result(TruthMode::Averaged, 0, 0, 0);
        runPipelineOnBytes(result, bytes.data(), bytes.size(), nullptr, DecodeOptions{}, ubxFormat(),
                           PipelineOptions{});
        EXPECT_EQ(result.dataQuality.rejectedChecksum, expected);
        total += expected;
        // The long frames (raw measurements) the framer passes over are
        // those of the scan, by type; the frame counts hold them beside
        // the published ones. (A short frame can pass inside a long one
        // that the scan skips whole; the framer cannot take back what it
        // published then, so short frames are compared with the framer.)
        std::map<std::string, std::uint64_t> longScanned;
        for (const auto& [classAndId, count] : longFrames) {
            const std::uint8_t head[] = {0xB5, 0x62, static_cast<std::uint8_t>(classAndId >> 8),
                                         static_cast<std::uint8_t>(classAndId & 0xFF)};
            longScanned[std::string(ubxFormat().frameType(head, 4))] += count;
        }
        std::map<std::string, std::uint64_t> longPassed;
        for (const UnpublishedFrames& type : byteByByte.unpublishedFrames()) {
            longPassed[std::string(ubxFormat().frameType(type.head.data(), UnpublishedFrames::kHeadBytes))] +=
                type.count;
        }
        EXPECT_EQ(longPassed, longScanned);
        std::map<std::string, std::uint64_t> everyFrame = published;
        for (const auto& [type, count] : longPassed) {
            everyFrame[type] += count;
        }
        const std::map<std::string, std::uint64_t> counted(result.dataQuality.framesByType.begin(),
                                                           result.dataQuality.framesByType.end());
        EXPECT_EQ(counted, everyFrame);
        longTotal += std::accumulate(longFrames.begin(), longFrames.end(), std::uint64_t{0},
                                     [](std::uint64_t sum, const auto& entry) { return sum + entry.second; });
    }
    // The cut-short raw measurements of the 2019 rover logs.
    EXPECT_GT(total, 0u);
    EXPECT_GT(longTotal, 0u) << "some logs hold raw measurements";
}

bool isUbxLog(const std::string& name)
{
    return name.ends_with(".ubx") || name.starts_with("gpsd-ublox") ||
           name.starts_with("gpsd-u-blox") || name.starts_with("pyubx2") ||
           name.starts_with("pygpsclient-ubx") || name == "gpsd-navisys-gr701w.log";
}

// Every u-blox log, NAV-PVT receivers and older ones alike, against the
// scan: one record per epoch, the fix class its messages give, and an
// older receiver's position where its NAV-POSLLH or NAV-SOL tells it.
TEST(UbxRealLogs, OneRecordPerEpochOfTheScan)
{
    std::vector<fs::path> logs;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(realLogFolder(), error)) {
        if (isUbxLog(entry.path().filename().string())) {
            logs.push_back(entry.path());
        }
    }
    if (logs.empty()) {
        GTEST_SKIP() << "no UBX logs in " << realLogFolder();
    }
    std::size_t total = 0;
    std::size_t older = 0;
    for (const fs::path& path : logs) {
        SCOPED_TRACE(path.filename().string());
        const std::vector<std::uint8_t> bytes = readBytes(path);
        GNSSLog result(TruthMode::Averaged, 0, 0, 0);
        runPipelineOnBytes(result, bytes.data(), bytes.size(), nullptr, DecodeOptions{},
                           ubxFormat(), PipelineOptions{});
        EXPECT_TRUE(result.openError.empty()) << result.openError;
        const std::vector<ScannedEpoch> epochs = scanEpochs(bytes);
        ASSERT_EQ(result.records.size(), epochs.size());
        total += epochs.size();
        for (std::size_t i = 0; i < epochs.size(); ++i) {
            const GNSSRecord& r = result.records[i];
            const ScannedEpoch& e = epochs[i];
            ASSERT_TRUE(allFinite(r));
            ASSERT_TRUE(r.has(ValidFlag::LatLon | ValidFlag::Height | ValidFlag::Grid));
            EXPECT_DOUBLE_EQ(std::fmod(r.time, 604800.0), e.iTowMs * 0.001) << i;
            if (e.pvt) {
                EXPECT_EQ(r.fixType, e.carrier == 2   ? FixType::RtkFixed
                                     : e.carrier == 1 ? FixType::RtkFloat
                                                      : FixType::StandAlone);
                continue;
            }
            ++older;
            // gpsFix 5 (time only) holds a surveyed position; 2-D and 3-D
            // fixes are single or differential, never RTK.
            if (e.gpsFix == 5) {
                EXPECT_EQ(r.fixType, FixType::FixedPosition) << i;
            } else {
                EXPECT_TRUE(r.fixType == FixType::StandAlone || r.fixType == FixType::Dgnss ||
                            r.fixType == FixType::DeadReckoning)
                    << i;
            }
            if (e.posllh && !e.hp) {
                EXPECT_NEAR(r.latitude, e.lat, 1e-12) << i;
                EXPECT_NEAR(r.longitude, e.lon, 1e-12) << i;
            } else if (e.sol && !e.hp) {
                Wgs84Position expected;
                ASSERT_TRUE(ecefToWgs84(e.ecef[0], e.ecef[1], e.ecef[2], expected));
                EXPECT_NEAR(r.latitude, expected.latitude, 1e-9) << i;
                EXPECT_NEAR(r.height, expected.height, 1e-4) << i;
            }
        }
    }
    EXPECT_GT(total, 0u);
    // The gpsd and pyubx2 logs of u-blox 4 to 8 receivers.
    EXPECT_GT(older, 0u);
}

// GGA positions by UTC time of day in hundredths of a second, each with the
// resolution its digits give (degrees, metres).
struct GgaFix {
    double latitude;
    double longitude;
    double height;  // altitude plus geoid separation: above the ellipsoid
    double angleResolution;
    double heightResolution;
};

std::optional<double> number(std::string_view text)
{
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

double resolutionOf(std::string_view text)
{
    const std::size_t dot = text.find('.');
    const std::size_t decimals = dot == std::string_view::npos ? 0 : text.size() - dot - 1;
    return std::pow(10.0, -static_cast<double>(decimals));
}

std::map<long long, GgaFix> ggaFixes(const std::vector<std::uint8_t>& bytes)
{
    std::map<long long, GgaFix> fixes;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    for (std::size_t at = text.find("GGA,"); at != std::string_view::npos;
         at = text.find("GGA,", at + 4)) {
        const std::size_t end = text.find_first_of("*\r\n", at);
        if (end == std::string_view::npos || end - at > 120) {
            continue;
        }
        std::vector<std::string_view> fields;
        std::string_view rest = text.substr(at + 4, end - at - 4);
        for (std::size_t comma; (comma = rest.find(',')) != std::string_view::npos;) {
            fields.push_back(rest.substr(0, comma));
            rest.remove_prefix(comma + 1);
        }
        fields.push_back(rest);
        if (fields.size() < 11 || fields[5] == "0" || fields[1].size() < 4 ||
            fields[3].size() < 5) {
            continue;
        }
        const auto time = number(fields[0]);
        const auto latMinutes = number(fields[1].substr(2));
        const auto latDegrees = number(fields[1].substr(0, 2));
        const auto lonMinutes = number(fields[3].substr(3));
        const auto lonDegrees = number(fields[3].substr(0, 3));
        const auto altitude = number(fields[8]);
        const auto separation = number(fields[10]);
        if (!time || !latMinutes || !latDegrees || !lonMinutes || !lonDegrees || !altitude ||
            !separation) {
            continue;
        }
        const double hhmmss = *time;
        const double seconds = std::floor(hhmmss / 10000) * 3600 +
                               std::floor(std::fmod(hhmmss, 10000) / 100) * 60 +
                               std::fmod(hhmmss, 100);
        GgaFix fix;
        fix.latitude = (*latDegrees + *latMinutes / 60) * (fields[2] == "S" ? -1 : 1);
        fix.longitude = (*lonDegrees + *lonMinutes / 60) * (fields[4] == "W" ? -1 : 1);
        fix.height = *altitude + *separation;
        fix.angleResolution =
            std::max(resolutionOf(fields[1]), resolutionOf(fields[3])) / 60;
        fix.heightResolution = resolutionOf(fields[8]) + resolutionOf(fields[10]);
        fixes[std::llround(seconds * 100)] = fix;
    }
    return fixes;
}

// GPS time ran 18 s ahead of UTC in every one of these logs.
constexpr double kGpsMinusUtcSeconds = 18;
constexpr double kSecondsPerDay = 86400;
// NAV-PVT rounds to 1e-7 degrees and millimetres.
constexpr double kPvtAngleRounding = 1e-7;
constexpr double kPvtHeightRounding = 0.001;

TEST(UbxRealLogs, PositionsAgreeWithTheGgaOfTheSameEpoch)
{
    const fs::path path = realLogFolder() / "rtklibexplorer-gnssimu-gnss_1730.ubx";
    const fs::path rover = realLogFolder() / "jdesbonnet-rover-20190416-1550.ubx";
    if (!fs::exists(path) || !fs::exists(rover)) {
        GTEST_SKIP() << "no UBX logs with GGA in " << realLogFolder();
    }
    for (const fs::path& log : {path, rover}) {
        SCOPED_TRACE(log.filename().string());
        const std::vector<std::uint8_t> bytes = readBytes(log);
        const auto fixes = ggaFixes(bytes);
        GNSSLog result(TruthMode::Averaged, 0, 0, 0);
        runPipelineOnBytes(result, bytes.data(), bytes.size(), nullptr, DecodeOptions{},
                           ubxFormat(), PipelineOptions{});
        std::size_t compared = 0;
        for (const GNSSRecord& r : result.records) {
            const double utc = std::fmod(r.time - kGpsMinusUtcSeconds, kSecondsPerDay);
            const auto fix = fixes.find(std::llround(utc * 100));
            if (fix == fixes.end()) {
                continue;
            }
            ++compared;
            const GgaFix& g = fix->second;
            const double angle = g.angleResolution / 2 + kPvtAngleRounding;
            ASSERT_NEAR(r.latitude, g.latitude, angle) << "at " << utc;
            ASSERT_NEAR(r.longitude, g.longitude, angle) << "at " << utc;
            ASSERT_NEAR(r.height, g.height, g.heightResolution / 2 + kPvtHeightRounding)
                << "at " << utc;
        }
        EXPECT_GT(compared, result.records.size() / 2);
    }
}

}  // namespace
}  // namespace gnsslog

namespace gnsslog {
namespace {

// NAV-PL, laid out by hand from the byte table: version, tmir, validity
// and frame, then iTOW at 12 and the three position levels at 16, 20, 24.
Bytes plFrame(std::uint32_t iTowMs, std::uint8_t valid, std::uint8_t frame, std::uint32_t pl1Mm,
              std::uint32_t pl2Mm, std::uint32_t pl3Mm)
{
    Bytes p(52, '\0');
    p[0] = 1;     // version
    p[1] = 1;     // tmirCoeff
    p[2] = '\xF9';  // tmirExp -7: 1e-7 per epoch
    p[3] = static_cast<char>(valid);
    p[4] = static_cast<char>(frame);
    putLe(p, 12, iTowMs, 4);
    putLe(p, 16, pl1Mm, 4);
    putLe(p, 20, pl2Mm, 4);
    putLe(p, 24, pl3Mm, 4);
    putLe(p, 28, 999999, 4);  // a velocity level, which is not a position's
    return ubxFrame(0x01, 0x62, p);
}

TEST(UbxDecoder, NavPlGivesLevelsOnlyWhenValidAndInAFrame)
{
    struct Row {
        const char* legend;
        std::uint8_t valid;
        std::uint8_t frame;
        FrameVerdict verdict;
        double horizontal;  // m
    };
    const Row rows[] = {
        {"north-east-up: root sum of the two", 1, 1, FrameVerdict::Record, 5.0},
        {"along-across-up: root sum of the two", 1, 2, FrameVerdict::Record, 5.0},
        {"ellipse: the semi-major axis", 1, 3, FrameVerdict::Record, 3.0},
        {"valid but frame 0 (invalid)", 1, 0, FrameVerdict::Rejected, 0},
        {"a frame beyond the table", 1, 4, FrameVerdict::Rejected, 0},
        {"not valid", 0, 1, FrameVerdict::Rejected, 0},
        {"validity other than 1", 2, 1, FrameVerdict::Rejected, 0},
    };
    for (const Row& row : rows) {
        DecodedRecord r;
        ASSERT_EQ(decode(r, plFrame(345600500, row.valid, row.frame, 3000, 4000, 7500)),
                  row.verdict)
            << row.legend;
        if (row.verdict != FrameVerdict::Record) {
            EXPECT_EQ(r.valid, 0) << row.legend;
            continue;
        }
        EXPECT_DOUBLE_EQ(r.time, 345600.5) << row.legend;
        EXPECT_FLOAT_EQ(r.accuracy.protectionHorizontal, static_cast<float>(row.horizontal))
            << row.legend;
        EXPECT_FLOAT_EQ(r.accuracy.protectionVertical, 7.5f) << row.legend;
        EXPECT_EQ(r.validFlags, ValidFlag::ProtectionLevels) << row.legend;
        EXPECT_EQ(r.framePart, FramePart::ProtectionLevels) << row.legend;
    }
    DecodedRecord shortOne;
    EXPECT_EQ(decode(shortOne, ubxFrame(0x01, 0x62, Bytes(51, '\x01'))), FrameVerdict::Unread);
}

TEST(UbxDecoder, AccuracyBecomesOneSigmaPerAxis)
{
    Pvt pvt;
    pvt.hAccMm = 1414;  // horizontal RMS: 1 m per axis
    pvt.vAccMm = 2000;
    DecodedRecord r;
    ASSERT_EQ(decode(r, pvtFrame(pvt)), FrameVerdict::Record);
    EXPECT_TRUE(r.has(ValidFlag::AxisSigmas));
    EXPECT_NEAR(r.accuracy.sigmaNorth, 1.414 / std::sqrt(2.0), 1e-6);
    EXPECT_NEAR(r.accuracy.sigmaEast, 1.414 / std::sqrt(2.0), 1e-6);
    EXPECT_NEAR(r.accuracy.sigmaUp, 2.0, 1e-6);
    Hp hp;
    hp.hAcc = 14142;  // 0.1 mm
    hp.vAcc = 5;
    DecodedRecord h;
    ASSERT_EQ(decode(h, hpFrame(hp)), FrameVerdict::Record);
    EXPECT_NEAR(h.accuracy.sigmaNorth, 1.0, 1e-5);
    EXPECT_NEAR(h.accuracy.sigmaUp, 0.0005, 1e-9);
    DecodedRecord sol;
    ASSERT_EQ(decode(sol, solFrame(1000, 3, 0x01)), FrameVerdict::Record);
    EXPECT_FALSE(sol.has(ValidFlag::AxisSigmas)) << "pAcc is 3-D only";
}

TEST(UbxAssembler, ProtectionLevelsJoinTheirEpochOnly)
{
    Pvt first;
    Pvt second;
    second.iTowMs = first.iTowMs + 1000;
    const auto records =
        assemble({plFrame(first.iTowMs, 1, 3, 2500, 1000, 4000), pvtFrame(first),
                  pvtFrame(second), plFrame(second.iTowMs, 0, 3, 1, 1, 1)});
    ASSERT_EQ(records.size(), 2u);
    EXPECT_TRUE(records[0].has(ValidFlag::ProtectionLevels));
    EXPECT_FLOAT_EQ(records[0].accuracy.protectionHorizontal, 2.5f);
    EXPECT_FLOAT_EQ(records[0].accuracy.protectionVertical, 4.0f);
    EXPECT_TRUE(records[0].has(ValidFlag::AxisSigmas));
    EXPECT_FALSE(records[1].has(ValidFlag::ProtectionLevels)) << "its level is not valid";
    EXPECT_EQ(records[1].accuracy.protectionHorizontal, 0.0f);
}

}  // namespace
}  // namespace gnsslog
