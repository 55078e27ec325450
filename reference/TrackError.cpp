#include "reference/TrackError.h"

#include <cmath>
#include <limits>

namespace gnsslog {

TrackError trackError(const TruthSample& truth, const EcefPosition& rover) noexcept
{
    TrackError error;
    Wgs84Position at;
    if (!ecefToWgs84(truth.position.x, truth.position.y, truth.position.z, at)) {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        error.north = error.east = error.up = nan;
        return error;
    }
    const EnuAxes axes(at.latitude, at.longitude);
    axes.toEnu(rover.x - truth.position.x, rover.y - truth.position.y, rover.z - truth.position.z,
               error.east, error.north, error.up);
    double velocityEast = 0;
    double velocityNorth = 0;
    double velocityUp = 0;
    axes.toEnu(truth.vx, truth.vy, truth.vz, velocityEast, velocityNorth, velocityUp);
    error.speed = std::hypot(velocityEast, velocityNorth);
    if (error.speed >= kSlowestDirectionSpeed) {
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
