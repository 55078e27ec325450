// The figures one row of a log comparison shows: records, RTK-fix share,
// fix losses, time to first fix, re-fix times, the fixed class's
// horizontal 50/95 % and vertical 95 % errors, availability and wrong
// fixes. A figure that does not exist for the records (no fix ever, no
// re-fix, no fixed epoch with a grid position) is empty, never NaN.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "log/GnssRecord.h"
#include "metrics/Statistics.h"

namespace gnsslog {

struct LogFigures {
    std::int64_t records = 0;
    double fixShare = 0;  // RTK-fixed records / records, 0..1; 0 without records
    std::int64_t fixLosses = 0;
    std::optional<double> timeToFirstFix;  // seconds
    std::optional<double> refixMedian;     // seconds, nearest rank over regained losses
    std::optional<double> refix95;         // seconds
    std::optional<double> horizontal50;    // metres, RTK fixed
    std::optional<double> horizontal95;    // metres, RTK fixed
    std::optional<double> vertical95;      // metres, RTK fixed
    std::optional<double> availability;    // share 0..1 of the covered time spent fixed
    std::int64_t wrongFixes = 0;           // wrong RTK-fixed epochs
};

// The figures of statistics computed over `records` records with every part.
LogFigures logFigures(const Statistics& statistics, std::int64_t records);

// Statistics of the records against truth (tx, ty, tz) and their figures.
LogFigures computeLogFigures(std::span<const GNSSRecord> records, double tx, double ty, double tz,
                             double wrongFixThreshold);

}  // namespace gnsslog
