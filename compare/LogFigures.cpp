#include "compare/LogFigures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

#include "metrics/NormalisedError.h"
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

namespace {

// The misleading epochs' rate bound of one direction, the hazardous ones
// counted as misleading too, on the direction's effective sample size.
double misleadingRateBound(const IntegrityDirection& d) noexcept
{
    if (d.epochs == 0) {
        return 1;
    }
    const double events = static_cast<double>(d.count(IntegrityState::Misleading) +
                                              d.count(IntegrityState::HazardouslyMisleading));
    const double scale = d.effectiveEpochs / static_cast<double>(d.epochs);
    return clopperPearsonUpper95(std::round(events * scale), d.effectiveEpochs);
}

}  // namespace

void addHonestyFigures(LogFigures& f, std::span<const GNSSRecord> records,
                       std::span<const AccuracyFigures> accuracy, const TruthPoint& truth,
                       const IntegrityOptions& integrity)
{
    f.within1Sigma.reset();
    f.hazardouslyMisleading.reset();
    f.misleadingRate95.reset();
    if (accuracy.empty()) {
        return;
    }
    const NormalisedErrors normalised = computeNormalisedErrors(records, accuracy, truth);
    const NormalisedClass& all = normalised.of(SolutionClass::All);
    const NormalisedAxis& north = all.of(NormalisedAxisId::North);
    const NormalisedAxis& east = all.of(NormalisedAxisId::East);
    if (north.count + east.count > 0) {
        f.within1Sigma = static_cast<double>(north.within[0] + east.within[0]) /
                         static_cast<double>(north.count + east.count);
    }
    const Integrity in = computeIntegrity(records, accuracy, truth, integrity);
    double hazardous = 0;
    double rate = 0;
    bool assessed = false;
    for (const IntegrityDirection* d : {&in.horizontal, &in.vertical}) {
        if (d->assessed && d->epochs > 0) {
            assessed = true;
            hazardous += static_cast<double>(d->count(IntegrityState::HazardouslyMisleading));
            rate = std::max(rate, misleadingRateBound(*d));
        }
    }
    if (assessed) {
        f.hazardouslyMisleading = hazardous;
        f.misleadingRate95 = rate;
    }
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
