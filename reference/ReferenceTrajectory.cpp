#include "reference/ReferenceTrajectory.h"

#include <algorithm>
#include <cmath>

namespace gnsslog {

double medianInterval(const std::vector<ReferenceEpoch>& epochs)
{
    if (epochs.size() < 2) {
        return 0;
    }
    std::vector<double> intervals(epochs.size() - 1);
    for (std::size_t i = 1; i < epochs.size(); ++i) {
        intervals[i - 1] = epochs[i].time - epochs[i - 1].time;
    }
    const std::size_t middle = intervals.size() / 2;
    std::nth_element(intervals.begin(), intervals.begin() + static_cast<std::ptrdiff_t>(middle),
                     intervals.end());
    if (intervals.size() % 2 == 1) {
        return intervals[middle];
    }
    const double upper = intervals[middle];
    const double lower = *std::max_element(intervals.begin(),
                                           intervals.begin() + static_cast<std::ptrdiff_t>(middle));
    return (lower + upper) / 2;
}

bool fitsAfterLast(const ReferenceTrajectory& trajectory, double time, double height) noexcept
{
    return std::isfinite(time) && std::fabs(height) <= kHighestReference &&
           (trajectory.epochs.empty() ||
            time - trajectory.epochs.back().time >= kShortestReferenceInterval);
}

std::string tooFewEpochsError(const std::string& file, std::size_t epochs)
{
    return file + ": " + std::to_string(epochs) +
           " usable reference epoch" + (epochs == 1 ? "" : "s") + ", at least 2 are needed";
}

}  // namespace gnsslog
