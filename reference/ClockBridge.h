// Puts a rover's record times on a reference trajectory's clock.
//
// A time that knows only its day or its week is completed by the whole
// number of days or weeks that puts the rover's first epoch nearest the
// reference's first epoch: the two recordings of a test overlap, so the
// nearest is the right one. A time in UTC meets one in GPS time by the
// leap seconds of its date, which only a side with a full date can give:
// two clocks of different scales without a date between them cannot be
// matched. The dated side's time is put on the other side's scale, then
// the undated side's day or week is chosen.
#pragma once

#include <cstdint>
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

private:
    enum class Conversion : std::uint8_t { None, UtcToGps, GpsToUtc };

    double before_ = 0;  // seconds added before the scale changes: offset, date origin, days
    double after_ = 0;   // whole days or weeks added after it, for a dated rover
    Conversion conversion_ = Conversion::None;
    bool completed_ = false;
};

}  // namespace gnsslog
