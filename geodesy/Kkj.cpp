// WGS84 -> KKJ: the plain transcription of the steps and the fast evaluation
// used by the decoders. See Kkj.h for the method, constants and domain.
//
// The fast evaluation follows the same steps but replaces transcendental
// functions by algebraic identities wherever the steps compute an angle only
// to take its sine, cosine or tangent again. Each fast expression keeps the
// plain one beside it in a comment. It departs from the plain steps in the
// last bits only: it agrees with them within 0.1 mm wherever the projection
// is defined away from its singularity (tests/core/geodesy_test.cpp).
#include "geodesy/Kkj.h"

#include <cmath>

namespace gnsslog {
namespace kkj {
namespace {

// Squared first eccentricity from a flattening: e^2 = (2 - f) * f.
constexpr double squaredEccentricity(double flattening) noexcept
{
    return (2.0 - flattening) * flattening;
}

constexpr double kWgs84E2 = squaredEccentricity(kWgs84Flattening);
constexpr double kInternationalE2 = squaredEccentricity(kInternationalFlattening);

constexpr double kRotationX = arcsecondsToRadians(kRotationXArcsec);
constexpr double kRotationY = arcsecondsToRadians(kRotationYArcsec);
constexpr double kRotationZ = arcsecondsToRadians(kRotationZArcsec);
constexpr double kScale = 1.0 - kScaleDifference;

// Bowring's constants for the International ellipsoid. std::sqrt is not
// constexpr, and a namespace-scope const would be initialised dynamically
// (too late for a caller in another file's static initialiser), so they
// are formed where used; compilers fold them to constants.
inline double sqrtOneMinusE2() noexcept
{
    return std::sqrt(1.0 - kInternationalE2);
}
inline double bowringZ() noexcept
{
    return kInternationalSemiMajorAxis * kInternationalE2 / sqrtOneMinusE2();
}
constexpr double kBowringP = kInternationalSemiMajorAxis * kInternationalE2;

inline void sinCos(double angle, double& s, double& c) noexcept
{
#if defined(__GLIBC__)
    ::sincos(angle, &s, &c);  // one argument reduction for both
#else
    s = std::sin(angle);
    c = std::cos(angle);
#endif
}

// Step 6 from the sine and cosine of the latitude phi' and of the longitude
// difference dl instead of the angles themselves.
void projectFromTrig(double sinLat, double cosLat, double sinDl, double cosDl,
                     double& x, double& y) noexcept
{
    constexpr double e = kProjectionEccentricity;

    // w = e * atanh(e * sin phi') as its Taylor series: e * sin phi' < 0.082,
    // so the terms beyond (e sin phi')^13 / 13 are below 1e-17 relative.
    const double es = e * sinLat;
    const double es2 = es * es;
    const double w = e * es *
        (1.0 + es2 * (1.0 / 3 + es2 * (1.0 / 5 + es2 * (1.0 / 7 + es2 * (1.0 / 9 +
         es2 * (1.0 / 11 + es2 * (1.0 / 13)))))));
    // sinh w and cosh w by their series (|w| < 0.007, next terms < 1e-19).
    const double w2 = w * w;
    const double sinhW = w * (1.0 + w2 * (1.0 / 6 + w2 * (1.0 / 120)));
    const double coshW = 1.0 + w2 * (0.5 + w2 * (1.0 / 24 + w2 * (1.0 / 720)));

    // Q = asinh(tan phi') - w, and with tan phi' = s/c, sqrt(1 + tan^2) = 1/|c|:
    //   sinh Q = tan phi' cosh w - sec phi' sinh w = S / |c|
    //   cosh Q = sec phi' cosh w - tan phi' sinh w = C / |c|
    // (the sign of c only matters for latitudes beyond +-90 degrees).
    const double sinLatSigned = sinLat * std::copysign(1.0, cosLat);
    const double absCosLat = std::fabs(cosLat);
    const double S = sinLatSigned * coshW - sinhW;
    const double C = coshW - sinLatSigned * sinhW;

    // xi0 = atan(sinh Q / cos dl), eta0 = atanh(sin dl / cosh Q)
    //   (cosh Q == sqrt(sinh^2 Q + 1)), both scaled by |c|.
    const double cc = absCosLat * cosDl;
    const double cs = absCosLat * sinDl;
    const double xi0 = std::atan(S / cc);
    const double v = cs / C;
    const double eta0 = std::atanh(v);

    // sin 2xi0 = 2t/(1+t^2), cos 2xi0 = (1-t^2)/(1+t^2) with t = tan xi0 = S/cc;
    // cosh 2eta0 = (1+v^2)/(1-v^2), sinh 2eta0 = 2v/(1-v^2) with v = tanh eta0.
    // Both denominators are S^2 + cc^2 (= C^2 - cs^2, since C^2 - S^2 = c^2);
    // the sum of squares has no cancellation near the singularity.
    const double invD = 1.0 / (S * S + cc * cc);
    const double s1 = 2.0 * S * cc * invD;
    const double c1 = (cc * cc - S * S) * invD;
    const double sh1 = 2.0 * C * cs * invD;
    const double ch1 = (C * C + cs * cs) * invD;

    // sin(2j xi0), cos(2j xi0), sinh(2j eta0), cosh(2j eta0) for j = 2, 3, 4
    // by the addition theorems instead of twelve function calls.
    const double s2 = 2.0 * s1 * c1;
    const double c2 = c1 * c1 - s1 * s1;
    const double sh2 = 2.0 * sh1 * ch1;
    const double ch2 = ch1 * ch1 + sh1 * sh1;
    const double s3 = s2 * c1 + c2 * s1;
    const double c3 = c2 * c1 - s2 * s1;
    const double sh3 = sh2 * ch1 + ch2 * sh1;
    const double ch3 = ch2 * ch1 + sh2 * sh1;
    const double s4 = 2.0 * s2 * c2;
    const double c4 = c2 * c2 - s2 * s2;
    const double sh4 = 2.0 * sh2 * ch2;
    const double ch4 = ch2 * ch2 + sh2 * sh2;

    // Sxi = sum h_j sin(2j xi0) cosh(2j eta0), Seta = sum h_j cos(2j xi0) sinh(2j eta0)
    const double sumXi = kKruger[0] * s1 * ch1 + kKruger[1] * s2 * ch2 +
                         kKruger[2] * s3 * ch3 + kKruger[3] * s4 * ch4;
    const double sumEta = kKruger[0] * c1 * sh1 + kKruger[1] * c2 * sh2 +
                          kKruger[2] * c3 * sh3 + kKruger[3] * c4 * sh4;

    x = kProjectionRadius * (xi0 + sumXi);
    y = kProjectionRadius * (eta0 + sumEta) + kFalseEasting;
}

}  // namespace

namespace detail {

Geocentric wgs84ToGeocentric(double latitude, double longitude) noexcept
{
    constexpr double a = kWgs84SemiMajorAxis;
    constexpr double e2 = kWgs84E2;
    constexpr double h = 0.0;  // the record's height is deliberately not an input
    const double sinLat = std::sin(latitude);
    const double n = a / std::sqrt(1.0 - e2 * sinLat * sinLat);
    return {(n + h) * std::cos(latitude) * std::cos(longitude),
            (n + h) * std::cos(latitude) * std::sin(longitude),
            (n * (1.0 - e2) + h) * sinLat};
}

Geocentric shiftDatumToKkj(const Geocentric& g) noexcept
{
    constexpr double rx = kRotationX;
    constexpr double ry = kRotationY;
    constexpr double rz = kRotationZ;
    return {(g.x - rz * g.y + ry * g.z) * kScale - kTranslationX,
            (rz * g.x + g.y - rx * g.z) * kScale - kTranslationY,
            (-ry * g.x + rx * g.y + g.z) * kScale - kTranslationZ};
}

Geodetic internationalGeocentricToGeodetic(const Geocentric& g) noexcept
{
    const double p = std::sqrt(g.x * g.x + g.y * g.y);
    const double theta = std::atan(g.z / (p * sqrtOneMinusE2()));
    const double sinTheta = std::sin(theta);
    const double cosTheta = std::cos(theta);
    const double latitude = std::atan((g.z + bowringZ() * sinTheta * sinTheta * sinTheta) /
                                      (p - kBowringP * cosTheta * cosTheta * cosTheta));
    // One-argument arc tangent on purpose: longitudes fold into +-90 degrees.
    const double longitude = std::atan(g.y / g.x);
    return {latitude, longitude};
}

void projectGaussKrugerReference(double latitude, double deltaLongitude, double& x, double& y) noexcept
{
    constexpr double e = kProjectionEccentricity;
    const double q = std::asinh(std::tan(latitude)) - e * std::atanh(e * std::sin(latitude));
    const double sinhQ = std::sinh(q);
    const double xi0 = std::atan(sinhQ / std::cos(deltaLongitude));
    const double eta0 = std::atanh(std::sin(deltaLongitude) / std::sqrt(sinhQ * sinhQ + 1.0));
    double sumXi = 0.0;
    double sumEta = 0.0;
    for (int j = 1; j <= 4; ++j) {
        const double h = kKruger[j - 1];
        sumXi += h * std::sin(2.0 * j * xi0) * std::cosh(2.0 * j * eta0);
        sumEta += h * std::cos(2.0 * j * xi0) * std::sinh(2.0 * j * eta0);
    }
    x = kProjectionRadius * (xi0 + sumXi);
    y = kProjectionRadius * (eta0 + sumEta) + kFalseEasting;
}

void geodeticToKKJReference(double latitude, double longitude, int zone, double& x, double& y) noexcept
{
    const Geocentric wgs84 = wgs84ToGeocentric(latitude * kRadiansPerDegree, longitude * kRadiansPerDegree);
    const Geodetic kkj = internationalGeocentricToGeodetic(shiftDatumToKkj(wgs84));
    const double deltaLongitude = kkj.longitude - centralMeridianDegrees(zone) * kRadiansPerDegree;
    projectGaussKrugerReference(kkj.latitude, deltaLongitude, x, y);
    y += zone * kZonePrefix;
}

}  // namespace detail
}  // namespace kkj

void projectGaussKruger(double latitude, double deltaLongitude, double& x, double& y) noexcept
{
    double sinLat = 0.0;
    double cosLat = 0.0;
    double sinDl = 0.0;
    double cosDl = 0.0;
    kkj::sinCos(latitude, sinLat, cosLat);
    kkj::sinCos(deltaLongitude, sinDl, cosDl);
    kkj::projectFromTrig(sinLat, cosLat, sinDl, cosDl, x, y);
}

void geodeticToKKJ(double latitude, double longitude, int zone, double& x, double& y) noexcept
{
    using namespace kkj;

    // Step 2; sin and cos of each angle come from one call.
    double sinLat = 0.0;
    double cosLat = 0.0;
    double sinLon = 0.0;
    double cosLon = 0.0;
    sinCos(latitude * kRadiansPerDegree, sinLat, cosLat);
    sinCos(longitude * kRadiansPerDegree, sinLon, cosLon);
    const double n = kWgs84SemiMajorAxis / std::sqrt(1.0 - kWgs84E2 * sinLat * sinLat);
    const detail::Geocentric wgs84{n * cosLat * cosLon, n * cosLat * sinLon, n * (1.0 - kWgs84E2) * sinLat};

    // Step 3 is already cheap.
    const detail::Geocentric g = detail::shiftDatumToKkj(wgs84);

    // Step 4, Bowring. theta = atan(Z' / (p sqrt(1-e^2))) lies within +-90
    // degrees, so with q = p sqrt(1-e^2) >= 0:
    //   sin theta = Z' / sqrt(Z'^2 + q^2), cos theta = q / sqrt(Z'^2 + q^2).
    const double p = std::sqrt(g.x * g.x + g.y * g.y);
    const double q = p * sqrtOneMinusE2();
    const double invR = 1.0 / std::sqrt(g.z * g.z + q * q);
    const double sinTheta = g.z * invR;
    const double cosTheta = q * invR;
    // phi' = atan(num / den); only its sine and cosine are needed:
    //   sin(atan(u)) = u / sqrt(1 + u^2), cos(atan(u)) = 1 / sqrt(1 + u^2).
    const double num = g.z + bowringZ() * sinTheta * sinTheta * sinTheta;
    const double den = p - kBowringP * cosTheta * cosTheta * cosTheta;
    const double invHyp = 1.0 / std::sqrt(num * num + den * den);
    const double sinLatKkj = num * std::copysign(1.0, den) * invHyp;
    const double cosLatKkj = std::fabs(den) * invHyp;

    // Steps 4 and 5 for the longitude, as written: the one-argument arc
    // tangent keeps the fold beyond +-90 degrees, and on the central meridian
    // the difference is exactly 0, so the easting is exactly the prefix.
    const double deltaLongitude = std::atan(g.y / g.x) - centralMeridianDegrees(zone) * kRadiansPerDegree;
    double sinDl = 0.0;
    double cosDl = 0.0;
    sinCos(deltaLongitude, sinDl, cosDl);

    projectFromTrig(sinLatKkj, cosLatKkj, sinDl, cosDl, x, y);
    y += zone * kZonePrefix;  // int * double: no integer overflow
}

}  // namespace gnsslog
