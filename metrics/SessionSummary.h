// Figures across the sessions of a log (metrics/Sessions.h).
//
// Percentiles of a time are nearest rank over all sessions, a session
// that never reached the event counting as later than any that did: so
// the median time to fix of a log where most sessions never fix does not
// exist, rather than being the median of the lucky few.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "metrics/BinomialInterval.h"
#include "metrics/Sessions.h"

namespace gnsslog {

struct SessionTimeFigures {
    std::size_t reached = 0;       // sessions where the event happened
    std::optional<double> median;  // seconds
    std::optional<double> p95;     // seconds
};

struct FixedWithin {
    double limitSeconds = 0;
    double share = 0;  // sessions fixed at or before the limit / sessions, 0..1
};

struct SessionSummary {
    std::size_t count = 0;
    std::size_t neverFixed = 0;
    SessionTimeFigures firstPosition;
    SessionTimeFigures firstFloat;
    SessionTimeFigures firstFixed;
    SessionTimeFigures converged;
    std::vector<FixedWithin> fixedWithin;  // in the order of the options' limits
    std::size_t judgedFirstFixes = 0;      // first fixes with a measured error
    std::size_t wrongFirstFixes = 0;
    double wrongFirstFixShare = 0;         // wrong / judged; 0 without judged ones
    BinomialInterval wrongFirstFixInterval;  // 95 %
};

SessionSummary summariseSessions(std::span<const Session> sessions,
                                 std::span<const double> fixedWithinSeconds);

// The sessions and their summary of one log.
struct SessionAnalysis {
    double nominalInterval = 0;  // seconds
    std::vector<Session> sessions;
    SessionSummary summary;
};

// restarts: the log's marked restarts (GNSSLog::restarts).
SessionAnalysis analyseSessions(std::span<const GNSSRecord> records, const TruthPoint& truth,
                                const SessionOptions& options,
                                std::span<const std::size_t> restarts = {});

}  // namespace gnsslog
