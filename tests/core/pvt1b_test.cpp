// NavCom [PVT1B] decoding: field offsets, unit conversions, rejections.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "log/formats/navcom/Pvt1bDecoder.h"

namespace gnsslog {
namespace {

// A message as the framer hands it over: label, length, header, body and a
// trailer standing in for "]" and the CRC digits, which the decoder never
// reads. Fields are stored little-endian at their offsets.
class Pvt1bBuilder {
public:
    Pvt1bBuilder() : bytes_(kPvt1bMinimumLength + 5, 0)
    {
        std::memcpy(bytes_.data(), "[PVT1B]", 7);
        put(7, 2, static_cast<std::uint32_t>(bytes_.size() - 16));
        status(0x01);
        std::memcpy(bytes_.data() + kPvt1bMinimumLength, "]ABCD", 5);
    }

    Pvt1bBuilder& status(std::uint8_t v) { return put(16, 1, v); }
    Pvt1bBuilder& timeMs(std::uint32_t v) { return put(11, 4, v); }
    Pvt1bBuilder& latitude(std::int32_t v) { return put(17, 4, static_cast<std::uint32_t>(v)); }
    Pvt1bBuilder& longitude(std::int32_t v) { return put(21, 4, static_cast<std::uint32_t>(v)); }
    Pvt1bBuilder& extension(std::uint8_t v) { return put(25, 1, v); }
    Pvt1bBuilder& heightMm(std::int32_t v) { return put(26, 4, static_cast<std::uint32_t>(v)); }
    Pvt1bBuilder& heightFine(std::uint8_t b30, std::uint8_t b31, std::uint8_t b32)
    {
        bytes_[30] = b30;
        bytes_[31] = b31;
        bytes_[32] = b32;
        return *this;
    }
    Pvt1bBuilder& errors(std::uint16_t e1, std::uint16_t e2, std::uint16_t e3)
    {
        return put(33, 2, e1).put(35, 2, e2).put(37, 2, e3);
    }
    Pvt1bBuilder& dops(std::uint8_t d1, std::uint8_t d2, std::uint8_t d3)
    {
        return put(39, 1, d1).put(40, 1, d2).put(41, 1, d3);
    }
    Pvt1bBuilder& satellites(std::uint8_t v) { return put(51, 1, v); }
    Pvt1bBuilder& mode(std::uint8_t v) { return put(52, 1, v); }
    Pvt1bBuilder& correctionAge(std::uint16_t v) { return put(53, 2, v); }
    Pvt1bBuilder& gpsMask(std::uint32_t v) { return put(66, 4, v); }
    Pvt1bBuilder& glonassMask(std::uint32_t v) { return put(74, 4, v); }

    // Decodes a copy sized exactly to the frame, so a read past it trips
    // the address sanitizer.
    GNSSRecord decode(bool toKKJ = false, std::int32_t length = -1) const
    {
        const std::size_t n = length < 0 ? bytes_.size() : static_cast<std::size_t>(length);
        std::vector<std::uint8_t> frame(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(n));
        GNSSRecord record;
        decodePVT1B(record, frame.data(), static_cast<std::int32_t>(n), toKKJ);
        return record;
    }

private:
    Pvt1bBuilder& put(std::size_t off, std::size_t size, std::uint32_t v)
    {
        for (std::size_t i = 0; i < size; ++i) {
            bytes_[off + i] = static_cast<std::uint8_t>(v >> (8 * i));
        }
        return *this;
    }

