#include "reference/LeverArm.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace gnsslog {

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
constexpr double kFullCircle = 360.0;  // degrees
constexpr double kHalfCircle = 180.0;

}  // namespace

void leverArmEastNorth(const LeverArm& lever, double headingDegrees, double& east,
                       double& north) noexcept
{
    const double h = headingDegrees * kRadiansPerDegree;
    // Forward is (sin h, cos h) in east and north, right is (cos h, -sin h).
    east = lever.forward * std::sin(h) + lever.right * std::cos(h);
    north = lever.forward * std::cos(h) - lever.right * std::sin(h);
}

double headingAt(const std::vector<ReferenceEpoch>& epochs, double time) noexcept
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    if (epochs.empty() || !(time >= epochs.front().time) || !(time <= epochs.back().time)) {
        return nan;
    }
    const auto after = std::upper_bound(epochs.begin(), epochs.end(), time,
                                        [](double t, const ReferenceEpoch& e) { return t < e.time; });
    if (after == epochs.end()) {
        return std::fmod(static_cast<double>(epochs.back().heading) + kFullCircle, kFullCircle);
    }
    const ReferenceEpoch& a = *(after - 1);
    const ReferenceEpoch& b = *after;
    double turn = static_cast<double>(b.heading) - static_cast<double>(a.heading);
    // 359 to 1 degree is a turn of 2, not of -358.
    turn = std::remainder(turn, kFullCircle);
    if (turn == -kHalfCircle) {
        turn = kHalfCircle;
    }
    const double heading = a.heading + turn * (time - a.time) / (b.time - a.time);
    const double wrapped = std::fmod(heading, kFullCircle);
    return wrapped < 0 ? wrapped + kFullCircle : wrapped;
}

}  // namespace gnsslog
