// Calendar seconds, ISO 8601 times, the leap-second table and the bridge
// between a rover's clock and a reference's.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>

#include "log/formats/Formats.h"
#include "reference/CivilTime.h"
#include "reference/ClockBridge.h"
#include "reference/LeapSeconds.h"
#include "tests/core/pipeline_test_support.h"

namespace gnsslog {
namespace {

constexpr double kHour = 3600;

TEST(CivilTime, GpsWeekAndSecondsAgreeWithTheCalendar)
{
    // The MatRTKLIB car run's first epoch: week 2270, 194670 s is
    // 2023-07-11 06:04:30 GPST (both written in its files).
    EXPECT_EQ(secondsOfDate(2023, 7, 11) + 6 * kHour + 4 * 60 + 30, 2270 * kSecondsPerWeek + 194670);
    EXPECT_EQ(secondsOfDate(1980, 1, 6), 0);
    // 2000 is a leap year, 1900 is not.
    EXPECT_EQ(daysFromCivil(2000, 3, 1) - daysFromCivil(2000, 2, 28), 2);
    EXPECT_EQ(daysFromCivil(1900, 3, 1) - daysFromCivil(1900, 2, 28), 1);
    EXPECT_EQ(daysFromCivil(1970, 1, 1), 0);
}

TEST(CivilTime, Iso8601TimesInTheirAcceptedForms)
{
    const double base = secondsOfDate(2023, 7, 11) + 6 * kHour;
    const struct {
        std::string_view text;
        double seconds;
    } good[] = {
        {"2023-07-11T06:00:00", base},
        {"2023-07-11 06:00:00Z", base},
        {"2023-07-11T06:00:00.25", base + 0.25},
        {"2023-07-11T06:00:00.123456789012345678901234567890", base + 0.123456789012345678},
        {"2023-07-11T08:00:00+02:00", base},
        {"2023-07-11T05:30:00-0030", base},
        {"2024-02-29T06:00:00", secondsOfDate(2024, 2, 29) + 6 * kHour},
    };
    for (const auto& row : good) {
        double seconds = -1;
        EXPECT_TRUE(parseIso8601(row.text, seconds)) << row.text;
        EXPECT_DOUBLE_EQ(seconds, row.seconds) << row.text;
    }
    for (const std::string_view bad :
         {"", "2023-07-11", "2023-07-11T06:00", "2023-13-11T06:00:00", "2023-02-29T06:00:00",
          "2023-07-11T24:00:00", "2023-07-11T06:60:00", "2023-07-11T06:00:60", "2023/07/11 06:00:00",
          "2023-07-11T06:00:00.", "2023-07-11T06:00:00 junk", "2023-07-11T06:00:00+2", "2023-07-11T06:00:00+02:60",
          "2023-07-1xT06:00:00", "+023-07-11T06:00:00"}) {
        double seconds = -1;
        EXPECT_FALSE(parseIso8601(bad, seconds)) << bad;
        EXPECT_EQ(seconds, -1) << bad;
    }
}

TEST(LeapSeconds, StepOnTheDatesOfIersBulletinC)
{
    const struct {
        double utc;
        int leaps;
    } rows[] = {
        {0, 0},
        {secondsOfDate(1981, 7, 1) - 1, 0},
        {secondsOfDate(1981, 7, 1), 1},
        {secondsOfDate(1999, 1, 1), 13},
        {secondsOfDate(2016, 12, 31) + 86399, 17},
        {secondsOfDate(2017, 1, 1), 18},
        {secondsOfDate(2026, 12, 9), 18},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(gpsMinusUtcSeconds(row.utc), row.leaps) << row.utc;
    }
}

TEST(LeapSeconds, GpsToUtcUndoesUtcToGpsAcrossALeap)
{
    const double leap = secondsOfDate(2017, 1, 1);
    for (double utc = leap - 3; utc <= leap + 3; utc += 0.5) {
        EXPECT_EQ(gpsToUtcSeconds(utcToGpsSeconds(utc)), utc) << utc - leap;
    }
    EXPECT_EQ(utcToGpsSeconds(leap), leap + 18);
    EXPECT_EQ(utcToGpsSeconds(leap - 1), leap - 1 + 17);
}

ReferenceTrajectory datedReference(double firstTime)
{
    ReferenceTrajectory reference;
    reference.clock = {TimeScale::Gps, DateKnown::FullDate};
    reference.epochs.resize(2);
    reference.epochs[0].time = firstTime;
    reference.epochs[1].time = firstTime + 1;
    return reference;
}

TEST(ClockBridge, CompletesATimeOfWeekWithTheReferencesWeek)
{
    const double week2270 = 2270 * kSecondsPerWeek;
    const ReferenceTrajectory reference = datedReference(week2270 + 194670);
    const auto bridge = ClockBridge::make({TimeScale::Gps, DateKnown::TimeOfWeek}, 194672.2, reference, 0);
    ASSERT_TRUE(bridge);
    EXPECT_TRUE(bridge->completedDate());
    EXPECT_EQ(bridge->toReference(194672.2), week2270 + 194672.2);
    // A rover that starts late on Saturday while the reference starts
    // after the week's end still meets it.
    const ReferenceTrajectory monday = datedReference(week2270 + 100);
    const auto late = ClockBridge::make({TimeScale::Gps, DateKnown::TimeOfWeek}, kSecondsPerWeek - 50, monday, 0);
    ASSERT_TRUE(late);
    EXPECT_EQ(late->toReference(kSecondsPerWeek - 50), week2270 - 50);
}

TEST(ClockBridge, UtcTimeOfDayGetsItsDateAndLeapSeconds)
{
    const double day = secondsOfDate(2023, 7, 11);
    const ReferenceTrajectory reference = datedReference(day + 6 * kHour);
    const auto bridge = ClockBridge::make({TimeScale::Utc, DateKnown::TimeOfDay}, 6 * kHour, reference, 0);
    ASSERT_TRUE(bridge);
    EXPECT_EQ(bridge->toReference(6 * kHour), day + 6 * kHour + 18);
    // The time offset shifts the rover.
    const auto shifted = ClockBridge::make({TimeScale::Utc, DateKnown::TimeOfDay}, 6 * kHour, reference, -2.5);
    ASSERT_TRUE(shifted);
    EXPECT_EQ(shifted->toReference(6 * kHour), day + 6 * kHour + 18 - 2.5);
}

TEST(ClockBridge, UndatedClocksMeetOnlyOnOneTimeScale)
{
    ReferenceTrajectory reference = datedReference(21870);
    reference.clock = {TimeScale::Gps, DateKnown::TimeOfDay};
    const auto week = ClockBridge::make({TimeScale::Gps, DateKnown::TimeOfWeek}, 2 * kSecondsPerDay + 21871, reference, 0);
    ASSERT_TRUE(week);
    EXPECT_FALSE(week->completedDate());
    EXPECT_EQ(week->toReference(2 * kSecondsPerDay + 21871), 21871);
    EXPECT_FALSE(ClockBridge::make({TimeScale::Utc, DateKnown::TimeOfDay}, 21871, reference, 0));
}

// The NMEA rover of a u-blox log against the NAV-PVT of the same receiver:
// UTC with the date its RMC gave, GPS time of week.
TEST(ClockBridge, DatedUtcRoverGetsItsLeapSecondsAgainstATimeOfWeek)
{
    const double day = secondsOfDate(2023, 7, 11);  // a Tuesday
    const double weekStart = std::floor(day / kSecondsPerWeek) * kSecondsPerWeek;
    ReferenceTrajectory reference = datedReference(day - weekStart + 6 * kHour + 18);
    reference.clock = {TimeScale::Gps, DateKnown::TimeOfWeek};
    const RecordClock rover{TimeScale::Utc, DateKnown::FullDate, day};
    const auto bridge = ClockBridge::make(rover, 6 * kHour, reference, 0);
    ASSERT_TRUE(bridge);
    EXPECT_TRUE(bridge->completedDate());
    EXPECT_EQ(bridge->toReference(6 * kHour), day - weekStart + 6 * kHour + 18);
    // Before the leap second of 2017-01-01 the difference was 17 s.
    const double before = secondsOfDate(2016, 12, 31);
    const double beforeWeek = std::floor(before / kSecondsPerWeek) * kSecondsPerWeek;
    reference.epochs[0].time = before - beforeWeek + kHour;
    reference.epochs[1].time = before - beforeWeek + kHour + 1;
    const auto old = ClockBridge::make({TimeScale::Utc, DateKnown::FullDate, before}, kHour, reference, 0);
    ASSERT_TRUE(old);
    EXPECT_EQ(old->toReference(kHour), before - beforeWeek + kHour + 17);
    // A dated GPS rover against a UTC time of day: the other way.
    reference.clock = {TimeScale::Utc, DateKnown::TimeOfDay};
    reference.epochs[0].time = 6 * kHour;
    reference.epochs[1].time = 6 * kHour + 1;
    const auto gps = ClockBridge::make({TimeScale::Gps, DateKnown::FullDate, day}, 6 * kHour, reference, 0);
    ASSERT_TRUE(gps);
    EXPECT_EQ(gps->toReference(6 * kHour + 18), 6 * kHour);
}

RecordClock clockOf(const InputFormat& format, std::string_view head)
{
    return format.recordClock(reinterpret_cast<const std::uint8_t*>(head.data()), head.size());
}

TEST(RecordClock, FormatsStateTheirTimeScaleAndDate)
{
    const RecordClock gpsWeek{TimeScale::Gps, DateKnown::TimeOfWeek};
    EXPECT_EQ(clockOf(nmeaFormat(), ""), (RecordClock{TimeScale::Utc, DateKnown::TimeOfDay}));
    for (const InputFormat* format : {&ubxFormat(), &sbfFormat(), &novatelFormat(), &navcomFormat()}) {
        EXPECT_EQ(clockOf(*format, ""), gpsWeek) << format->name();
    }
    // A .pos file says it in its header and its first solution line that
    // decodes; a calendar line's date is where the times count from.
    const double day = secondsOfDate(2023, 7, 11);
    const struct {
        std::string_view head;
        RecordClock clock;
    } rows[] = {
        {"", gpsWeek},
        {"% program : RTKLIB\n%  GPST  latitude(deg)\n2270 194670.000 35.1 136.8 41.3 1 9\n", gpsWeek},
        {"% sol start : 2023/07/11 06:04:30.0 GPST\n%  UTC  latitude(deg)\n"
         "2023/07/11 06:04:12.000 35.1 136.8 41.3 1 9\n",
         {TimeScale::Utc, DateKnown::FullDate, day}},
        {"%  GPST  x-ecef(m)\r\n\r\n2023/07/11 06:04:30.000 1 2 3 1 9\r\n",
         {TimeScale::Gps, DateKnown::FullDate, day}},
        // No header: RTKLIB's default, GPS time.
        {"2023/07/11 06:04:30.000 1 2 3 1 9\n", {TimeScale::Gps, DateKnown::FullDate, day}},
        // JST is UTC + 9 h: its midnight is 15:00 UTC the day before.
        {"%  JST  latitude(deg) longitude(deg) height(m) Q ns\n2023/07/11 15:04:12.000 35.1 136.8 41.3 1 9\n",
         {TimeScale::Utc, DateKnown::FullDate, day - 9 * kHour}},
        // A time system of unknown offset, a date the calendar lacks: the
        // time of day only, as the decoder reads them.
        {"%  LOCAL  latitude(deg) longitude(deg) height(m) Q ns\n2023/07/11 06:04:30.000 35.1 136.8 41.3 1 9\n",
         {TimeScale::Gps, DateKnown::TimeOfDay}},
        {"%  UTC\n2023/02/30 06:04:30.000 35.1 136.8 41.3 1 9\n", {TimeScale::Utc, DateKnown::TimeOfDay}},
        // A line that does not decode gives no date; the next one does.
        {"%  GPST\n2023/07/10 23:59:59.000 35.1 north 41.3 1 9\n2023/07/11 00:00:00.000 1 2 3 1 9\n",
         {TimeScale::Gps, DateKnown::FullDate, day}},
        // Only the first solution line counts.
        {"%  GPST\n2270 194670.000 1 2 3 1 9\n2023/07/11 06:04:30.000 1 2 3 1 9\n", gpsWeek},
        {"%  GPST\n2023/07/11 06:04:30.000 1 2 3 1 9\n2023/07/12 06:04:30.000 1 2 3 1 9\n",
         {TimeScale::Gps, DateKnown::FullDate, day}},
        // A UTC header without a line that decodes.
        {"%  UTC  latitude(deg)\n", {TimeScale::Utc, DateKnown::TimeOfWeek}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(clockOf(posFormat(), row.head), row.clock) << row.head;
    }
    EXPECT_EQ(posFormat().recordClock(nullptr, 10), gpsWeek);
}

TEST(RecordClock, NmeaKeepsTheDateItsRecordsCountFrom)
{
    const RecordClock timeOfDay{TimeScale::Utc, DateKnown::TimeOfDay};
    const std::string gga = testing::nmeaSentence("GPGGA,172814.0,3723.46587704,N,12202.26957864,W,2,6,1.2,18.893,M,-25.669,M,2.0,0031");
    const std::string gga2 = testing::nmeaSentence("GPGGA,172815.0,3723.46587704,N,12202.26957864,W,2,6,1.2,18.893,M,-25.669,M,2.0,0031");
    const std::string rmcFix = testing::nmeaSentence("GPRMC,172814.0,A,3723.46587704,N,12202.26957864,W,0.0,0.0,110723,,,D");
    const std::string rmcVoid = testing::nmeaSentence("GPRMC,172814.0,V,,,,,,,110723,,,N");
    const RecordClock dated{TimeScale::Utc, DateKnown::FullDate, secondsOfDate(2023, 7, 11)};
    const struct {
        const char* legend;
        std::string head;
        RecordClock clock;
    } rows[] = {
        {"no date", gga + gga2, timeOfDay},
        {"a date without a fix", gga + rmcVoid + gga2, timeOfDay},
        {"a date and a record", gga + rmcFix + gga2, dated},
        {"a date after the last record", gga + rmcFix, dated},
        {"a date between binary bytes", std::string("\xb5\x62\x01\x07$GP", 8) + gga + rmcFix, dated},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(clockOf(nmeaFormat(), row.head), row.clock) << row.legend;
    }
    EXPECT_EQ(nmeaFormat().recordClock(nullptr, 10), timeOfDay);
}

}  // namespace
}  // namespace gnsslog
