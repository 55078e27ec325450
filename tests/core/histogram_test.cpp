#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <algorithm>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "common/Saturate.h"
#include "stats/Histogram.h"

namespace gnsslog {
namespace {

using Bins = std::vector<std::pair<std::int32_t, std::int32_t>>;

Bins binsOf(const Histogram& h)
{
    Bins out;
    for (const ErrorRecord& bin : h.bins()) {
        out.emplace_back(bin.key, bin.count);
    }
    return out;
}

TEST(HistogramKey, TruncatesTowardZeroSoBinZeroSpansTwoCentimetres)
{
    struct Row {
        const char* legend;
        double metres;
        std::int32_t key;
    };
    const Row rows[] = {
        {"zero", 0.0, 0},
        {"negative zero", -0.0, 0},
        {"just below +1 cm", 0.0099, 0},
        {"just above -1 cm", -0.0099, 0},
        {"0.0199 m truncates", 0.0199, 1},
        {"-0.0199 m truncates", -0.0199, -1},
        {"1.5 cm", 0.015, 1},
        {"-1.5 cm", -0.015, -1},
        {"1.2345 m", 1.2345, 123},
        {"one metre", 1.0, 100},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(histogramKey(row.metres), row.key) << row.legend;
    }
}

TEST(HistogramKey, SaturatesOutsideTheInt32Range)
{
    const auto lo = std::numeric_limits<std::int32_t>::min();
    const auto hi = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(histogramKey(1e300), hi);
    EXPECT_EQ(histogramKey(-1e300), lo);
    EXPECT_EQ(histogramKey(std::numeric_limits<double>::infinity()), hi);
    EXPECT_EQ(histogramKey(-std::numeric_limits<double>::infinity()), lo);
    // 2^31 cm is just outside the range; 2^31 - 1 cm is the last key inside.
    EXPECT_EQ(histogramKey(21474836.5), hi);
    EXPECT_EQ(histogramKey(21474836.47 - 1e-3), hi - 1);
}

TEST(SaturatingTruncate, NanGivesZeroAndLimitsHold)
{
    EXPECT_EQ(toInt32(std::nan("")), 0);
    EXPECT_EQ(toInt32(2147483647.9), 2147483647);
    EXPECT_EQ(toInt32(2147483648.0), 2147483647);
    EXPECT_EQ(toInt32(-2147483648.9), -2147483647 - 1);
    EXPECT_EQ(toInt32(-2.9), -2);
    EXPECT_EQ(toInt64(9.3e18), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(toInt64(-9.3e18), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(toUInt32Wrapping(-1.0), 0xFFFFFFFFu);
    EXPECT_EQ(toUInt32Wrapping(4294967296.0 + 5.0), 5u);
}

TEST(Histogram, EmptyHasNoBinsAndZeroCounts)
{
    Histogram h;
    EXPECT_EQ(h.binCount(), 0u);
    EXPECT_EQ(h.sampleCount(), 0);
    EXPECT_EQ(h.peakCount(), 0);
    h.sortBins();
    EXPECT_EQ(h.binCount(), 0u);
}

TEST(Histogram, KeepsFirstAppearanceOrderThenSortsAscending)
{
    Histogram h;
    for (double e : {0.03, -0.02, 0.035, 0.0}) {
        h.addSample(e);
    }
    EXPECT_EQ(binsOf(h), (Bins{{3, 2}, {-2, 1}, {0, 1}}));
    h.sortBins();
    EXPECT_EQ(binsOf(h), (Bins{{-2, 1}, {0, 1}, {3, 2}}));
    EXPECT_EQ(h.sampleCount(), 4);
    EXPECT_EQ(h.peakCount(), 2);
}

TEST(Histogram, OppositeSmallErrorsShareBinZero)
{
    Histogram h;
    h.addSample(0.004);
    h.addSample(-0.004);
    EXPECT_EQ(binsOf(h), (Bins{{0, 2}}));
    EXPECT_EQ(h.peakCount(), 2);
}

TEST(Histogram, PeakFollowsTheTallestBin)
{
    Histogram h;
    h.addSample(0.05);
    EXPECT_EQ(h.peakCount(), 1);
    h.addSample(0.10);
    EXPECT_EQ(h.peakCount(), 1);
    h.addSample(0.10);
    h.addSample(0.10);
    h.addSample(0.05);
    EXPECT_EQ(h.peakCount(), 3);
    EXPECT_EQ(binsOf(h), (Bins{{5, 2}, {10, 3}}));
}

TEST(Histogram, NanIsNotASample)
{
    Histogram h;
    h.addSample(std::nan(""));
    EXPECT_EQ(h.sampleCount(), 0);
    EXPECT_EQ(h.binCount(), 0u);
    h.addSample(0.01);
    h.addSample(-std::nan(""));
    EXPECT_EQ(h.sampleCount(), 1);
    EXPECT_EQ(binsOf(h), (Bins{{1, 1}}));
}

TEST(Histogram, SamplesAfterSortingStillFindTheirBins)
{
    // The key index must follow the bins when they move.
    Histogram h;
    h.addSample(0.09);
    h.addSample(-0.09);
    h.addSample(0.0);
    h.sortBins();
    h.addSample(0.09);
    h.addSample(-0.09);
    h.addSample(-0.09);
    EXPECT_EQ(binsOf(h), (Bins{{-9, 3}, {0, 1}, {9, 2}}));
    EXPECT_EQ(h.sampleCount(), 6);
    EXPECT_EQ(h.peakCount(), 3);
}

TEST(Histogram, ManyDistinctKeysKeepTheirCountsAndInvariants)
{
    // 100 000 distinct keys, each seen once, then a second pass that hits
    // every bin again: the sum of counts equals the samples.
    Histogram h;
    const int keys = 100000;
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < keys; ++i) {
            h.addSample((i % 2 ? -1 : 1) * (i * 0.01 + 0.005));
        }
    }
    ASSERT_EQ(h.binCount(), static_cast<std::size_t>(keys));
    h.sortBins();
    long long sum = 0;
    for (std::size_t i = 0; i < h.binCount(); ++i) {
        sum += h.bins()[i].count;
        EXPECT_EQ(h.bins()[i].count, 2);
        if (i > 0) {
            ASSERT_LT(h.bins()[i - 1].key, h.bins()[i].key);
        }
    }
    EXPECT_EQ(sum, h.sampleCount());
    EXPECT_EQ(h.peakCount(), 2);
}

// Keys near zero take a short cut past the hash index; keys on both sides
// of its edges, before and after sorting, must land where a plain map of
// keys to first appearance puts them.
TEST(Histogram, KeysAroundTheNearTableEdgesMatchAPlainCount)
{
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> keyOf(-140, 140);
    Histogram h;
    Bins expected;  // in order of first appearance
    const auto add = [&](int key) {
        h.addSample(key * 0.01 + (key < 0 ? -0.004 : 0.004));
        for (auto& [k, count] : expected) {
            if (k == key) {
                ++count;
                return;
            }
        }
        expected.emplace_back(key, 1);
    };
    for (int i = 0; i < 3000; ++i) {
        add(keyOf(rng));
    }
    EXPECT_EQ(binsOf(h), expected);
    h.sortBins();
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (int i = 0; i < 3000; ++i) {
        add(keyOf(rng));  // new keys after sorting go to the end
    }
    EXPECT_EQ(binsOf(h), expected);
    std::int32_t peak = 0;
    for (const auto& [k, count] : expected) {
        peak = std::max(peak, count);
    }
    EXPECT_EQ(h.peakCount(), peak);
    EXPECT_EQ(h.sampleCount(), 6000);
}

}  // namespace
}  // namespace gnsslog
