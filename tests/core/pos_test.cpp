// RTKLIB-style solution files (.pos): the line framer and the layout it
// reads from the column line, the decoder on each position and time style,
// whole generated logs through the pipeline (bad lines counted, the week's
// end), ECEF to WGS84, and the real files read in place, one of them
// against the UBX log it was computed from.
#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "common/FormatNumber.h"
#include "geodesy/Ecef.h"
#include "log/formats/Formats.h"
#include "log/Pipeline.h"
#include "log/formats/pos/PosDecoder.h"
#include "log/formats/pos/PosFramer.h"
#include "tests/support/Comparisons.h"
#include "tests/support/FrameShapes.h"

namespace gnsslog {
namespace {

namespace fs = std::filesystem;
using testing::allFinite;
using testing::clearGroupsReadZero;

const std::uint8_t* bytesOf(const std::string& text)
{
    return reinterpret_cast<const std::uint8_t*>(text.data());
}

struct Line {
    PosLineKind kind;
    std::string text;
    bool operator==(const Line&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Line& line)
{
    return out << static_cast<char>(line.kind) << ":" << line.text;
}

std::vector<Line> linesOf(const std::string& log)
{
    std::vector<Line> lines;
    for (const testing::Frame& frame :
         testing::framesByteByByte<PosSniffer>(bytesOf(log), log.size())) {
        lines.push_back({static_cast<PosLineKind>(frame.bytes[0]), frame.bytes.substr(kPosPrefixBytes)});
    }
    return lines;
}

constexpr auto H = PosLineKind::Header;
constexpr auto S = PosLineKind::Solution;
constexpr auto L = PosLineKind::Overlong;

TEST(PosFramer, OneFramePerNonBlankLine)
{
    const std::string overlong(2000, '7');
    struct Row {
        const char* name;
        std::string log;
        std::vector<Line> lines;
    };
    const std::vector<Row> rows = {
        {"line feeds end lines", "a b\nc d\n", {{S, "a b"}, {S, "c d"}}},
        {"carriage returns and trailing blanks go", "a b \r\n", {{S, "a b"}}},
        {"blank lines give nothing", "\n  \r\n\t\nx\n", {{S, "x"}}},
        {"header lines", "% program\n%\nx\n", {{H, "% program"}, {H, "%"}, {S, "x"}}},
        {"the last line needs its line feed", "x\ny", {{S, "x"}}},
        {"a line longer than the buffer is one overlong frame",
         "x\n" + overlong + "\ny\n",
         {{S, "x"}, {L, overlong.substr(0, PosSniffer::kMaxLineBytes)}, {S, "y"}}},
        {"binary bytes stay in their line", std::string("a\0b\xff\n", 5), {{S, std::string("a\0b\xff", 4)}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(linesOf(row.log), row.lines);
    }
}

TEST(PosFramer, BlockPathGivesTheFramesOfByteByByteFeeding)
{
    std::mt19937 random(13);
    std::string log = "%  GPST  x-ecef(m) y-ecef(m) z-ecef(m) Q ns\n";
    const char alphabet[] = "0123456789 ./:%-\r\n\n\n";
    for (int i = 0; i < 20000; ++i) {
        log += alphabet[random() % (sizeof alphabet - 1)];
    }
    log += std::string(3000, 'z') + "\n1\n";
    const auto single = testing::framesByteByByte<PosSniffer>(bytesOf(log), log.size());
    ASSERT_GT(single.size(), 100u);
    for (const std::vector<std::size_t>& chunks :
         std::vector<std::vector<std::size_t>>{{}, {1}, {7, 1, 300}, {1023, 1024, 1025}}) {
        EXPECT_EQ(testing::framesByBlocks<PosSniffer>(bytesOf(log), log.size(), chunks), single);
    }
}

TEST(PosFramer, ColumnLineDecidesTheLayoutOfTheLinesAfterIt)
{
    PosSniffer sniffer;
    const std::string log =
        "1 2\n"
        "%  GPST  e-baseline(m) n-baseline(m) u-baseline(m) Q ns sde(m) sdn(m) sdu(m)\n"
        "3 4\n"
        "% (lat/lon/height=WGS84/ellipsoidal,Q=1:fix)\n"
        "5 6\n";
    std::vector<PosStyle> styles;
    for (std::size_t i = 0; i < log.size(); ++i) {
        if (sniffer.feedByte(static_cast<std::uint8_t>(log[i])) == SnifferStatus::Complete) {
            styles.push_back(readPosPrefix(sniffer.frameStart()).style);
        }
    }
    // A header line that names no columns leaves the layout alone.
    EXPECT_EQ(styles, (std::vector<PosStyle>{PosStyle::Degrees, PosStyle::Baseline, PosStyle::Baseline,
                                             PosStyle::Baseline, PosStyle::Baseline}));
}

struct ColumnRow {
    const char* line = "";
    bool names = false;
    PosStyle style = PosStyle::Degrees;
    std::array<int, 3> axis = {};
    int quality = 0;
    int satellites = 0;
    std::array<int, 3> sigma = {};
    int age = 0;
};

constexpr int M = PosLayout::kMissing;

TEST(PosColumnLine, NamesTheColumnsOfEachStyle)
{
    const std::vector<ColumnRow> rows = {
        {"  GPST                  latitude(deg) longitude(deg)  height(m)   Q  ns   sdn(m)   sde(m)   "
         "sdu(m)  sdne(m)  sdeu(m)  sdun(m) age(s)  ratio",
         true, PosStyle::Degrees, {2, 3, 4}, 5, 6, {7, 8, 9}, 13},
        {"  UTC  latitude(d'\")   longitude(d'\")  height(m)   Q  ns   sdn(m)   sde(m)   sdu(m)  sdne(m)  "
         "sdeu(m)  sdun(m) age(s)  ratio",
         true, PosStyle::DegreesMinutes, {2, 5, 8}, 9, 10, {11, 12, 13}, 17},
        {"  GPST  x-ecef(m)      y-ecef(m)      z-ecef(m)   Q  ns   sdx(m)   sdy(m)   sdz(m)  sdxy(m)  "
         "sdyz(m)  sdzx(m) age(s)  ratio",
         true, PosStyle::Ecef, {2, 3, 4}, 5, 6, {7, 8, 9}, 13},
        {"  GPST  e-baseline(m)  n-baseline(m)  u-baseline(m)   Q  ns   sde(m)   sdn(m)   sdu(m)  sden(m)  "
         "sdnu(m)  sdue(m) age(s)  ratio",
         true, PosStyle::Baseline, {2, 3, 4}, 5, 6, {7, 8, 9}, 13},
        // Another writer's order, no sd columns, no age.
        {" JST Q height(m) longitude(deg) latitude(deg) ns", true, PosStyle::Degrees, {5, 4, 3}, 2, 6,
         {M, M, M}, M},
        // Two of three sigmas are no estimate.
        {" GPST latitude(deg) longitude(deg) height(m) Q sdn(m) sde(m)", true, PosStyle::Degrees,
         {2, 3, 4}, 5, M, {M, M, M}, M},
        {" (lat/lon/height=WGS84/ellipsoidal,Q=1:fix,2:float)", false},
        {" program   : RTKLIB ver.2.4.3", false},
        {" GPST latitude(deg) longitude(deg) Q ns", false},
        {" GPST latitude(deg) longitude(deg) height(m) ns", false},
        {" GPST latitude(deg) y-ecef(m) height(m) Q", false},
        {"", false},
    };
    for (const ColumnRow& row : rows) {
        SCOPED_TRACE(row.line);
        PosLayout layout;
        layout.age = 99;
        ASSERT_EQ(parsePosColumnLine(row.line, layout), row.names);
        if (!row.names) {
            EXPECT_EQ(layout.age, 99);  // untouched
            continue;
        }
        EXPECT_EQ(layout.style, row.style);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(layout.axis[i], row.axis[i]) << i;
            EXPECT_EQ(layout.sigma[i], row.sigma[i]) << i;
        }
        EXPECT_EQ(layout.quality, row.quality);
        EXPECT_EQ(layout.satellites, row.satellites);
        EXPECT_EQ(layout.age, row.age);
    }
}

// The frame the framer makes of line under the header's column line.
std::string frameOf(const std::string& header, const std::string& line)
{
    const std::string log = header + "\n" + line + "\n";
    const auto frames = testing::framesByteByByte<PosSniffer>(bytesOf(log), log.size());
    return frames.empty() ? std::string() : frames.back().bytes;
}

FrameVerdict decode(DecodedRecord& record, const std::string& header, const std::string& line,
                    bool toKKJ = false)
{
    const std::string frame = frameOf(header, line);
    return decodePosFrame(record, bytesOf(frame), static_cast<std::int32_t>(frame.size()), toKKJ);
}

const std::string kDegrees =
    "%  GPST  latitude(deg) longitude(deg)  height(m)   Q  ns   sdn(m)   sde(m)   sdu(m)  sdne(m)  "
    "sdeu(m)  sdun(m) age(s)  ratio";

TEST(PosDecoder, ReadsADegreesLineWithEveryField)
{
    DecodedRecord r;
    ASSERT_EQ(decode(r, kDegrees,
                     "2020/12/24 21:28:42.500   40.097025378 -105.147247371  1578.8456   2  11   "
                     "0.3000   0.4000   1.2000  -0.4639   0.9795  -1.1219   1.50    0.0"),
              FrameVerdict::Record);
    EXPECT_DOUBLE_EQ(r.time, 21 * 3600 + 28 * 60 + 42.5);
    EXPECT_DOUBLE_EQ(r.latitude, 40.097025378);
    EXPECT_DOUBLE_EQ(r.longitude, -105.147247371);
    EXPECT_DOUBLE_EQ(r.height, 1578.8456);
    EXPECT_EQ(r.fixType, FixType::RtkFloat);
    EXPECT_EQ(r.satellites, 11);
    EXPECT_DOUBLE_EQ(r.errorEstimate, 1.3);
    EXPECT_FLOAT_EQ(r.accuracy.sigmaNorth, 0.3f);
    EXPECT_FLOAT_EQ(r.accuracy.sigmaEast, 0.4f);
    EXPECT_FLOAT_EQ(r.accuracy.sigmaUp, 1.2f);
    EXPECT_DOUBLE_EQ(r.correctionAge, 1.5);
    EXPECT_EQ(r.validFlags, ValidFlag::LatLon | ValidFlag::Height | ValidFlag::ErrorEstimate |
                                ValidFlag::CorrectionAge | ValidFlag::AxisSigmas);
    EXPECT_EQ(r.valid, 1);
    EXPECT_TRUE(clearGroupsReadZero(r));

    DecodedRecord grid;
    ASSERT_EQ(decode(grid, kDegrees,
                     "2020/12/24 21:28:42.500   40.097025378 -105.147247371  1578.8456   2  11   "
                     "0.3000   0.4000   1.2000  -0.4639   0.9795  -1.1219   1.50    0.0",
                     true),
              FrameVerdict::Record);
    EXPECT_TRUE(grid.has(ValidFlag::Grid));
    EXPECT_TRUE(testing::sameApartFromGrid(r, grid));
}

// Every spelling of a number reads as from_chars reads it: short plain
// decimals, long ones, exponents, signs and leading zeros.
TEST(PosDecoder, NumbersReadAsFromCharsReadsThem)
{
    std::mt19937_64 random(2026);
    std::vector<std::string> texts = {"0", "-0", "0.0", ".5", "5.", "-.5", "+12.25", "007.500",
                                      "1e3", "-2.5E-3", "123456789012345", "1234567890123456",
                                      "0.000000000000000000001", "9007199254740993",
                                      "40.0966916", "-105.147166500000000001"};
    for (int i = 0; i < 3000; ++i) {
        std::string text = random() % 4 == 0 ? "-" : "";
        const int whole = static_cast<int>(random() % 6);
        const int fraction = static_cast<int>(random() % 19);
        for (int k = 0; k < whole; ++k) {
            text += static_cast<char>('0' + random() % 10);
        }
        text += '.';
        for (int k = 0; k < fraction; ++k) {
            text += static_cast<char>('0' + random() % 10);
        }
        if (whole + fraction > 0) {
            texts.push_back(text);
        }
    }
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        double expected = 0;
        const std::string unsigned_ = text[0] == '+' ? text.substr(1) : text;
        const auto result = std::from_chars(unsigned_.data(), unsigned_.data() + unsigned_.size(), expected);
        ASSERT_EQ(result.ptr, unsigned_.data() + unsigned_.size());
        DecodedRecord r;
        // As the height, which has no range of its own.
        ASSERT_EQ(decode(r, kDegrees, "2137 100 60.1 24.9 " + text + " 1 9"), FrameVerdict::Record);
        EXPECT_TRUE(testing::sameBits(r.height, expected)) << r.height << " " << expected;
    }
}

TEST(PosDecoder, QualityGivesTheFixType)
{
    const std::vector<std::pair<std::string, std::uint8_t>> rows = {
        {"1", FixType::RtkFixed},   {"2", FixType::RtkFloat},   {"1.0000000", FixType::RtkFixed},
        {"2.0000000", FixType::RtkFloat}, {"3", FixType::StandAlone}, {"5", FixType::StandAlone},
        {"6", FixType::StandAlone}, {"0", FixType::StandAlone}, {"1.5", FixType::StandAlone},
    };
    for (const auto& [quality, fixType] : rows) {
        SCOPED_TRACE(quality);
        DecodedRecord r;
        ASSERT_EQ(decode(r, kDegrees, "2137 422922.000 60.1 24.9 10.0 " + quality + " 9"),
                  FrameVerdict::Record);
        EXPECT_EQ(r.fixType, fixType);
    }
}

TEST(PosDecoder, TimeStyles)
{
    const std::vector<std::pair<std::string, double>> rows = {
        {"2025/08/28 17:30:39.749", 17 * 3600 + 30 * 60 + 39.749},
        {"2025/08/28 00:00:00", 0.0},
        {"2016/12/31 23:59:60.500", 86400.5},  // leap second
        {"2270 194670.200", 194670.2},
        {"2137 0", 0.0},
    };
    for (const auto& [time, seconds] : rows) {
        SCOPED_TRACE(time);
        DecodedRecord r;
        ASSERT_EQ(decode(r, kDegrees, time + " 60.1 24.9 10.0 1 9"), FrameVerdict::Record);
        EXPECT_NEAR(r.time, seconds, 1e-9);
    }
}

TEST(PosDecoder, LinesThatDoNotReadAreRejected)
{
    const std::vector<std::string> lines = {
        "2025/08/28",                                      // no clock
        "2025/13/28 17:30:39 60.1 24.9 10.0 1 9",          // month 13
        "2025/08/28 24:00:00 60.1 24.9 10.0 1 9",          // hour 24
        "2025/08/28 17:61:00 60.1 24.9 10.0 1 9",          // minute 61
        "2025/08/28 17:30:61 60.1 24.9 10.0 1 9",          // second 61
        "2025/08/28 17.30.39 60.1 24.9 10.0 1 9",          // not a clock
        "2137 -1 60.1 24.9 10.0 1 9",                      // negative seconds of week
        "2137 604900 60.1 24.9 10.0 1 9",                  // beyond the week
        "-5 100 60.1 24.9 10.0 1 9",                       // negative week
        "2137 100 60.1x 24.9 10.0 1 9",                    // trailing garbage
        "2137 100 nan 24.9 10.0 1 9",                      // not finite
        "2137 100 1e999 24.9 10.0 1 9",                    // overflows
        "2137 100 91.0 24.9 10.0 1 9",                     // latitude beyond the pole
        "2137 100 60.1 24.9 10.0 1",                       // no ns
        "2137 100 60.1 24.9 10.0 one 9",                   // Q no number
        "2137 100 60.1 24.9 10.0 1 -3",                    // negative satellites
        "2137 100 60.1 24.9",                              // no height
        "garbage",
    };
    for (const std::string& line : lines) {
        SCOPED_TRACE(line);
        DecodedRecord r;
        EXPECT_EQ(decode(r, kDegrees, line), FrameVerdict::Rejected);
        EXPECT_TRUE(testing::sameRecord(r, DecodedRecord{}));
    }
    DecodedRecord header;
    EXPECT_EQ(decode(header, kDegrees, "% a header"), FrameVerdict::Unread);
}

TEST(PosDecoder, MissingOrBadOptionalColumnsLeaveTheirGroupsClear)
{
    DecodedRecord r;
    // The layout has sd and age columns; this line stops after ns.
    ASSERT_EQ(decode(r, kDegrees, "2137 100 60.1 24.9 10.0 1 9"), FrameVerdict::Record);
    EXPECT_EQ(r.validFlags, ValidFlag::LatLon | ValidFlag::Height);
    // A bad sigma spoils the estimate, not the record.
    ASSERT_EQ(decode(r, kDegrees, "2137 100 60.1 24.9 10.0 1 9 0.1 x 0.2 0 0 0 3.0"),
              FrameVerdict::Record);
    EXPECT_EQ(r.validFlags, ValidFlag::LatLon | ValidFlag::Height | ValidFlag::CorrectionAge);
    EXPECT_DOUBLE_EQ(r.correctionAge, 3.0);

    // No sd columns in the header at all; no ns either.
    DecodedRecord bare;
    ASSERT_EQ(decode(bare, "% GPST latitude(deg) longitude(deg) height(m) Q age(s)",
                     "2137 100 60.1 24.9 10.0 2 -1.00"),
              FrameVerdict::Record);
    EXPECT_EQ(bare.validFlags, ValidFlag::LatLon | ValidFlag::Height | ValidFlag::CorrectionAge);
    EXPECT_EQ(bare.satellites, 0);
    EXPECT_DOUBLE_EQ(bare.correctionAge, -1.0);
    EXPECT_EQ(bare.fixType, FixType::RtkFloat);
}

TEST(PosDecoder, DegreesMinutesSecondsCarryTheSignOfTheDegrees)
{
    const std::string header =
        "%  GPST  latitude(d'\")   longitude(d'\")  height(m)   Q  ns   sdn(m)   sde(m)   sdu(m)";
    DecodedRecord r;
    ASSERT_EQ(decode(r, header, "2137 100  60 10 12.6000  -0 30 36.0000  25.5  1 12 0.3 0.4 0"),
              FrameVerdict::Record);
    EXPECT_NEAR(r.latitude, 60 + 10 / 60.0 + 12.6 / 3600.0, 1e-12);
    EXPECT_NEAR(r.longitude, -(30 / 60.0 + 36 / 3600.0), 1e-12);
    EXPECT_DOUBLE_EQ(r.height, 25.5);
    EXPECT_DOUBLE_EQ(r.errorEstimate, 0.5);
    EXPECT_EQ(decode(r, header, "2137 100  60 61 12.6  24 30 36  25.5  1 12"), FrameVerdict::Rejected);
    EXPECT_EQ(decode(r, header, "2137 100  60 10 12.6  24 30  25.5  1 12"), FrameVerdict::Rejected);
}

// WGS84 geodetic to ECEF, the textbook formula, for the other direction.
void toEcef(double latitude, double longitude, double height, double xyz[3])
{
    constexpr double a = 6378137.0;
    constexpr double f = 1 / 298.257223563;
    constexpr double e2 = f * (2 - f);
    const double phi = latitude * std::numbers::pi / 180;
    const double lambda = longitude * std::numbers::pi / 180;
    const double n = a / std::sqrt(1 - e2 * std::sin(phi) * std::sin(phi));
    xyz[0] = (n + height) * std::cos(phi) * std::cos(lambda);
    xyz[1] = (n + height) * std::cos(phi) * std::sin(lambda);
    xyz[2] = (n * (1 - e2) + height) * std::sin(phi);
}

TEST(EcefToWgs84, RoundTripsPositionsEverywhere)
{
    const double points[][3] = {
        {60.1698, 24.9384, 45.0},  {-33.9, 151.2, 10.0}, {40.0967, -105.1472, 1601.4},
        {89.9999, 12.0, 100.0},    {-90.0, 0.0, 0.0},    {0.0, 180.0, -50.0},
        {0.0, -179.9999, 8000.0},  {45.0, 90.0, 400000.0},
    };
    for (const auto& p : points) {
        SCOPED_TRACE(::testing::Message() << p[0] << " " << p[1] << " " << p[2]);
        double xyz[3];
        toEcef(p[0], p[1], p[2], xyz);
        Wgs84Position back;
        ASSERT_TRUE(ecefToWgs84(xyz[0], xyz[1], xyz[2], back));
        EXPECT_NEAR(back.latitude, p[0], 1e-10);
        if (std::fabs(p[0]) < 89.99999) {
            EXPECT_NEAR(std::remainder(back.longitude - p[1], 360.0), 0.0, 1e-10);
        }
        EXPECT_NEAR(back.height, p[2], 1e-4);
    }
    Wgs84Position untouched{1, 2, 3};
    EXPECT_FALSE(ecefToWgs84(0, 0, 0, untouched));
    EXPECT_FALSE(ecefToWgs84(1000, -2000, 500, untouched));
    EXPECT_FALSE(ecefToWgs84(NAN, 0, 6.4e6, untouched));
    EXPECT_FALSE(ecefToWgs84(6.4e6, INFINITY, 0, untouched));
    // Finite coordinates whose distance from the axis is beyond a double.
    EXPECT_FALSE(ecefToWgs84(1.7e308, -1.7e308, 0, untouched));
    EXPECT_EQ(untouched.latitude, 1);
    EXPECT_EQ(untouched.height, 3);
}

TEST(PosDecoder, EcefLinesBecomeGeodeticPositions)
{
    const std::string header =
        "%  GPST  x-ecef(m)      y-ecef(m)      z-ecef(m)   Q  ns   sdx(m)   sdy(m)   sdz(m)  sdxy(m)  "
        "sdyz(m)  sdzx(m) age(s)  ratio";
    double xyz[3];
    toEcef(48.8123456, 2.5123456, 123.456, xyz);
    const std::string line = "2018/01/21 21:35:05.200 " + formatFixed(xyz[0], 4) + " " +
                             formatFixed(xyz[1], 4) + " " + formatFixed(xyz[2], 4) +
                             " 1 4 0.0020 0.0030 0.0060 0 0 0 4.40 3.1";
    DecodedRecord r;
    ASSERT_EQ(decode(r, header, line), FrameVerdict::Record);
    EXPECT_NEAR(r.latitude, 48.8123456, 1e-8);
    EXPECT_NEAR(r.longitude, 2.5123456, 1e-8);
    EXPECT_NEAR(r.height, 123.456, 1e-3);
    EXPECT_DOUBLE_EQ(r.errorEstimate, 0.007);
    EXPECT_FALSE(r.has(ValidFlag::AxisSigmas)) << "x/y/z sigmas are along no local axis";
    EXPECT_EQ(r.fixType, FixType::RtkFixed);
    // A solution at the earth's centre is no position.
    EXPECT_EQ(decode(r, header, "2018/01/21 21:35:05.200 0 0 0 1 4"), FrameVerdict::Rejected);
}

TEST(PosDecoder, BaselinesAreGridNorthAndEast)
{
    const std::string header =
        "%  GPST  e-baseline(m)  n-baseline(m)  u-baseline(m)   Q  ns   sde(m)   sdn(m)   sdu(m)  sden(m)  "
        "sdnu(m)  sdue(m) age(s)  ratio";
    for (const bool toKKJ : {false, true}) {
        DecodedRecord r;
        ASSERT_EQ(decode(r, header,
                         "2015/12/14 17:24:57.000  -0.6970  0.1185  -2.5211   2  14   1.2   1.6   0.0  "
                         "-0.5676  -0.4186  -0.8436  -1.00    0.0",
                         toKKJ),
                  FrameVerdict::Record);
        EXPECT_DOUBLE_EQ(r.localX, 0.1185);
        EXPECT_DOUBLE_EQ(r.localY, -0.6970);
        EXPECT_DOUBLE_EQ(r.height, -2.5211);
        EXPECT_DOUBLE_EQ(r.errorEstimate, 2.0);
        // sde comes first beside e/n/u.
        EXPECT_FLOAT_EQ(r.accuracy.sigmaNorth, 1.6f);
        EXPECT_FLOAT_EQ(r.accuracy.sigmaEast, 1.2f);
        EXPECT_EQ(r.accuracy.sigmaUp, 0.0f);
        EXPECT_EQ(r.validFlags, ValidFlag::Grid | ValidFlag::Height | ValidFlag::ErrorEstimate |
                                    ValidFlag::CorrectionAge | ValidFlag::AxisSigmas);
    }
}

TEST(PosDecoder, OverlongAndShortFramesAreRejected)
{
    DecodedRecord r;
    const std::string log = "x\n" + std::string(1500, '1') + "\n";
    const auto frames = testing::framesByteByByte<PosSniffer>(bytesOf(log), log.size());
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(decodePosFrame(r, bytesOf(frames[1].bytes), static_cast<std::int32_t>(frames[1].bytes.size()),
                             true),
              FrameVerdict::Rejected);
    EXPECT_EQ(decodePosFrame(r, bytesOf(log), 3, true), FrameVerdict::Rejected);
    EXPECT_EQ(decodePosFrame(r, nullptr, 0, true), FrameVerdict::Rejected);
}

GNSSLog analyse(const std::string& log, bool worker = false)
{
    GNSSLog result(TruthMode::Averaged, 0, 0, 0);
    PipelineOptions options;
    if (worker) {
        options.workerMinFileSize = 0;
        options.batchBytes = 4096;
    }
    runPipelineOnBytes(result, bytesOf(log), log.size(), nullptr, DecodeOptions{}, posFormat(), options);
    return result;
}

TEST(PosFormat, BadLinesAreSkippedAndCounted)
{
    const std::string log = kDegrees + "\n" +
                            "2137 100.0 60.1 24.9 10.0 1 9 0.01 0.01 0.02 0 0 0 0.5 9.9\r\n"
                            "2137 101.0 60.1 24.9 10.0 1 9 0.01 0.01 0.02 0 0 0 0.5 9.9\r\n"
                            "2137 1O2.0 60.1 24.9 10.0 1 9\r\n"
                            "\r\n"
                            "2137 103.0 60.1 24.9 10.0 2 9\r\n" +
                            std::string(1200, '#') + "\n" +
                            "2137 104.0 60.1 24.9";  // cut off: read, but too short
    const GNSSLog result = analyse(log);
    ASSERT_EQ(result.records.size(), 3u);
    EXPECT_EQ(result.rtkFixCount, 2);
    EXPECT_EQ(result.dataQuality.rejectedFrames, 3u);
    EXPECT_EQ(result.dataQuality.unreadFrames, 0u);
    EXPECT_EQ(result.dataQuality.frames, 7u);
    EXPECT_EQ(result.dataQuality.framesByType,
              (std::vector<std::pair<std::string, std::uint64_t>>{{"%", 1}, {"solution", 5}, {"overlong line", 1}}));
}

TEST(PosFormat, WeekSecondsRunOnAcrossTheWeeksEnd)
{
    std::string log;
    for (const char* line : {"2137 604798.0", "2137 604799.0", "2138 0.0", "2138 1.0"}) {
        log += std::string(line) + " 60.1 24.9 10.0 1 9\n";
    }
    const GNSSLog result = analyse(log);
    ASSERT_EQ(result.records.size(), 4u);
    EXPECT_DOUBLE_EQ(result.records[2].time, 604800.0);
    EXPECT_DOUBLE_EQ(result.records[3].time, 604801.0);
    EXPECT_EQ(result.dataQuality.dayWraps, 0u);
    EXPECT_EQ(result.dataQuality.backwardSteps, 0u);

    // Calendar times give seconds of the day; midnight is a day wrap.
    const GNSSLog days = analyse("2020/01/01 23:59:59 60.1 24.9 10.0 1 9\n"
                                 "2020/01/02 00:00:00 60.1 24.9 10.0 1 9\n");
    ASSERT_EQ(days.records.size(), 2u);
    EXPECT_DOUBLE_EQ(days.records[1].time, 86400.0);
    EXPECT_EQ(days.dataQuality.dayWraps, 1u);
}

TEST(PosFormat, RepeatedHeadersSwitchStylesWithAndWithoutTheWorker)
{
    const std::string enu = "%  GPST e-baseline(m) n-baseline(m) u-baseline(m) Q ns\n";
    std::string log;
    for (int block = 0; block < 200; ++block) {
        log += block % 2 == 0 ? kDegrees + "\n" : enu;
        for (int i = 0; i < 20; ++i) {
            log += "2137 " + std::to_string(block * 20 + i) + ".0 60.1 24.9 10.0 1 9\n";
        }
    }
    const GNSSLog plain = analyse(log);
    const GNSSLog threaded = analyse(log, true);
    std::string why;
    EXPECT_TRUE(testing::sameAnalysis(plain, threaded, &why)) << why;
    ASSERT_EQ(plain.records.size(), 4000u);
    for (std::size_t i = 0; i < plain.records.size(); ++i) {
        const bool geodetic = (i / 20) % 2 == 0;
        ASSERT_EQ(plain.records[i].has(ValidFlag::LatLon), geodetic) << i;
        ASSERT_TRUE(allFinite(plain.records[i]));
    }
    // Baseline lines read "60.1 24.9" as east and north.
    EXPECT_DOUBLE_EQ(plain.records[20].localX, 24.9);
}

// Real files, read in place.

fs::path realLogFolder()
{
    return fs::path(GNSSLOG_SOURCE_DIR) / ".." / "shared" / "realdata" / "logs";
}

std::string readText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<fs::path> realPosFiles()
{
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(realLogFolder(), error)) {
        if (entry.path().extension() == ".pos") {
            files.push_back(entry.path());
        }
    }
    return files;
}

TEST(PosRealLogs, EverySolutionLineIsARecord)
{
    const std::vector<fs::path> files = realPosFiles();
    if (files.empty()) {
        GTEST_SKIP() << "no .pos files in " << realLogFolder();
    }
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.filename().string());
        const std::string text = readText(path);
        std::size_t solutions = 0;
        std::size_t start = 0;
        for (std::size_t end = text.find('\n'); end != std::string::npos;
             start = end + 1, end = text.find('\n', start)) {
            const std::string line = text.substr(start, end - start);
            if (line.find_first_not_of(" \t\r") != std::string::npos && line[0] != '%') {
                ++solutions;
            }
        }
        const GNSSLog result = analyse(text);
        EXPECT_GT(result.records.size(), 0u);
        EXPECT_EQ(result.records.size(), solutions);
        EXPECT_EQ(result.dataQuality.rejectedFrames, 0u);
        for (const GNSSRecord& r : result.records) {
            ASSERT_TRUE(allFinite(r));
            ASSERT_TRUE(r.has(ValidFlag::Height));
            ASSERT_TRUE(r.has(ValidFlag::LatLon) || r.has(ValidFlag::Grid));
            ASSERT_TRUE(r.fixType == FixType::RtkFixed || r.fixType == FixType::RtkFloat ||
                        r.fixType == FixType::StandAlone);
            if (r.has(ValidFlag::LatLon)) {
                ASSERT_LE(std::fabs(r.latitude), 90.0);
            }
        }
    }
}

