// Paths a simulated vehicle drives for the generator's moving receiver,
// and the errors injected into the receiver's positions on them.
//
// A path is a pure function of time: east and north metres from its
// centre on the plane tangent to the ellipsoid there, and the velocity,
// so a reference written from it is exact to the CSV's decimals.
#pragma once

namespace gnsslog {

enum class TrajectoryKind {
    None,      // the usual receiver standing still
    Circle,    // clockwise round the centre, starting due north of it
    Figure8,   // east = r sin(wt), north = r sin(wt) cos(wt): speed between v and 1.41 v
    Straight,  // from the centre on a heading of 60 degrees
};

struct TrajectoryOptions {
    TrajectoryKind kind = TrajectoryKind::None;
    double speed = 20;    // metres per second (a figure 8's slowest)
    double radius = 50;   // metres (circle radius, a figure 8's half width)
    // Errors of the receiver under test:
    double latencyMs = 0;      // its positions are where it was this long before their times
    double leverArmRight = 0;  // metres right of the path, across its direction of travel
    double timeOffset = 0;     // seconds its clock runs ahead of the reference's
    bool allFixed = false;     // every epoch RTK fixed, so the injected errors stand out of 8 mm noise
    // The reference file beside the rover:
    long long referenceIntervalMs = 0;  // 0: the rover's epoch interval
    bool referenceVelocities = true;    // east, north and up velocity columns
    double referenceGap = 0;            // seconds of reference left out from the middle of the run
};

// Where the path is after t seconds.
struct PathPoint {
    double east = 0;   // metres from the centre
    double north = 0;  // metres
    double vEast = 0;  // metres per second
    double vNorth = 0;
    double heading = 0;  // degrees clockwise from north, in [0, 360)
};

// Pure; None stays at the centre with no speed.
PathPoint pathAt(const TrajectoryOptions& options, double t) noexcept;

// The receiver's antenna at t seconds on its own clock: the path's point
// at t - timeOffset - latency, moved by the lever arm.
PathPoint antennaAt(const TrajectoryOptions& options, double t) noexcept;

// A point east and north metres from a centre (WGS84 degrees, metres
// above the ellipsoid) on the plane tangent there, as WGS84 degrees; the
// height stays the centre's, as on flat ground. Exact to rounding.
void pathToGeodetic(double centreLatitude, double centreLongitude, double centreHeight, double east,
                    double north, double& latitude, double& longitude) noexcept;

}  // namespace gnsslog
