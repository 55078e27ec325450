// Calendar .pos files state their date and time scale to the record clock,
// so that a UTC or GPST rover meets a reference in GPS week and seconds
// across midnight and the week's end, the leap seconds between them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "common/FormatNumber.h"
#include "log/Gpslog.h"
#include "log/Pipeline.h"
#include "log/formats/Formats.h"
#include "reference/CivilTime.h"
#include "reference/ClockBridge.h"
#include "reference/ReferenceFile.h"
#include "reference/TruthMatch.h"

namespace gnsslog {
namespace {

const std::uint8_t* bytesOf(const std::string& text)
{
    return reinterpret_cast<const std::uint8_t*>(text.data());
}

// The run: one epoch a second from 30 s before a GPS week's start (the
// Sunday's 00:00 GPST) to 30 s after it; the rover walks north so that a
// second's error is a metre.
constexpr int kRoverEpochs = 61;
constexpr int kSecondsBeforeWeek = 30;
// The reference starts earlier and ends later: every rover epoch lies inside.
constexpr int kReferenceMargin = 5;
constexpr double kDegreesPerSecond = 1e-5;  // about 1.1 m/s north

std::string solution(const std::string& time, int epoch)
{
    return time + "   " + formatFixed(60.0 + epoch * kDegreesPerSecond, 9) + "  24.900000000    10.0000   1   9\n";
}

struct Saturday {
    int year;
    unsigned month;
    unsigned day;
    int leapSeconds;  // GPS time minus UTC that day
    const char* saturdayText;
    const char* sundayText;

    // The GPS week the Sunday after it begins.
    std::int64_t nextWeek() const
    {
        return std::llround((secondsOfDate(year, month, day) + kSecondsPerDay) / kSecondsPerWeek);
    }
    // A calendar time, seconds from this Saturday's 00:00 on the line's scale.
    std::string calendar(std::int64_t seconds) const
    {
        const std::int64_t ofDay = seconds % 86400;
        return std::string(seconds < 86400 ? saturdayText : sundayText) + ' ' + formatInt(ofDay / 3600, 2) +
               ':' + formatInt(ofDay / 60 % 60, 2) + ':' + formatInt(ofDay % 60, 2) + ".000";
    }
};

// GPST week and seconds, the week rolling over.
std::string weekSecondsReference(const Saturday& saturday)
{
    std::string text = "%  GPST          latitude(deg) longitude(deg)  height(m)   Q  ns\n";
    for (int epoch = -kReferenceMargin; epoch < kRoverEpochs + kReferenceMargin; ++epoch) {
        const int ofWeek = epoch - kSecondsBeforeWeek;
        const std::int64_t week = saturday.nextWeek() + (ofWeek < 0 ? -1 : 0);
        const std::int64_t seconds = ofWeek < 0 ? 604800 + ofWeek : ofWeek;
        text += solution(formatInt(week, 4) + ' ' + formatInt(seconds) + ".000", epoch);
    }
    return text;
}

// The same epochs in calendar time on the named scale.
std::string calendarRover(const Saturday& saturday, bool utc)
{
    std::string text = std::string("%  ") + (utc ? "UTC " : "GPST") +
                       "                  latitude(deg) longitude(deg)  height(m)   Q  ns\n";
    const int behind = utc ? saturday.leapSeconds : 0;
    for (int epoch = 0; epoch < kRoverEpochs; ++epoch) {
        text += solution(saturday.calendar(86400 - kSecondsBeforeWeek + epoch - behind), epoch);
    }
    return text;
}

GNSSLog analyse(const std::string& log)
{
    GNSSLog result(TruthMode::Averaged, 0, 0, 0);
    DecodeOptions options;
    options.toKKJ = false;
    runPipelineOnBytes(result, bytesOf(log), log.size(), nullptr, options, posFormat(), PipelineOptions{});
    return result;
}

RecordClock clockOf(const std::string& log)
{
    return posFormat().recordClock(bytesOf(log), log.size());
}

TEST(PosDates, CalendarRoversMeetAWeekSecondsReferenceAcrossMidnightAndTheWeeksEnd)
{
    // 17 leap seconds in 2016, 18 since 2017; a month's and a leap year's end.
    for (const Saturday& saturday : {Saturday{2016, 1, 2, 17, "2016/01/02", "2016/01/03"},
                                     Saturday{2020, 2, 29, 18, "2020/02/29", "2020/03/01"},
                                     Saturday{2026, 1, 3, 18, "2026/01/03", "2026/01/04"}}) {
        const std::string referenceText = weekSecondsReference(saturday);
        const ReferenceLoad reference =
            trajectoryFromRecords(analyse(referenceText).records, clockOf(referenceText), "reference.pos", "pos");
        ASSERT_TRUE(reference.ok()) << reference.error;
        ASSERT_EQ(reference.trajectory.clock, (RecordClock{TimeScale::Gps, DateKnown::TimeOfWeek}));
        const double firstOfWeek = reference.trajectory.epochs.front().time + kReferenceMargin;

        for (const bool utc : {false, true}) {
            SCOPED_TRACE(saturday.calendar(0) + (utc ? " UTC" : " GPST"));
            const std::string roverText = calendarRover(saturday, utc);
            const RecordClock clock = clockOf(roverText);
            EXPECT_EQ(clock, (RecordClock{utc ? TimeScale::Utc : TimeScale::Gps, DateKnown::FullDate,
                                          secondsOfDate(saturday.year, saturday.month, saturday.day)}));
            const GNSSLog rover = analyse(roverText);
            ASSERT_EQ(rover.records.size(), static_cast<std::size_t>(kRoverEpochs));
            // The record times stay seconds of the first day, past midnight.
            const int behind = utc ? saturday.leapSeconds : 0;
            EXPECT_EQ(rover.records.front().time, 86400 - kSecondsBeforeWeek - behind);
            EXPECT_EQ(rover.records.back().time, 86400 - kSecondsBeforeWeek - behind + kRoverEpochs - 1);
            EXPECT_EQ(rover.dataQuality.dayWraps, 1u);

            const TruthMatch match = matchRecords(rover.records, clock, reference.trajectory, {});
            EXPECT_TRUE(match.completedDate);
            EXPECT_EQ(match.count(TruthCause::Matched), static_cast<std::size_t>(kRoverEpochs));
            double worst = 0;
            for (const RecordTruth& m : match.records) {
                worst = std::max(worst, std::hypot(m.error.north, m.error.east));
            }
            EXPECT_LT(worst, 1e-3);

            // Each record lands on the reference's second of the same
            // instant: a UTC time the leap seconds later than its figures.
            const auto bridge = ClockBridge::make(clock, rover.records.front().time, reference.trajectory, 0);
            ASSERT_TRUE(bridge);
            for (int epoch = 0; epoch < kRoverEpochs; ++epoch) {
                ASSERT_NEAR(bridge->toReference(rover.records[static_cast<std::size_t>(epoch)].time),
                            firstOfWeek + epoch, 1e-6)
                    << epoch;
            }
            if (utc) {
                // Read as GPS time the same figures fall the leap seconds early.
                RecordClock asGps = clock;
                asGps.scale = TimeScale::Gps;
                const auto wrong = ClockBridge::make(asGps, rover.records.front().time, reference.trajectory, 0);
                ASSERT_TRUE(wrong);
                EXPECT_NEAR(bridge->toReference(rover.records.front().time) -
                                wrong->toReference(rover.records.front().time),
                            saturday.leapSeconds, 1e-6);
            }
        }
    }
}

}  // namespace
}  // namespace gnsslog
