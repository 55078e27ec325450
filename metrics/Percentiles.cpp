#include "metrics/Percentiles.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <utility>

namespace gnsslog {

namespace {

// Below this many values a plain sort is cheaper than the buckets.
constexpr std::size_t kDirectSelection = 4096;

constexpr int kTopShift = 64 - BucketSelection::kBucketBits;

}  // namespace

std::size_t nearestRankIndex(std::size_t n, int percent) noexcept
{
    // ceil(p * n / 100) in integers: 0.68 * 25 is 17.000000000000004 in
    // doubles, which would round rank 17 up to 18.
    const auto p = static_cast<std::uint64_t>(std::clamp(percent, 1, 100));
    const std::uint64_t rank = (p * static_cast<std::uint64_t>(n) + 99) / 100;
    return rank == 0 ? 0 : static_cast<std::size_t>(rank - 1);
}

std::size_t BucketSelection::bucketOf(double value) noexcept
{
    // Unsigned key with the order of the doubles: flip every bit of a
    // negative value, only the sign bit of a positive one.
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const std::uint64_t key = (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
    return static_cast<std::size_t>(key >> kTopShift);
}

void BucketSelection::allocate()
{
    if (counts_.empty()) {
        counts_.assign(kBucketCount, 0);
        slotOf_.assign(kBucketCount, 0);
    }
}

void BucketSelection::countAll(std::span<const double> values)
{
    allocate();
    for (double v : values) {
        ++counts_[bucketOf(v)];
    }
    size_ += values.size();
}

void BucketSelection::addCounts(const BucketSelection& other)
{
    allocate();
    if (other.counts_.empty()) {
        return;
    }
    for (std::size_t b = 0; b < kBucketCount; ++b) {
        counts_[b] += other.counts_[b];
    }
    size_ += other.size_;
}

void BucketSelection::wantBucket(std::size_t bucket)
{
    if (slotOf_[bucket] == 0) {
        slotBuckets_.push_back(bucket);
        slotOf_[bucket] = static_cast<std::uint32_t>(slotBuckets_.size());
        // The counts are complete: the bucket's values never move while
        // they are gathered.
        slots_.emplace_back().reserve(counts_[bucket]);
    }
}

void BucketSelection::wantRanks(std::span<const std::size_t> ranks)
{
    allocate();
    const std::size_t first = rankBucket_.size();
    rankBucket_.resize(first + ranks.size());
    rankInBucket_.resize(first + ranks.size());
    // One walk over the buckets finds every rank, taken in ascending order.
    std::vector<std::size_t> order(ranks.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return ranks[a] < ranks[b]; });
    std::size_t bucket = 0;
    std::size_t below = 0;  // values in the buckets before `bucket`
    for (std::size_t i : order) {
        const std::size_t k = ranks[i];
        while (k >= below + counts_[bucket]) {
            below += counts_[bucket];
            ++bucket;
        }
        rankBucket_[first + i] = bucket;
        rankInBucket_[first + i] = k - below;
        wantBucket(bucket);
    }
}

void BucketSelection::wantBucketsAbove(std::span<const std::size_t> ascendingBuckets,
                                       std::span<std::int64_t> below)
{
    allocate();
    std::size_t count = 0;
    std::size_t bucket = 0;
    for (std::size_t i = 0; i < ascendingBuckets.size(); ++i) {
        for (; bucket < ascendingBuckets[i]; ++bucket) {
            count += counts_[bucket];
        }
        below[i] = static_cast<std::int64_t>(count);
        wantBucket(ascendingBuckets[i]);
    }
}

void BucketSelection::selectRanks(std::span<double> out)
{
    // Each bucket once, however many ranks fall in it (values that crowd
    // into one bucket cost one selection): its ranks in ascending order,
    // each search looking only above the previous one.
    std::vector<std::pair<std::size_t, std::size_t>> here;  // (rank in bucket, output)
    for (std::size_t s = 0; s < slots_.size(); ++s) {
        here.clear();
        for (std::size_t i = 0; i < rankBucket_.size() && i < out.size(); ++i) {
            if (rankBucket_[i] == slotBuckets_[s]) {
                here.emplace_back(rankInBucket_[i], i);
            }
        }
        std::sort(here.begin(), here.end());
        std::vector<double>& values = slots_[s];
        auto first = values.begin();
        for (const auto& [rank, output] : here) {
            const auto nth = values.begin() + static_cast<std::ptrdiff_t>(rank);
            std::nth_element(first, nth, values.end());
            first = nth;
            out[output] = *nth;
        }
    }
}

std::span<const double> BucketSelection::gathered(std::size_t bucket) const
{
    const std::uint32_t slot = slotOf_.empty() ? 0 : slotOf_[bucket];
    if (slot == 0) {
        return {};
    }
    return slots_[slot - 1];
}

void nearestRankPercentiles(std::span<const std::span<const double>> parts,
                            std::span<const int> percents, std::span<double> out)
{
    std::size_t n = 0;
    for (std::span<const double> part : parts) {
        n += part.size();
    }
    const std::size_t wanted = std::min(percents.size(), out.size());
    if (n == 0 || wanted == 0) {
        return;
    }
    if (n <= kDirectSelection) {
        std::vector<double> all;
        all.reserve(n);
        for (std::span<const double> part : parts) {
            all.insert(all.end(), part.begin(), part.end());
        }
        std::sort(all.begin(), all.end());
        for (std::size_t i = 0; i < wanted; ++i) {
            out[i] = all[nearestRankIndex(n, percents[i])];
        }
        return;
    }

    BucketSelection selection;
    for (std::span<const double> part : parts) {
        selection.countAll(part);
    }
    std::vector<std::size_t> ranks(wanted);
    for (std::size_t i = 0; i < wanted; ++i) {
        ranks[i] = nearestRankIndex(n, percents[i]);
    }
    selection.wantRanks(ranks);
    for (std::span<const double> part : parts) {
        for (double v : part) {
            selection.gather(v);
        }
    }
    selection.selectRanks(out.first(wanted));
}

void nearestRankPercentiles(std::span<const double> values, std::span<const int> percents,
                            std::span<double> out)
{
    const std::span<const double> parts[] = {values};
    nearestRankPercentiles(parts, percents, out);
}

}  // namespace gnsslog
