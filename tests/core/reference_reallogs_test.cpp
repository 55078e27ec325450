// Reference trajectories from the real rover and reference pairs, read in
// place from ../shared/realdata/logs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "log/Gpslog.h"
#include "log/formats/Formats.h"
#include "reference/CivilTime.h"
#include "reference/ClockBridge.h"
#include "reference/ReferenceFile.h"
#include "reference/TrackError.h"
#include "reference/TruthMatch.h"

namespace gnsslog {
namespace {

namespace fs = std::filesystem;

fs::path realLog(const char* name)
{
    return fs::path(GNSSLOG_SOURCE_DIR) / ".." / "shared" / "realdata" / "logs" / name;
}

#define SKIP_WITHOUT(path)                                                                  \
    if (!fs::exists(path)) {                                                                \
        GTEST_SKIP() << "no real log " << (path);                                           \
    }

std::vector<GNSSRecord> roverRecords(const fs::path& path, const InputFormat& format)
{
    DecodeOptions options;
    options.toKKJ = false;
    return GNSSLog(path.c_str(), nullptr, options, format, TruthMode::Averaged, 0, 0, 0).records;
}

TEST(ReferenceRealLogs, MatRtklibRoverIsMatchedAgainstTheCsvReferenceEverywhere)
{
    const fs::path rover = realLog("taroz-matrtklib-kinematic-rover_rtk.pos");
    const fs::path csv = realLog("taroz-matrtklib-kinematic-reference.csv");
    SKIP_WITHOUT(rover);
    SKIP_WITHOUT(csv);
    const ReferenceLoad reference = loadReference(csv.string(), "");
    ASSERT_TRUE(reference.ok()) << reference.error;
    const ReferenceTrajectory& t = reference.trajectory;
    EXPECT_EQ(t.format, "csv");
    EXPECT_TRUE(t.hasVelocity);
    EXPECT_EQ(t.skipped, 0u);

    const std::vector<GNSSRecord> records = roverRecords(rover, posFormat());
    ASSERT_FALSE(records.empty());
    const RecordClock clock = logRecordClock(rover.string(), posFormat());
    EXPECT_EQ(clock, (RecordClock{TimeScale::Gps, DateKnown::TimeOfWeek}));
    const TruthMatch match = matchRecords(records, clock, t, {});
    EXPECT_TRUE(match.completedDate);
    EXPECT_EQ(match.withPosition, records.size());
    EXPECT_EQ(match.count(TruthCause::Matched), records.size());
    EXPECT_EQ(match.coverage(), 1.0);
    std::vector<double> fixedHorizontal;
    std::size_t withDirection = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const TrackError& error = match.records[i].error;
        withDirection += error.hasDirection ? 1 : 0;
        if (records[i].fixType == FixType::RtkFixed) {
            fixedHorizontal.push_back(std::hypot(error.north, error.east));
        }
    }
    // The car moves for most of the run and stands at its start.
    EXPECT_GT(withDirection, records.size() / 2);
    EXPECT_LT(withDirection, records.size());
    // The independent count puts the fixed epochs' median within a decimetre;
    // a clock off by a second (metres at the car's speed) could not reach it.
    ASSERT_FALSE(fixedHorizontal.empty());
    std::nth_element(fixedHorizontal.begin(), fixedHorizontal.begin() + fixedHorizontal.size() / 2,
                     fixedHorizontal.end());
    EXPECT_LT(fixedHorizontal[fixedHorizontal.size() / 2], 0.2);
    // Two seconds late, the rover's last epochs pass the reference's end.
    const TruthMatch late = matchRecords(records, clock, t, {0, 2.0});
    EXPECT_GT(late.count(TruthCause::OutsideSpan), 0u);
    EXPECT_EQ(late.count(TruthCause::Matched) + late.count(TruthCause::OutsideSpan), records.size());
}

// The Schaffen rover solved twice: in real time by the Septentrio receiver
// (its PVTGeodetic text export, 10 Hz, gaps of 0.2 and 0.3 s) and
// afterwards by RTKLIB from the same observations. The realdata README's
// independent comparison has a PVTGeodetic row at every .pos epoch and a
// horizontal difference of 0.028 m median, 0.18 m at 95 %.
TEST(ReferenceRealLogs, SchaffenPpkRoverAgainstTheReceiversOwnSolution)
{
    const fs::path rover = realLog("alainmuls-analysegnss-schaffen-rover-PPK.pos");
    const fs::path text = realLog("alainmuls-analysegnss-schaffen-rover-PVTGeodetic2.txt");
    SKIP_WITHOUT(rover);
    SKIP_WITHOUT(text);
    const ReferenceLoad reference = loadReference(text.string(), "");
    ASSERT_TRUE(reference.ok()) << reference.error;
    const ReferenceTrajectory& t = reference.trajectory;
    EXPECT_EQ(t.format, "csv");
    EXPECT_TRUE(t.hasVelocity);
    EXPECT_GT(t.epochs.size(), 8000u);
    EXPECT_EQ(t.skipped, 0u);

    const std::vector<GNSSRecord> records = roverRecords(rover, posFormat());
    ASSERT_GT(records.size(), 8000u);
    const TruthMatch match = matchRecords(records, logRecordClock(rover.string(), posFormat()), t, {});
    // Only epochs inside the reference's few gaps of more than 2.5 intervals
    // may lack truth.
    EXPECT_EQ(match.count(TruthCause::OutsideSpan) + match.count(TruthCause::NoDate), 0u);
    EXPECT_GT(match.coverage(), 0.99);
    std::vector<double> horizontal;
    for (const RecordTruth& m : match.records) {
        if (m.hasPosition && m.cause == TruthCause::Matched) {
            horizontal.push_back(std::hypot(m.error.north, m.error.east));
        }
    }
    ASSERT_FALSE(horizontal.empty());
    std::sort(horizontal.begin(), horizontal.end());
    EXPECT_LT(horizontal[horizontal.size() / 2], 0.05);
    EXPECT_LT(horizontal[horizontal.size() * 95 / 100], 0.3);
}

TEST(ReferenceRealLogs, TheTwoMatRtklibReferencesAgreeAtTheOneHertzEpochs)
{
    const fs::path pos = realLog("taroz-matrtklib-kinematic-reference_1Hz.pos");
    const fs::path csv = realLog("taroz-matrtklib-kinematic-reference.csv");
    SKIP_WITHOUT(pos);
    SKIP_WITHOUT(csv);
    const ReferenceLoad fine = loadReference(csv.string(), "");
    const ReferenceLoad coarse = loadReference(pos.string(), "");
    ASSERT_TRUE(fine.ok()) << fine.error;
    ASSERT_TRUE(coarse.ok()) << coarse.error;
    const ReferenceTrajectory& c = coarse.trajectory;
    EXPECT_EQ(c.format, "pos");
    // Dated: the epochs count from the GPS epoch.
    EXPECT_EQ(c.clock, (RecordClock{TimeScale::Gps, DateKnown::FullDate}));
    EXPECT_EQ(c.epochs.front().time, secondsOfDate(2023, 7, 11) + 6 * 3600 + 4 * 60 + 30);
    EXPECT_FALSE(c.hasVelocity);

    const auto bridge = ClockBridge::make(c.clock, c.epochs.front().time, fine.trajectory, 0);
    ASSERT_TRUE(bridge);
    double worst = 0;
    for (const ReferenceEpoch& e : c.epochs) {
        const TruthSample truth = truthAt(fine.trajectory.epochs, interpolationOf(fine.trajectory),
                                          bridge->toReference(e.time), defaultMaxGap(fine.trajectory));
        ASSERT_EQ(truth.cause, TruthCause::Matched) << e.time;
        worst = std::max(worst, std::hypot(truth.position.x - e.position.x, truth.position.y - e.position.y,
                                           truth.position.z - e.position.z));
    }
    EXPECT_LT(worst, 1e-3);
}

// The horizontal RMS of the matched epochs, metres; NaN without any.
double horizontalRms(const TruthMatch& match)
{
    double squares = 0;
    std::size_t count = 0;
    for (const RecordTruth& m : match.records) {
        if (m.hasPosition && m.cause == TruthCause::Matched) {
            squares += m.error.north * m.error.north + m.error.east * m.error.east;
            ++count;
        }
    }
    return count == 0 ? std::nan("") : std::sqrt(squares / static_cast<double>(count));
}

// The same u-blox observations solved twice, by RTKLIB demo5 (calendar
// GPST) and by rtklib-py (GPS week and seconds): either meets the other
// at every one of its 4521 epochs (realdata README), the calendar file's
// date naming the week the other's seconds count in.
TEST(ReferenceRealLogs, WeekSecondsAndCalendarSolutionsOfOneRunMeetAtEveryEpoch)
{
    const fs::path week = realLog("rtklibexplorer-rtklibpy-py_0315f.pos");
    const fs::path calendar = realLog("rtklibexplorer-rtklibpy-demo5_b34f_f.pos");
    SKIP_WITHOUT(week);
    SKIP_WITHOUT(calendar);
    EXPECT_EQ(logRecordClock(week.string(), posFormat()), (RecordClock{TimeScale::Gps, DateKnown::TimeOfWeek}));
    EXPECT_EQ(logRecordClock(calendar.string(), posFormat()),
              (RecordClock{TimeScale::Gps, DateKnown::FullDate, secondsOfDate(2020, 12, 24)}));
    for (const auto& [rover, reference] : {std::pair{week, calendar}, std::pair{calendar, week}}) {
        const ReferenceLoad load = loadReference(reference.string(), "");
        ASSERT_TRUE(load.ok()) << load.error;
        const std::vector<GNSSRecord> records = roverRecords(rover, posFormat());
        EXPECT_EQ(records.size(), 4521u) << rover;
        const RecordClock clock = logRecordClock(rover.string(), posFormat());
        const TruthMatch match = matchRecords(records, clock, load.trajectory, {});
        EXPECT_TRUE(match.completedDate) << rover;
        EXPECT_EQ(match.count(TruthCause::Matched), 4521u) << rover;
        // Both headers name the first epoch: 2020/12/24 21:28:42 GPST, week
        // 2137 422922 s.
        const auto bridge = ClockBridge::make(clock, records.front().time, load.trajectory, 0);
        ASSERT_TRUE(bridge);
        EXPECT_EQ(bridge->toReference(records.front().time),
                  rover == week ? secondsOfDate(2020, 12, 24) + 21 * 3600 + 28 * 60 + 42 : 422922.0)
            << rover;
        // Epoch on epoch: the two solutions differ by their float epochs'
        // decimetres, not by the metres of another second.
        std::vector<double> horizontal;
        for (const RecordTruth& m : match.records) {
            horizontal.push_back(std::hypot(m.error.north, m.error.east));
        }
        std::nth_element(horizontal.begin(), horizontal.begin() + horizontal.size() / 2, horizontal.end());
        EXPECT_LT(horizontal[horizontal.size() / 2], 0.2) << rover;
    }
}

// The receiver's NAV-PVT written as a calendar GPST .pos beside its own
// UBX log, whose NMEA is UTC dated by RMC: the .pos meets both, and the
// NMEA meets the .pos, within a centimetre (positions the same but for
// printing), on dates alone or with the week chosen. The .pos prints its
// times a millisecond early (17:30:39.749 GPST for the NMEA's 17:30:21.75
// UTC), which puts one end epoch that millisecond outside the other's span.
TEST(ReferenceRealLogs, CalendarPosMeetsTheDatedNmeaAndTheNavPvtOfItsReceiver)
{
    const fs::path pos = realLog("rtklibexplorer-gnssimu-gnss_1730_sf.pos");
    const fs::path ubx = realLog("rtklibexplorer-gnssimu-gnss_1730.ubx");
    SKIP_WITHOUT(pos);
    SKIP_WITHOUT(ubx);
    const RecordClock posClock = logRecordClock(pos.string(), posFormat());
    EXPECT_EQ(posClock, (RecordClock{TimeScale::Gps, DateKnown::FullDate, secondsOfDate(2025, 8, 28)}));
    const std::vector<GNSSRecord> posRecords = roverRecords(pos, posFormat());
    ASSERT_EQ(posRecords.size(), 536u);
    for (const char* format : {"ubx", "nmea"}) {
        SCOPED_TRACE(format);
        const ReferenceLoad reference = loadReference(ubx.string(), format);
        ASSERT_TRUE(reference.ok()) << reference.error;
        const bool nmea = std::string_view(format) == "nmea";
        EXPECT_EQ(reference.trajectory.clock.scale, nmea ? TimeScale::Utc : TimeScale::Gps);
        const TruthMatch match = matchRecords(posRecords, posClock, reference.trajectory, {});
        // The NMEA is dated too: nothing to choose.
        EXPECT_EQ(match.completedDate, !nmea);
        EXPECT_LE(match.count(TruthCause::OutsideSpan), 1u);
        EXPECT_EQ(match.count(TruthCause::Matched) + match.count(TruthCause::OutsideSpan), posRecords.size());
        EXPECT_LT(horizontalRms(match), 0.01);
    }
    const ReferenceLoad posReference = loadReference(pos.string(), "");
    ASSERT_TRUE(posReference.ok()) << posReference.error;
    const std::vector<GNSSRecord> nmeaRecords = roverRecords(ubx, nmeaFormat());
    const TruthMatch back =
        matchRecords(nmeaRecords, logRecordClock(ubx.string(), nmeaFormat()), posReference.trajectory, {});
    EXPECT_FALSE(back.completedDate);
    EXPECT_LE(back.count(TruthCause::OutsideSpan), 1u);
    EXPECT_EQ(back.count(TruthCause::Matched) + back.count(TruthCause::OutsideSpan), nmeaRecords.size());
    EXPECT_LT(horizontalRms(back), 0.01);
}

// One u-blox receiver's NMEA (UTC, dated by its RMC) against its own
// NAV-PVT (GPS time of week) in the same file: the same positions, a
// centimetre apart at most, once the 18 leap seconds of 2021 are right.
TEST(ReferenceRealLogs, NmeaOfAUbloxLogMeetsItsNavPvtWithTheLeapSeconds)
{
    const fs::path file = realLog("rtklibexplorer-gnssimu-gnss_1730.ubx");
    SKIP_WITHOUT(file);
    const ReferenceLoad reference = loadReference(file.string(), "ubx");
    ASSERT_TRUE(reference.ok()) << reference.error;
    EXPECT_EQ(reference.trajectory.clock, (RecordClock{TimeScale::Gps, DateKnown::TimeOfWeek}));
    EXPECT_EQ(reference.trajectory.epochs.size(), 536u);

    const std::vector<GNSSRecord> records = roverRecords(file, nmeaFormat());
    ASSERT_EQ(records.size(), 536u);
    const RecordClock clock = logRecordClock(file.string(), nmeaFormat());
    EXPECT_EQ(clock.scale, TimeScale::Utc);
    ASSERT_EQ(clock.date, DateKnown::FullDate);
    const TruthMatch match = matchRecords(records, clock, reference.trajectory, {});
    EXPECT_TRUE(match.completedDate);
    EXPECT_EQ(match.count(TruthCause::Matched), records.size());
    EXPECT_LT(horizontalRms(match), 0.01);
    // Read as if it were GPS time, the walker is 18 s off: metres.
    RecordClock noLeapSeconds = clock;
    noLeapSeconds.scale = TimeScale::Gps;
    const TruthMatch wrong = matchRecords(records, noLeapSeconds, reference.trajectory, {});
    EXPECT_GT(wrong.count(TruthCause::Matched), records.size() / 2);
    EXPECT_GT(horizontalRms(wrong), 1.0);
    // Without its date the UTC rover cannot meet a GPS time of week.
    const TruthMatch undated =
        matchRecords(records, {TimeScale::Utc, DateKnown::TimeOfDay}, reference.trajectory, {});
    EXPECT_EQ(undated.count(TruthCause::NoDate), records.size());
}

TEST(ReferenceFile, UnreadableAndUnknownFilesAreErrorsNamingThem)
{
    const ReferenceLoad missing = loadReference("/nonexistent/ref.csv", "");
    EXPECT_FALSE(missing.ok());
    EXPECT_NE(missing.error.find("/nonexistent/ref.csv"), std::string::npos) << missing.error;
    const fs::path csv = realLog("taroz-matrtklib-kinematic-reference.csv");
    SKIP_WITHOUT(csv);
    const ReferenceLoad wrongFormat = loadReference(csv.string(), "ubx");
    EXPECT_FALSE(wrongFormat.ok());
    EXPECT_NE(wrongFormat.error.find(csv.string()), std::string::npos) << wrongFormat.error;
    const ReferenceLoad unknown = loadReference(csv.string(), "gpx");
    EXPECT_NE(unknown.error.find("unknown reference format 'gpx'"), std::string::npos) << unknown.error;
}

}  // namespace
}  // namespace gnsslog
