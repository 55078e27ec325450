// The figures one row of a log comparison shows: records, RTK-fix share,
// fix losses, time to first fix, re-fix times, the fixed class's
// horizontal 50/95 % and vertical 95 % errors, availability and wrong
// fixes. A figure that does not exist for the records (no fix ever, no
// re-fix, no fixed epoch with a grid position) is empty, never NaN.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "log/GnssRecord.h"
#include "metrics/EpochErrors.h"
#include "metrics/Integrity.h"
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
    // Sessions (metrics/Sessions.h, default cutting): their count, the
    // fixed ones' times to fix in ascending order, seconds, the median and
    // 95th percentile time to fix (empty when it falls on a never-fixed
    // session), the first fixes judged against the truth, the wrong ones
    // among them and their share (empty without a judged first fix).
    std::int64_t sessions = 0;
    std::vector<double> sessionTimesToFix;
    std::optional<double> timeToFixMedian;
    std::optional<double> timeToFix95;
    std::int64_t judgedFirstFixes = 0;
    std::int64_t wrongFirstFixes = 0;
    std::optional<double> wrongFirstFixShare;
    // The log's own accuracy (addHonestyFigures): the share 0..1 of north
    // and east errors within their 1 sigma, over every epoch with sigmas;
    // with an alert limit, the hazardously misleading epochs (horizontal
    // and vertical together) and the larger direction's one-sided 95 %
    // upper bound of the misleading rate (hazardous epochs included).
    // Empty without sigmas, or without a limit for the last two.
    std::optional<double> within1Sigma;
    std::optional<double> hazardouslyMisleading;
    std::optional<double> misleadingRate95;
};

// Share 0..1 of the sessions fixed at or before `seconds` from their
// start; empty without sessions.
std::optional<double> sessionsFixedWithin(const LogFigures& f, double seconds);

// Sets the session figures of f from the records against truth;
// restarts: the records' marked restarts (GNSSLog::restarts).
void addSessionFigures(LogFigures& f, std::span<const GNSSRecord> records, const TruthPoint& truth,
                       double wrongFixThreshold, std::span<const std::size_t> restarts = {});

// Sets the honesty figures of f from the records and their accuracy
// figures (GNSSLog::accuracy, or a part of it as long as records).
void addHonestyFigures(LogFigures& f, std::span<const GNSSRecord> records,
                       std::span<const AccuracyFigures> accuracy, const TruthPoint& truth,
                       const IntegrityOptions& integrity);

// The figures of statistics computed over `records` records with every part.
LogFigures logFigures(const Statistics& statistics, std::int64_t records);

// Statistics of the records against truth (tx, ty, tz) and their figures.
LogFigures computeLogFigures(std::span<const GNSSRecord> records, double tx, double ty, double tz,
                             double wrongFixThreshold);

}  // namespace gnsslog
