#include "metrics/ErrorPercentiles.h"

#include <algorithm>
#include <cmath>

#include "metrics/Percentiles.h"

namespace gnsslog {

namespace {

// The limits that are not NaN, in the order of their buckets.
struct LimitBuckets {
    std::vector<double> limits;        // as given, -0 made 0
    std::vector<std::size_t> order;    // indices into limits, NaN left out
    std::vector<std::size_t> buckets;  // bucket of limits[order[i]], ascending

    explicit LimitBuckets(std::span<const double> given) : limits(given.begin(), given.end())
    {
        for (std::size_t k = 0; k < limits.size(); ++k) {
            if (!std::isnan(limits[k])) {
                limits[k] = limits[k] == 0 ? 0.0 : limits[k];
                order.push_back(k);
            }
        }
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return BucketSelection::bucketOf(limits[a]) < BucketSelection::bucketOf(limits[b]);
        });
        for (std::size_t k : order) {
            buckets.push_back(BucketSelection::bucketOf(limits[k]));
        }
    }
};

std::array<std::size_t, kReportedPercentiles.size()> reportedRanks(std::size_t n)
{
    std::array<std::size_t, kReportedPercentiles.size()> ranks{};
    for (std::size_t i = 0; i < ranks.size(); ++i) {
        ranks[i] = nearestRankIndex(n, kReportedPercentiles[i]);
    }
    return ranks;
}

}  // namespace

ErrorPercentiles::ErrorPercentiles(std::size_t recordCount)
{
    for (std::vector<double>& errors : errors_) {
        errors.reserve(recordCount);
    }
}

ErrorSummary ErrorPercentiles::summarize(std::span<const double> limits) const
{
    ErrorSummary out;
    const LimitBuckets limitBuckets(limits);
    std::vector<std::int64_t> below(limitBuckets.order.size());
    std::array<BucketSelection, kSolutionClassCount> selections;
    BucketSelection& all = selections[kAllClassIndex];
    for (std::vector<std::int64_t>& within : out.within) {
        within.assign(limits.size(), 0);
    }

    // Counts, and which buckets each set needs.
    for (std::size_t c = 0; c < kRecordClassCount; ++c) {
        const std::vector<double>& errors = errors_[c];
        out.counts[c] = static_cast<std::int64_t>(errors.size());
        out.counts[kAllClassIndex] += out.counts[c];
        if (errors.empty()) {
            continue;
        }
        BucketSelection& s = selections[c];
        s.countAll(errors);
        all.addCounts(s);
        s.wantRanks(reportedRanks(s.size()));
        // Errors at or under a limit: every bucket below the limit's, and
        // those of its own bucket that are, counted once it is gathered.
        s.wantBucketsAbove(limitBuckets.buckets, below);
        for (std::size_t i = 0; i < below.size(); ++i) {
            out.within[c][limitBuckets.order[i]] = below[i];
        }
    }
    if (all.size() == 0) {
        return out;
    }
    all.wantRanks(reportedRanks(all.size()));

    for (std::size_t c = 0; c < kRecordClassCount; ++c) {
        BucketSelection& s = selections[c];
        for (double v : errors_[c]) {
            const std::size_t bucket = BucketSelection::bucketOf(v);
            s.gather(bucket, v);
            all.gather(bucket, v);
        }
    }

    for (std::size_t c = 0; c < kRecordClassCount; ++c) {
        if (out.counts[c] == 0) {
            continue;
        }
        for (std::size_t i = 0; i < limitBuckets.order.size(); ++i) {
            const std::size_t k = limitBuckets.order[i];
            const std::span<const double> inBucket =
                selections[c].gathered(limitBuckets.buckets[i]);
            out.within[c][k] += std::count_if(inBucket.begin(), inBucket.end(),
                                              [&](double v) { return v <= limitBuckets.limits[k]; });
        }
        for (std::size_t k = 0; k < limits.size(); ++k) {
            out.within[kAllClassIndex][k] += out.within[c][k];
        }
    }
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        if (out.counts[c] > 0) {
            selections[c].selectRanks(out.percentiles[c]);
        }
    }
    return out;
}

}  // namespace gnsslog
