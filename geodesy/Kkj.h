// WGS84 geodetic coordinates to the Finnish KKJ grid.
//
// (the helper fills in the method description, constants with units, and source notes)
#pragma once

namespace gnsslog {

// latitude, longitude: WGS84, decimal degrees, north and east positive.
// zone: KKJ zone number (the system uses 2: central meridian 24 degrees E).
// x: KKJ northing (metres); y: KKJ easting (metres) with zone * 1000000 m
// and the 500000 m false easting added. Pure; no validation.
void geodeticToKKJ(double latitude, double longitude, int zone, double& x, double& y) noexcept;

// latitude: International-ellipsoid latitude (radians); deltaLongitude:
// difference from the central meridian (radians). x northing, y easting
// including the 500000 m false easting, without the zone prefix (metres).
void projectGaussKruger(double latitude, double deltaLongitude, double& x, double& y) noexcept;

}  // namespace gnsslog
