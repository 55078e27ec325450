#include "tools/samplegen/Trajectory.h"

#include <cmath>

#include "geodesy/Ecef.h"

namespace gnsslog {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kStraightHeading = 60.0;  // degrees: neither axis, so east and north both move

double headingOf(double vEast, double vNorth) noexcept
{
    if (vEast == 0 && vNorth == 0) {
        return 0;
    }
    const double degrees = std::atan2(vEast, vNorth) * 180.0 / kPi;
    return degrees < 0 ? degrees + 360.0 : degrees;
}

}  // namespace

PathPoint pathAt(const TrajectoryOptions& options, double t) noexcept
{
    PathPoint p;
    const double r = options.radius;
    const double v = options.speed;
    const double w = r > 0 ? v / r : 0;  // radians per second
    switch (options.kind) {
    case TrajectoryKind::None: return p;
    case TrajectoryKind::Circle:
        p.east = r * std::sin(w * t);
        p.north = r * std::cos(w * t);
        p.vEast = v * std::cos(w * t);
        p.vNorth = -v * std::sin(w * t);
        break;
    case TrajectoryKind::Figure8:
        p.east = r * std::sin(w * t);
        p.north = 0.5 * r * std::sin(2 * w * t);
        p.vEast = v * std::cos(w * t);
        p.vNorth = v * std::cos(2 * w * t);
        break;
    case TrajectoryKind::Straight: {
        const double h = kStraightHeading * kPi / 180.0;
        p.east = v * t * std::sin(h);
        p.north = v * t * std::cos(h);
        p.vEast = v * std::sin(h);
        p.vNorth = v * std::cos(h);
        break;
    }
    }
    p.heading = headingOf(p.vEast, p.vNorth);
    return p;
}

PathPoint antennaAt(const TrajectoryOptions& options, double t) noexcept
{
    PathPoint p = pathAt(options, t - options.timeOffset - options.latencyMs * 0.001);
    const double speed = std::hypot(p.vEast, p.vNorth);
    if (speed > 0) {
        // Right of the direction of travel: the velocity turned a quarter clockwise.
        p.east += options.leverArmRight * p.vNorth / speed;
        p.north -= options.leverArmRight * p.vEast / speed;
    }
    return p;
}

void pathToGeodetic(double centreLatitude, double centreLongitude, double centreHeight, double east,
                    double north, double& latitude, double& longitude) noexcept
{
    const EcefPosition centre = wgs84ToEcef(centreLatitude, centreLongitude, centreHeight);
    double dx = 0;
    double dy = 0;
    double dz = 0;
    EnuAxes(centreLatitude, centreLongitude).toEcef(east, north, 0, dx, dy, dz);
    Wgs84Position p;
    if (ecefToWgs84(centre.x + dx, centre.y + dy, centre.z + dz, p)) {
        latitude = p.latitude;
        longitude = p.longitude;
    } else {
        latitude = centreLatitude;
        longitude = centreLongitude;
    }
}

}  // namespace gnsslog
