#include "metrics/ErrorCdf.h"

#include <algorithm>
#include <cmath>

#include "log/Gpslog.h"
#include "metrics/AccuracyStats.h"
#include "metrics/EpochErrors.h"

namespace gnsslog {

namespace {

constexpr double kSmallestRange = 0.01;  // metres
constexpr double kRangeMargin = 1.25;    // range = margin x largest 99th percentile
constexpr std::size_t kPercentile99 = 3;  // index in kReportedPercentiles
static_assert(kReportedPercentiles[0] == kCdfLevels[0] && kReportedPercentiles[1] == kCdfLevels[1] &&
                  kReportedPercentiles[2] == kCdfLevels[2] && kReportedPercentiles[kPercentile99] == 99,
              "the levels are the statistics' first three percentiles");

constexpr std::array<SolutionClass, kCdfClassCount> kClasses{SolutionClass::RtkFixed,
                                                             SolutionClass::RtkFloat, SolutionClass::All};

// Bin whose upper edge is the first at or above the error; bins for beyond.
std::size_t binOf(double error, double binWidth, std::size_t bins) noexcept
{
    if (!(error > 0)) {
        return 0;
    }
    const double edge = std::ceil(error / binWidth);
    if (!(edge <= static_cast<double>(bins))) {
        return bins;
    }
    return static_cast<std::size_t>(edge) - 1;
}

void count(CdfCurve& curve, std::size_t bin) noexcept
{
    ++curve.count;
    if (bin < curve.atOrBelow.size()) {
        ++curve.atOrBelow[bin];
    }
}

}  // namespace

double CdfCurve::share(std::size_t bin) const noexcept
{
    if (count == 0 || atOrBelow.empty()) {
        return 0;
    }
    return static_cast<double>(atOrBelow[std::min(bin, atOrBelow.size() - 1)]) / static_cast<double>(count);
}

ErrorCdf computeErrorCdf(const GNSSLog& log, std::size_t bins)
{
    ErrorCdf cdf;
    cdf.bins = std::max<std::size_t>(bins, 1);
    const AccuracyStats stats = computeAccuracyStats(log, {});

    double largest = 0;
    for (std::size_t c = 0; c < kCdfClassCount; ++c) {
        const ClassAccuracy& accuracy = stats.of(kClasses[c]);
        for (std::size_t level = 0; level < kCdfLevels.size(); ++level) {
            cdf.horizontal[c].levelErrors[level] = accuracy.horizontalPercentiles[level];
            cdf.vertical[c].levelErrors[level] = accuracy.verticalPercentiles[level];
        }
        if (accuracy.horizontalCount > 0) {
            largest = std::max(largest, accuracy.horizontalPercentiles[kPercentile99]);
        }
        if (accuracy.verticalCount > 0) {
            largest = std::max(largest, accuracy.verticalPercentiles[kPercentile99]);
        }
    }
    const double range = std::isfinite(largest) ? std::max(kSmallestRange, largest * kRangeMargin) : kSmallestRange;
    cdf.binWidth = range / static_cast<double>(cdf.bins);
    if (!(cdf.binWidth > 0) || !std::isfinite(cdf.binWidth)) {
        cdf.binWidth = kSmallestRange / static_cast<double>(cdf.bins);
    }
    for (std::size_t c = 0; c < kCdfClassCount; ++c) {
        cdf.horizontal[c].atOrBelow.assign(cdf.bins, 0);
        cdf.vertical[c].atOrBelow.assign(cdf.bins, 0);
    }

    const TruthPoint truth{log.truthX(), log.truthY(), log.truthZ()};
    constexpr std::size_t all = static_cast<std::size_t>(CdfClass::All);
    for (const GNSSRecord& record : log.records) {
        const EpochErrors e = epochErrorsOf(record, truth);
        const SolutionClass solution = solutionClassOf(record.fixType);
        const std::size_t own = solution == SolutionClass::RtkFixed   ? static_cast<std::size_t>(CdfClass::RtkFixed)
                                : solution == SolutionClass::RtkFloat ? static_cast<std::size_t>(CdfClass::RtkFloat)
                                                                      : all;
        if (e.haveHorizontal) {
            const std::size_t bin = binOf(e.horizontal, cdf.binWidth, cdf.bins);
            if (own != all) {
                count(cdf.horizontal[own], bin);
            }
            count(cdf.horizontal[all], bin);
        }
        if (e.haveZ) {
            const std::size_t bin = binOf(e.vertical, cdf.binWidth, cdf.bins);
            if (own != all) {
                count(cdf.vertical[own], bin);
            }
            count(cdf.vertical[all], bin);
        }
    }
    for (auto* curves : {&cdf.horizontal, &cdf.vertical}) {
        for (CdfCurve& curve : *curves) {
            for (std::size_t i = 1; i < curve.atOrBelow.size(); ++i) {
                curve.atOrBelow[i] += curve.atOrBelow[i - 1];
            }
        }
    }
    return cdf;
}

}  // namespace gnsslog
