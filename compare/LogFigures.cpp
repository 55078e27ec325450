#include "compare/LogFigures.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "metrics/SessionSummary.h"
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
    LogFigures f = logFigures(statistics, static_cast<std::int64_t>(records.size()));
    addSessionFigures(f, records, {tx, ty, tz}, wrongFixThreshold);
    return f;
}

void addSessionFigures(LogFigures& f, std::span<const GNSSRecord> records, const TruthPoint& truth,
                       double wrongFixThreshold, std::span<const std::size_t> restarts)
{
    SessionOptions options;
    options.wrongFixThreshold = wrongFixThreshold;
    const SessionAnalysis analysis = analyseSessions(records, truth, options, restarts);
    f.sessions = static_cast<std::int64_t>(analysis.sessions.size());
    f.sessionTimesToFix.clear();
    for (const Session& s : analysis.sessions) {
        if (s.timeToFirstFixed) {
            f.sessionTimesToFix.push_back(*s.timeToFirstFixed);
        }
    }
    std::sort(f.sessionTimesToFix.begin(), f.sessionTimesToFix.end());
    f.timeToFixMedian = analysis.summary.firstFixed.median;
    f.timeToFix95 = analysis.summary.firstFixed.p95;
    f.judgedFirstFixes = static_cast<std::int64_t>(analysis.summary.judgedFirstFixes);
    f.wrongFirstFixes = static_cast<std::int64_t>(analysis.summary.wrongFirstFixes);
    f.wrongFirstFixShare.reset();
    if (analysis.summary.judgedFirstFixes > 0) {
        f.wrongFirstFixShare = analysis.summary.wrongFirstFixShare;
    }
}

std::optional<double> sessionsFixedWithin(const LogFigures& f, double seconds)
{
    if (f.sessions <= 0) {
        return std::nullopt;
    }
    const auto& times = f.sessionTimesToFix;
    const auto within = std::upper_bound(times.begin(), times.end(), seconds) - times.begin();
    return shareOf(within, f.sessions);
}

}  // namespace gnsslog
