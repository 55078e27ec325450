#include "geodesy/Ecef.h"

#include <cmath>
#include <numbers>

namespace gnsslog {

namespace {

constexpr double kSemiMajorAxisMetres = 6378137.0;
constexpr double kFlattening = 1.0 / 298.257223563;
constexpr double kEccentricitySquared = kFlattening * (2.0 - kFlattening);
// Below this distance from the centre a point is no position on the earth.
constexpr double kSmallestRadiusMetres = 1.0e5;
// Each iteration gains about three digits of latitude; five reach the
// double's resolution from the spherical first guess.
constexpr int kLatitudeIterations = 5;
constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;
// Beyond this distance from the centre the closed form's squares could
// overflow; no receiver is there.
constexpr double kLargestClosedFormMetres = 1.0e9;

}  // namespace

bool ecefToWgs84(double x, double y, double z, Wgs84Position& position) noexcept
{
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) {
        return false;
    }
    const double axisDistance = std::hypot(x, y);
    const double distance = std::hypot(axisDistance, z);
    if (distance < kSmallestRadiusMetres) {
        return false;
    }
    if (distance > kLargestClosedFormMetres) {
        return ecefToWgs84Reference(x, y, z, position);
    }
    // Vermeille (2002), his names.
    constexpr double e2 = kEccentricitySquared;
    constexpr double e4 = e2 * e2;
    const double p = (axisDistance / kSemiMajorAxisMetres) * (axisDistance / kSemiMajorAxisMetres);
    const double q = (1.0 - e2) * (z / kSemiMajorAxisMetres) * (z / kSemiMajorAxisMetres);
    const double r = (p + q - e4) / 6.0;
    const double s = e4 * p * q / (4.0 * r * r * r);
    const double t = std::cbrt(1.0 + s + std::sqrt(s * (2.0 + s)));
    const double u = r * (1.0 + t + 1.0 / t);
    const double v = std::sqrt(u * u + e4 * q);
    const double w = e2 * (u + v - q) / (2.0 * v);
    const double k = std::sqrt(u + v + w * w) - w;
    const double d = k * axisDistance / (k + e2);
    const double hypotenuse = std::hypot(d, z);
    position.latitude = 2.0 * std::atan2(z, d + hypotenuse) * kDegreesPerRadian;
    position.longitude = std::atan2(y, x) * kDegreesPerRadian;
    position.height = (k + e2 - 1.0) / k * hypotenuse;
    return true;
}

bool ecefToWgs84Reference(double x, double y, double z, Wgs84Position& position) noexcept
{
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) {
        return false;
    }
    const double p = std::hypot(x, y);
    if (std::hypot(p, z) < kSmallestRadiusMetres) {
        return false;
    }
    double latitude = std::atan2(z, p * (1.0 - kEccentricitySquared));
    double normal = kSemiMajorAxisMetres;
    for (int i = 0; i < kLatitudeIterations; ++i) {
        const double s = std::sin(latitude);
        normal = kSemiMajorAxisMetres / std::sqrt(1.0 - kEccentricitySquared * s * s);
        latitude = std::atan2(z + kEccentricitySquared * normal * s, p);
    }
    const double s = std::sin(latitude);
    const double c = std::cos(latitude);
    normal = kSemiMajorAxisMetres / std::sqrt(1.0 - kEccentricitySquared * s * s);
    // Stable at every latitude, poles included (unlike p / cos - N).
    const double height = p * c + z * s - kSemiMajorAxisMetres * kSemiMajorAxisMetres / normal;
    // Coordinates near a double's limit give a distance beyond it: no position.
    if (!std::isfinite(height)) {
        return false;
    }
    position.height = height;
    position.latitude = latitude * kDegreesPerRadian;
    position.longitude = std::atan2(y, x) * kDegreesPerRadian;
    return true;
}

EcefPosition wgs84ToEcef(double latitude, double longitude, double height) noexcept
{
    const double lat = latitude / kDegreesPerRadian;
    const double lon = longitude / kDegreesPerRadian;
    const double s = std::sin(lat);
    const double c = std::cos(lat);
    const double normal = kSemiMajorAxisMetres / std::sqrt(1.0 - kEccentricitySquared * s * s);
    return {(normal + height) * c * std::cos(lon), (normal + height) * c * std::sin(lon),
            (normal * (1.0 - kEccentricitySquared) + height) * s};
}

EnuAxes::EnuAxes(double latitude, double longitude) noexcept
    : sinLat_(std::sin(latitude / kDegreesPerRadian)),
      cosLat_(std::cos(latitude / kDegreesPerRadian)),
      sinLon_(std::sin(longitude / kDegreesPerRadian)),
      cosLon_(std::cos(longitude / kDegreesPerRadian))
{
}

void EnuAxes::toEnu(double dx, double dy, double dz, double& east, double& north,
                    double& up) const noexcept
{
    east = -sinLon_ * dx + cosLon_ * dy;
    north = -sinLat_ * cosLon_ * dx - sinLat_ * sinLon_ * dy + cosLat_ * dz;
    up = cosLat_ * cosLon_ * dx + cosLat_ * sinLon_ * dy + sinLat_ * dz;
}

void EnuAxes::toEcef(double east, double north, double up, double& dx, double& dy,
                     double& dz) const noexcept
{
    dx = -sinLon_ * east - sinLat_ * cosLon_ * north + cosLat_ * cosLon_ * up;
    dy = cosLon_ * east - sinLat_ * sinLon_ * north + cosLat_ * sinLon_ * up;
    dz = cosLat_ * north + sinLat_ * up;
}

}  // namespace gnsslog
