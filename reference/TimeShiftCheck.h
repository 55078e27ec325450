// Whether the rover and the reference run on clocks whole seconds apart:
// the mark of UTC read as GPS time (18 s since 2017) or a mistyped offset.
//
// The rover is tried shifted by -20 .. +20 s; where one shift cuts the
// horizontal RMS error to less than half of the unshifted one, the clocks
// look that far apart. Only a subsample of the rover's epochs is tried, so
// the check costs a small part of the matching whatever the log's size.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "log/GnssRecord.h"
#include "reference/TruthMatch.h"

namespace gnsslog {

inline constexpr int kLargestShiftTried = 20;        // seconds, either way
inline constexpr std::size_t kShiftCheckEpochs = 500;  // rover epochs tried at most
// A shift counts where it leaves the RMS below this share of the unshifted.
inline constexpr double kShiftRmsShare = 0.5;

// The whole seconds to add to the rover's times (on top of
// options.timeOffset) that make it fit the reference far better; empty
// where none does or nothing matches unshifted.
std::optional<int> findTimeShift(const std::vector<GNSSRecord>& records, RecordClock roverClock,
                                 const ReferenceTrajectory& reference,
                                 const TruthMatchOptions& options);

// "the rover and the reference look N s apart (UTC against GPS time?)"
std::string timeShiftWarning(int shiftSeconds);

}  // namespace gnsslog
