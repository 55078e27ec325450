// Every rover record against a reference trajectory: its truth, or why it
// has none, and its errors.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "log/GnssRecord.h"
#include "reference/Interpolation.h"
#include "reference/TrackError.h"

namespace gnsslog {

struct TruthMatchOptions {
    double maxGap = 0;      // seconds; 0: the reference's default
    double timeOffset = 0;  // seconds added to every rover time
    LeverArm leverArm{};    // the rover antenna on the vehicle
};

// One rover record's outcome. Records without a latitude, longitude and
// height have no position to measure: their cause stays Matched with
// hasPosition false, and they count nowhere.
struct RecordTruth {
    bool hasPosition = false;
    TruthCause cause = TruthCause::Matched;
    TrackError error;  // read when hasPosition and cause is Matched
};

struct TruthMatch {
    std::vector<RecordTruth> records;  // one per rover record, in order
    double maxGap = 0;                 // seconds, as used
    double timeOffset = 0;             // seconds
    LeverArm leverArm;
    bool completedDate = false;        // a day or week was chosen for one side
    std::size_t withPosition = 0;      // records with a position
    // Records with a position by cause, indexed by TruthCause.
    std::array<std::size_t, 4> byCause{};

    std::size_t count(TruthCause cause) const noexcept
    {
        return byCause[static_cast<std::size_t>(cause)];
    }
    // Matched share of the records with a position; 0 without any.
    double coverage() const noexcept;
};

// roverClock: what the records' times count (the format's recordClock).
TruthMatch matchRecords(const std::vector<GNSSRecord>& records, RecordClock roverClock,
                        const ReferenceTrajectory& reference, const TruthMatchOptions& options);

}  // namespace gnsslog
