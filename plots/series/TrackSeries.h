// The positions a track picture draws: the log's own, and a reference
// trajectory's, as metres east and north on one tangent plane.
#pragma once

#include <cstdint>
#include <vector>

#include "log/GnssRecord.h"
#include "reference/ReferenceTrajectory.h"

namespace gnsslog {

struct TrackPoint {
    float east = 0;   // metres from the origin; floats keep 0.1 mm within 1000 km
    float north = 0;
    std::uint8_t fixType = 0;   // the record's; 0 for reference epochs
    bool startsSegment = false; // reference: the line is not drawn to it from the epoch before
};

struct TrackSeries {
    std::vector<TrackPoint> rover;      // records with a latitude and longitude, in order
    std::vector<TrackPoint> reference;  // every reference epoch, in time
    // Bounds of every point, metres; all 0 without points.
    double minEast = 0;
    double maxEast = 0;
    double minNorth = 0;
    double maxNorth = 0;
};

// The origin is the reference's first epoch, else the first record with a
// position. A reference interval longer than 2.5 times its median interval
// (the matching's longest bridged gap by default) starts a new segment.
// reference may be null. Records or epochs whose coordinates are not finite
// are left out.
TrackSeries trackSeries(const std::vector<GNSSRecord>& records, const ReferenceTrajectory* reference);

}  // namespace gnsslog
