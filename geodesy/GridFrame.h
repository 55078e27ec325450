// Which plane grid the analysis measures its errors in.
//
// The grid x is always the northing and y the easting (the Finnish order
// the rest of the system uses), whatever the coordinate system's own axis
// order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gnsslog {

enum class GridKind : std::uint8_t {
    Kkj,        // KKJ zone 2, the built-in conversion (geodesy/Kkj.h)
    Enu,        // local north and east on the plane tangent at an origin
    Projected,  // a projected coordinate system by EPSG code, through PROJ
};

struct GridFrame {
    GridKind kind = GridKind::Kkj;
    int epsg = 0;  // Projected only

    // "kkj", "enu", "tm35fin", "gk19" ... "gk31" or "EPSG:NNNN": the text
    // parseGridFrame reads back as this frame.
    std::string name() const;

    friend bool operator==(const GridFrame&, const GridFrame&) = default;
};

// A position on the WGS84 ellipsoid: degrees north and east, metres above
// the ellipsoid.
struct GeodeticPosition {
    double latitude = 0;
    double longitude = 0;
    double height = 0;

    friend bool operator==(const GeodeticPosition&, const GeodeticPosition&) = default;
};

inline constexpr int kEpsgTm35fin = 3067;  // ETRS89 / TM35FIN(E,N)
inline constexpr int kEpsgGk19 = 3873;     // ETRS89 / GK19FIN; GK20 ... GK31 follow in order
inline constexpr int kFirstGkZone = 19;    // central meridian 19 degrees E
inline constexpr int kLastGkZone = 31;

// "kkj", "enu", "tm35fin", "gk19" ... "gk31" or "EPSG:NNNN" (the prefix in
// either case, 1 to 6 digits). Only the spelling is checked; whether PROJ
// knows the code, and whether it is projected, is GridConverter's check.
std::optional<GridFrame> parseGridFrame(std::string_view text);

}  // namespace gnsslog
