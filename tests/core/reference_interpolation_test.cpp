// The reference between its epochs: how close interpolation stays to the
// true path, where it refuses to give a position, and the errors of a
// rover against it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "reference/Interpolation.h"
#include "reference/TrackError.h"

namespace gnsslog {
namespace {

constexpr double kMillimetre = 1e-3;
// The tangent point of the synthetic paths: southern Finland.
constexpr double kLatitude = 60.2;
constexpr double kLongitude = 24.9;
constexpr double kHeight = 40;

// Earth-centred position and velocity of a local east, north, up point.
struct LocalPoint {
    double east, north, up;
    double ve, vn, vu;
};

ReferenceEpoch epochAt(double time, const LocalPoint& p)
{
    const EnuAxes axes(kLatitude, kLongitude);
    const EcefPosition centre = wgs84ToEcef(kLatitude, kLongitude, kHeight);
    ReferenceEpoch epoch;
    epoch.time = time;
    double dx = 0, dy = 0, dz = 0;
    axes.toEcef(p.east, p.north, p.up, dx, dy, dz);
    epoch.position = {centre.x + dx, centre.y + dy, centre.z + dz};
    axes.toEcef(p.ve, p.vn, p.vu, epoch.vx, epoch.vy, epoch.vz);
    return epoch;
}

// 50 m radius at 20 m/s, anticlockwise seen from above.
constexpr double kRadius = 50;
constexpr double kSpeed = 20;
LocalPoint onCircle(double t)
{
    const double w = kSpeed / kRadius;
    return {kRadius * std::cos(w * t), kRadius * std::sin(w * t), 0,
            -kSpeed * std::sin(w * t), kSpeed * std::cos(w * t), 0};
}

double distance(const EcefPosition& a, const EcefPosition& b)
{
    return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z);
}

// The largest distance from the circle of the interpolated reference at
// times between the 10 Hz epochs, and of its velocity.
void worstOnCircle(InterpolationMethod method, double& position, double& velocity)
{
    std::vector<ReferenceEpoch> epochs;
    for (int i = 0; i <= 200; ++i) {
        epochs.push_back(epochAt(i * 0.1, onCircle(i * 0.1)));
    }
    position = 0;
    velocity = 0;
    for (double t = 0; t <= 20; t += 0.0137) {
        const TruthSample truth = truthAt(epochs, method, t, 0.25);
        ASSERT_EQ(truth.cause, TruthCause::Matched) << t;
        const ReferenceEpoch exact = epochAt(t, onCircle(t));
        position = std::max(position, distance(truth.position, exact.position));
        velocity = std::max(velocity, std::hypot(truth.vx - exact.vx, truth.vy - exact.vy, truth.vz - exact.vz));
    }
}

TEST(Interpolation, StaysOnACircleDrivenAt20MetresPerSecond)
{
    double position = 0;
    double velocity = 0;
    worstOnCircle(InterpolationMethod::Hermite, position, velocity);
    EXPECT_LT(position, 1 * kMillimetre);
    EXPECT_LT(velocity, 0.01);  // metres per second
    worstOnCircle(InterpolationMethod::Cubic, position, velocity);
    EXPECT_LT(position, 5 * kMillimetre);
    EXPECT_LT(velocity, 0.05);
}

TEST(Interpolation, AStraightLineWouldMissTheCircleByCentimetres)
{
    // Why the cubic is worth having: two epochs alone cut the 2 m chord
    // 1 cm inside the arc, which the tolerance above would catch.
    const std::vector<ReferenceEpoch> two = {epochAt(0, onCircle(0)), epochAt(0.1, onCircle(0.1))};
    const TruthSample middle = truthAt(two, InterpolationMethod::Cubic, 0.05, 0.25);
    EXPECT_GT(distance(middle.position, epochAt(0.05, onCircle(0.05)).position), 5 * kMillimetre);
}

// A path east at x = t^3 metres: a cubic reproduces it exactly, a line does not.
std::vector<ReferenceEpoch> cubicPath(const std::vector<double>& times)
{
    std::vector<ReferenceEpoch> epochs;
    for (const double t : times) {
        epochs.push_back(epochAt(t, {t * t * t, 0, 0, 3 * t * t, 0, 0}));
    }
    return epochs;
}

double eastOf(const TruthSample& truth)
{
    const EcefPosition centre = wgs84ToEcef(kLatitude, kLongitude, kHeight);
    double e = 0, n = 0, u = 0;
    EnuAxes(kLatitude, kLongitude).toEnu(truth.position.x - centre.x, truth.position.y - centre.y,
                                         truth.position.z - centre.z, e, n, u);
    return e;
}

TEST(Interpolation, CubicUsesOnlyEpochsOnItsSideOfAGap)
{
    // 0..3 and 10..13, a 7 s gap; beyond it the path jumps far away.
    std::vector<ReferenceEpoch> epochs = cubicPath({0, 1, 2, 3});
    for (const double t : {10.0, 11.0, 12.0, 13.0}) {
        epochs.push_back(epochAt(t, {1000 + t, 500, 0, 0, 0, 0}));
    }
    const double maxGap = 2.5;
    EXPECT_NEAR(eastOf(truthAt(epochs, InterpolationMethod::Cubic, 2.5, maxGap)), 15.625, 1e-6);
    EXPECT_NEAR(eastOf(truthAt(epochs, InterpolationMethod::Cubic, 0.5, maxGap)), 0.125, 1e-6);
    EXPECT_EQ(truthAt(epochs, InterpolationMethod::Cubic, 5, maxGap).cause, TruthCause::InGap);
    EXPECT_EQ(truthAt(epochs, InterpolationMethod::Cubic, 11.5, maxGap).cause, TruthCause::Matched);
}

TEST(Interpolation, LinearWhereNoFourEpochsMakeAStretch)
{
    std::vector<ReferenceEpoch> epochs = cubicPath({0, 1, 2});
    epochs.push_back(epochAt(10, {1000, 0, 0, 0, 0, 0}));
    EXPECT_NEAR(eastOf(truthAt(epochs, InterpolationMethod::Cubic, 0.5, 2.5)), 0.5, 1e-6);
    EXPECT_NEAR(eastOf(truthAt(epochs, InterpolationMethod::Cubic, 1.5, 2.5)), 4.5, 1e-6);
}

TEST(Interpolation, NoTruthOutsideTheSpanOrInAGap)
{
    const std::vector<ReferenceEpoch> epochs = cubicPath({0, 1, 2, 3, 6, 7});
    const struct {
        double time;
        TruthCause cause;
    } rows[] = {
        {-0.001, TruthCause::OutsideSpan}, {0, TruthCause::Matched},
        {3, TruthCause::Matched},          {3.001, TruthCause::InGap},
        {5.999, TruthCause::InGap},        {6, TruthCause::Matched},
        {7, TruthCause::Matched},
        {7.001, TruthCause::OutsideSpan},  {std::nan(""), TruthCause::OutsideSpan},
    };
    for (const InterpolationMethod method : {InterpolationMethod::Cubic, InterpolationMethod::Hermite}) {
        for (const auto& row : rows) {
            EXPECT_EQ(truthAt(epochs, method, row.time, 2.5).cause, row.cause) << row.time;
        }
    }
    // A gap exactly at the largest allowed is bridged.
    EXPECT_EQ(truthAt(epochs, InterpolationMethod::Cubic, 4.5, 3).cause, TruthCause::Matched);
    EXPECT_EQ(truthAt({epochs[0]}, InterpolationMethod::Cubic, 0, 2.5).cause, TruthCause::OutsideSpan);
    // An epoch alone between two gaps.
    const std::vector<ReferenceEpoch> alone = cubicPath({0, 1, 4, 7, 8});
    EXPECT_EQ(truthAt(alone, InterpolationMethod::Cubic, 4, 2.5).cause, TruthCause::InGap);
    EXPECT_EQ(truthAt(alone, InterpolationMethod::Hermite, 1, 2.5).cause, TruthCause::Matched);
}

// The hint only spares the search: every time, in order or not, on an
// epoch, in a gap or outside the span, gets the truth the plain search
// gives, from any hint.
TEST(Interpolation, AnyHintGivesTheSameTruthAsTheSearch)
{
    const std::vector<ReferenceEpoch> epochs = cubicPath({0, 1, 2, 3, 6, 7, 7.5, 8, 12, 13});
    std::vector<double> times;
    for (double t = -0.5; t <= 13.5; t += 0.25) {
        times.push_back(t);
    }
    times.push_back(2);  // back in time
    times.push_back(std::nan(""));
    times.push_back(0.1);
    const std::size_t last = std::numeric_limits<std::size_t>::max();
    for (const InterpolationMethod method : {InterpolationMethod::Cubic, InterpolationMethod::Hermite}) {
        std::size_t carried = 0;
        for (const double t : times) {
            const TruthSample plain = truthAt(epochs, method, t, 2.5);
            for (std::size_t start : {std::size_t{0}, std::size_t{3}, epochs.size() - 1, epochs.size(),
                                      epochs.size() + 7, last}) {
                const TruthSample hinted = truthAt(epochs, method, t, 2.5, start);
                ASSERT_EQ(hinted.cause, plain.cause) << t;
                EXPECT_EQ(hinted.position.x, plain.position.x) << t;
                EXPECT_EQ(hinted.vz, plain.vz) << t;
            }
            const TruthSample inOrder = truthAt(epochs, method, t, 2.5, carried);
            EXPECT_EQ(inOrder.cause, plain.cause) << t;
            EXPECT_EQ(inOrder.position.y, plain.position.y) << t;
        }
    }
}

TEST(Interpolation, EpochsGiveThemselves)
{
    const std::vector<ReferenceEpoch> epochs = cubicPath({0, 0.2, 0.4, 0.6, 0.8});
    for (const InterpolationMethod method : {InterpolationMethod::Cubic, InterpolationMethod::Hermite}) {
        for (const ReferenceEpoch& e : epochs) {
            EXPECT_LT(distance(truthAt(epochs, method, e.time, 1).position, e.position), 1e-9);
        }
    }
}

TEST(ReferenceTrajectory, MedianIntervalAndDefaultLargestGap)
{
    ReferenceTrajectory t;
    t.epochs = cubicPath({0, 1, 3, 4.5});
    EXPECT_EQ(medianInterval(t.epochs), 1.5);
    EXPECT_EQ(defaultMaxGap(t), 3.75);
    t.epochs = cubicPath({0, 0.2, 0.4, 10});
    EXPECT_DOUBLE_EQ(medianInterval(t.epochs), 0.2);
    t.epochs.resize(1);
    EXPECT_EQ(medianInterval(t.epochs), 0);
}

TruthSample movingAt(double ve, double vn)
{
    const ReferenceEpoch e = epochAt(0, {0, 0, 0, ve, vn, 0});
    TruthSample truth;
    truth.cause = TruthCause::Matched;
    truth.position = e.position;
    truth.vx = e.vx;
    truth.vy = e.vy;
    truth.vz = e.vz;
    return truth;
}

TEST(TrackError, NorthEastUpAndAlongCrossTheDirectionOfTravel)
{
    const struct {
        const char* legend;
        double ve, vn;              // reference velocity, m/s
        LocalPoint rover;           // offset from the reference, m
        double along, cross;
    } rows[] = {
        {"north-bound, rover ahead and right", 0, 10, {1, 2, 0.3, 0, 0, 0}, 2, 1},
        {"east-bound, rover behind and right", 10, 0, {-1, -1, 0, 0, 0, 0}, -1, 1},
        {"south-west-bound, rover to its left", -3, -3, {1, -1, 0, 0, 0, 0}, 0, -std::sqrt(2.0)},
    };
    for (const auto& row : rows) {
        const ReferenceEpoch rover = epochAt(0, row.rover);
        const TrackError error = trackError(movingAt(row.ve, row.vn), rover.position);
        EXPECT_NEAR(error.east, row.rover.east, 1e-9) << row.legend;
        EXPECT_NEAR(error.north, row.rover.north, 1e-9) << row.legend;
        EXPECT_NEAR(error.up, row.rover.up, 1e-9) << row.legend;
        EXPECT_NEAR(error.speed, std::hypot(row.ve, row.vn), 1e-9) << row.legend;
        ASSERT_TRUE(error.hasDirection) << row.legend;
        EXPECT_NEAR(error.along, row.along, 1e-9) << row.legend;
        EXPECT_NEAR(error.cross, row.cross, 1e-9) << row.legend;
    }
}

TEST(TrackError, BelowHalfAMetrePerSecondThereIsNoDirection)
{
    const EcefPosition rover = epochAt(0, {1, 0, 0, 0, 0, 0}).position;
    EXPECT_FALSE(trackError(movingAt(0.3, 0.39), rover).hasDirection);
    EXPECT_TRUE(trackError(movingAt(0.3, 0.41), rover).hasDirection);
    // A climb is not travel over the ground.
    const ReferenceEpoch climbing = epochAt(0, {0, 0, 0, 0, 0, 5});
    TruthSample truth = movingAt(0, 0);
    truth.vx = climbing.vx;
    truth.vy = climbing.vy;
    truth.vz = climbing.vz;
    EXPECT_FALSE(trackError(truth, rover).hasDirection);
}

}  // namespace
}  // namespace gnsslog
