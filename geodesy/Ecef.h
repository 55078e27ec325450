// Earth-centred, earth-fixed Cartesian coordinates to WGS84 latitude,
// longitude and ellipsoidal height, for logs that write positions as x, y, z.
#pragma once

namespace gnsslog {

struct Wgs84Position {
    double latitude = 0;   // degrees, north positive
    double longitude = 0;  // degrees, east positive, within +-180
    double height = 0;     // metres above the ellipsoid
};

// False (and position untouched) for non-finite input and for points so
// near the earth's centre that no surface position belongs to them.
bool ecefToWgs84(double x, double y, double z, Wgs84Position& position) noexcept;

}  // namespace gnsslog
