// RTK-fix continuity of a log: fix losses, re-fix times, time to first fix
// and availability.
//
// A fix loss is an RTK-fixed epoch (fixType 4) followed by one that is not.
// The loss starts at the time of that first non-fixed epoch and lasts until
// the next fixed epoch (re-fix time = its time minus the loss time), or is
// "not regained" when the log ends first. Times are the records' times in
// seconds (day wrap applied), so a log that steps backwards can give a
// negative duration; it is reported as it is.
//
// Availability is the share of the log's duration spent RTK fixed. Each
// epoch stands for the time until the next epoch; the last epoch, and an
// epoch followed by a gap (an interval longer than twice the nominal one),
// stand for the nominal interval instead, so an outage of the logger is
// neither counted for nor against the fix. The nominal interval is the
// median (nearest rank) of the positive intervals between consecutive
// epochs. An interval that is negative or not finite counts 0. When every
// epoch counts 0 (one epoch, or all at one time) each counts equally.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "log/GnssRecord.h"

namespace gnsslog {

class GNSSLog;

struct FixLossEvent {
    std::size_t recordIndex = 0;  // index of the first non-fixed epoch
    double time = 0;              // its time, seconds (absolute)
    double sinceStart = 0;        // time minus the first record's time, seconds
    bool regained = false;
    double duration = 0;                // re-fix time, seconds; meaningful when regained
    std::vector<std::uint8_t> fixTypes; // distinct fix types meanwhile, in order of appearance
};

struct FixContinuity {
    std::vector<FixLossEvent> losses;
    double logStart = 0;  // first record's time, seconds

    bool firstFixFound = false;
    double timeToFirstFix = 0;  // first fixed epoch's time minus the first record's, seconds

    // Over the regained losses: nearest-rank median and 95th percentile, and
    // the largest; meaningful when refixCount > 0.
    std::size_t refixCount = 0;
    double refixMedian = 0;
    double refix95 = 0;
    double refixMax = 0;

    std::size_t epochCount = 0;
    std::size_t fixedEpochCount = 0;
    double nominalInterval = 0;  // seconds; 0 without a positive interval
    double coveredSeconds = 0;   // sum of every epoch's weight
    double fixedSeconds = 0;     // sum of the fixed epochs' weights
    double availability = 0;     // share 0..1; meaningful when epochCount > 0
};

// Epochs whose interval is more than this many nominal intervals are
// followed by a gap.
inline constexpr double kGapFactor = 2.0;

FixContinuity computeFixContinuity(std::span<const GNSSRecord> records);
FixContinuity computeFixContinuity(const GNSSLog& log);

}  // namespace gnsslog
