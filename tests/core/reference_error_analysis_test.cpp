// Every statistic measured against a reference trajectory: the error
// analysis hands the statistics, histograms and continuity the errors
// against the reference, and leaves the epochs without truth out of the
// errors only.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include "geodesy/Ecef.h"
#include "log/Gpslog.h"
#include "log/formats/Formats.h"
#include "metrics/AccuracyStats.h"
#include "metrics/Statistics.h"
#include "reference/ErrorAnalysis.h"
#include "reference/ReferenceFile.h"

namespace gnsslog {
namespace {

constexpr double kStart = 1000;     // seconds of week
constexpr double kSpeed = 10;       // metres per second, heading north-east
constexpr double kEastError = 0.3;  // metres, rover minus reference
constexpr double kNorthError = -0.4;
constexpr double kUpError = 0.5;
constexpr double kLatitude = 60.2;
constexpr double kLongitude = 24.9;

// The reference point t seconds after kStart, on a straight north-east line.
EcefPosition pointAt(double t, double east, double north, double up)
{
    const double along = kSpeed * t / std::sqrt(2.0);
    const EnuAxes axes(kLatitude, kLongitude);
    double dx = 0, dy = 0, dz = 0;
    axes.toEcef(along + east, along + north, up, dx, dy, dz);
    const EcefPosition origin = wgs84ToEcef(kLatitude, kLongitude, 0);
    return {origin.x + dx, origin.y + dy, origin.z + dz};
}

// 1 Hz epochs over 0..100 s with none between 50 and 60 s (a gap).
ReferenceTrajectory straightReference()
{
    ReferenceTrajectory reference;
    reference.format = "csv";
    for (int s = 0; s <= 100; ++s) {
        if (s > 50 && s < 60) {
            continue;
        }
        ReferenceEpoch epoch;
        epoch.time = kStart + s;
        epoch.position = pointAt(s, 0, 0, 0);
        reference.epochs.push_back(epoch);
    }
    return reference;
}

// 5 Hz rover from 5 s before to 5 s after the reference, fixed and float in
// turn, off the reference by the constant errors above.
GNSSLog roverLog()
{
    GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    for (int k = -25; k <= 525; ++k) {
        const double t = k * 0.2;
        Wgs84Position p;
        const EcefPosition at = pointAt(t, kEastError, kNorthError, kUpError);
        EXPECT_TRUE(ecefToWgs84(at.x, at.y, at.z, p));
        GNSSRecord r;
        r.time = kStart + t;
        r.latitude = p.latitude;
        r.longitude = p.longitude;
        r.height = p.height;
        r.localX = 7e6 + t;  // a grid position far from the errors
        r.localY = 3e6;
        r.fixType = k % 2 == 0 ? FixType::RtkFixed : FixType::RtkFloat;
        r.validFlags = ValidFlag::LatLon | ValidFlag::Grid | ValidFlag::Height;
        r.valid = 1;
        log.records.push_back(r);
    }
    return log;
}

constexpr double kMillimetre = 1e-3;
const std::vector<double> kThresholds{0.1, 1.0};

TEST(ErrorAnalysis, StatisticsMeasureAgainstTheReferenceAndLeaveEpochsWithoutTruthOut)
{
    const GNSSLog log = roverLog();
    const ReferenceTrajectory reference = straightReference();
    const ReferenceMeasurement m = measureAgainstReference(log, RecordClock{}, reference, {});
    ASSERT_TRUE(m.errors);
    const TruthMatch& match = m.match;
    EXPECT_GT(match.count(TruthCause::OutsideSpan), 0u);
    EXPECT_GT(match.count(TruthCause::InGap), 0u);
    ASSERT_GT(match.count(TruthCause::Matched), 0u);

    const Statistics stats = computeStatistics(*m.errors, kThresholds, 1.0);
    const ClassAccuracy& all = stats.accuracy.of(SolutionClass::All);
    // Every epoch stays in its class; only the matched ones have errors.
    EXPECT_EQ(all.epochs, static_cast<std::int64_t>(log.records.size()));
    EXPECT_EQ(all.horizontalCount, static_cast<std::int64_t>(match.count(TruthCause::Matched)));
    EXPECT_EQ(all.verticalCount, all.horizontalCount);
    EXPECT_EQ(stats.accuracy.of(SolutionClass::RtkFixed).horizontalCount +
                  stats.accuracy.of(SolutionClass::RtkFloat).horizontalCount,
              all.horizontalCount);
    // Grid x is the north error, y the east error, z the up error.
    EXPECT_NEAR(all.x.mean, kNorthError, kMillimetre);
    EXPECT_NEAR(all.y.mean, kEastError, kMillimetre);
    EXPECT_NEAR(all.z.mean, kUpError, kMillimetre);
    EXPECT_NEAR(all.horizontalPercentiles[0], 0.5, kMillimetre);
    EXPECT_NEAR(all.horizontalPercentiles[3], 0.5, kMillimetre);
    EXPECT_DOUBLE_EQ(all.horizontalWithin[0], 0.0);
    EXPECT_DOUBLE_EQ(all.horizontalWithin[1], 1.0);
    // Judged on the errors against the reference (0.5 m), not on the
    // records' grid positions, which stray 100 m from their average.
    EXPECT_EQ(stats.wrongFixes.fixedEpochs,
              static_cast<std::size_t>(stats.accuracy.of(SolutionClass::RtkFixed).horizontalCount));
    EXPECT_EQ(stats.wrongFixes.wrongEpochs, 0u);
    EXPECT_GT(computeStatistics(log, kThresholds, 1.0).wrongFixes.wrongEpochs, 0u);
}

TEST(ErrorAnalysis, HistogramsHoldTheErrorsAndContinuityTheLogsOwnEpochs)
{
    const GNSSLog log = roverLog();
    const ReferenceMeasurement m =
        measureAgainstReference(log, RecordClock{}, straightReference(), {});
    const GNSSLog& errors = *m.errors;
    std::int32_t fixedMatched = 0;
    for (std::size_t i = 0; i < log.records.size(); ++i) {
        fixedMatched += log.records[i].fixType == FixType::RtkFixed &&
                        m.match.records[i].cause == TruthCause::Matched;
    }
    EXPECT_EQ(errors.hist3DFix.sampleCount(), fixedMatched);
    EXPECT_EQ(errors.histX.sampleCount(), fixedMatched);
    // -0.4 m north is in the -40 (or, rounded down, -39) centimetre bin.
    for (const ErrorRecord& bin : errors.histX.bins()) {
        EXPECT_GE(bin.key, -40);
        EXPECT_LE(bin.key, -39);
    }
    EXPECT_NEAR(errors.maxErrorZ, kUpError, kMillimetre);
    EXPECT_EQ(errors.truthX(), 0.0);

    const FixContinuity own = computeFixContinuity(log.records);
    const FixContinuity measured = computeFixContinuity(errors.records);
    EXPECT_EQ(measured.epochCount, own.epochCount);
    EXPECT_EQ(measured.fixedEpochCount, own.fixedEpochCount);
    EXPECT_EQ(measured.losses.size(), own.losses.size());
}

TEST(ErrorAnalysis, ARoverWithoutPositionsHasNoErrorsAndNothingMatched)
{
    GNSSLog log = roverLog();
    for (GNSSRecord& r : log.records) {
        r.validFlags &= ~ValidFlag::Height;
    }
    const ReferenceMeasurement m =
        measureAgainstReference(log, RecordClock{}, straightReference(), {});
    EXPECT_EQ(m.match.withPosition, 0u);
    const AccuracyStats stats = computeAccuracyStats(*m.errors, kThresholds);
    EXPECT_EQ(stats.of(SolutionClass::All).horizontalCount, 0);
    EXPECT_EQ(stats.of(SolutionClass::All).epochs, static_cast<std::int64_t>(log.records.size()));
}

TEST(ErrorAnalysis, ALongRoverIsMatchedWholeThoughTwoThreadsShareIt)
{
    // 70 000 epochs at 5 Hz: enough for the match to split them.
    ReferenceTrajectory reference;
    reference.format = "csv";
    constexpr int kSeconds = 14001;
    for (int s = 0; s <= kSeconds; ++s) {
        ReferenceEpoch epoch;
        epoch.time = kStart + s;
        epoch.position = pointAt(s, 0, 0, 0);
        reference.epochs.push_back(epoch);
    }
    std::vector<GNSSRecord> records;
    for (int k = 0; k < 70000; ++k) {
        const double t = 0.5 + k * 0.2;
        const EcefPosition at = pointAt(t, kEastError, kNorthError, kUpError);
        Wgs84Position p;
        ASSERT_TRUE(ecefToWgs84(at.x, at.y, at.z, p));
        GNSSRecord r;
        r.time = kStart + t;
        r.latitude = p.latitude;
        r.longitude = p.longitude;
        r.height = p.height;
        r.validFlags = ValidFlag::LatLon | ValidFlag::Height;
        records.push_back(r);
    }
    const TruthMatch match = matchRecords(records, RecordClock{}, reference, {});
    EXPECT_EQ(match.withPosition, records.size());
    EXPECT_EQ(match.count(TruthCause::Matched), records.size());
    // The line runs 140 km straight in the first epoch's tangent plane, so
    // the local axes turn along it: only the error's length stays.
    const double length = std::sqrt(kNorthError * kNorthError + kEastError * kEastError +
                                    kUpError * kUpError);
    std::size_t wrong = 0;
    for (const RecordTruth& truth : match.records) {
        const TrackError& e = truth.error;
        wrong += !truth.hasPosition || truth.cause != TruthCause::Matched ||
                 !(std::fabs(std::sqrt(e.north * e.north + e.east * e.east + e.up * e.up) - length) <
                   kMillimetre);
    }
    EXPECT_EQ(wrong, 0u);
}

namespace fs = std::filesystem;

fs::path realLog(const char* name)
{
    return fs::path(GNSSLOG_SOURCE_DIR) / ".." / "shared" / "realdata" / "logs" / name;
}

// The independent figures of the MatRTKLIB run (nearest reference row
// within 0.02 s): fixed 95 % 2.15 m, float 95 % 40.8 m. Interpolating
// instead of taking the nearest row moves a car's error by centimetres, so
// 5 % is ample; a wrong clock (a second is metres) or a wrong class would
// not come near.
TEST(ErrorAnalysis, MatRtklibRoverStatisticsAgainstItsReferenceMatchTheIndependentFigures)
{
    const fs::path rover = realLog("taroz-matrtklib-kinematic-rover_rtk.pos");
    const fs::path csv = realLog("taroz-matrtklib-kinematic-reference.csv");
    if (!fs::exists(rover) || !fs::exists(csv)) {
        GTEST_SKIP() << "no real logs in " << rover.parent_path();
    }
    const ReferenceLoad reference = loadReference(csv.string(), "");
    ASSERT_TRUE(reference.ok()) << reference.error;
    DecodeOptions decode;
    decode.toKKJ = false;
    const GNSSLog log(rover.c_str(), nullptr, decode, posFormat(), TruthMode::Averaged, 0, 0, 0);
    const ReferenceMeasurement m = measureAgainstReference(
        log, logRecordClock(rover.string(), posFormat()), reference.trajectory, {});
    const AccuracyStats stats = computeAccuracyStats(*m.errors, kThresholds);
    const ClassAccuracy& fixed = stats.of(SolutionClass::RtkFixed);
    const ClassAccuracy& flt = stats.of(SolutionClass::RtkFloat);
    EXPECT_EQ(fixed.horizontalCount, fixed.epochs);
    EXPECT_EQ(flt.horizontalCount, flt.epochs);
    EXPECT_EQ(stats.of(SolutionClass::All).horizontalCount,
              static_cast<std::int64_t>(log.records.size()));
    constexpr std::size_t k95 = 2;
    static_assert(kReportedPercentiles[k95] == 95);
    EXPECT_NEAR(fixed.horizontalPercentiles[k95], 2.15, 0.05 * 2.15);
    EXPECT_NEAR(flt.horizontalPercentiles[k95], 40.8, 0.05 * 40.8);
    EXPECT_NEAR(fixed.horizontalPercentiles[0], 0.069, 0.02);
}

}  // namespace
}  // namespace gnsslog
