#include "reference/ClockBridge.h"

#include <cmath>

#include "reference/CivilTime.h"
#include "reference/LeapSeconds.h"

namespace gnsslog {

std::optional<ClockBridge> ClockBridge::make(RecordClock rover, double roverFirstTime,
                                             const ReferenceTrajectory& reference,
                                             double timeOffset) noexcept
{
    if (reference.epochs.empty() || !std::isfinite(roverFirstTime) || !std::isfinite(timeOffset)) {
        return std::nullopt;
    }
    const RecordClock target = reference.clock;
    const bool referenceDated = target.date == DateKnown::FullDate;
    if (rover.scale != target.scale && !referenceDated) {
        return std::nullopt;
    }
    ClockBridge bridge;
    bridge.offset_ = timeOffset;
    bridge.utcToGps_ = rover.scale == TimeScale::Utc && target.scale == TimeScale::Gps;
    const double period = rover.date == DateKnown::FullDate && referenceDated ? 0
                          : rover.date == DateKnown::TimeOfDay || target.date == DateKnown::TimeOfDay
                              ? kSecondsPerDay
                              : kSecondsPerWeek;
    if (period > 0) {
        double referenceFirst = reference.epochs.front().time;
        if (bridge.utcToGps_) {
            referenceFirst = gpsToUtcSeconds(referenceFirst);
        }
        bridge.base_ = period * std::round((referenceFirst - roverFirstTime - timeOffset) / period);
        bridge.completed_ = referenceDated;
    }
    return bridge;
}

double ClockBridge::toReference(double roverTime) const noexcept
{
    const double time = roverTime + offset_ + base_;
    return utcToGps_ ? utcToGpsSeconds(time) : time;
}

}  // namespace gnsslog
