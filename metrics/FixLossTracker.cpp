#include "metrics/FixLossTracker.h"

#include <array>
#include <cmath>
#include <vector>

#include "metrics/Percentiles.h"

namespace gnsslog {

FixContinuity FixLossTracker::finish() &&
{
    std::vector<double> refix;
    for (const FixLossEvent& e : fc_.losses) {
        // A corrupt (NaN) time must not break the selection's ordering.
        if (e.regained && !std::isnan(e.duration)) {
            refix.push_back(e.duration);
        }
    }
    fc_.refixCount = refix.size();
    if (!refix.empty()) {
        const std::array<int, 3> percents{50, 95, 100};
        std::array<double, 3> out{};
        nearestRankPercentiles(refix, percents, out);
        fc_.refixMedian = out[0];
        fc_.refix95 = out[1];
        fc_.refixMax = out[2];
    }
    return std::move(fc_);
}

}  // namespace gnsslog
