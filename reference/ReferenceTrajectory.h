// A reference trajectory: where the reference antenna was, epoch by
// epoch, to measure a moving receiver against.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "geodesy/Ecef.h"
#include "log/formats/RecordClock.h"

namespace gnsslog {

struct ReferenceEpoch {
    // Seconds on the trajectory's clock: with a full date, seconds from
    // the GPS epoch on its scale (its dateOrigin is 0); otherwise as its
    // log's records count them.
    double time = 0;
    EcefPosition position;  // WGS84 earth-centred, metres
    // Earth-centred velocity, metres per second; read where the
    // trajectory has velocities, 0 otherwise.
    double vx = 0;
    double vy = 0;
    double vz = 0;
    // Degrees clockwise from north, where the trajectory has headings.
    float heading = 0;
};
// A 10 Hz reference of a day is 864 000 epochs: 55 MB at this size.
static_assert(sizeof(ReferenceEpoch) <= 64);

struct ReferenceTrajectory {
    std::string file;    // as the user named it
    std::string format;  // "csv" or the log format's name
    RecordClock clock;
    bool hasVelocity = false;
    bool hasHeading = false;
    // Strictly increasing in time.
    std::vector<ReferenceEpoch> epochs;
    // Rows or records that gave no epoch: unreadable, without a position,
    // or not later than the epoch before.
    std::size_t skipped = 0;
};

// A trajectory read from a file, or why none could be.
struct ReferenceLoad {
    ReferenceTrajectory trajectory;
    std::string error;  // empty on success; names the file otherwise

    bool ok() const noexcept { return error.empty(); }
};

// The median of the intervals between consecutive epochs, seconds; 0 with
// fewer than two epochs.
double medianInterval(const std::vector<ReferenceEpoch>& epochs);

// Limits of a usable epoch. Beyond them a value is a misread field, and
// keeping them out keeps interpolation's sums finite.
inline constexpr double kShortestReferenceInterval = 1e-6;  // seconds after the epoch before
inline constexpr double kHighestReference = 1e7;            // metres above or below the ellipsoid
inline constexpr double kFastestReference = 1e5;            // metres per second, each axis

// Whether an epoch at height (metres) and time may follow the trajectory's last.
bool fitsAfterLast(const ReferenceTrajectory& trajectory, double time, double height) noexcept;

// The least usable reference: two epochs make an interval to interpolate in.
inline constexpr std::size_t kMinimumReferenceEpochs = 2;

// The error a loader gives for a trajectory with fewer epochs than that.
std::string tooFewEpochsError(const std::string& file, std::size_t epochs);

}  // namespace gnsslog