    std::vector<std::uint8_t> bytes_;
};

// Raw units of 2^-11 arc second per degree.
constexpr std::int32_t kUnitsPerDegree = 3600 * 2048;

void expectUntouched(const GNSSRecord& r, const char* legend)
{
    EXPECT_EQ(r.valid, 0) << legend;
    EXPECT_EQ(r.fixType, 0) << legend;
    EXPECT_EQ(r.validFlags, 0u) << legend;
    EXPECT_EQ(r.time, 0.0) << legend;
    EXPECT_EQ(r.latitude, 0.0) << legend;
    EXPECT_EQ(r.height, 0.0) << legend;
    EXPECT_EQ(r.dop, 0.0) << legend;
    EXPECT_EQ(r.errorEstimate, 0.0) << legend;
    EXPECT_EQ(r.satellites, 0) << legend;
    EXPECT_EQ(r.gpsSatellites, 0) << legend;
}

TEST(Pvt1bDecoder, StatusBitZeroClearRejectsAndDecodesNothing)
{
    Pvt1bBuilder frame;
    frame.timeMs(1000).latitude(kUnitsPerDegree).heightMm(5).dops(1, 1, 1).satellites(9).mode(0x70).gpsMask(3);
    expectUntouched(frame.status(0x00).decode(), "status 0x00");
    expectUntouched(frame.status(0xFE).decode(), "status 0xFE: only bit 0 counts");
    EXPECT_EQ(frame.status(0x01).decode().valid, 1);
}

TEST(Pvt1bDecoder, FramesTooShortForTheLastFieldAreRejected)
{
    Pvt1bBuilder frame;
    frame.mode(0x70).latitude(kUnitsPerDegree);
    for (std::int32_t length = 0; length < kPvt1bMinimumLength; ++length) {
        expectUntouched(frame.decode(false, length), "short frame");
    }
    const GNSSRecord exact = frame.decode(false, kPvt1bMinimumLength);
    EXPECT_EQ(exact.valid, 1);
    EXPECT_EQ(exact.fixType, FixType::RtkFixed);

    GNSSRecord record;
    decodePVT1B(record, nullptr, 100, false);
    expectUntouched(record, "null frame");
    const std::vector<std::uint8_t> bytes(100, 0xFF);
    decodePVT1B(record, bytes.data(), -5, false);
    expectUntouched(record, "negative length");
}

TEST(Pvt1bDecoder, LatitudeAndLongitudeWithExtensionNibbles)
{
    // Expected values: raw / 2048 / 3600 degrees, worked by hand.
    Pvt1bBuilder frame;
    frame.latitude(60 * kUnitsPerDegree).longitude(24 * kUnitsPerDegree);
    GNSSRecord r = frame.extension(0x00).decode();
    EXPECT_EQ(r.latitude, 60.0);  // exact: 442368000 units
    EXPECT_EQ(r.longitude, 24.0);

    // High nibble 8: half a unit more latitude; low nibble 15: 15/16 unit more longitude.
    r = frame.extension(0x8F).decode();
    EXPECT_NEAR(r.latitude, 60.0 + 0.5 / 2048.0 / 3600.0, 1e-14);
    EXPECT_NEAR(r.longitude, 24.0 + 0.9375 / 2048.0 / 3600.0, 1e-14);
    EXPECT_GT(r.latitude, 60.0);
    EXPECT_GT(r.longitude, 24.0);

    // Southern and western values: the extension is still added.
    r = frame.latitude(-60 * kUnitsPerDegree).longitude(-1).extension(0x80).decode();
    EXPECT_NEAR(r.latitude, -60.0 + 0.5 / 2048.0 / 3600.0, 1e-14);
    EXPECT_NEAR(r.longitude, -1.0 / 2048.0 / 3600.0, 1e-18);

    // Extreme raw values are ordinary numbers.
    r = frame.latitude(INT32_MIN).longitude(INT32_MAX).extension(0xFF).decode();
    EXPECT_NEAR(r.latitude, -2147483648.0 / 2048.0 / 3600.0 + 15.0 / 16 / 2048.0 / 3600.0, 1e-9);
    EXPECT_NEAR(r.longitude, (2147483647.0 + 15.0 / 16) / 2048.0 / 3600.0, 1e-9);
}

TEST(Pvt1bDecoder, HeightIsMillimetresPlusSignedFineCorrection)
{
    Pvt1bBuilder frame;
    frame.heightMm(12345);
    EXPECT_DOUBLE_EQ(frame.heightFine(0xFF, 0xFF, 0xFF).decode().height, 12.345 - 0.0009765625);
    EXPECT_DOUBLE_EQ(frame.heightFine(0x00, 0x00, 0x80).decode().height, 12.345 - 8192.0);
    EXPECT_DOUBLE_EQ(frame.heightFine(0xFF, 0xFF, 0x7F).decode().height, 12.345 + 8388607.0 / 1024);
    EXPECT_DOUBLE_EQ(frame.heightFine(0x00, 0x04, 0x00).decode().height, 12.345 + 1.0);  // 1024 units
    EXPECT_DOUBLE_EQ(frame.heightMm(-5000).heightFine(0, 0, 0).decode().height, -5.0);
}

TEST(Pvt1bDecoder, DopErrorEstimateAndCorrectionAge)
{
    Pvt1bBuilder frame;
    GNSSRecord r = frame.dops(10, 20, 20).errors(1024, 1024, 1024).correctionAge(65535).decode();
    EXPECT_NEAR(r.dop, 3.0, 1e-12);  // sqrt(2.0^2 + 1.0^2 + 2.0^2)
    EXPECT_NEAR(r.errorEstimate, 1.68, 1e-12);
    EXPECT_EQ(r.correctionAge, 65535.0);

    // Each component on its own, so a swapped offset shows.
    EXPECT_NEAR(frame.dops(30, 0, 0).decode().dop, 3.0, 1e-12);
    EXPECT_NEAR(frame.dops(0, 0, 40).decode().dop, 4.0, 1e-12);
    EXPECT_NEAR(frame.errors(2048, 0, 0).decode().errorEstimate, 1.12, 1e-12);
    EXPECT_NEAR(frame.errors(0, 0, 512).decode().errorEstimate, 0.28, 1e-12);
    // The largest components do not overflow their sum; the sum is not truncated to metres.
    EXPECT_NEAR(frame.errors(65535, 65535, 65535).decode().errorEstimate, 3 * 65535 / 1024.0 * 0.56, 1e-9);
    EXPECT_NEAR(frame.errors(1, 0, 0).decode().errorEstimate, 0.56 / 1024, 1e-15);
    EXPECT_EQ(frame.correctionAge(0x0102).decode().correctionAge, 258.0);
}

TEST(Pvt1bDecoder, TimeAndSatelliteCounts)
{
    Pvt1bBuilder frame;
    GNSSRecord r = frame.timeMs(45319123).satellites(200).gpsMask(0xFFFFFFFF).glonassMask(0x80000001).decode();
    EXPECT_NEAR(r.time, 45319.123, 1e-9);
    EXPECT_EQ(r.satellites, 200);
    EXPECT_EQ(r.gpsSatellites, 32);
    EXPECT_EQ(r.glonassSatellites, 2);
    r = frame.timeMs(0xFFFFFFFF).gpsMask(0).glonassMask(0x00F0F000).decode();
    EXPECT_NEAR(r.time, 4294967.295, 1e-6);  // unsigned: no negative times
    EXPECT_EQ(r.gpsSatellites, 0);
    EXPECT_EQ(r.glonassSatellites, 8);
}

TEST(Pvt1bDecoder, SolutionModeNibbleGivesFixType)
{
    const std::uint8_t expected[16] = {1, 1, 1, 5, 255, 5, 5, 4, 0, 0, 0, 0, 0, 0, 0, 0};
    Pvt1bBuilder frame;
    for (unsigned nibble = 0; nibble < 16; ++nibble) {
        for (unsigned low : {0x0u, 0xFu}) {  // the low nibble is not read
            const GNSSRecord r = frame.mode(static_cast<std::uint8_t>(nibble << 4 | low)).decode();
            EXPECT_EQ(r.fixType, expected[nibble]) << "mode byte " << (nibble << 4 | low);
            EXPECT_EQ(r.valid, 1);  // a mode without position is still a valid record here
        }
    }
}

TEST(Pvt1bDecoder, GridConversionOnlyWhenAsked)
{
    Pvt1bBuilder frame;
    frame.latitude(60 * kUnitsPerDegree).longitude(24 * kUnitsPerDegree);
    const GNSSRecord plain = frame.decode(false);
    EXPECT_EQ(plain.validFlags, 0x3Du);
    EXPECT_EQ(plain.localX, 0.0);
    EXPECT_EQ(plain.localY, 0.0);

    // Reference: the KKJ zone 2 grid point of 60 N 24 E; tolerance 1 mm.
    const GNSSRecord grid = frame.decode(true);
    EXPECT_EQ(grid.validFlags, 0x3Fu);
    EXPECT_NEAR(grid.localX, 6654212.726, 0.001);
    EXPECT_NEAR(grid.localY, 2500177.274, 0.001);
}

TEST(Pvt1bDecoder, AnyBodyBytesDecodeToFiniteValues)
{
    std::mt19937 random(7u);
    std::vector<std::uint8_t> frame(kPvt1bMinimumLength);
    for (int round = 0; round < 2000; ++round) {
        for (std::uint8_t& b : frame) {
            b = static_cast<std::uint8_t>(random());
        }
        frame[16] |= 0x01;
        GNSSRecord r;
        decodePVT1B(r, frame.data(), static_cast<std::int32_t>(frame.size()), false);
        ASSERT_EQ(r.valid, 1);
        ASSERT_TRUE(std::isfinite(r.latitude) && std::isfinite(r.longitude) && std::isfinite(r.height));
        ASSERT_LE(r.gpsSatellites, 32);
        ASSERT_LE(r.glonassSatellites, 32);
    }
}

TEST(BitOperations, CountBitsCountsEveryPosition)
{
    EXPECT_EQ(countBits(0u), 0u);
    EXPECT_EQ(countBits(0xFFFFFFFFu), 32u);
    EXPECT_EQ(countBits(0x80000000u), 1u);
    EXPECT_EQ(countBits(0x00000001u), 1u);
    EXPECT_EQ(countBits(0xAAAAAAAAu), 16u);
    std::mt19937 random(11u);
    for (int i = 0; i < 1000; ++i) {
        const std::uint32_t v = random();
        std::uint32_t plain = 0;
        for (int bit = 0; bit < 32; ++bit) {
            plain += (v >> bit) & 1u;
        }
        ASSERT_EQ(countBits(v), plain) << v;
    }
}

TEST(BitOperations, SignExtend24UsesBit23AndIgnoresTheTopByte)
{
    EXPECT_EQ(signExtend24(0x000000u), 0);
    EXPECT_EQ(signExtend24(0x7FFFFFu), 8388607);
    EXPECT_EQ(signExtend24(0x800000u), -8388608);
    EXPECT_EQ(signExtend24(0xFFFFFFu), -1);
    EXPECT_EQ(signExtend24(0xAB000001u), 1);
    EXPECT_EQ(signExtend24(0x12FFFFFEu), -2);
}


// The order of the floating-point steps is fixed, and the inputs below are
// ones where another order gives a different last bit; each check also
// shows that the other order really differs, so it cannot pass by chance.
TEST(Pvt1bArithmeticOrder, DopSumsTheThirdComponentFirst)
{
    const double d1 = 1 * 0.1, d2 = 1 * 0.1, d3 = 15 * 0.1;
    const double expected = std::sqrt(d3 * d3 + d1 * d1 + d2 * d2);
    ASSERT_NE(expected, std::sqrt(d1 * d1 + d2 * d2 + d3 * d3));
    EXPECT_EQ(Pvt1bBuilder().dops(1, 1, 15).decode().dop, expected);
}

TEST(Pvt1bArithmeticOrder, LatitudeScalesUnitsThenArcSeconds)
{
    const std::int32_t raw = 442368004;
    const double expected = ((raw + 5 * 0.0625) * 0.00048828125) * (1.0 / 3600);
    ASSERT_NE(expected, (raw + 5 * 0.0625) / (2048.0 * 3600));
    const GNSSRecord r = Pvt1bBuilder().latitude(raw).longitude(raw).extension(0x55).decode();
    EXPECT_EQ(r.latitude, expected);
    EXPECT_EQ(r.longitude, expected);
}

TEST(Pvt1bArithmeticOrder, HeightIsMillimetresTimesAThousandthPlusFineUnits)
{
    // Fine correction -354 units: bytes 9E FE FF.
    const double expected = 12354 * 0.001 + -354 * 0.0009765625;
    ASSERT_NE(expected, 12354 / 1000.0 + -354 / 1024.0);
    EXPECT_EQ(Pvt1bBuilder().heightMm(12354).heightFine(0x9E, 0xFE, 0xFF).decode().height, expected);
}

}  // namespace
}  // namespace gnsslog
