// The six summary texts: formats to the character, degrees-minutes-seconds,
// time texts and the altitude-accuracy rule.
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "log/Gpslog.h"
#include "log/Summary.h"

namespace gnsslog {
namespace {

GNSSRecord fixedRecord(double height, std::uint32_t flags = ValidFlag::Height)
{
    GNSSRecord r;
    r.fixType = FixType::RtkFixed;
    r.height = height;
    r.validFlags = flags;
    r.valid = 1;
    return r;
}

TEST(DegreesToDms, SplitsWithFloorSoNegativeAnglesKeepPositiveMinutes)
{
    struct Case {
        double angle;
        std::int32_t degrees, minutes;
        double seconds;
    } const cases[] = {
        {60.5, 60, 30, 0.0},
        {-0.5, -1, 30, 0.0},
        {24.25, 24, 15, 0.0},
        {60.0, 60, 0, 0.0},
        {-24.75, -25, 15, 0.0},
    };
    for (const Case& c : cases) {
        const Dms dms = DegreesToDms(c.angle);
        EXPECT_EQ(dms.degrees, c.degrees) << c.angle;
        EXPECT_EQ(dms.minutes, c.minutes) << c.angle;
        EXPECT_EQ(dms.seconds, c.seconds) << c.angle;
    }
    // 60 + 12/60 + 30.5/3600: the seconds come out within rounding.
    const Dms dms = DegreesToDms(60.0 + 12.0 / 60 + 30.5 / 3600);
    EXPECT_EQ(dms.degrees, 60);
    EXPECT_EQ(dms.minutes, 12);
    EXPECT_NEAR(dms.seconds, 30.5, 1e-6);
}

TEST(DegreesToDms, NonFiniteAnglesSaturateInsteadOfOverflowing)
{
    EXPECT_EQ(DegreesToDms(NAN).degrees, 0);
    EXPECT_EQ(DegreesToDms(1e300).degrees, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(DegreesToDms(-1e300).degrees, std::numeric_limits<std::int32_t>::min());
}

TEST(HoursMinutes, TruncatesAndDoesNotReduceModulo24)
{
    EXPECT_EQ(hoursMinutes(3599.9).hours, 0u);
    EXPECT_EQ(hoursMinutes(3599.9).minutes, 59u);
    EXPECT_EQ(hoursMinutes(7260).hours, 2u);
    EXPECT_EQ(hoursMinutes(7260).minutes, 1u);
    EXPECT_EQ(hoursMinutes(200000).hours, 55u);
    EXPECT_EQ(hoursMinutes(200000).minutes, 33u);
    // Negative values wrap as a 32-bit unsigned number.
    EXPECT_EQ(hoursMinutes(-1).hours, 0xFFFFFFFFu / 3600);
}

TEST(SummaryTexts, EveryLabelOfATypicalAnalysis)
{
    GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    log.records = {fixedRecord(45.01), fixedRecord(45.03), fixedRecord(45.0, 0)};
    GNSSRecord single;
    single.fixType = FixType::StandAlone;
    single.height = 45.0;
    single.validFlags = ValidFlag::Height;
    log.records.push_back(single);
    log.rtkFixCount = 3;
    log.fixLostCount = 1;
    log.avgLatitude = 60.5;
    log.avgLongitude = -0.5;
    log.avgZ = 45.0;
    log.avgX = 6676543.25;
    log.avgY = 2549876.5;
    log.maxErrorX = 0.125;
    log.maxErrorY = 1.5;
    log.maxErrorZ = 0.03;
    log.startTime = 3599.9;
    log.endTime = 3599.9 + 7260;

    const SummaryTexts t = summaryTexts(log);
    EXPECT_EQ(t.label1, "Log file loaded, 4 records readed,RTK fix 75.00%. Fix lost 1 times");
    EXPECT_EQ(t.label2,
              "Truth coordinates(averaged): LAT: 60\u00BA 30\" 0.000000 ' LON: -1\u00BA 30\" "
              "0.000000 ' ALT: 45.0000");
    EXPECT_EQ(t.label3, "Max errors: X: 0.12 Y: 1.50 Z: 0.03 ");
    EXPECT_EQ(t.label4, "Start time: 00:59 (utc) time scale: 2 hours 1 minutes");
    // 45.01 is within 3 cm, 45.03 is not (strictly less), the record
    // without a height does not count but is in the denominator: 1 / 3.
    EXPECT_EQ(t.label5, "Alt accuracy better than +-3cm: 33.33%");
    EXPECT_EQ(t.label6,
              "Truth coordinates(cartesian/local averaged): X: 6676543.250000000,Y: "
              "2549876.500000000,Z: 45.0000");
}

TEST(SummaryTexts, NoFixedRecordsGiveZeroShareAndUnavailable)
{
    GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    GNSSRecord single;
    single.fixType = FixType::StandAlone;
    single.validFlags = ValidFlag::Height;
    log.records = {single, single};
    const SummaryTexts t = summaryTexts(log);
    EXPECT_EQ(t.label1, "Log file loaded, 2 records readed,RTK fix 0.00%. Fix lost 0 times");
    EXPECT_EQ(t.label5, "Alt accuracy better than +-3cm: UNAVAILABLE");
}

TEST(SummaryTexts, FixedButNoneWithin3cmIsUnavailableNotZero)
{
    GNSSLog log(TruthMode::Manual, 0, 0, 45.0);
    log.records = {fixedRecord(45.05), fixedRecord(44.96)};
    log.rtkFixCount = 2;
    log.avgZ = 45.0;  // compared with the average whatever the truth mode
    EXPECT_EQ(summaryTexts(log).label5, "Alt accuracy better than +-3cm: UNAVAILABLE");
    log.avgZ = 45.04;
    EXPECT_EQ(summaryTexts(log).label5, "Alt accuracy better than +-3cm: 50.00%");
}

TEST(SummaryTexts, StartHourAbove23ForTimeOfWeekLogs)
{
    GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    log.records.resize(1);
    log.startTime = 200000;
    log.endTime = 200000 + 59.9;
    EXPECT_EQ(summaryTexts(log).label4, "Start time: 55:33 (utc) time scale: 0 hours 0 minutes");
}

TEST(SummaryTexts, EmptyAnalysisIsFormattedWithoutFault)
{
    const GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    ASSERT_EQ(log.startTime, DBL_MAX);
    const SummaryTexts t = summaryTexts(log);
    EXPECT_EQ(t.label1, "Log file loaded, 0 records readed,RTK fix 0.00%. Fix lost 0 times");
    EXPECT_EQ(t.label5, "Alt accuracy better than +-3cm: UNAVAILABLE");
    EXPECT_FALSE(t.label4.empty());
}

TEST(SummaryTexts, NumbersIgnoreTheProcessLocale)
{
    GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    log.maxErrorX = 1.25;
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    // A comma-decimal locale, when the machine has one.
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr &&
        std::setlocale(LC_NUMERIC, "fi_FI.UTF-8") == nullptr) {
        GTEST_SKIP() << "no comma-decimal locale installed";
    }
    const std::string text = summaryTexts(log).label3;
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(text, "Max errors: X: 1.25 Y: 0.00 Z: 0.00 ");
}


// The summary's number formats, one table per label: literal inputs and the
// literal text the window shows. Expected digits are those of C printf with
// the label's format ("%0.2f", "%0.6f", "%0.4f", "%0.9f", "%02d"): the
// decimal value of the double rounded to nearest, ties to even, "-" kept on
// a negative value that rounds to zero. The degree sign is U+00BA in UTF-8.

TEST(SummaryFormats, RecordCountFixShareAndLosses)
{
    struct Case {
        const char* legend;
        std::size_t records;
        std::int32_t fixed;
        std::int32_t lost;
        const char* label1;
    } const cases[] = {
        {"two thirds round up", 3, 2, 1,
         "Log file loaded, 3 records readed,RTK fix 66.67%. Fix lost 1 times"},
        {"one third rounds down", 3, 1, 0,
         "Log file loaded, 3 records readed,RTK fix 33.33%. Fix lost 0 times"},
        {"every record fixed", 3, 3, 0,
         "Log file loaded, 3 records readed,RTK fix 100.00%. Fix lost 0 times"},
        {"exact share", 8, 1, 123,
         "Log file loaded, 8 records readed,RTK fix 12.50%. Fix lost 123 times"},
        {"one seventh", 7, 1, 2, "Log file loaded, 7 records readed,RTK fix 14.29%. Fix lost 2 times"},
        {"many records", 100000, 99999, 70000,
         "Log file loaded, 100000 records readed,RTK fix 100.00%. Fix lost 70000 times"},
    };
    for (const Case& c : cases) {
        GNSSLog log(TruthMode::Averaged, 0, 0, 0);
        log.records.resize(c.records);
        log.rtkFixCount = c.fixed;
        log.fixLostCount = c.lost;
        EXPECT_EQ(summaryTexts(log).label1, c.label1) << c.legend;
    }
}

TEST(SummaryFormats, TruthDegreesMinutesSecondsAndHeight)
{
    struct Case {
        const char* legend;
        double latitude, longitude, height;
        const char* label2;
    } const cases[] = {
        {"half degrees, west", 60.5, -0.5, 45.0,
         "Truth coordinates(averaged): LAT: 60\u00BA 30\" 0.000000 ' LON: -1\u00BA 30\" 0.000000 ' "
         "ALT: 45.0000"},
        {"Helsinki", 60.1699, 24.9384, 45.1234,
         "Truth coordinates(averaged): LAT: 60\u00BA 10\" 11.640000 ' LON: 24\u00BA 56\" 18.240000 ' "
         "ALT: 45.1234"},
        {"south-west, negative height rounds to 4 decimals", -33.8688, -151.2093, -12.00005,
         "Truth coordinates(averaged): LAT: -34\u00BA 7\" 52.320000 ' LON: -152\u00BA 47\" 26.520000 ' "
         "ALT: -12.0000"},
        {"seconds just below a minute; height rounds up", 60.999999999, 0.0, 0.00005,
         "Truth coordinates(averaged): LAT: 60\u00BA 59\" 59.999996 ' LON: 0\u00BA 0\" 0.000000 ' "
         "ALT: 0.0001"},
        {"seconds that round to 60 are shown as 60", 24.499999999999, -1e-12, 123.45675,
         "Truth coordinates(averaged): LAT: 24\u00BA 29\" 60.000000 ' LON: -1\u00BA 59\" 60.000000 ' "
         "ALT: 123.4567"},
        {"zero, negative zero and a height that rounds to -0", 0.0, -0.0, -0.00004,
         "Truth coordinates(averaged): LAT: 0\u00BA 0\" 0.000000 ' LON: 0\u00BA 0\" 0.000000 ' "
         "ALT: -0.0000"},
        {"poles and a large height", 90.0, -180.0, 1e7,
         "Truth coordinates(averaged): LAT: 90\u00BA 0\" 0.000000 ' LON: -180\u00BA 0\" 0.000000 ' "
         "ALT: 10000000.0000"},
        {"seconds with a fraction", 60.0 + 12.0 / 60 + 30.5 / 3600, 8848.86 / 1000, 8848.86,
         "Truth coordinates(averaged): LAT: 60\u00BA 12\" 30.500000 ' LON: 8\u00BA 50\" 55.896000 ' "
         "ALT: 8848.8600"},
    };
    for (const Case& c : cases) {
        GNSSLog log(TruthMode::Averaged, 0, 0, 0);
        log.avgLatitude = c.latitude;
        log.avgLongitude = c.longitude;
        log.avgZ = c.height;
        EXPECT_EQ(summaryTexts(log).label2, c.label2) << c.legend;
    }
}

TEST(SummaryFormats, MaxErrorsWithTwoDecimals)
{
    struct Case {
        const char* legend;
        double x, y, z;
        const char* label3;
    } const cases[] = {
        {"zero", 0, 0, 0, "Max errors: X: 0.00 Y: 0.00 Z: 0.00 "},
        {"binary values just below and above the tie", 2.675, 1.005, 0.135,
         "Max errors: X: 2.67 Y: 1.00 Z: 0.14 "},
        {"an exact tie goes to even; 0.005 is just above it", 0.125, 0.005, 0.0049999,
         "Max errors: X: 0.12 Y: 0.01 Z: 0.00 "},
        {"negative values, one rounding to -0", -1.5, -0.004, -0.0,
         "Max errors: X: -1.50 Y: -0.00 Z: -0.00 "},
        {"carry into a new digit", 99.995, 1234.565, 9.999,
         "Max errors: X: 100.00 Y: 1234.57 Z: 10.00 "},
        {"large values", 1e15, 1e22, 123456789.125,
         "Max errors: X: 1000000000000000.00 Y: 10000000000000000000000.00 Z: 123456789.12 "},
        {"infinity", std::numeric_limits<double>::infinity(),
         -std::numeric_limits<double>::infinity(), 1,
         "Max errors: X: inf Y: -inf Z: 1.00 "},
    };
    for (const Case& c : cases) {
        GNSSLog log(TruthMode::Averaged, 0, 0, 0);
        log.maxErrorX = c.x;
        log.maxErrorY = c.y;
        log.maxErrorZ = c.z;
        EXPECT_EQ(summaryTexts(log).label3, c.label3) << c.legend;
    }
}

TEST(SummaryFormats, StartTimeAndLengthInWholeMinutes)
{
    struct Case {
        const char* legend;
        double start, end;
        const char* label4;
    } const cases[] = {
        {"zero", 0, 0, "Start time: 00:00 (utc) time scale: 0 hours 0 minutes"},
        {"fractions are truncated", 3599.9, 3599.9 + 7260,
         "Start time: 00:59 (utc) time scale: 2 hours 1 minutes"},
        {"last minute of the day", 86399.99, 172799.5,
         "Start time: 23:59 (utc) time scale: 23 hours 59 minutes"},
        {"two-digit padding only", 36000.5, 36000.5 + 59.9,
         "Start time: 10:00 (utc) time scale: 0 hours 0 minutes"},
        {"time of week: hours beyond 23", 200000, 200000 + 86400 * 3,
         "Start time: 55:33 (utc) time scale: 72 hours 0 minutes"},
        {"negative start wraps as unsigned 32 bits", -1, 0,
         "Start time: 1193046:28 (utc) time scale: 0 hours 0 minutes"},
    };
    for (const Case& c : cases) {
        GNSSLog log(TruthMode::Averaged, 0, 0, 0);
        log.startTime = c.start;
        log.endTime = c.end;
        EXPECT_EQ(summaryTexts(log).label4, c.label4) << c.legend;
    }
}

TEST(SummaryFormats, HeightShareWithinThreeCentimetres)
{
    // |45 - h| is 0.0099..., 0.0300000000000011 (not within), 0.0200...,
    // 0.0298999...: three of the four fixed records.
    GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    log.records = {fixedRecord(45.01), fixedRecord(45.03), fixedRecord(44.98), fixedRecord(45.0299)};
    log.avgZ = 45.0;
    log.rtkFixCount = 4;
    EXPECT_EQ(summaryTexts(log).label5, "Alt accuracy better than +-3cm: 75.00%");
    log.rtkFixCount = 9;  // the count of fixed records, not of heights, is the denominator
    EXPECT_EQ(summaryTexts(log).label5, "Alt accuracy better than +-3cm: 33.33%");
    log.rtkFixCount = 7;
    EXPECT_EQ(summaryTexts(log).label5, "Alt accuracy better than +-3cm: 42.86%");
}

TEST(SummaryFormats, GridCoordinatesWithNineDecimals)
{
    struct Case {
        const char* legend;
        double x, y, z;
        const char* label6;
    } const cases[] = {
        {"zero", 0, 0, 0,
         "Truth coordinates(cartesian/local averaged): X: 0.000000000,Y: 0.000000000,Z: 0.0000"},
        {"KKJ grid, every digit kept", 6672345.123456789, 2552345.987654321, 45.1234,
         "Truth coordinates(cartesian/local averaged): X: 6672345.123456789,Y: 2552345.987654321,Z: "
         "45.1234"},
        {"tiny values: -0 and a round-up", -1.5e-10, 0.0000000005, -12.00005,
         "Truth coordinates(cartesian/local averaged): X: -0.000000000,Y: 0.000000001,Z: -12.0000"},
        {"negative and trailing zeros", -6654212.7255, 2500000, 123.45675,
         "Truth coordinates(cartesian/local averaged): X: -6654212.725500000,Y: 2500000.000000000,Z: "
         "123.4567"},
        {"large value", 1e22, 1e7 + 0.0000000005, 1e7,
         "Truth coordinates(cartesian/local averaged): X: 10000000000000000000000.000000000,Y: "
         "10000000.000000000,Z: 10000000.0000"},
    };
    for (const Case& c : cases) {
        GNSSLog log(TruthMode::Averaged, 0, 0, 0);
        log.avgX = c.x;
        log.avgY = c.y;
        log.avgZ = c.z;
        EXPECT_EQ(summaryTexts(log).label6, c.label6) << c.legend;
    }
}

}  // namespace
}  // namespace gnsslog
