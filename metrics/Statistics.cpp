#include "metrics/Statistics.h"

#include <optional>
#include <utility>

#include "log/Gpslog.h"
#include "metrics/AvailabilityAccumulator.h"
#include "metrics/ClassMoments.h"
#include "metrics/EpochErrors.h"
#include "metrics/ErrorPercentiles.h"
#include "metrics/EstimateCheck.h"
#include "metrics/FixLossTracker.h"
#include "metrics/Share.h"
#include "common/SideJob.h"
#include "metrics/WrongFixFinder.h"

namespace gnsslog {

namespace {

// Below this many records a second thread costs more than it saves.
constexpr std::size_t kThreadedRecords = 1 << 16;

// The accumulators of one call; those of a part not asked for are absent.
struct Accumulators {
    std::optional<ClassMoments> moments;
    std::optional<ErrorPercentiles> horizontal;
    std::optional<ErrorPercentiles> vertical;
    std::optional<EstimateCheck> estimates;
    std::optional<FixLossTracker> losses;
    std::optional<AvailabilityAccumulator> availability;
    std::optional<WrongFixFinder> wrongFixes;

    Accumulators(unsigned parts, std::size_t recordCount, double wrongFixThreshold)
    {
        if ((parts & StatisticsPart::Accuracy) != 0) {
            moments.emplace();
            horizontal.emplace(recordCount);
            vertical.emplace(recordCount);
            estimates.emplace();
        }
        if ((parts & StatisticsPart::Continuity) != 0) {
            losses.emplace();
            availability.emplace(recordCount);
        }
        if ((parts & StatisticsPart::WrongFixes) != 0) {
            wrongFixes.emplace(wrongFixThreshold);
        }
    }
};

template <class T>
T* present(std::optional<T>& accumulator) noexcept
{
    return accumulator ? &*accumulator : nullptr;
}

// The one pass over the records: each record to every accumulator present.
// Which are present is fixed for the loop, so its branches cost next to
// nothing.
void scanRecords(std::span<const GNSSRecord> records, const TruthPoint& truth, Accumulators& a)
{
    ClassMoments* const moments = present(a.moments);
    ErrorPercentiles* const horizontal = present(a.horizontal);
    ErrorPercentiles* const vertical = present(a.vertical);
    EstimateCheck* const estimates = present(a.estimates);
    FixLossTracker* const losses = present(a.losses);
    AvailabilityAccumulator* const availability = present(a.availability);
    WrongFixFinder* const wrongFixes = present(a.wrongFixes);
    const bool byClass = moments || horizontal || vertical || estimates;
    const bool errors = byClass || wrongFixes;

    for (std::size_t i = 0; i < records.size(); ++i) {
        const GNSSRecord& r = records[i];
        if (losses) {
            losses->add(i, r);
        }
        if (availability) {
            availability->add(i, r);
        }
        if (!errors) {
            continue;
        }
        const EpochErrors e = epochErrorsOf(r, truth);
        if (wrongFixes) {
            wrongFixes->add(i, r, e);
        }
        if (!byClass) {
            continue;
        }
        const std::size_t c = kClassIndexOfFixType[r.fixType];
        if (moments) {
            moments->add(c, e);
        }
        if (horizontal && e.haveHorizontal) {
            horizontal->add(c, e.horizontal);
        }
        if (vertical && e.haveZ) {
            vertical->add(c, e.vertical);
        }
        if (estimates) {
            estimates->add(c, r, e);
        }
    }
}

// Where one kind of error's figures go in a ClassAccuracy.
struct ErrorFields {
    std::int64_t ClassAccuracy::*count;
    std::array<double, kReportedPercentiles.size()> ClassAccuracy::*percentiles;
    std::vector<double> ClassAccuracy::*within;
};
constexpr ErrorFields kHorizontalFields{&ClassAccuracy::horizontalCount,
                                        &ClassAccuracy::horizontalPercentiles,
                                        &ClassAccuracy::horizontalWithin};
constexpr ErrorFields kVerticalFields{&ClassAccuracy::verticalCount,
                                      &ClassAccuracy::verticalPercentiles,
                                      &ClassAccuracy::verticalWithin};

void writeErrorSummary(const ErrorSummary& summary, const ErrorFields& fields,
                       AccuracyStats& out)
{
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        ClassAccuracy& a = out.classes[c];
        const std::int64_t n = summary.counts[c];
        a.*fields.count = n;
        if (n > 0) {
            a.*fields.percentiles = summary.percentiles[c];
        }
        std::vector<double>& within = a.*fields.within;
        within.resize(out.thresholds.size());
        for (std::size_t t = 0; t < within.size(); ++t) {
            within[t] = shareOf(summary.within[c][t], n);
        }
    }
}

}  // namespace

Statistics computeStatistics(std::span<const GNSSRecord> records, double tx, double ty, double tz,
                             std::span<const double> thresholds, double wrongFixThreshold,
                             unsigned parts)
{
    Accumulators a(parts, records.size(), wrongFixThreshold);
    scanRecords(records, TruthPoint{tx, ty, tz}, a);

    Statistics result;
    if (a.wrongFixes) {
        result.wrongFixes = std::move(*a.wrongFixes).finish();
    }
    // The vertical percentiles and the continuity on a second thread, the
    // horizontal percentiles here: each writes only its own results.
    ErrorSummary horizontal;
    ErrorSummary vertical;
    SideJob side(a.vertical && records.size() >= kThreadedRecords, [&] {
        if (a.vertical) {
            vertical = a.vertical->summarize(thresholds);
        }
        if (a.losses) {
            result.continuity = std::move(*a.losses).finish();
        }
        if (a.availability) {
            a.availability->writeTo(result.continuity);
        }
    });
    if (a.horizontal) {
        horizontal = a.horizontal->summarize(thresholds);
    }
    side.wait();

    AccuracyStats& accuracy = result.accuracy;
    if ((parts & StatisticsPart::Accuracy) != 0) {
        accuracy.thresholds.assign(thresholds.begin(), thresholds.end());
    }
    if (a.moments) {
        a.moments->writeTo(accuracy);
    }
    if (a.horizontal) {
        writeErrorSummary(horizontal, kHorizontalFields, accuracy);
    }
    if (a.vertical) {
        writeErrorSummary(vertical, kVerticalFields, accuracy);
    }
    if (a.estimates) {
        a.estimates->writeTo(accuracy);
    }
    return result;
}

Statistics computeStatistics(const GNSSLog& log, std::span<const double> thresholds,
                             double wrongFixThreshold)
{
    return computeStatistics(log.records, log.truthX(), log.truthY(), log.truthZ(), thresholds,
                             wrongFixThreshold);
}

}  // namespace gnsslog
