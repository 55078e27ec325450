#include "reference/Latency.h"

#include <cmath>

namespace gnsslog {

namespace {

bool fits(const RecordTruth& truth) noexcept
{
    const TrackError& e = truth.error;
    return truth.hasPosition && truth.cause == TruthCause::Matched && e.hasDirection &&
           std::isfinite(e.along) && std::isfinite(e.speed);
}

}  // namespace

LatencyEstimate estimateLatency(const std::vector<GNSSRecord>& records, const TruthMatch& match)
{
    const std::size_t n = records.size() < match.records.size() ? records.size() : match.records.size();
    std::size_t fixed = 0;
    for (std::size_t i = 0; i < n; ++i) {
        fixed += fits(match.records[i]) && records[i].fixType == FixType::RtkFixed ? 1 : 0;
    }
    const bool fixedOnly = fixed >= kLatencyFixedEpochs;
    auto taken = [&](std::size_t i) {
        return fits(match.records[i]) && (!fixedOnly || records[i].fixType == FixType::RtkFixed);
    };
    double speedSquares = 0;
    double product = 0;
    LatencyEstimate estimate;
    for (std::size_t i = 0; i < n; ++i) {
        if (taken(i)) {
            const TrackError& e = match.records[i].error;
            speedSquares += e.speed * e.speed;
            product += e.along * e.speed;
            ++estimate.epochs;
        }
    }
    if (estimate.epochs < kLatencyLeastEpochs || !(speedSquares > 0)) {
        return estimate;
    }
    const double slope = product / speedSquares;  // metres of along-track error per m/s
    double residuals = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (taken(i)) {
            const TrackError& e = match.records[i].error;
            const double r = e.along - slope * e.speed;
            residuals += r * r;
        }
    }
    // One fitted parameter: n - 1 degrees of freedom.
    const double variance = residuals / static_cast<double>(estimate.epochs - 1);
    estimate.estimated = std::isfinite(slope);
    estimate.seconds = -slope;
    estimate.stdErr = std::sqrt(variance / speedSquares);
    return estimate;
}

}  // namespace gnsslog
