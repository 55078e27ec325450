// All of the report's statistics of one analysis: accuracy per solution
// class, fix continuity and wrong fixes.
//
// computeStatistics reads the records once, which is most of the cost on a
// large log, and runs over them one accumulator per statistic (class
// moments, error percentiles and within shares, the estimate check, fix
// losses, availability, wrong fixes), those of the parts asked for.
// computeAccuracyStats, computeFixContinuity and findWrongFixes are the
// same call with one part each.
#pragma once

#include <span>

#include "log/GnssRecord.h"
#include "metrics/AccuracyStats.h"
#include "metrics/FixContinuity.h"
#include "metrics/WrongFixes.h"

namespace gnsslog {

class GNSSLog;

struct Statistics {
    AccuracyStats accuracy;
    FixContinuity continuity;
    WrongFixes wrongFixes;
};

// Which of the three to compute; the others are left default.
namespace StatisticsPart {
inline constexpr unsigned Accuracy = 0x1;
inline constexpr unsigned Continuity = 0x2;
inline constexpr unsigned WrongFixes = 0x4;
inline constexpr unsigned All = Accuracy | Continuity | WrongFixes;
}  // namespace StatisticsPart

// Against truth (tx, ty, tz); thresholds as computeAccuracyStats,
// wrongFixThreshold as findWrongFixes. On a large log the work after the
// pass over the records is shared with a second thread; the results do
// not depend on it.
Statistics computeStatistics(std::span<const GNSSRecord> records, double tx, double ty, double tz,
                             std::span<const double> thresholds, double wrongFixThreshold,
                             unsigned parts = StatisticsPart::All);

// The same on an analysis, against its current truth.
Statistics computeStatistics(const GNSSLog& log, std::span<const double> thresholds,
                             double wrongFixThreshold);

}  // namespace gnsslog
