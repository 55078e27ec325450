// The six summary texts: formats to the character, degrees-minutes-seconds,
// time texts and the altitude-accuracy rule.
#include <cfloat>
#include <clocale>
#include <limits>
#include <string>
#include <cmath>

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

}  // namespace
}  // namespace gnsslog
