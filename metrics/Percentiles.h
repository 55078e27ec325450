// Exact nearest-rank percentiles, the one selection every statistic uses.
//
// The p-th percentile of n values is the value of rank ceil(p / 100 * n)
// (1-based) in ascending order; the rank is computed in integers, so a
// rank that is exactly an integer is not pushed up by rounding.
//
// Selection without sorting: each value goes to one of 65 536 buckets by
// the top 16 bits of its order-preserving bit pattern (-0 below +0); a
// count per bucket tells which bucket holds each wanted rank, and only the
// values of those buckets are gathered and searched. Two linear passes for
// any n. Values must not be NaN.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace gnsslog {

// 0-based index of the nearest-rank p-th percentile of n sorted values:
// ceil(p * n / 100) - 1, at least 0. n must be at least 1, 0 < p <= 100
// (a percent outside is clamped to 1..100).
std::size_t nearestRankIndex(std::size_t n, int percent) noexcept;

// Nearest-rank percentiles of values for the given percents, written to
// out (same length as percents). values must not be empty and must hold
// no NaN; they are not changed. A few thousand values are sorted; more go
// through a BucketSelection.
void nearestRankPercentiles(std::span<const double> values, std::span<const int> percents,
                            std::span<double> out);

// The same over the union of several parts (at least one value in all).
void nearestRankPercentiles(std::span<const std::span<const double>> parts,
                            std::span<const int> percents, std::span<double> out);

// One set of values whose ranks are wanted, in three steps:
//   1. count every value (countAll, or addCounts of another set's counts);
//   2. say which ranks (wantRanks) and which buckets (wantBucketsAbove)
//      are wanted;
//   3. offer every value to gather; then selectRanks and gathered read the
//      wanted buckets.
// Values offered in step 3 that are not in a wanted bucket are dropped, so
// several sets can share one pass (a class and the union of classes).
class BucketSelection {
public:
    static constexpr int kBucketBits = 16;
    static constexpr std::size_t kBucketCount = std::size_t{1} << kBucketBits;

    // Bucket of a value; buckets ascend with the values. value not NaN.
    static std::size_t bucketOf(double value) noexcept;

    void countAll(std::span<const double> values);
    void addCounts(const BucketSelection& other);
    std::size_t size() const noexcept { return size_; }

    // ranks are 0-based, each below size(), in any order.
    void wantRanks(std::span<const std::size_t> ranks);
    // Values in all buckets below each of ascendingBuckets (written to
    // below, same length); those buckets are gathered, so the values of
    // their own that count can be found afterwards.
    void wantBucketsAbove(std::span<const std::size_t> ascendingBuckets,
                          std::span<std::int64_t> below);

    void gather(std::size_t bucket, double value)
    {
        if (const std::uint32_t slot = slotOf_[bucket]; slot != 0) {
            slots_[slot - 1].push_back(value);
        }
    }
    void gather(double value) { gather(bucketOf(value), value); }

    // The wanted ranks' values, in the order wantRanks was given them.
    void selectRanks(std::span<double> out);
    // The values of a wanted bucket, in no particular order.
    std::span<const double> gathered(std::size_t bucket) const;

private:
    void allocate();
    void wantBucket(std::size_t bucket);

    std::size_t size_ = 0;
    std::vector<std::size_t> counts_;      // per bucket
    std::vector<std::uint32_t> slotOf_;    // per bucket: 0 not gathered, else slot + 1
    std::vector<std::size_t> slotBuckets_;
    std::vector<std::vector<double>> slots_;
    std::vector<std::size_t> rankBucket_;  // per wanted rank: its bucket
    std::vector<std::size_t> rankInBucket_;
};

}  // namespace gnsslog
