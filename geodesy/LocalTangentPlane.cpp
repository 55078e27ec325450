#include "geodesy/LocalTangentPlane.h"

#include <cmath>

namespace gnsslog {

namespace {

constexpr double kWgs84SemiMajorAxis = 6378137.0;        // metres
constexpr double kWgs84Flattening = 1 / 298.257223563;   // the defining value
constexpr double kWgs84EccentricitySquared = (2 - kWgs84Flattening) * kWgs84Flattening;
constexpr double kDegreesToRadians = 3.141592653589793 / 180.0;

struct Geocentric {
    double x, y, z;  // metres
};

Geocentric geocentric(double sinLat, double cosLat, double sinLon, double cosLon,
                      double height) noexcept
{
    const double primeVertical =
        kWgs84SemiMajorAxis / std::sqrt(1 - kWgs84EccentricitySquared * sinLat * sinLat);
    return {(primeVertical + height) * cosLat * cosLon, (primeVertical + height) * cosLat * sinLon,
            (primeVertical * (1 - kWgs84EccentricitySquared) + height) * sinLat};
}

}  // namespace

LocalTangentPlane::LocalTangentPlane(const GeodeticPosition& origin) noexcept
    : height_(origin.height),
      sinLat_(std::sin(origin.latitude * kDegreesToRadians)),
      cosLat_(std::cos(origin.latitude * kDegreesToRadians)),
      sinLon_(std::sin(origin.longitude * kDegreesToRadians)),
      cosLon_(std::cos(origin.longitude * kDegreesToRadians))
{
    const Geocentric o = geocentric(sinLat_, cosLat_, sinLon_, cosLon_, height_);
    x0_ = o.x;
    y0_ = o.y;
    z0_ = o.z;
}

void LocalTangentPlane::toNorthEast(double latitude, double longitude, double& north,
                                    double& east) const noexcept
{
    const double lat = latitude * kDegreesToRadians;
    const double lon = longitude * kDegreesToRadians;
    const Geocentric p = geocentric(std::sin(lat), std::cos(lat), std::sin(lon), std::cos(lon), height_);
    const double dx = p.x - x0_;
    const double dy = p.y - y0_;
    const double dz = p.z - z0_;
    east = -sinLon_ * dx + cosLon_ * dy;
    north = -sinLat_ * cosLon_ * dx - sinLat_ * sinLon_ * dy + cosLat_ * dz;
}

}  // namespace gnsslog
