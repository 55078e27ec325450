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

void count(CdfCurve& curve, std::size_t bin) noexcept
{
    ++curve.count;
    if (bin < curve.atOrBelow.size()) {
        ++curve.atOrBelow[bin];
    }
}

}  // namespace

double ErrorCdf::edge(std::size_t bin) const noexcept
{
    if (bins < 2 || bin == 0) {
        return kCdfLowestEdge;
    }
    if (bin >= bins - 1) {
        return highestEdge;
    }
    const double step = static_cast<double>(bin) / static_cast<double>(bins - 1);
    return kCdfLowestEdge * std::pow(highestEdge / kCdfLowestEdge, step);
}

double ErrorCdf::axisPosition(double error) const noexcept
{
    return std::log(error / kCdfLowestEdge) / std::log(highestEdge / kCdfLowestEdge);
}

std::size_t ErrorCdf::binOf(double error) const noexcept
{
    if (!(error <= highestEdge)) {
        return bins;
    }
    if (error <= kCdfLowestEdge || bins < 2) {
        return 0;
    }
    // The logarithm gives the bin up to rounding; the edges decide.
    const double guess = std::ceil(axisPosition(error) * static_cast<double>(bins - 1));
    auto bin = static_cast<std::size_t>(std::clamp(guess, 0.0, static_cast<double>(bins - 1)));
    while (bin > 0 && error <= edge(bin - 1)) {
        --bin;
    }
    while (bin < bins - 1 && error > edge(bin)) {
        ++bin;
    }
    return bin;
}

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
    cdf.bins = std::max<std::size_t>(bins, 2);
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
    cdf.highestEdge =
        std::isfinite(largest) ? std::max(kSmallestRange, largest * kRangeMargin) : kSmallestRange;
    if (!std::isfinite(cdf.highestEdge)) {
        cdf.highestEdge = kSmallestRange;
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
            const std::size_t bin = cdf.binOf(e.horizontal);
            if (own != all) {
                count(cdf.horizontal[own], bin);
            }
            count(cdf.horizontal[all], bin);
        }
        if (e.haveZ) {
            const std::size_t bin = cdf.binOf(e.vertical);
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
