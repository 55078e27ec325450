// A rover position's error against the reference: north, east and up on
// the plane tangent to the ellipsoid at the reference position, and along
// and across the reference's direction of travel.
//
// Sign conventions: every error is rover minus reference. Along is
// positive ahead of the reference, cross positive to the right of its
// direction of travel.
#pragma once

#include "geodesy/Ecef.h"
#include "reference/Interpolation.h"
#include "reference/LeverArm.h"

namespace gnsslog {

// Below this horizontal speed the reference has no direction of travel.
inline constexpr double kSlowestDirectionSpeed = 0.5;  // metres per second

struct TrackError {
    double north = 0;  // metres
    double east = 0;
    double up = 0;
    double speed = 0;  // the reference's horizontal speed, metres per second
    // Along and cross are read only where the reference has a direction.
    bool hasDirection = false;
    double along = 0;  // metres
    double cross = 0;
};

// truth: a matched sample. Pure; non-finite positions give NaN errors.
TrackError trackError(const TruthSample& truth, const EcefPosition& rover) noexcept;

// The same against the rover antenna's place on the vehicle: the
// reference point plus lever turned by headingDegrees (clockwise from
// north; NaN: the direction of travel). Where the heading is NaN and the
// reference too slow for a direction, only the lever's up is taken off.
TrackError trackError(const TruthSample& truth, const EcefPosition& rover, const LeverArm& lever,
                      double headingDegrees) noexcept;

}  // namespace gnsslog
