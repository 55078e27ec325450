// One converter from WGS84 geodetic positions into the analysis's grid,
// whichever frame that is. Holds PROJ objects for a projected frame, so
// each thread that converts owns its own.
#pragma once

#include <optional>

#include "geodesy/GridFrame.h"
#include "geodesy/LocalTangentPlane.h"
#include "geodesy/ProjGrid.h"

namespace gnsslog {

class GridConverter {
public:
    // enuOrigin: the tangent point of an Enu frame (ignored by the others).
    // Throws FrameError naming the code for an EPSG code PROJ does not know
    // or a system that is not projected.
    GridConverter(const GridFrame& frame, const GeodeticPosition& enuOrigin);

    // latitude, longitude: WGS84 degrees. x: northing, y: easting, metres.
    // False, leaving x and y alone, when the position has no place in the
    // grid (PROJ cannot transform it).
    bool toGrid(double latitude, double longitude, double& x, double& y) noexcept;

    const GridFrame& frame() const noexcept { return frame_; }

private:
    GridFrame frame_;
    LocalTangentPlane plane_;
    std::optional<ProjGrid> proj_;
};

// Throws FrameError when frame cannot be used (see GridConverter); for
// checking a user's choice at once.
void checkGridFrame(const GridFrame& frame);

}  // namespace gnsslog
