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

struct EcefPosition {
    double x = 0;  // metres, towards latitude 0, longitude 0
    double y = 0;  // metres, towards latitude 0, longitude 90 E
    double z = 0;  // metres, towards the north pole
};

// WGS84 latitude, longitude (degrees) and ellipsoidal height (metres) to
// earth-centred x, y, z in metres; exact to the double's rounding. Pure;
// NaN in gives NaN out.
EcefPosition wgs84ToEcef(double latitude, double longitude, double height) noexcept;

// The east, north and up axes at a WGS84 latitude and longitude
// (degrees), for turning small earth-centred differences into local ones
// and back.
class EnuAxes {
public:
    EnuAxes(double latitude, double longitude) noexcept;

    // dx, dy, dz: an earth-centred difference, metres.
    void toEnu(double dx, double dy, double dz, double& east, double& north,
               double& up) const noexcept;
    // The inverse rotation.
    void toEcef(double east, double north, double up, double& dx, double& dy,
                double& dz) const noexcept;

private:
    double sinLat_, cosLat_, sinLon_, cosLon_;
};

}  // namespace gnsslog
