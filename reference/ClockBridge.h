// Puts a rover's record times on a reference trajectory's clock.
//
// A time that knows only its day or its week is completed by the whole
// number of days or weeks that puts the rover's first epoch nearest the
// reference's first epoch: the two recordings of a test overlap, so the
// nearest is the right one. UTC times get the leap seconds of their date,
// which only a reference with a full date can give; a UTC rover against a
// GPS reference without a date (or the other way round) cannot be matched.
#pragma once

#include <optional>

#include "log/formats/RecordClock.h"
#include "reference/ReferenceTrajectory.h"

namespace gnsslog {

class ClockBridge {
public:
    // rover: its records' clock; roverFirstTime: its first record's time
    // (seconds); timeOffset: seconds added to every rover time. Empty when
    // the clocks share no date to meet on.
    static std::optional<ClockBridge> make(RecordClock rover, double roverFirstTime,
                                           const ReferenceTrajectory& reference,
                                           double timeOffset) noexcept;

    // A rover record's time on the reference's clock, seconds.
    double toReference(double roverTime) const noexcept;

    // Whether a date (day or week) had to be chosen for one of the sides.
    bool completedDate() const noexcept { return completed_; }
    // The whole days or weeks added to the rover's times, seconds.
    double dateShift() const noexcept { return base_; }

private:
    double base_ = 0;    // seconds added before any leap seconds
    double offset_ = 0;  // the user's time offset, seconds
    bool utcToGps_ = false;
    bool completed_ = false;
};

}  // namespace gnsslog
