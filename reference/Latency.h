// The rover's latency: how long after the vehicle passed a place the rover
// reports it there.
//
// A rover late by L seconds puts the vehicle where it was L seconds ago:
// behind the reference by speed times L. The latency is minus the
// least-squares slope, through the origin, of the along-track error
// against the reference's speed, over the matched epochs where the
// reference has a direction. Through the origin, because a vehicle driven
// at one steady speed gives no spread of speeds to fit a line's offset;
// an along-track bias of the rover's own therefore counts as latency.
// RTK-fixed epochs only where there are kLatencyFixedEpochs of them: a
// float solution's metres would drown a fixed one's milliseconds.
#pragma once

#include <cstddef>
#include <vector>

#include "log/GnssRecord.h"
#include "reference/TruthMatch.h"

namespace gnsslog {

inline constexpr std::size_t kLatencyFixedEpochs = 10;
// Fewer epochs give no standard error.
inline constexpr std::size_t kLatencyLeastEpochs = 3;

struct LatencyEstimate {
    bool estimated = false;  // enough epochs with a direction
    double seconds = 0;      // positive: the rover reports late
    double stdErr = 0;       // seconds, one standard error
    std::size_t epochs = 0;  // epochs fitted
};

// records and match.records correspond one to one.
LatencyEstimate estimateLatency(const std::vector<GNSSRecord>& records, const TruthMatch& match);

}  // namespace gnsslog
