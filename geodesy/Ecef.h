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
//
// Method: Vermeille's closed form (H. Vermeille, "Direct transformation
// from geocentric coordinates to geodetic coordinates", Journal of Geodesy
// 76, 2002, 451-454): one cube root, square roots and two atan2, about a
// fifth of the iteration's cost. It holds outside the evolute of the
// ellipse (within 43 km of the centre), which the 100 km limit keeps out.
// Points beyond 10^9 m, whose squares could overflow, go through the
// reference. Agrees with the reference to 1e-8 m in height and 1e-13
// degrees from 10 km below the surface to 10^7 m above it.
bool ecefToWgs84(double x, double y, double z, Wgs84Position& position) noexcept;

// The plain fixed-point iteration on the latitude from a spherical first
// guess, five steps (each gains three digits): the reference the closed
// form is tested against. Same contract.
bool ecefToWgs84Reference(double x, double y, double z, Wgs84Position& position) noexcept;

}  // namespace gnsslog
