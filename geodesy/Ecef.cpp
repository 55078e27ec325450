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

}  // namespace

bool ecefToWgs84(double x, double y, double z, Wgs84Position& position) noexcept
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

}  // namespace gnsslog
