// A rover position's error against the reference: north, east and up on
// the plane tangent to the ellipsoid at the reference position, and along
// and across the reference's direction of travel.
//
// Sign conventions: every error is rover minus reference. Along is
// positive ahead of the reference, cross positive to the right of its
// direction of travel.
#pragma once

#include <optional>

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

// The same on given local axes: those at the truth position, or at a point
// near enough that their turn does not matter (kAxesReuseDistance).
TrackError trackError(const TruthSample& truth, const EcefPosition& rover, const EnuAxes& axes,
                      const LeverArm& lever, double headingDegrees) noexcept;

// The local axes at an earth-centred position; empty where it has no
// latitude (non-finite or at the earth's centre).
std::optional<EnuAxes> enuAxesAt(const EcefPosition& position) noexcept;

// Axes at a point this far from the truth are turned by 8e-6 rad against
// its own: 0.3 mm on a 40 m error, 8 micrometres on a metre.
inline constexpr double kAxesReuseDistance = 50;  // metres

}  // namespace gnsslog
