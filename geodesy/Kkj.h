// WGS84 geodetic coordinates to the Finnish KKJ grid.
//
// Method: a position on the WGS84 ellipsoid (height taken as 0 m) becomes
// geocentric X, Y, Z; a seven-parameter similarity transformation moves it to
// the KKJ datum on the International (Hayford 1924) ellipsoid; Bowring's
// closed-form step turns it back into a latitude and longitude there, without
// iteration; a Gauss-Krueger projection evaluated with Krueger's series in
// hyperbolic-function form (the four-term form used by the Finnish JHS 154
// recommendation; see also Karney, "Transverse Mercator with an accuracy of
// a few nanometers", J. Geodesy 85, 2011) gives the plane northing and
// easting. Every constant below is used as written; in
// particular the flattenings, the projection eccentricity and the projection
// radius are not derived from one another.
//
// Datums: the latitude and longitude given to geodeticToKKJ are on WGS84;
// the latitude given to projectGaussKruger is on the International
// ellipsoid (KKJ datum). In Finland the two differ by some 200 m on the
// ground (mostly in longitude), so they must not be mixed.
//
// Domain: the grid serves Finland (latitudes 59..70 degrees N, longitudes
// 19..32 degrees E). The formulas are defined for |latitude| < 90 degrees and
// longitude differences from the central meridian below 90 degrees; the
// longitude after the datum shift is taken with a one-argument arc tangent,
// so longitudes beyond +-90 degrees fold back by 180 degrees. Nothing is
// validated: NaN in gives NaN out, and no input is an error.
//
// Sign conventions: latitudes north and longitudes east are positive. The
// datum shift's rotation matrix has the position-vector layout, the
// translation is subtracted and the scale applied as (1 - d), all with the
// signs of the published parameters (see kkj::detail::shiftDatumToKkj).
// Grid x is the northing and grid y the easting, the Finnish order.
#pragma once

namespace gnsslog {

// The zone every decoder converts into: central meridian 24 degrees E.
inline constexpr int kSystemKkjZone = 2;

// latitude, longitude: WGS84, decimal degrees, north and east positive.
// zone: KKJ zone number (the system uses kSystemKkjZone).
// x: KKJ northing (metres); y: KKJ easting (metres) with zone * 1000000 m
// and the 500000 m false easting added. Pure; no validation.
// Agrees with kkj::detail::geodeticToKKJReference within 0.1 mm wherever
// the projection is defined away from its singularity (see the tests).
void geodeticToKKJ(double latitude, double longitude, int zone, double& x, double& y) noexcept;

// latitude: International-ellipsoid latitude (radians); deltaLongitude:
// difference from the central meridian (radians). x northing, y easting
// including the 500000 m false easting, without the zone prefix (metres).
// On the central meridian (deltaLongitude == 0) y is exactly 500000 m.
void projectGaussKruger(double latitude, double deltaLongitude, double& x, double& y) noexcept;

namespace kkj {

inline constexpr double kPi = 3.141592653589793;
// Degrees to radians.
inline constexpr double kRadiansPerDegree = kPi / 180.0;

// Seconds of arc to radians, in the order the datum parameters were
// published with: value * (1/60) * (1/60) * (1/180) * pi.
constexpr double arcsecondsToRadians(double seconds) noexcept
{
    return seconds * (1.0 / 60.0) * (1.0 / 60.0) * (1.0 / 180.0) * kPi;
}

// WGS84 ellipsoid: semi-major axis (m) and flattening (1/f = 298.2572221).
inline constexpr double kWgs84SemiMajorAxis = 6378137.0;
inline constexpr double kWgs84Flattening = 0.0033528106812;

// International (Hayford 1924) ellipsoid of KKJ: semi-major axis (m) and
// flattening (1/f = 297.0000000003).
inline constexpr double kInternationalSemiMajorAxis = 6378388.0;
inline constexpr double kInternationalFlattening = 0.003367003367;

// WGS84 -> KKJ datum shift: rotations (seconds of arc), translations (m),
// and the scale parameter d (dimensionless, -0.804 ppm), applied as (1 - d).
inline constexpr double kRotationXArcsec = -4.021;
inline constexpr double kRotationYArcsec = -0.41;
inline constexpr double kRotationZArcsec = 0.409;
inline constexpr double kTranslationX = -86.202;
inline constexpr double kTranslationY = -113.394;
inline constexpr double kTranslationZ = -104.238;
inline constexpr double kScaleDifference = -0.000000804;

// Gauss-Krueger projection on the International ellipsoid: first
// eccentricity e (dimensionless), rectifying radius A1 (m) and Krueger's
// coefficients h1..h4 (dimensionless). The scale on the central meridian
// is 1: no factor is applied.
inline constexpr double kProjectionEccentricity = 0.081991889979;
inline constexpr double kProjectionRadius = 6367654.50006;
inline constexpr double kKruger[4] = {0.000841275991, 7.673066e-07, 1.2129e-09, 2.5e-12};

// Easting on the central meridian (m) and the zone prefix per zone number
// (m): zone 2 puts 2500000 m on 24 degrees E.
inline constexpr double kFalseEasting = 500000.0;
inline constexpr double kZonePrefix = 1000000.0;

// Central meridian of a zone, degrees east: 3 * zone + 18. Evaluated in
// double so that no zone number can overflow.
constexpr double centralMeridianDegrees(int zone) noexcept
{
    return 3.0 * static_cast<double>(zone) + 18.0;
}

namespace detail {

// Geocentric Cartesian coordinates (m).
struct Geocentric {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

// Geodetic latitude and longitude (radians).
struct Geodetic {
    double latitude = 0.0;
    double longitude = 0.0;
};

// The steps of the conversion, each a plain transcription of its formulas.
// latitude, longitude on WGS84 (radians), height 0 -> geocentric (m).
Geocentric wgs84ToGeocentric(double latitude, double longitude) noexcept;
// WGS84 geocentric (m) -> KKJ geocentric (m):
//   X' = (X - rz*Y + ry*Z)*(1 - d) - tx
//   Y' = (rz*X + Y - rx*Z)*(1 - d) - ty
//   Z' = (-ry*X + rx*Y + Z)*(1 - d) - tz
Geocentric shiftDatumToKkj(const Geocentric& wgs84) noexcept;
// KKJ geocentric (m) -> International-ellipsoid latitude and longitude
// (radians) by Bowring's formula; longitude by a one-argument arc tangent,
// so within +-pi/2.
Geodetic internationalGeocentricToGeodetic(const Geocentric& kkj) noexcept;
// Plain Krueger-series evaluation; same contract as projectGaussKruger.
void projectGaussKrugerReference(double latitude, double deltaLongitude, double& x, double& y) noexcept;
// All steps in order, plainly; same contract as geodeticToKKJ.
void geodeticToKKJReference(double latitude, double longitude, int zone, double& x, double& y) noexcept;

}  // namespace detail
}  // namespace kkj
}  // namespace gnsslog
