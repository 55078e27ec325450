#include "metrics/BinomialInterval.h"

#include <algorithm>
#include <cmath>

namespace gnsslog {

namespace {
constexpr double kZ95 = 1.959963984540054;  // standard normal quantile of 0.975
}  // namespace

BinomialInterval wilsonInterval95(std::int64_t successes, std::int64_t trials) noexcept
{
    if (trials <= 0) {
        return {};
    }
    const double n = static_cast<double>(trials);
    const double p = static_cast<double>(std::clamp<std::int64_t>(successes, 0, trials)) / n;
    const double z2 = kZ95 * kZ95;
    const double centre = (p + z2 / (2 * n)) / (1 + z2 / n);
    const double halfWidth = kZ95 / (1 + z2 / n) * std::sqrt(p * (1 - p) / n + z2 / (4 * n * n));
    // The bounds are exact at the ends: no wrong first fix gives lower 0,
    // all wrong gives upper 1, whatever the rounding says.
    BinomialInterval interval;
    interval.lower = successes <= 0 ? 0.0 : std::max(0.0, centre - halfWidth);
    interval.upper = successes >= trials ? 1.0 : std::min(1.0, centre + halfWidth);
    return interval;
}

}  // namespace gnsslog
