#include "reference/TrackError.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace gnsslog {

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;

}  // namespace

TrackError trackError(const TruthSample& truth, const EcefPosition& rover) noexcept
{
    return trackError(truth, rover, LeverArm{}, std::numeric_limits<double>::quiet_NaN());
}

std::optional<EnuAxes> enuAxesAt(const EcefPosition& position) noexcept
{
    Wgs84Position at;
    if (!ecefToWgs84(position.x, position.y, position.z, at)) {
        return std::nullopt;
    }
    return EnuAxes(at.latitude, at.longitude);
}

TrackError trackError(const TruthSample& truth, const EcefPosition& rover, const LeverArm& lever,
                      double headingDegrees) noexcept
{
    const std::optional<EnuAxes> axes = enuAxesAt(truth.position);
    if (!axes) {
        TrackError error;
        const double nan = std::numeric_limits<double>::quiet_NaN();
        error.north = error.east = error.up = nan;
        return error;
    }
    return trackError(truth, rover, *axes, lever, headingDegrees);
}

TrackError trackError(const TruthSample& truth, const EcefPosition& rover, const EnuAxes& axes,
                      const LeverArm& lever, double headingDegrees) noexcept
{
    TrackError error;
    axes.toEnu(rover.x - truth.position.x, rover.y - truth.position.y, rover.z - truth.position.z,
               error.east, error.north, error.up);
    double velocityEast = 0;
    double velocityNorth = 0;
    double velocityUp = 0;
    axes.toEnu(truth.vx, truth.vy, truth.vz, velocityEast, velocityNorth, velocityUp);
    error.speed = std::hypot(velocityEast, velocityNorth);
    const bool moving = error.speed >= kSlowestDirectionSpeed;
    error.up -= lever.up;
    if (lever.horizontal() && (moving || !std::isnan(headingDegrees))) {
        const double heading = !std::isnan(headingDegrees)
                                   ? headingDegrees
                                   : std::atan2(velocityEast, velocityNorth) / kRadiansPerDegree;
        double leverEast = 0;
        double leverNorth = 0;
        leverArmEastNorth(lever, heading, leverEast, leverNorth);
        error.east -= leverEast;
        error.north -= leverNorth;
    }
    if (moving) {
        const double e = velocityEast / error.speed;
        const double n = velocityNorth / error.speed;
        error.hasDirection = true;
        error.along = error.east * e + error.north * n;
        // Right of (e, n) is (n, -e): north-bound travel has east on its right.
        error.cross = error.east * n - error.north * e;
    }
    return error;
}

}  // namespace gnsslog
