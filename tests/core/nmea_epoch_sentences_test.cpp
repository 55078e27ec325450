// NMEA decoding of the sentences that complete an epoch (GST, RMC, ZDA,
// GSA) and of GNS positions: what each gives, what each refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>
#include <string>
#include <vector>

#include "log/formats/nmea/NmeaDecoder.h"
#include "log/formats/nmea/NmeaEpochSentences.h"

namespace gnsslog {
namespace {

constexpr double kDay = 86400.0;

// Decodes a copy sized exactly to the sentence, so a read past its end
// trips the address sanitizer.
DecodedRecord decode(const std::string& sentence, bool toKKJ = false)
{
    std::vector<char> text(sentence.begin(), sentence.end());
    text.push_back('\0');
    DecodedRecord record;
    decodeNmeaSentence(record, text.data(), toKKJ);
    return record;
}

std::int64_t days(int year, int month, int day)
{
    std::int64_t d = -1;
    EXPECT_TRUE(nmea::daysSinceEpoch(year, month, day, d));
    return d;
}

// Random texts rich in the names' letters, overlapping names and names cut
// by the end: the type is the first of GGA, LLK, LLQ, ORP that a plain
// search finds anywhere, and none of them when the search finds none.
TEST(NmeaSentenceType, NamesAreFoundWhereverAPlainSearchFindsThem)
{
    const std::pair<const char*, NmeaSolutionType> names[] = {{"GGA", NmeaSolutionType::Gga},
                                                              {"LLK", NmeaSolutionType::Llk},
                                                              {"LLQ", NmeaSolutionType::Llq},
                                                              {"ORP", NmeaSolutionType::Orp}};
    const std::string alphabet = "GALKQORP$,*";
    std::mt19937 random(11);
    int found = 0;
    for (int n = 0; n < 200000; ++n) {
        std::string text = n % 2 == 0 ? "$GP" : "";
        const std::size_t length = random() % 24;
        for (std::size_t i = 0; i < length; ++i) {
            text += alphabet[random() % alphabet.size()];
        }
        NmeaSolutionType expected = NmeaSolutionType::None;
        for (const auto& [name, type] : names) {
            if (text.find(name) != std::string::npos) {
                expected = type;
                break;
            }
        }
        // Sized exactly, so a read past the end trips the address sanitizer.
        std::vector<char> exact(text.begin(), text.end());
        exact.push_back('\0');
        const NmeaSolutionType type = nmeaSolutionType(exact.data());
        if (expected != NmeaSolutionType::None) {
            ++found;
            ASSERT_EQ(type, expected) << text;
        } else {
            ASSERT_TRUE(type != NmeaSolutionType::Gga && type != NmeaSolutionType::Llk &&
                        type != NmeaSolutionType::Llq && type != NmeaSolutionType::Orp)
                << text;
        }
    }
    EXPECT_GT(found, 4000) << "the texts hold names often enough to test the search";
}

TEST(NmeaSentenceType, AddressNamesTheNewTypesButTheOldSearchComesFirst)
{
    struct Row {
        const char* sentence;
        NmeaSolutionType type;
    };
    const Row rows[] = {
        {"$GNGST,1*00", NmeaSolutionType::Gst},
        {"$GPRMC,1*00", NmeaSolutionType::Rmc},
        {"$GNZDA,1*00", NmeaSolutionType::Zda},
        {"$GLGSA,1*00", NmeaSolutionType::Gsa},
        {"$GPGNS,1*00", NmeaSolutionType::Gns},
        {"$GPGSV,1*00", NmeaSolutionType::None},
        {"$GPGST*00", NmeaSolutionType::None},     // no comma after the address
        {"$GPGSTX,1*00", NmeaSolutionType::None},  // a longer address
        {"GPGST,1*00", NmeaSolutionType::None},    // no dollar
        {"$GST,1*00", NmeaSolutionType::None},     // no talker
        {"$GPGST,GGA*00", NmeaSolutionType::Gga},  // the search for GGA anywhere wins
        {"$GPRMC,ORP*00", NmeaSolutionType::Orp},
        {"$", NmeaSolutionType::None},
        {"", NmeaSolutionType::None},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(nmeaSolutionType(row.sentence), row.type) << row.sentence;
    }
}

TEST(NmeaGst, SigmasGiveTheRootOfTheirSquares)
{
    const DecodedRecord r = decode("$GNGST,003956.00,235111,,,,2.3,3.5,4.0*46");
    ASSERT_EQ(r.valid, 1);
    EXPECT_EQ(r.framePart, FramePart::ErrorEstimate);
    EXPECT_DOUBLE_EQ(r.time, 39 * 60 + 56.0);
    EXPECT_DOUBLE_EQ(r.errorEstimate, std::sqrt(2.3 * 2.3 + 3.5 * 3.5 + 4.0 * 4.0));
    EXPECT_EQ(r.validFlags, ValidFlag::ErrorEstimate | ValidFlag::AxisSigmas);
    EXPECT_FLOAT_EQ(r.accuracy.sigmaNorth, 2.3f);  // latitude
    EXPECT_FLOAT_EQ(r.accuracy.sigmaEast, 3.5f);   // longitude
    EXPECT_FLOAT_EQ(r.accuracy.sigmaUp, 4.0f);
    EXPECT_EQ(r.fixType, FixType::NoPosition);

    struct Row {
        const char* legend;
        std::string sentence;
        double estimate;  // negative: refused
    };
    const Row rows[] = {
        {"every field", "$GPGST,120000,0.5,0.4,0.3,45,0.03,0.04,0.12*00", std::sqrt(0.0009 + 0.0016 + 0.0144)},
        {"zero-padded", "$GPGST,120000,400000,,,,004.0,003.0,000.0*00", 5.0},
        {"all sigmas zero", "$GPGST,120000,,,,,0,0,0*00", 0.0},
        {"every field empty", "$GPGST,212406.000,,,,,,,*4A", -1},
        {"altitude sigma empty", "$GPGST,120000,1,,,,1,1,*00", -1},
        {"latitude sigma empty", "$GPGST,120000,1,,,,,1,1*00", -1},
        {"cut after the longitude sigma", "$GPGST,120000,1,,,,1,1*00", -1},
        {"no time", "$GPGST,,1,,,,1,1,1*00", -1},
        {"fields after the altitude sigma", "$GPGST,120000,1,,,,3,0,4,9*00", 5.0},
        {"a sigma that is no number reads 0", "$GPGST,120000,1,,,,x,3,4*00", 5.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        const DecodedRecord g = decode(row.sentence);
        if (row.estimate < 0) {
            EXPECT_EQ(g.valid, 0);
            continue;
        }
        ASSERT_EQ(g.valid, 1);
        EXPECT_DOUBLE_EQ(g.time, 12 * 3600.0);
        EXPECT_NEAR(g.errorEstimate, row.estimate, 1e-12);
        EXPECT_EQ(g.framePart, FramePart::ErrorEstimate);
    }
    // Squares that overflow read 0 like every other non-finite result.
    const DecodedRecord huge = decode("$GPGST,120000,1,,,,1e200,1e200,1e200*00");
    EXPECT_EQ(huge.valid, 1);
    EXPECT_EQ(huge.errorEstimate, 0.0);
}

TEST(NmeaGns, ReadsAsGgaWithModeCharactersForTheFixType)
{
    const DecodedRecord r =
        decode("$GNGNS,112257.00,3844.24011,N,00908.43828,W,RR,14,0.6,120.5,48.2,1.4,0031,V*00");
    ASSERT_EQ(r.valid, 1);
    EXPECT_EQ(r.framePart, FramePart::OtherSolution);
    EXPECT_DOUBLE_EQ(r.time, 11 * 3600 + 22 * 60 + 57.0);
    EXPECT_NEAR(r.latitude, 38 + 44.24011 / 60, 1e-12);
    EXPECT_NEAR(r.longitude, -(9 + 8.43828 / 60), 1e-12);
    EXPECT_EQ(r.fixType, FixType::RtkFixed);
    EXPECT_EQ(r.satellites, 14);
    EXPECT_DOUBLE_EQ(r.dop, 0.6);
    EXPECT_NEAR(r.height, 168.7, 1e-9);
    EXPECT_DOUBLE_EQ(r.correctionAge, 1.4);
    EXPECT_EQ(r.validFlags,
              ValidFlag::LatLon | ValidFlag::Height | ValidFlag::Dop | ValidFlag::CorrectionAge);
    const DecodedRecord grid =
        decode("$GNGNS,112257.00,6000.0,N,02400.0,E,RR,14,0.6,120.5,48.2,1.4,0031,V*00", true);
    EXPECT_TRUE(grid.has(ValidFlag::Grid));
    EXPECT_GT(grid.localX, 6.6e6);

    struct Row {
        const char* mode;
        std::uint8_t fixType;
    };
    const Row modes[] = {
        // Each letter is the GGA quality it stands for.
        {"N", 0}, {"A", 1}, {"D", 2}, {"P", 3}, {"R", 4}, {"F", 5}, {"E", 6}, {"M", 7}, {"S", 8},
        {"", FixType::NoPosition}, {"NNNN", FixType::NoPosition}, {"X", FixType::StandAlone},
        // One letter per system: the best counts, a measured position
        // above an estimated, manual or simulated one.
        {"AN", 1}, {"NR", 4}, {"FA", 5}, {"FR", 4}, {"DFN", 5}, {"NDD", 2}, {"AD", 2},
        {"PD", 3}, {"EA", 1}, {"SE", 6}, {"MS", 7}, {"PF", 5},
    };
    for (const Row& row : modes) {
        const DecodedRecord m = decode(std::string("$GPGNS,112257.00,3844.2,N,00908.4,W,") +
                                       row.mode + ",03,10.5,,,,*57");
        ASSERT_EQ(m.valid, 1) << row.mode;
        EXPECT_EQ(m.fixType, row.fixType) << row.mode;
    }

    // The NMEA 3.0 form ends with the station; shorter ones are refused.
    EXPECT_EQ(decode("$GPGNS,112257.00,3844.2,N,00908.4,W,AN,03,10.5,,,,*57").valid, 1);
    EXPECT_EQ(decode("$GPGNS,112257.00,3844.2,N,00908.4,W,AN,03,10.5,,,*57").valid, 0);
    EXPECT_EQ(decode("$GPGNS,112257.00,,,,,N,00,,,,,*57").valid, 0);  // no position yet
    EXPECT_EQ(decode("$GPGNS,11,3844.2,N,00908.4,W,A,03,1,,,,*57").valid, 0);  // short time
}

TEST(NmeaDates, RmcAndZdaGiveSecondsSince1970)
{
    const double noon = 12 * 3600.0;
    struct Row {
        const char* legend;
        std::string sentence;
        double time;  // negative: refused
    };
    const Row rows[] = {
        {"RMC", "$GPRMC,120000,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A",
         days(1994, 3, 23) * kDay + noon},
        {"RMC void gives no date", "$GPRMC,120000.00,V,0000.0000,N,00000.0000,E,,,161206,,,N*45", -1},
        {"RMC of unknown status", "$GPRMC,120000,X,,,,,,,010120,,*00", -1},
        {"RMC of NMEA 4.10", "$GNRMC,120000.00,A,4552.654,S,17030.006,E,0.025,,120419,,,A,V*07",
         days(2019, 4, 12) * kDay + noon},
        {"RMC year 79 is 2079", "$GPRMC,120000,A,,,,,,,010179,,*00", days(2079, 1, 1) * kDay + noon},
        {"RMC year 80 is 1980", "$GPRMC,120000,A,,,,,,,010180,,*00", days(1980, 1, 1) * kDay + noon},
        {"RMC date as the last field", "$GPRMC,120000,A,,,,,,,290200*00", days(2000, 2, 29) * kDay + noon},
        {"RMC leap second", "$GPRMC,235960,A,,,,,,,311216,,*00", days(2017, 1, 1) * kDay},
        {"RMC without date", "$GPRMC,120000,A,,,,,,,,,*00", -1},
        {"RMC date of five digits", "$GPRMC,120000,A,,,,,,,23039,,*00", -1},
        {"RMC date with a sign", "$GPRMC,120000,A,,,,,,,+23039,,*00", -1},
        {"RMC 29 February 2019", "$GPRMC,120000,A,,,,,,,290219,,*00", -1},
        {"RMC month 13", "$GPRMC,120000,A,,,,,,,011320,,*00", -1},
        {"RMC day 0", "$GPRMC,120000,A,,,,,,,000120,,*00", -1},
        {"RMC cut short", "$GPRMC,000344.03,A,4808.9992,N,4,02.3*05", -1},
        {"RMC without time", "$GPRMC,,V,,,,,,,010120,,*00", -1},
        {"RMC seconds with an exponent", "$GNRMC,235952e6013,A,,,,,,,311216,,*00", -1},
        {"RMC past 24:00", "$GPRMC,240100,A,,,,,,,311216,,*00", -1},
        {"RMC negative hours", "$GPRMC,-10000,A,,,,,,,311216,,*00", -1},
        {"RMC last instant of a leap second", "$GPRMC,235960.99,A,,,,,,,311216,,*00",
         days(2017, 1, 1) * kDay + 0.99},
        {"ZDA", "$GNZDA,120000.00,12,04,2019,00,00*7C", days(2019, 4, 12) * kDay + noon},
        {"ZDA without zone", "$GPZDA,120000.00,22,08,1999,,*67", days(1999, 8, 22) * kDay + noon},
        {"ZDA year last", "$GPZDA,120000.00,22,08,1999*67", days(1999, 8, 22) * kDay + noon},
        {"ZDA 31 April", "$GPZDA,120000.00,31,04,2019,,*67", -1},
        {"ZDA two-digit year", "$GPZDA,120000.00,22,08,99,,*67", -1},
        {"ZDA before 1980", "$GPZDA,120000.00,31,12,1979,,*67", -1},
        {"ZDA 2999", "$GPZDA,120000.00,31,12,2999,,*67", days(2999, 12, 31) * kDay + noon},
        {"ZDA 3000", "$GPZDA,120000.00,01,01,3000,,*67", -1},
        {"ZDA empty day", "$GPZDA,120000.00,,08,1999,,*67", -1},
        {"ZDA without time", "$GPZDA,,22,08,1999,,*67", -1},
        {"ZDA seconds with an exponent", "$GPZDA,120001e9,22,08,1999,,*67", -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        const DecodedRecord r = decode(row.sentence);
        if (row.time < 0) {
            EXPECT_EQ(r.valid, 0);
            continue;
        }
        ASSERT_EQ(r.valid, 1);
        EXPECT_EQ(r.framePart, FramePart::Date);
        EXPECT_DOUBLE_EQ(r.time, row.time);
        EXPECT_EQ(r.validFlags, 0u);  // the RMC's position is not a record
    }
    // The calendar itself.
    EXPECT_EQ(days(1970, 1, 1), 0);
    EXPECT_EQ(days(2000, 3, 1), 11017);
    std::int64_t d = 0;
    EXPECT_FALSE(nmea::daysSinceEpoch(2019, 0, 1, d));
    EXPECT_FALSE(nmea::daysSinceEpoch(2019, 2, 29, d));
    EXPECT_TRUE(nmea::daysSinceEpoch(2020, 2, 29, d));
    EXPECT_FALSE(nmea::daysSinceEpoch(-1, 1, 1, d));
}

TEST(NmeaGsa, CountsUsedSatellitesPerSystem)
{
    struct Row {
        const char* legend;
        std::string sentence;
        int gps;  // negative: refused
        int glonass;
    };
    const Row rows[] = {
        {"system ID GPS", "$GNGSA,A,3,13,16,21,15,10,29,27,20,,,,,1.05,0.64,0.83,1*03", 8, 0},
        {"system ID GLONASS", "$GNGSA,A,3,82,66,81,,,,,,,,,,1.05,0.64,0.83,2*0C", 0, 3},
        {"system ID GLONASS with slot numbers", "$GNGSA,A,3,1,2,3,4,,,,,,,,,1.0,0.6,0.8,2*0C", 0, 4},
        {"system ID Galileo", "$GNGSA,A,3,07,12,33,,,,,,,,,,1.05,0.64,0.83,3*0A", 0, 0},
        {"system ID BeiDou", "$GNGSA,A,3,13,12,22,19,08,21,,,,,,,1.05,0.64,0.83,4*0B", 0, 0},
        {"ranges: GPS", "$GNGSA,A,3,15,17,30,28,01,19,24,11,,,,,1.8,0.9,1.5*2C", 8, 0},
        {"ranges: GLONASS", "$GNGSA,A,3,73,82,,,,,,,,,,,1.8,0.9,1.5*26", 0, 2},
        {"ranges: mixed with SBAS", "$GPGSA,A,3,01,32,33,64,65,96,97,0,,,,,1.8,0.9,1.5*26", 2, 2},
        {"ranges: Galileo talker", "$GAGSA,A,3,01,02,03,,,,,,,,,,1.8,0.9,1.5*26", 0, 0},
        {"ranges: BeiDou talker", "$BDGSA,A,3,01,02,03,,,,,,,,,,1.8,0.9,1.5*26", 0, 0},
        {"ranges: GLONASS talker", "$GLGSA,A,3,65,66,,,,,,,,,,,1.8,0.9,1.5*26", 0, 2},
        {"empty system ID", "$GNGSA,A,3,01,02,,,,,,,,,,,1.8,0.9,1.5,*26", 2, 0},
        {"no fix", "$GPGSA,A,1,,,,,,,,,,,,,,,*1E", 0, 0},
        {"eleven PRN fields", "$GPGSA,A,3,1,2,,,,,,,,,,1.8,0.9*26", -1, 0},
        {"no DOP", "$GPGSA,A,3,1,2,,,,,,,,,,*26", -1, 0},
        {"cut by another sentence", "$GPGSA,A,1,,$GPRMC,235949.00,V,0000.0000,N*44", -1, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        const DecodedRecord r = decode(row.sentence);
        if (row.gps < 0) {
            EXPECT_EQ(r.valid, 0);
            continue;
        }
        ASSERT_EQ(r.valid, 1);
        EXPECT_EQ(r.framePart, FramePart::Satellites);
        EXPECT_EQ(r.gpsSatellites, row.gps);
        EXPECT_EQ(r.glonassSatellites, row.glonass);
        EXPECT_EQ(r.validFlags, 0u);
    }
    // The system ID rides in satellites, 0 without one.
    EXPECT_EQ(decode("$GNGSA,A,3,07,12,33,,,,,,,,,,1.05,0.64,0.83,3*0A").satellites, 3);
    EXPECT_EQ(decode("$GNGSA,A,3,73,82,,,,,,,,,,,1.8,0.9,1.5*26").satellites, 0);
}

TEST(NmeaEpochSentences, EveryPrefixOfASentenceDecodesWithoutHarm)
{
    // Cut anywhere (the sanitizers watch the reads), a sentence is refused
    // or gives finite fields.
    const std::string sentences[] = {
        "$GNGST,003956.00,235111,,,,2.3,3.5,4.0*46",
        "$GNGNS,112257.00,3844.24011,N,00908.43828,W,RR,14,0.6,120.5,48.2,1.4,0031,V*00",
        "$GNRMC,003956.00,A,4552.65403,S,17030.00668,E,0.025,,120419,,,A,V*07",
        "$GNZDA,003956.00,12,04,2019,00,00*7C",
        "$GNGSA,A,3,13,16,21,15,10,29,27,20,,,,,1.05,0.64,0.83,1*03",
    };
    for (const std::string& sentence : sentences) {
        for (std::size_t n = 0; n <= sentence.size(); ++n) {
            const DecodedRecord r = decode(sentence.substr(0, n));
            for (const double v : {r.time, r.latitude, r.longitude, r.height, r.errorEstimate}) {
                EXPECT_TRUE(std::isfinite(v)) << sentence.substr(0, n);
            }
        }
    }
}

}  // namespace
}  // namespace gnsslog
