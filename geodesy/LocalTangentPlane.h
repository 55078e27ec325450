// WGS84 geodetic positions to local north and east on the plane tangent to
// the ellipsoid at an origin.
//
// Method: the position and the origin become geocentric X, Y, Z on WGS84,
// both at the origin's ellipsoidal height (the position's own height is not
// an input, as in the KKJ conversion), and their difference is rotated into
// the origin's east-north-up axes. The result is the orthographic
// projection onto the tangent plane: a point s metres from the origin along
// the ellipsoid reads s - s^3 / (6 R^2), 4 nm short at 100 m, 4 mm at 10 km.
// Domain: any latitude and longitude; the plane serves a few kilometres
// about the origin.
//
// Why the origin's choice hardly matters for the errors. The analysis
// measures a record's error as the difference of two plane positions, the
// record's and the truth's, both near the origin. Moving the origin by d
// metres turns the plane's axes by a small rotation:
//   - a tilt of d / R (R about 6.4e6 m), 1.6e-4 rad at 1 km, which changes
//     the length of a horizontal error only by a factor cos(d / R), less
//     than 1.3e-8 at 1 km, and the north and east parts of an error along
//     the move by the same factor;
//   - for a move of e metres east or west, a turn about the vertical by the
//     meridian convergence e * tan(latitude) / R, which keeps every length
//     and moves that fraction of the error between north and east: below
//     1e-4 of the error for e up to 1e-4 * R / tan(latitude), 640 m at 45
//     degrees and 370 m at 60 degrees (a truth averaged from the log lies
//     metres from the log's first position, where it is below 1e-6).
// So within a kilometre a horizontal or 3D error changes by less than 1e-4
// of its size (by 1.3e-8), and so do its north and east parts whenever the
// origins lie north or south of each other or within the distances above;
// Z errors are height differences and do not depend on the origin at all.
#pragma once

#include "geodesy/GridFrame.h"

namespace gnsslog {

class LocalTangentPlane {
public:
    // origin: WGS84 degrees and metres above the ellipsoid.
    explicit LocalTangentPlane(const GeodeticPosition& origin) noexcept;

    // latitude, longitude: WGS84 degrees. north, east: metres from the
    // origin along its local north and east. Pure; NaN in gives NaN out.
    void toNorthEast(double latitude, double longitude, double& north, double& east) const noexcept;

private:
    double height_;
    double sinLat_, cosLat_, sinLon_, cosLon_;
    double x0_, y0_, z0_;  // the origin, geocentric metres
};

}  // namespace gnsslog
