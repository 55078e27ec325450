#include "reference/ClockBridge.h"

#include <cmath>

#include "reference/CivilTime.h"
#include "reference/LeapSeconds.h"

namespace gnsslog {

namespace {

double converted(double time, TimeScale from, TimeScale to) noexcept
{
    if (from == to) {
        return time;
    }
    return from == TimeScale::Utc ? utcToGpsSeconds(time) : gpsToUtcSeconds(time);
}

// The day or week that completes an undated side; 0 when both are dated.
double periodOf(RecordClock rover, RecordClock reference) noexcept
{
    if (rover.date == DateKnown::FullDate && reference.date == DateKnown::FullDate) {
        return 0;
    }
    return rover.date == DateKnown::TimeOfDay || reference.date == DateKnown::TimeOfDay
               ? kSecondsPerDay
               : kSecondsPerWeek;
}

}  // namespace

std::optional<ClockBridge> ClockBridge::make(RecordClock rover, double roverFirstTime,
                                             const ReferenceTrajectory& reference,
                                             double timeOffset) noexcept
{
    if (reference.epochs.empty() || !std::isfinite(roverFirstTime) || !std::isfinite(timeOffset)) {
        return std::nullopt;
    }
    const RecordClock target = reference.clock;
    const bool roverDated = rover.date == DateKnown::FullDate;
    const bool referenceDated = target.date == DateKnown::FullDate;
    if (rover.scale != target.scale && !roverDated && !referenceDated) {
        return std::nullopt;
    }
    ClockBridge bridge;
    bridge.conversion_ = rover.scale == target.scale ? Conversion::None
                         : rover.scale == TimeScale::Utc ? Conversion::UtcToGps
                                                         : Conversion::GpsToUtc;
    bridge.before_ = timeOffset + (roverDated ? rover.dateOrigin : 0);
    const double period = periodOf(rover, target);
    if (period > 0) {
        const double referenceFirst = reference.epochs.front().time;
        if (roverDated) {
            // The reference's day or week, chosen on its own scale.
            const double first = converted(roverFirstTime + bridge.before_, rover.scale, target.scale);
            bridge.after_ = period * std::round((referenceFirst - first) / period);
        } else {
            // The rover's, chosen on its scale, before the leap seconds of the date.
            const double first = converted(referenceFirst, target.scale, rover.scale);
            bridge.before_ += period * std::round((first - roverFirstTime - bridge.before_) / period);
        }
        bridge.completed_ = roverDated || referenceDated;
    }
    return bridge;
}

double ClockBridge::toReference(double roverTime) const noexcept
{
    double time = roverTime + before_;
    switch (conversion_) {
    case Conversion::None:
        break;
    case Conversion::UtcToGps:
        time = utcToGpsSeconds(time);
        break;
    case Conversion::GpsToUtc:
        time = gpsToUtcSeconds(time);
        break;
    }
    return time + after_;
}

}  // namespace gnsslog
