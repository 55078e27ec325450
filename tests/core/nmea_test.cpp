// NMEA decoding of GGA, LLK, LLQ and ORP: fields, rejections, mends.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "log/formats/nmea/NmeaDecoder.h"

namespace gnsslog {
namespace {

// Decodes a copy sized exactly to the sentence, so a read past its end
// trips the address sanitizer.
GNSSRecord decode(const std::string& sentence, bool toKKJ = false)
{
    std::vector<char> text(sentence.begin(), sentence.end());
    text.push_back('\0');
    GNSSRecord record;
    decodeNmeaSentence(record, text.data(), toKKJ);
    return record;
}

// The worked GGA sentence, built from its fields so tests can vary one.
struct Gga {
    std::string time = "123519.00";
    std::string latitude = "4807.038";
    std::string north = "N";
    std::string longitude = "01131.000";
    std::string east = "E";
    std::string quality = "4";
    std::string satellites = "08";
    std::string hdop = "0.9";
    std::string altitude = "545.4";
    std::string geoid = "46.9";
    std::string age = "1.2";
    std::string station = "0026";
    std::string tail = "*47";

    std::string text() const
    {
        return "$GPGGA," + time + ',' + latitude + ',' + north + ',' + longitude + ',' + east + ',' + quality +
               ',' + satellites + ',' + hdop + ',' + altitude + ",M," + geoid + ",M," + age + ',' + station + tail;
    }
    GNSSRecord decode(bool toKKJ = false) const { return gnsslog::decode(text(), toKKJ); }
};

constexpr std::uint32_t kGgaFlags = ValidFlag::LatLon | ValidFlag::Height | ValidFlag::Dop | ValidFlag::CorrectionAge;

TEST(NmeaGga, WorkedExample)
{
    const GNSSRecord r = Gga{}.decode();
    EXPECT_EQ(r.valid, 1);
    EXPECT_DOUBLE_EQ(r.time, 45319.0);
    EXPECT_NEAR(r.latitude, 48.1173, 1e-12);  // 48 + 7.038 / 60
    EXPECT_NEAR(r.longitude, 11.0 + 31.0 / 60, 1e-12);
    EXPECT_EQ(r.fixType, FixType::RtkX);  // station 0026
    EXPECT_EQ(r.satellites, 8);
    EXPECT_DOUBLE_EQ(r.dop, 0.9);
    EXPECT_NEAR(r.height, 592.3, 1e-9);  // altitude plus geoid separation
    EXPECT_DOUBLE_EQ(r.correctionAge, 1.2);
    EXPECT_EQ(r.validFlags, kGgaFlags);
    EXPECT_EQ(r.localX, 0.0);
    EXPECT_EQ(r.localY, 0.0);

    Gga other;
    other.station = "0000";
    EXPECT_EQ(other.decode().fixType, FixType::RtkFixed);
    other.quality = "0";  // no fix is still a decoded sentence
    EXPECT_EQ(other.decode().valid, 1);
    EXPECT_EQ(other.decode().fixType, 0);
    other.quality = "+5";
    EXPECT_EQ(other.decode().fixType, FixType::RtkFloat);
}

TEST(NmeaGga, HemisphereLettersSAndWNegate)
{
    struct Row {
        const char* north;
        const char* east;
        double latitudeSign;
        double longitudeSign;
    };
    const Row rows[] = {
        {"N", "E", 1, 1}, {"S", "E", -1, 1}, {"N", "W", 1, -1}, {"S", "W", -1, -1},
        {"", "", 1, 1},    // empty letters: as logged
        {"s", "w", 1, 1},  // only the exact capitals count
        {"SS", "WW", 1, 1},
    };
    for (const Row& row : rows) {
        Gga gga;
        gga.north = row.north;
        gga.east = row.east;
        const GNSSRecord r = gga.decode();
        EXPECT_EQ(r.valid, 1) << row.north << row.east;
        EXPECT_NEAR(r.latitude, row.latitudeSign * 48.1173, 1e-12) << row.north;
        EXPECT_NEAR(r.longitude, row.longitudeSign * (11.0 + 31.0 / 60), 1e-12) << row.east;
    }
}

TEST(NmeaGga, GridConversionUsesTheDecodedPosition)
{
    Gga gga;
    gga.latitude = "6000.000";
    gga.longitude = "02400.000";
    const GNSSRecord r = gga.decode(true);
    EXPECT_EQ(r.validFlags, kGgaFlags | ValidFlag::Grid);
    // Reference: the KKJ zone 2 grid point of 60 N 24 E; tolerance 1 mm.
    EXPECT_NEAR(r.localX, 6654212.726, 0.001);
    EXPECT_NEAR(r.localY, 2500177.274, 0.001);
}

TEST(NmeaGga, OptionalTrailingFields)
{
    Gga gga;
    gga.age = "";
    gga.station = "";
    gga.quality = "5";
    GNSSRecord r = gga.decode();
    EXPECT_EQ(r.valid, 1);
    EXPECT_EQ(r.correctionAge, 0.0);
    EXPECT_EQ(r.fixType, 5);

    gga = Gga{};
    gga.geoid = "";
    EXPECT_NEAR(gga.decode().height, 545.4, 1e-9);

    // Without the '*' the station field is unread, the sentence still good.
    gga = Gga{};
    gga.tail = "";
    r = gga.decode();
    EXPECT_EQ(r.valid, 1);
    EXPECT_EQ(r.fixType, FixType::RtkFixed);
}

TEST(NmeaGga, ReferenceStationRule)
{
    struct Row {
        const char* station;
        std::uint8_t fixType;
    };
    const Row rows[] = {
        {"0026", 255}, {"AB26", 255}, {"00026", 255}, {"0026x", 255}, {"26", 4},
        {"0027", 4},   {"2600", 4},   {"", 4},        {"  26", 255},
    };
    for (const Row& row : rows) {
        Gga gga;
        gga.station = row.station;
        EXPECT_EQ(gga.decode().fixType, row.fixType) << '"' << row.station << '"';
    }
}

TEST(NmeaGga, QualityOutsideAByteGivesNoFix)
{
    struct Row {
        const char* quality;
        std::uint8_t fixType;
    };
    const Row rows[] = {{"255", 255}, {"256", 0}, {"260", 0}, {"-1", 0}, {"99999999999", 0}, {"x", 0}};
    for (const Row& row : rows) {
        Gga gga;
        gga.quality = row.quality;
        gga.station = "0000";
        const GNSSRecord r = gga.decode();
        EXPECT_EQ(r.valid, 1);
        EXPECT_EQ(r.fixType, row.fixType) << row.quality;
    }
}

TEST(NmeaGga, ShortPositionAndTimeFieldsReject)
{
    struct Row {
        const char* legend;
        std::string Gga::*field;
        const char* value;
        std::uint8_t valid;
    };
    const Row rows[] = {
        {"empty latitude", &Gga::latitude, "", 0},
        {"latitude of degrees only", &Gga::latitude, "48", 0},
        {"latitude with one minute digit", &Gga::latitude, "480", 1},
        {"empty longitude", &Gga::longitude, "", 0},
        {"longitude of degrees only", &Gga::longitude, "011", 0},
        {"longitude with one minute digit", &Gga::longitude, "0113", 1},
        {"time of three characters", &Gga::time, "123", 0},
        {"empty time", &Gga::time, "", 0},
        {"time without seconds", &Gga::time, "1234", 1},
    };
    for (const Row& row : rows) {
        Gga gga;
        gga.*row.field = row.value;
        EXPECT_EQ(gga.decode().valid, row.valid) << row.legend;
    }
}

TEST(NmeaTime, HoursMinutesAndAtMostFiveSecondCharacters)
{
    struct Row {
        const char* time;
        double seconds;
    };
    const Row rows[] = {
        {"1234", 45240.0},         {"123519.123", 45319.12}, {"000000.00", 0.0},
        {"235959.99", 86399.99},   {"1234ab", 45240.0},       {"12345", 45245.0},
        {"1a3519", 3600.0 + 35 * 60 + 19.0}, {"-13519.00", -3600 + 35 * 60 + 19.0},
    };
    for (const Row& row : rows) {
        Gga gga;
        gga.time = row.time;
        const GNSSRecord r = gga.decode();
        EXPECT_EQ(r.valid, 1) << row.time;
        EXPECT_NEAR(r.time, row.seconds, 1e-9) << row.time;
    }
}

TEST(NmeaFields, NonFiniteAndHexNumbersReadZero)
{
    Gga gga;
    gga.hdop = "nan";
    gga.altitude = "inf";
    gga.geoid = "0x1p3";
    gga.age = "1e999";
    GNSSRecord r = gga.decode();
    EXPECT_EQ(r.valid, 1);
    EXPECT_EQ(r.dop, 0.0);
    EXPECT_EQ(r.height, 0.0);
    EXPECT_EQ(r.correctionAge, 0.0);

    gga = Gga{};
    gga.latitude = "48nan";  // degrees plus non-finite minutes
    gga.satellites = "0x10";
    r = gga.decode();
    EXPECT_EQ(r.latitude, 48.0);
    EXPECT_EQ(r.satellites, 0);
    EXPECT_TRUE(std::isfinite(r.height));
}

TEST(NmeaFields, IntegerFieldsSaturate)
{
    Gga gga;
    gga.satellites = "99999999999";
    EXPECT_EQ(gga.decode().satellites, std::numeric_limits<std::int32_t>::max());
    gga.satellites = "-99999999999";
    EXPECT_EQ(gga.decode().satellites, std::numeric_limits<std::int32_t>::min());
}

TEST(NmeaFields, LongFieldIsCutTo63CharactersAndReadingGoesOn)
{
    Gga gga;
    gga.altitude = std::string(100, '1');
    const GNSSRecord r = gga.decode();
    EXPECT_EQ(r.valid, 1);
    // 63 ones, not 100, then the geoid separation of the next field.
    EXPECT_DOUBLE_EQ(r.height, std::strtod(std::string(63, '1').c_str(), nullptr) + 46.9);
    EXPECT_DOUBLE_EQ(r.correctionAge, 1.2);
    EXPECT_EQ(r.fixType, FixType::RtkX);
}

TEST(NmeaFields, MissingFieldsReject)
{
    // Every cut of the sentence before the comma that closes the age field
    // lacks a field; from there on, only the station rule is lost.
    Gga gga;
    gga.station = "0000";
    const std::string full = gga.text();
    const std::size_t lastComma = full.rfind(',');
    for (std::size_t length = 0; length <= full.size(); ++length) {
        const GNSSRecord r = decode(full.substr(0, length));
        EXPECT_EQ(r.valid, length > lastComma ? 1 : 0) << full.substr(0, length);
    }

    // The age field closed by '*' instead of ','.
    EXPECT_EQ(decode("$GPGGA,123519.00,4807.038,N,01131.000,E,4,08,0.9,545.4,M,46.9,M,1.2*47").valid, 0);
    EXPECT_EQ(decode("$GPLLK,123519.00,120598,6654212.726,M,2500177.274,M,3,08,1.9,100.5*47").valid, 0);
    EXPECT_EQ(decode("$PNCTORP,1,1,2,254,123519.00,1,1,0.01,0.02,0.03,1.5,9,7,1,2,100.5*47").valid, 0);
}

TEST(NmeaSentence, UnknownTypesAndEmptyTextAreInvalid)
{
    // RMC and GSA are read now (tests/core/nmea_epoch_sentences_test.cpp).
    EXPECT_EQ(decode("$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48").valid, 0);
    EXPECT_EQ(decode("$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00*74").valid, 0);
    EXPECT_EQ(decode("").valid, 0);
    EXPECT_EQ(decode("$").valid, 0);
    GNSSRecord r;
    decodeNmeaSentence(r, nullptr, true);
    EXPECT_EQ(r.valid, 0);
}

TEST(NmeaSentence, StartClearsThePositionFields)
{
    GNSSRecord r;
    r.latitude = 1;
    r.localX = 2;
    r.errorEstimate = 3;
    r.validFlags = 0x3F;
    r.valid = 1;
    char text[] = "$GPRMC,1,2*00";
    decodeNmeaSentence(r, text, false);
    EXPECT_EQ(r.latitude, 0.0);
    EXPECT_EQ(r.localX, 0.0);
    EXPECT_EQ(r.errorEstimate, 0.0);
    EXPECT_EQ(r.validFlags, 0u);
    EXPECT_EQ(r.valid, 0);
}

TEST(NmeaSentence, AnyTalkerIsAccepted)
{
    std::string text = Gga{}.text();
    text.replace(1, 2, "GN");
    EXPECT_EQ(decode(text).valid, 1);
}

TEST(NmeaLlk, GridFixWithDecimalDop)
{
    const GNSSRecord r = decode("$GPLLK,123519.00,120598,6654212.726,M,2500177.274,M,3,08,1.9,100.5,M*47");
    EXPECT_EQ(r.valid, 1);
    EXPECT_DOUBLE_EQ(r.time, 45319.0);
    EXPECT_DOUBLE_EQ(r.localX, 6654212.726);
    EXPECT_DOUBLE_EQ(r.localY, 2500177.274);
    EXPECT_EQ(r.fixType, FixType::RtkFixed);
    EXPECT_EQ(r.satellites, 8);
    EXPECT_DOUBLE_EQ(r.dop, 1.9);
    EXPECT_DOUBLE_EQ(r.height, 100.5);
    EXPECT_EQ(r.errorEstimate, 0.0);
    EXPECT_EQ(r.validFlags, ValidFlag::Grid | ValidFlag::Height | ValidFlag::Dop);
    EXPECT_EQ(r.latitude, 0.0);
    // No geodetic position: nothing to convert even when asked.
    EXPECT_EQ(decode("$GPLLK,123519.00,120598,1.0,M,2.0,M,3,08,1.9,100.5,M*47", true).localX, 1.0);
}

TEST(NmeaLlq, GridFloatWithDecimalQuality)
{
    const GNSSRecord r = decode("$GPLLQ,123519.00,120598,6654212.726,M,2500177.274,M,2,08,3.7,100.5,M*47");
    EXPECT_EQ(r.valid, 1);
    EXPECT_EQ(r.fixType, FixType::RtkFloat);
    EXPECT_DOUBLE_EQ(r.errorEstimate, 3.7);
    EXPECT_EQ(r.dop, 0.0);
    EXPECT_EQ(r.validFlags, ValidFlag::Grid | ValidFlag::Height | ValidFlag::ErrorEstimate);
}

TEST(NmeaLlkLlq, QualityCodes)
{
    const std::pair<const char*, std::uint8_t> rows[] = {{"2", 5}, {"3", 4}, {"1", 0}, {"0", 0}, {"4", 0}, {"", 0}};
    for (const auto& [code, fixType] : rows) {
        const GNSSRecord r = decode(std::string("$GPLLK,123519.00,,1,M,2,M,") + code + ",08,1.9,100.5,M*47");
        EXPECT_EQ(r.valid, 1) << code;
        EXPECT_EQ(r.fixType, fixType) << code;
    }
    EXPECT_EQ(decode("$GPLLQ,123,,1,M,2,M,3,08,1.9,100.5,M*47").valid, 0);  // short time
}

// ORP fields 1..16 with the coordinate kind, status and position to vary.
std::string orp(const std::string& kind, const std::string& status, const std::string& position)
{
    return "$PNCTORP,x,x," + kind + ',' + status + ",123519.00,x,x,0.01,0.02,0.03,1.5,9,7," + position + ",*47";
}

TEST(NmeaOrp, GridKindWithFix)
{
    const GNSSRecord r = decode(orp("2", "254", "6654212.726,2500177.274,100.5"), true);
    EXPECT_EQ(r.valid, 1);
    EXPECT_EQ(r.fixType, FixType::RtkFixed);
    EXPECT_DOUBLE_EQ(r.time, 45319.0);
    EXPECT_NEAR(r.errorEstimate, 0.0374166, 1e-7);  // sqrt(0.0014)
    EXPECT_DOUBLE_EQ(r.dop, 1.5);
    EXPECT_EQ(r.gpsSatellites, 9);
    EXPECT_EQ(r.glonassSatellites, 7);
    EXPECT_EQ(r.satellites, 16);
    EXPECT_DOUBLE_EQ(r.localX, 6654212.726);
    EXPECT_DOUBLE_EQ(r.localY, 2500177.274);
    EXPECT_DOUBLE_EQ(r.height, 100.5);
    EXPECT_EQ(r.latitude, 0.0);
    EXPECT_EQ(r.validFlags, ValidFlag::Grid | ValidFlag::Height | ValidFlag::Dop | ValidFlag::ErrorEstimate);
}

TEST(NmeaOrp, GeodeticKindConvertsWhenAsked)
{
    const std::string text = orp("0", "7", "60.0,24.0,100.5");
    GNSSRecord r = decode(text, false);
    EXPECT_EQ(r.valid, 1);
    EXPECT_EQ(r.fixType, 0);
    EXPECT_EQ(r.latitude, 60.0);
    EXPECT_EQ(r.longitude, 24.0);
    EXPECT_EQ(r.height, 100.5);
    EXPECT_EQ(r.localX, 0.0);
    EXPECT_EQ(r.validFlags, 0x2Du);

    r = decode(text, true);
    EXPECT_EQ(r.validFlags, 0x2Fu);
    // Reference: the KKJ zone 2 grid point of 60 N 24 E; tolerance 1 mm.
    EXPECT_NEAR(r.localX, 6654212.726, 0.001);
    EXPECT_NEAR(r.localY, 2500177.274, 0.001);

    EXPECT_EQ(decode(orp("4", "1", "-33.5,-70.6,5"), false).latitude, -33.5);  // signed degrees
}

TEST(NmeaOrp, KindAndStatusRejections)
{
    struct Row {
        const char* kind;
        const char* status;
        std::uint8_t valid;
    };
    const Row rows[] = {
        {"2", "4", 0},  {"2", "0", 0},  {"2", "", 0},   {"2", "254", 1}, {"2", "253", 1},
        {"5", "254", 0}, {"-1", "254", 0}, {"1", "254", 1}, {"3", "254", 1}, {"4", "254", 1},
        {"4294967296", "254", 0}, {"2", "4294967300", 1},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(decode(orp(row.kind, row.status, "1,2,3")).valid, row.valid)
            << "kind " << row.kind << " status " << row.status;
    }
}

TEST(NmeaOrp, SatelliteSumSaturates)
{
    std::string text = orp("2", "254", "1,2,3");
    text.replace(text.find(",9,7,"), 5, ",2147483647,5,");
    GNSSRecord r = decode(text);
    EXPECT_EQ(r.satellites, std::numeric_limits<std::int32_t>::max());
    text = orp("2", "254", "1,2,3");
    text.replace(text.find(",9,7,"), 5, ",-2147483648,-5,");
    r = decode(text);
    EXPECT_EQ(r.satellites, std::numeric_limits<std::int32_t>::min());
}

TEST(NmeaSentence, MutatedSentencesDecodeSafely)
{
    // Run under the sanitizers this guards every read; the values must stay
    // finite whatever the bytes (no exponent letter is drawn, so no field
    // can reach the double range).
    const std::string seeds[] = {
        Gga{}.text(),
        "$GPLLK,123519.00,120598,6654212.726,M,2500177.274,M,3,08,1.9,100.5,M*47",
        "$GPLLQ,123519.00,120598,6654212.726,M,2500177.274,M,2,08,3.7,100.5,M*47",
        orp("0", "7", "60.0,24.0,100.5"),
    };
    const char alphabet[] = ",,,**..--+ 0123456789SWNIAnif\x01\xff";
    std::mt19937 random(5u);
    for (const std::string& seed : seeds) {
        for (int round = 0; round < 3000; ++round) {
            std::string text = seed;
            for (int edits = 1 + static_cast<int>(random() % 6); edits > 0; --edits) {
                text[random() % text.size()] = alphabet[random() % (sizeof alphabet - 1)];
            }
            if (random() % 4 == 0) {
                text.resize(random() % text.size());
            }
            const GNSSRecord r = decode(text, random() % 2 == 0);
            ASSERT_LE(r.valid, 1);
            for (double v : {r.time, r.latitude, r.longitude, r.height, r.localX, r.localY, r.dop,
                             r.correctionAge, r.errorEstimate}) {
                ASSERT_TRUE(std::isfinite(v)) << text;
            }
        }
    }
}

TEST(NextField, CopiesUpToTheSeparatorAndAdvances)
{
    char text[] = "ab,,c*d";
    char* rest = text;
    char out[kNmeaFieldCapacity];
    ASSERT_TRUE(nextField(out, rest, ','));
    EXPECT_STREQ(out, "ab");
    ASSERT_TRUE(nextField(out, rest, ','));
    EXPECT_STREQ(out, "");
    EXPECT_STREQ(rest, "c*d");
    EXPECT_FALSE(nextField(out, rest, ','));
    EXPECT_STREQ(out, "");
    EXPECT_STREQ(rest, "c*d");  // left as it was
    ASSERT_TRUE(nextField(out, rest, '*'));
    EXPECT_STREQ(out, "c");
    EXPECT_STREQ(rest, "d");
    EXPECT_FALSE(nextField(out, rest, '\0'));  // the terminator is no separator
    EXPECT_STREQ(rest, "d");
}

TEST(NextField, LongFieldFillsTheBufferAndNoMore)
{
    std::string text = std::string(200, 'x') + ",tail";
    char* rest = text.data();
    char out[kNmeaFieldCapacity + 8];
    std::memset(out, '#', sizeof out);
    ASSERT_TRUE(nextField(out, rest, ','));
    EXPECT_EQ(std::strlen(out), kNmeaFieldCapacity - 1);
    for (std::size_t i = kNmeaFieldCapacity; i < sizeof out; ++i) {
        EXPECT_EQ(out[i], '#') << "byte " << i << " written";
    }
    EXPECT_STREQ(rest, "tail");
}


// The order of the floating-point steps is fixed, and the inputs below are
// ones where another order gives a different last bit; each check also
// shows that the other order really differs, so it cannot pass by chance.
TEST(NmeaArithmeticOrder, TimeAccumulatesSecondsThenMinutesThenHours)
{
    Gga gga;
    gga.time = "010416.03";
    double seconds = 16.03;
    seconds += 4 * 60.0;
    seconds += 1 * 3600.0;
    ASSERT_NE(seconds, 1 * 3600.0 + 4 * 60.0 + 16.03);
    EXPECT_EQ(gga.decode().time, seconds);
}

TEST(NmeaArithmeticOrder, GgaMinutesAreMultipliedByOneSixtieth)
{
    Gga gga;
    gga.latitude = "4801.9970";
    const double expected = 48 + 1.9970 * (1.0 / 60);
    ASSERT_NE(expected, 48 + 1.9970 / 60);
    EXPECT_EQ(gga.decode().latitude, expected);
}

}  // namespace
}  // namespace gnsslog
