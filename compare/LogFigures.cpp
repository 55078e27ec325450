#include "compare/LogFigures.h"

#include <array>
#include <cstddef>

#include "metrics/Share.h"

namespace gnsslog {

namespace {

// Positions of the 50th and 95th percentile in kReportedPercentiles.
constexpr std::size_t indexOfPercentile(int percent)
{
    for (std::size_t i = 0; i < kReportedPercentiles.size(); ++i) {
        if (kReportedPercentiles[i] == percent) {
            return i;
        }
    }
    return kReportedPercentiles.size();
}
constexpr std::size_t kP50 = indexOfPercentile(50);
constexpr std::size_t kP95 = indexOfPercentile(95);
static_assert(kP50 < kReportedPercentiles.size() && kP95 < kReportedPercentiles.size());

}  // namespace

LogFigures logFigures(const Statistics& statistics, std::int64_t records)
{
    const FixContinuity& fc = statistics.continuity;
    const ClassAccuracy& fixed = statistics.accuracy.of(SolutionClass::RtkFixed);
    LogFigures f;
    f.records = records;
    f.fixShare = shareOf(fixed.epochs, records);
    f.fixLosses = static_cast<std::int64_t>(fc.losses.size());
    if (fc.firstFixFound) {
        f.timeToFirstFix = fc.timeToFirstFix;
    }
    if (fc.refixCount > 0) {
        f.refixMedian = fc.refixMedian;
        f.refix95 = fc.refix95;
    }
    if (fixed.horizontalCount > 0) {
        f.horizontal50 = fixed.horizontalPercentiles[kP50];
        f.horizontal95 = fixed.horizontalPercentiles[kP95];
    }
    if (fixed.verticalCount > 0) {
        f.vertical95 = fixed.verticalPercentiles[kP95];
    }
    if (fc.epochCount > 0) {
        f.availability = fc.availability;
    }
    f.wrongFixes = static_cast<std::int64_t>(statistics.wrongFixes.wrongEpochs);
    return f;
}

LogFigures computeLogFigures(std::span<const GNSSRecord> records, double tx, double ty, double tz,
                             double wrongFixThreshold)
{
    const Statistics statistics = computeStatistics(records, tx, ty, tz, {}, wrongFixThreshold);
    return logFigures(statistics, static_cast<std::int64_t>(records.size()));
}

}  // namespace gnsslog
