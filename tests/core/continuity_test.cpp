// Fix continuity: fix-loss events, re-fix times, time to first fix and
// availability, on hand-made sequences of fix types and times.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "log/Gpslog.h"
#include "metrics/FixContinuity.h"

namespace gnsslog {
namespace {

constexpr std::uint8_t F = FixType::RtkFixed;
constexpr std::uint8_t L = FixType::RtkFloat;
constexpr std::uint8_t S = FixType::StandAlone;
constexpr std::uint8_t X = FixType::RtkX;

// One record per fix type, at start, start + 1 s, start + 2 s, ...
GNSSLog logOf(const std::vector<std::uint8_t>& types, double start = 0)
{
    GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    for (std::size_t i = 0; i < types.size(); ++i) {
        GNSSRecord r;
        r.fixType = types[i];
        r.time = start + static_cast<double>(i);
        r.valid = 1;
        log.records.push_back(r);
    }
    return log;
}

TEST(FixContinuity, EmptyLogHasNoEventsAndNoFirstFix)
{
    const FixContinuity fc = computeFixContinuity(logOf({}));
    EXPECT_TRUE(fc.losses.empty());
    EXPECT_FALSE(fc.firstFixFound);
    EXPECT_EQ(fc.refixCount, 0U);
    EXPECT_EQ(fc.epochCount, 0U);
    EXPECT_EQ(fc.availability, 0.0);
}

TEST(FixContinuity, LossInTheMiddleIsTimedFromTheFirstNonFixedEpoch)
{
    //                       0  1  2  3  4  5  6  7  8
    const FixContinuity fc = computeFixContinuity(logOf({S, L, F, F, L, L, S, F, F}, 86390));
    EXPECT_TRUE(fc.firstFixFound);
    EXPECT_EQ(fc.timeToFirstFix, 2.0);
    ASSERT_EQ(fc.losses.size(), 1U);
    const FixLossEvent& e = fc.losses[0];
    EXPECT_EQ(e.recordIndex, 4U);
    EXPECT_EQ(e.time, 86394.0);
    EXPECT_EQ(e.sinceStart, 4.0);
    EXPECT_TRUE(e.regained);
    EXPECT_EQ(e.duration, 3.0);
    EXPECT_EQ(e.fixTypes, (std::vector<std::uint8_t>{L, S})) << "distinct, in order seen";
    EXPECT_EQ(fc.refixCount, 1U);
    EXPECT_EQ(fc.refixMedian, 3.0);
    EXPECT_EQ(fc.refixMax, 3.0);
}

TEST(FixContinuity, LogStartingUnfixedIsNoLoss)
{
    const FixContinuity fc = computeFixContinuity(logOf({L, X, F}));
    EXPECT_TRUE(fc.losses.empty());
    EXPECT_EQ(fc.timeToFirstFix, 2.0);
}

TEST(FixContinuity, LossAtTheSecondEpoch)
{
    const FixContinuity fc = computeFixContinuity(logOf({F, X, F}));
    EXPECT_EQ(fc.timeToFirstFix, 0.0);
    ASSERT_EQ(fc.losses.size(), 1U);
    EXPECT_EQ(fc.losses[0].recordIndex, 1U);
    EXPECT_EQ(fc.losses[0].sinceStart, 1.0);
    EXPECT_EQ(fc.losses[0].duration, 1.0);
    EXPECT_EQ(fc.losses[0].fixTypes, (std::vector<std::uint8_t>{X}));
}

TEST(FixContinuity, LossAtTheLastEpochIsNotRegained)
{
    const FixContinuity fc = computeFixContinuity(logOf({F, F, L}));
    ASSERT_EQ(fc.losses.size(), 1U);
    EXPECT_EQ(fc.losses[0].recordIndex, 2U);
    EXPECT_FALSE(fc.losses[0].regained);
    EXPECT_EQ(fc.refixCount, 0U) << "a loss never regained has no re-fix time";
}

TEST(FixContinuity, NeverFixedHasNoFirstFix)
{
    const FixContinuity fc = computeFixContinuity(logOf({S, L, X}));
    EXPECT_FALSE(fc.firstFixFound);
    EXPECT_TRUE(fc.losses.empty());
    EXPECT_EQ(fc.availability, 0.0);
}

TEST(FixContinuity, RefixDistributionIsNearestRank)
{
    // Losses lasting 1, 2, ..., 20 s, then one never regained.
    std::vector<std::uint8_t> types{F};
    for (int d = 1; d <= 20; ++d) {
        types.insert(types.end(), static_cast<std::size_t>(d), L);
        types.push_back(F);
    }
    types.push_back(S);
    const FixContinuity fc = computeFixContinuity(logOf(types));
    ASSERT_EQ(fc.losses.size(), 21U);
    EXPECT_FALSE(fc.losses.back().regained);
    EXPECT_EQ(fc.refixCount, 20U);
    EXPECT_EQ(fc.refixMedian, 10.0);  // rank 10 of 20
    EXPECT_EQ(fc.refix95, 19.0);      // rank 19 exactly
    EXPECT_EQ(fc.refixMax, 20.0);
}

GNSSLog timedLog(const std::vector<std::pair<double, std::uint8_t>>& epochs)
{
    GNSSLog log(TruthMode::Averaged, 0, 0, 0);
    for (const auto& [t, type] : epochs) {
        GNSSRecord r;
        r.time = t;
        r.fixType = type;
        log.records.push_back(r);
    }
    return log;
}

TEST(FixAvailability, EvenEpochsCountOneIntervalEach)
{
    const FixContinuity fc = computeFixContinuity(logOf({S, L, F, F, L, L, S, F, F}));
    EXPECT_EQ(fc.nominalInterval, 1.0);
    EXPECT_EQ(fc.coveredSeconds, 9.0) << "the last epoch counts one nominal interval";
    EXPECT_DOUBLE_EQ(fc.availability, 4.0 / 9.0);
}

TEST(FixAvailability, AGapCountsOnlyTheNominalInterval)
{
    // Fixed 0..3 s, logger silent until 100 s, then float.
    const FixContinuity fc =
        computeFixContinuity(timedLog({{0, F}, {1, F}, {2, F}, {3, F}, {100, L}, {101, L}}));
    EXPECT_EQ(fc.nominalInterval, 1.0);
    EXPECT_EQ(fc.coveredSeconds, 6.0);
    EXPECT_EQ(fc.fixedSeconds, 4.0);
    EXPECT_DOUBLE_EQ(fc.availability, 4.0 / 6.0);
}

TEST(FixAvailability, IntervalUpToTwiceNominalCountsAsIs)
{
    // Intervals 1, 1, 2, 1: the 2 s step is a missed epoch, not a gap.
    const FixContinuity fc = computeFixContinuity(timedLog({{0, L}, {1, L}, {2, F}, {4, L}, {5, F}}));
    EXPECT_EQ(fc.coveredSeconds, 6.0);
    EXPECT_EQ(fc.fixedSeconds, 3.0);
}

TEST(FixAvailability, BackwardAndNonFiniteStepsCountZero)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const FixContinuity fc =
        computeFixContinuity(timedLog({{0, F}, {1, F}, {0.5, L}, {1.5, L}, {nan, F}, {3, L}}));
    // Positive intervals 1, 1 -> nominal 1. Weights: 1, 0 (back step),
    // 1, 0 (to NaN), 0 (from NaN), 1 (last).
    EXPECT_EQ(fc.nominalInterval, 1.0);
    EXPECT_EQ(fc.coveredSeconds, 3.0);
    EXPECT_EQ(fc.fixedSeconds, 1.0);
    EXPECT_TRUE(std::isfinite(fc.availability));
}

TEST(FixAvailability, NoPositiveIntervalFallsBackToEpochShare)
{
    const FixContinuity one = computeFixContinuity(timedLog({{5, F}}));
    EXPECT_EQ(one.availability, 1.0);
    const FixContinuity same = computeFixContinuity(timedLog({{5, F}, {5, L}, {5, L}, {5, F}}));
    EXPECT_DOUBLE_EQ(same.availability, 0.5);
}

}  // namespace
}  // namespace gnsslog
