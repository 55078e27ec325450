// Nearest-rank percentiles: the rank formula and the selection, against
// sorted references.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <span>
#include <vector>

#include "metrics/Percentiles.h"

namespace gnsslog {
namespace {

TEST(NearestRank, IndexTable)
{
    struct Case {
        const char* legend;
        std::size_t n;
        int percent;
        std::size_t index;
    };
    const Case cases[] = {
        {"one value is every percentile", 1, 50, 0},
        {"one value, p99", 1, 99, 0},
        {"p68 of 25 is rank 17 exactly, not 18 from 0.68*25 rounding", 25, 68, 16},
        {"p50 of 4 is rank 2 exactly", 4, 50, 1},
        {"p50 of 3 rounds rank 1.5 up to 2", 3, 50, 1},
        {"p95 of 20 is rank 19 exactly", 20, 95, 18},
        {"p95 of 100 is rank 95", 100, 95, 94},
        {"p99 of 101 rounds 99.99 up to 100", 101, 99, 99},
        {"p99 of 2 is the largest", 2, 99, 1},
        {"p100 is the largest", 7, 100, 6},
        {"huge n does not overflow", 3'500'000'000ULL, 99, 3'465'000'000ULL - 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(nearestRankIndex(c.n, c.percent), c.index) << c.legend;
    }
}

TEST(NearestRank, PercentilesOfShuffledValuesMatchSortedRanks)
{
    std::vector<double> values(25);
    std::iota(values.begin(), values.end(), 1.0);  // 1 .. 25
    std::mt19937 rng(7);
    std::shuffle(values.begin(), values.end(), rng);
    const int percents[] = {50, 68, 95, 99, 100};
    double out[5] = {};
    nearestRankPercentiles(values, percents, out);
    EXPECT_EQ(out[0], 13.0);  // ceil(12.5)
    EXPECT_EQ(out[1], 17.0);  // 17 exactly
    EXPECT_EQ(out[2], 24.0);  // ceil(23.75)
    EXPECT_EQ(out[3], 25.0);  // ceil(24.75)
    EXPECT_EQ(out[4], 25.0);
}

TEST(NearestRank, RepeatedPercentAndTiesGiveTheSameValue)
{
    std::vector<double> values{3, 1, 2, 2, 2, 5};
    const int percents[] = {50, 50, 68};
    double out[3] = {};
    nearestRankPercentiles(values, percents, out);
    EXPECT_EQ(out[0], 2.0);
    EXPECT_EQ(out[1], 2.0);
    EXPECT_EQ(out[2], 3.0);  // rank ceil(4.08) = 5 of 1 2 2 2 3 5
}

// Above a few thousand values the percentiles come from a bucket search
// over the values' bit patterns; a full sort is the reference.
TEST(NearestRank, LargeSetsMatchASortedReference)
{
    std::mt19937 rng(11);
    std::normal_distribution<double> normal(0.0, 0.02);
    struct Case {
        const char* legend;
        std::vector<double> values;
    };
    std::vector<Case> cases;
    {
        Case c{"normal errors with negatives", {}};
        for (int i = 0; i < 20000; ++i) {
            c.values.push_back(normal(rng));
        }
        cases.push_back(std::move(c));
    }
    {
        Case c{"nearly all equal: one bucket at every level", std::vector<double>(30000, 0.1)};
        c.values[17] = 0.2;
        c.values[29999] = -0.0;
        c.values[5] = 0.0;
        cases.push_back(std::move(c));
    }
    {
        Case c{"magnitudes from 1e-300 to 1e300", {}};
        for (int i = 0; i < 9000; ++i) {
            c.values.push_back(std::pow(10.0, (i * 7919) % 600 - 300) * ((i % 3) != 0 ? 1 : -1));
        }
        cases.push_back(std::move(c));
    }
    {
        Case c{"close values that differ only in low mantissa bits", {}};
        for (int i = 0; i < 12000; ++i) {
            c.values.push_back(0.125 + static_cast<double>((i * 7) % 12000) * 1e-15);
        }
        cases.push_back(std::move(c));
    }
    const int percents[] = {1, 50, 68, 95, 99, 100, 50};
    for (Case& c : cases) {
        std::vector<double> sorted = c.values;
        std::sort(sorted.begin(), sorted.end());
        double out[7] = {};
        nearestRankPercentiles(c.values, percents, out);
        for (std::size_t i = 0; i < std::size(percents); ++i) {
            EXPECT_EQ(out[i], sorted[nearestRankIndex(sorted.size(), percents[i])])
                << c.legend << ", p" << percents[i];
        }
    }
}

TEST(NearestRank, UnionOfPartsEqualsTheConcatenation)
{
    std::mt19937 rng(5);
    std::exponential_distribution<double> spread(50.0);
    std::vector<double> a(7000);
    std::vector<double> b(300);
    std::vector<double> empty;
    for (double& v : a) {
        v = spread(rng);
    }
    for (double& v : b) {
        v = 10 * spread(rng);
    }
    std::vector<double> both = a;
    both.insert(both.end(), b.begin(), b.end());
    std::sort(both.begin(), both.end());
    const std::span<const double> parts[] = {a, empty, b};
    const int percents[] = {50, 95, 99};
    double out[3] = {};
    nearestRankPercentiles(parts, percents, out);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(out[i], both[nearestRankIndex(both.size(), percents[i])]) << percents[i];
    }
}
// The selection the accuracy statistics use directly: ranks asked in any
// order and more than once, and counts below buckets, against a sort.
TEST(BucketSelection, RanksAndCountsBelowMatchASortedReference)
{
    std::mt19937 rng(23);
    std::lognormal_distribution<double> spread(-4.0, 1.5);
    std::vector<double> values(20000);
    for (double& v : values) {
        v = spread(rng);
    }
    values[10] = 0.0;
    values[11] = -0.0;
    values[12] = -1.5;
    // Many equal values crowd one bucket.
    std::fill(values.begin() + 100, values.begin() + 3000, 0.015625);
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());

