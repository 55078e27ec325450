#include "metrics/AvailabilityAccumulator.h"

#include <algorithm>
#include <cmath>

#include "metrics/Percentiles.h"

namespace gnsslog {

double AvailabilityAccumulator::nominalInterval() const
{
    std::vector<double> positive;
    positive.reserve(intervals_.size());
    for (double d : intervals_) {
        if (d > 0 && std::isfinite(d)) {
            positive.push_back(d);
        }
    }
    if (positive.empty()) {
        return 0;
    }
    // Intervals crowd around one value, where a bucket search gains
    // nothing; one selection on this private copy is the cheapest.
    const auto nth =
        positive.begin() + static_cast<std::ptrdiff_t>(nearestRankIndex(positive.size(), 50));
    std::nth_element(positive.begin(), nth, positive.end());
    return *nth;
}

void AvailabilityAccumulator::writeTo(FixContinuity& out) const
{
    const std::size_t n = fixedFlags_.size();
    if (n == 0) {
        return;
    }
    // Each epoch weighs the time it stands for.
    const double nominal = nominalInterval();
    out.nominalInterval = nominal;
    double covered = 0;
    double fixed = 0;
    for (std::size_t i = 0; i < n; ++i) {
        double w = nominal;
        if (i + 1 < n) {
            const double d = intervals_[i];
            if (!(d > 0) || !std::isfinite(d)) {
                w = 0;
            } else if (d <= kGapFactor * nominal) {
                w = d;
            }
        }
        covered += w;
        fixed += fixedFlags_[i] != 0 ? w : 0.0;
    }
    if (covered > 0) {
        out.coveredSeconds = covered;
        out.fixedSeconds = fixed;
        out.availability = fixed / covered;
    } else {
        out.availability = static_cast<double>(fixedCount_) / static_cast<double>(n);
    }
}

}  // namespace gnsslog
