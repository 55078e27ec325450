// Where the rover's antenna sits on the vehicle relative to the reference
// point, and that offset on the ground at an epoch.
//
// The vehicle frame: forward along the vehicle's heading, right of it, up.
// Heading is degrees clockwise from north; a reference without a heading
// column lends its direction of travel.
#pragma once

#include <vector>

#include "reference/ReferenceTrajectory.h"

namespace gnsslog {

struct LeverArm {
    double forward = 0;  // metres, from the reference point to the rover antenna
    double right = 0;
    double up = 0;

    bool horizontal() const noexcept { return forward != 0 || right != 0; }
};

// The lever arm turned onto the local east and north, metres, for a
// vehicle heading headingDegrees (clockwise from north).
void leverArmEastNorth(const LeverArm& lever, double headingDegrees, double& east,
                       double& north) noexcept;

// The reference's heading at time, degrees in [0, 360): interpolated
// between the two epochs around it the short way round the circle. NaN
// outside the span. epochs: strictly increasing in time.
double headingAt(const std::vector<ReferenceEpoch>& epochs, double time) noexcept;

}  // namespace gnsslog