    BucketSelection selection;
    selection.countAll(std::span(values).first(5000));
    selection.countAll(std::span(values).subspan(5000));
    ASSERT_EQ(selection.size(), values.size());
    const std::vector<std::size_t> ranks{19999, 0, 10000, 1500, 10000, 2999, 12};
    selection.wantRanks(ranks);
    const double limits[] = {-1.0, 0.0, 0.015625, 0.05, 1e9};
    std::vector<std::size_t> limitBuckets;
    for (double limit : limits) {
        limitBuckets.push_back(BucketSelection::bucketOf(limit));
    }
    std::vector<std::int64_t> below(limitBuckets.size());
    selection.wantBucketsAbove(limitBuckets, below);
    for (double v : values) {
        selection.gather(v);
    }
    std::vector<double> out(ranks.size());
    selection.selectRanks(out);
    for (std::size_t i = 0; i < ranks.size(); ++i) {
        EXPECT_EQ(out[i], sorted[ranks[i]]) << "rank " << ranks[i];
    }
    for (std::size_t k = 0; k < std::size(limits); ++k) {
        const std::span<const double> inBucket = selection.gathered(limitBuckets[k]);
        const auto atOrUnder = below[k] + std::count_if(inBucket.begin(), inBucket.end(),
                                                        [&](double v) { return v <= limits[k]; });
        const auto want = std::upper_bound(sorted.begin(), sorted.end(), limits[k]) - sorted.begin();
        EXPECT_EQ(atOrUnder, want) << "limit " << limits[k];
    }
}

TEST(BucketSelection, BucketsAscendWithTheValues)
{
    const double ordered[] = {-1e300, -2.0, -1.0, -1e-300, -0.0, 0.0, 1e-300, 0.5, 1.0, 1e300};
    for (std::size_t i = 0; i + 1 < std::size(ordered); ++i) {
        EXPECT_LE(BucketSelection::bucketOf(ordered[i]), BucketSelection::bucketOf(ordered[i + 1]))
            << ordered[i] << " then " << ordered[i + 1];
    }
    EXPECT_LT(BucketSelection::bucketOf(-0.0), BucketSelection::bucketOf(0.0));
    EXPECT_LT(BucketSelection::bucketOf(1.0), BucketSelection::bucketOf(2.0));
}

}  // namespace
}  // namespace gnsslog