TEST(PosRealLogs, SolutionFileMatchesTheUbxLogItWasComputedFrom)
{
    const fs::path pos = realLogFolder() / "rtklibexplorer-gnssimu-gnss_1730_sf.pos";
    const fs::path ubx = realLogFolder() / "rtklibexplorer-gnssimu-gnss_1730.ubx";
    if (!fs::exists(pos) || !fs::exists(ubx)) {
        GTEST_SKIP() << "gnss_1730 logs not in " << realLogFolder();
    }
    const GNSSLog fromPos = analyse(readText(pos));
    const std::string ubxBytes = readText(ubx);
    GNSSLog fromUbx(TruthMode::Averaged, 0, 0, 0);
    runPipelineOnBytes(fromUbx, bytesOf(ubxBytes), ubxBytes.size(), nullptr, DecodeOptions{}, ubxFormat(),
                       PipelineOptions{});
    ASSERT_EQ(fromPos.records.size(), fromUbx.records.size());
    ASSERT_GT(fromPos.records.size(), 0u);
    EXPECT_EQ(fromPos.rtkFixCount, fromUbx.rtkFixCount);
    EXPECT_EQ(fromPos.fixLostCount, fromUbx.fixLostCount);
    std::size_t posFloat = 0;
    std::size_t ubxFloat = 0;
    // The .pos file prints seven decimals of a degree.
    constexpr double kPrintedDegrees = 0.5e-7 + 1e-12;
    for (std::size_t i = 0; i < fromPos.records.size(); ++i) {
        const GNSSRecord& p = fromPos.records[i];
        const GNSSRecord& u = fromUbx.records[i];
        SCOPED_TRACE(i);
        ASSERT_EQ(p.fixType, u.fixType);
        ASSERT_NEAR(p.latitude, u.latitude, kPrintedDegrees);
        ASSERT_NEAR(p.longitude, u.longitude, kPrintedDegrees);
        posFloat += p.fixType == FixType::RtkFloat;
        ubxFloat += u.fixType == FixType::RtkFloat;
    }
    EXPECT_EQ(posFloat, ubxFloat);
    EXPECT_GT(posFloat, 0u);
}

}  // namespace
}  // namespace gnsslog
