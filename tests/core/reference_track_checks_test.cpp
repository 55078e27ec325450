// Lever arm, latency and the whole-second shift check on a car driven round
// a 50 m circle at 20 m/s, sampled at 10 Hz, whose exact positions are known.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

#include "geodesy/Ecef.h"
#include "log/GnssRecord.h"
#include "reference/LeverArm.h"
#include "reference/Latency.h"
#include "reference/TimeShiftCheck.h"
#include "reference/TrackFigures.h"
#include "reference/TruthMatch.h"

namespace gnsslog {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kLatitude = 35.2;
constexpr double kLongitude = 136.9;
constexpr double kRadius = 50;      // metres
constexpr double kSpeed = 20;       // metres per second
constexpr double kInterval = 0.1;   // seconds
constexpr double kDuration = 120;   // seconds
constexpr double kStart = 200000;   // seconds of week

// What the rover gets wrong, against the exact circle.
struct RoverFaults {
    double latency = 0;       // seconds: the position of this long ago
    double rightOffset = 0;   // metres right of the direction of travel
    double clockAhead = 0;    // seconds the rover's times run ahead
};

// Anticlockwise round the origin: at t the car is at angle w t, heading
// west of north by w t, so its right points away from the centre.
EcefPosition onCircle(double t, double right)
{
    const double w = kSpeed / kRadius;
    const double r = kRadius + right;
    const EnuAxes axes(kLatitude, kLongitude);
    double dx = 0, dy = 0, dz = 0;
    axes.toEcef(r * std::cos(w * t), r * std::sin(w * t), 0, dx, dy, dz);
    const EcefPosition origin = wgs84ToEcef(kLatitude, kLongitude, 0);
    return {origin.x + dx, origin.y + dy, origin.z + dz};
}

ReferenceTrajectory circleReference(bool withHeading)
{
    ReferenceTrajectory reference;
    reference.format = "csv";
    reference.hasHeading = withHeading;
    const double w = kSpeed / kRadius;
    for (int k = 0; k * kInterval <= kDuration; ++k) {
        const double t = k * kInterval;
        ReferenceEpoch epoch;
        epoch.time = kStart + t;
        epoch.position = onCircle(t, 0);
        const double headingDegrees = std::remainder(-w * t * 180 / kPi, 360.0);
        epoch.heading = static_cast<float>(headingDegrees < 0 ? headingDegrees + 360 : headingDegrees);
        reference.epochs.push_back(epoch);
    }
    return reference;
}

std::vector<GNSSRecord> circleRover(const RoverFaults& faults)
{
    std::vector<GNSSRecord> records;
    for (int k = 10; (k + 10) * kInterval <= kDuration; ++k) {
        const double t = k * kInterval;
        const EcefPosition at = onCircle(t - faults.latency, faults.rightOffset);
        Wgs84Position p;
        EXPECT_TRUE(ecefToWgs84(at.x, at.y, at.z, p));
        GNSSRecord r;
        r.time = kStart + t + faults.clockAhead;
        r.latitude = p.latitude;
        r.longitude = p.longitude;
        r.height = p.height;
        r.fixType = FixType::RtkFixed;
        r.validFlags = ValidFlag::LatLon | ValidFlag::Height;
        r.valid = 1;
        records.push_back(r);
    }
    return records;
}

TrackFigures allFigures(const std::vector<GNSSRecord>& records, const TruthMatch& match)
{
    return trackFiguresByClass(records, match)[kAllClassIndex];
}

TEST(LeverArm, TurnsWithTheHeading)
{
    const struct {
        const char* legend;
        LeverArm lever;
        double heading;  // degrees
        double east, north;
    } rows[] = {
        {"forward, heading north", {1, 0, 0}, 0, 0, 1},
        {"right, heading north", {0, 1, 0}, 0, 1, 0},
        {"forward, heading east", {1, 0, 0}, 90, 1, 0},
        {"right, heading east", {0, 1, 0}, 90, 0, -1},
        {"right, heading south-west", {0, 2, 0}, 225, -std::sqrt(2.0), std::sqrt(2.0)},
    };
    for (const auto& row : rows) {
        double east = 0, north = 0;
        leverArmEastNorth(row.lever, row.heading, east, north);
        EXPECT_NEAR(east, row.east, 1e-12) << row.legend;
        EXPECT_NEAR(north, row.north, 1e-12) << row.legend;
    }
}

TEST(LeverArm, HeadingIsInterpolatedTheShortWayRound)
{
    std::vector<ReferenceEpoch> epochs(2);
    epochs[0].time = 10;
    epochs[0].heading = 350;
    epochs[1].time = 11;
    epochs[1].heading = 20;
    EXPECT_NEAR(headingAt(epochs, 10.5), 5, 1e-4);
    EXPECT_NEAR(headingAt(epochs, 10.25), 357.5, 1e-4);
    EXPECT_NEAR(headingAt(epochs, 11), 20, 1e-4);
    EXPECT_TRUE(std::isnan(headingAt(epochs, 9.99)));
    EXPECT_TRUE(std::isnan(headingAt(epochs, 11.01)));
}

TEST(LeverArm, ALateralAntennaShowsAsCrossTrackBiasUntilTheLeverArmIsGiven)
{
    const std::vector<GNSSRecord> rover = circleRover({0, 1.0, 0});
    for (const bool withHeading : {true, false}) {
        SCOPED_TRACE(withHeading ? "heading column" : "direction of travel");
        const ReferenceTrajectory reference = circleReference(withHeading);
        const TruthMatch plain = matchRecords(rover, RecordClock{}, reference, {});
        const TrackFigures without = allFigures(rover, plain);
        ASSERT_EQ(without.cross.count, rover.size());
        EXPECT_NEAR(without.cross.mean, 1.000, 0.005);
        EXPECT_NEAR(without.along.mean, 0, 0.005);

        const TruthMatch levered = matchRecords(rover, RecordClock{}, reference, {0, 0, {0, 1.0, 0}});
        const TrackFigures with = allFigures(rover, levered);
        EXPECT_LT(std::fabs(with.cross.mean), 0.005);
        EXPECT_LT(with.horizontal.p95, 0.005);
    }
    // The up of a lever arm comes off every epoch, moving or not.
    const ReferenceTrajectory reference = circleReference(false);
    const TruthMatch raised = matchRecords(rover, RecordClock{}, reference, {0, 0, {0, 0, 0.25}});
    EXPECT_NEAR(raised.records[5].error.up, -0.25, 1e-3);
}

TEST(Latency, ThirtyMillisecondsAreRecoveredFromTheAlongTrackError)
{
    const std::vector<GNSSRecord> rover = circleRover({0.030, 0, 0});
    const TruthMatch match = matchRecords(rover, RecordClock{}, circleReference(false), {});
    const LatencyEstimate latency = estimateLatency(rover, match);
    ASSERT_TRUE(latency.estimated);
    EXPECT_EQ(latency.epochs, rover.size());
    EXPECT_NEAR(latency.seconds, 0.030, 0.002);
    EXPECT_LT(latency.stdErr, 0.001);

    // An early rover has a negative latency.
    const std::vector<GNSSRecord> early = circleRover({-0.050, 0, 0});
    const LatencyEstimate ahead =
        estimateLatency(early, matchRecords(early, RecordClock{}, circleReference(false), {}));
    EXPECT_NEAR(ahead.seconds, -0.050, 0.002);
}

TEST(Latency, AStandingReferenceGivesNoEstimate)
{
    ReferenceTrajectory reference = circleReference(false);
    for (ReferenceEpoch& e : reference.epochs) {
        e.position = onCircle(0, 0);
    }
    const std::vector<GNSSRecord> rover = circleRover({});
    const TruthMatch match = matchRecords(rover, RecordClock{}, reference, {});
    const LatencyEstimate latency = estimateLatency(rover, match);
    EXPECT_FALSE(latency.estimated);
    EXPECT_EQ(latency.epochs, 0u);
}

TEST(TimeShiftCheck, FindsTheLeapSecondsBetweenUtcAndGpsTime)
{
    const ReferenceTrajectory reference = circleReference(false);
    const std::optional<int> shift =
        findTimeShift(circleRover({0, 0, 18}), RecordClock{}, reference, {});
    ASSERT_TRUE(shift.has_value());
    EXPECT_EQ(*shift, -18);
    EXPECT_EQ(timeShiftWarning(*shift),
              "the rover and the reference look 18 s apart (UTC against GPS time?)");
    // Corrected by the time offset, the rover fits unshifted.
    EXPECT_FALSE(findTimeShift(circleRover({0, 0, 18}), RecordClock{}, reference, {0, -18, {}}));
    // A rover on time, or merely 30 ms late, raises nothing.
    EXPECT_FALSE(findTimeShift(circleRover({}), RecordClock{}, reference, {}));
    EXPECT_FALSE(findTimeShift(circleRover({0.030, 0, 0}), RecordClock{}, reference, {}));
}

}  // namespace
}  // namespace gnsslog
