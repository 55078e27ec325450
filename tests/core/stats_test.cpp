// Accuracy statistics, the receiver's estimate check and wrong fixes on
// small hand-made analyses whose answers are worked out by hand. Errors
// are chosen as binary fractions (0.375, 0.625, ...) so that record minus
// truth is exact even at grid coordinates near 7e6 m, and a threshold can
// be hit exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

#include "log/Gpslog.h"
#include "metrics/AccuracyStats.h"
#include "metrics/WrongFixes.h"

namespace gnsslog {
namespace {

constexpr double kTruthX = 7000000.0;
constexpr double kTruthY = 2500000.0;
constexpr double kTruthZ = 100.0;
constexpr std::uint32_t kXYZ = ValidFlag::Grid | ValidFlag::Height;

GNSSLog manualLog() { return GNSSLog(TruthMode::Manual, kTruthX, kTruthY, kTruthZ); }

GNSSRecord epoch(std::uint8_t fixType, double dx, double dy, double dz, std::uint32_t flags = kXYZ)
{
    GNSSRecord r;
    r.fixType = fixType;
    r.validFlags = flags;
    if (flags & ValidFlag::Grid) {
        r.localX = kTruthX + dx;
        r.localY = kTruthY + dy;
    }
    if (flags & ValidFlag::Height) {
        r.height = kTruthZ + dz;
    }
    r.valid = 1;
    return r;
}

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

// Four fixed epochs, errors (dx, dy, dz):
//   (0.375, 0.5, 0.25), (-0.375, -0.5, 0), (0.75, 1.0, -0.25), (0, 0, 0)
// horizontal 0.625, 0.625, 1.25, 0; vertical 0.25, 0, 0.25, 0.
class HandMadeLog : public ::testing::Test {
protected:
    void SetUp() override
    {
        log.records.push_back(epoch(FixType::RtkFixed, 0.375, 0.5, 0.25));
        log.records.push_back(epoch(FixType::RtkFixed, -0.375, -0.5, 0));
        log.records.push_back(epoch(FixType::RtkFixed, 0.75, 1.0, -0.25));
        log.records.push_back(epoch(FixType::RtkFixed, 0, 0, 0));
        log.records.push_back(epoch(FixType::RtkFloat, 10, 0, 0, ValidFlag::Grid));
        log.records.push_back(epoch(FixType::StandAlone, 0, 0, 2, ValidFlag::Height));
        log.records.push_back(epoch(FixType::RtkX, 0, 0, 0, 0));
    }
    GNSSLog log = manualLog();
    const double thresholds[2] = {0.625, 1.0};
};

TEST_F(HandMadeLog, FixedClassMomentsPerAxis)
{
    const AccuracyStats s = computeAccuracyStats(log, thresholds);
    const ClassAccuracy& f = s.of(SolutionClass::RtkFixed);
    EXPECT_EQ(f.x.count, 4);
    EXPECT_DOUBLE_EQ(f.x.mean, 0.1875);
    EXPECT_DOUBLE_EQ(f.x.stdDev, std::sqrt(0.17578125));  // divisor n
    EXPECT_DOUBLE_EQ(f.x.rms, std::sqrt(0.2109375));
    EXPECT_EQ(f.x.min, -0.375);
    EXPECT_EQ(f.x.max, 0.75);
    EXPECT_DOUBLE_EQ(f.y.mean, 0.25);
    EXPECT_EQ(f.z.count, 4);
    EXPECT_DOUBLE_EQ(f.z.mean, 0.0);
    EXPECT_DOUBLE_EQ(f.z.stdDev, std::sqrt(0.03125));
    EXPECT_EQ(f.z.min, -0.25);
    EXPECT_EQ(f.threeD.count, 4);
    EXPECT_EQ(f.threeD.min, 0.0);
    EXPECT_DOUBLE_EQ(f.threeD.max, std::sqrt(1.625));
}

TEST_F(HandMadeLog, FixedClassPercentilesTwoDrmsAndWithin)
{
    const AccuracyStats s = computeAccuracyStats(log, thresholds);
    const ClassAccuracy& f = s.of(SolutionClass::RtkFixed);
    EXPECT_EQ(f.horizontalCount, 4);
    // sorted 0, 0.625, 0.625, 1.25; ranks 2, 3, 4, 4
    EXPECT_EQ(f.horizontalPercentiles[0], 0.625);
    EXPECT_EQ(f.horizontalPercentiles[1], 0.625);
    EXPECT_EQ(f.horizontalPercentiles[2], 1.25);
    EXPECT_EQ(f.horizontalPercentiles[3], 1.25);
    EXPECT_DOUBLE_EQ(f.twoDrms, 2.0 * std::sqrt(0.5859375));
    // sorted 0, 0, 0.25, 0.25
    EXPECT_EQ(f.verticalCount, 4);
    EXPECT_EQ(f.verticalPercentiles[0], 0.0);
    EXPECT_EQ(f.verticalPercentiles[1], 0.25);
    ASSERT_EQ(f.horizontalWithin.size(), 2U);
    EXPECT_DOUBLE_EQ(f.horizontalWithin[0], 0.75) << "an error equal to the threshold is within";
    EXPECT_DOUBLE_EQ(f.horizontalWithin[1], 0.75);
    EXPECT_DOUBLE_EQ(f.verticalWithin[0], 1.0);
}

TEST_F(HandMadeLog, ClassesTakeOnlyEpochsWithTheirFlags)
{
    const AccuracyStats s = computeAccuracyStats(log, thresholds);
    const ClassAccuracy& flt = s.of(SolutionClass::RtkFloat);
    EXPECT_EQ(flt.x.count, 1);
    EXPECT_EQ(flt.x.mean, 10.0);
    EXPECT_EQ(flt.x.stdDev, 0.0);
    EXPECT_EQ(flt.horizontalPercentiles[0], 10.0);
    EXPECT_EQ(flt.horizontalPercentiles[3], 10.0);
    EXPECT_EQ(flt.z.count, 0) << "no height bit";
    EXPECT_EQ(flt.threeD.count, 0);

    const ClassAccuracy& other = s.of(SolutionClass::Other);
    EXPECT_EQ(other.x.count, 0);
    EXPECT_EQ(other.horizontalCount, 0);
    EXPECT_EQ(other.z.count, 1);
    EXPECT_EQ(other.z.mean, 2.0);

    const ClassAccuracy& rtkx = s.of(SolutionClass::RtkX);
    EXPECT_EQ(rtkx.x.count + rtkx.z.count + rtkx.horizontalCount + rtkx.verticalCount, 0);
    EXPECT_EQ(rtkx.horizontalWithin[0], 0.0) << "empty class gives 0, not NaN";

    const ClassAccuracy& all = s.of(SolutionClass::All);
    EXPECT_EQ(all.x.count, 5);
    EXPECT_EQ(all.z.count, 5);
    EXPECT_EQ(all.threeD.count, 4);
    EXPECT_EQ(all.x.max, 10.0);
    EXPECT_EQ(all.z.max, 2.0);
}

TEST(AccuracyStats, EmptyAnalysisHasZeroCounts)
{
    const GNSSLog log = manualLog();
    const AccuracyStats s = computeAccuracyStats(log, kDefaultWithinThresholds);
    for (const ClassAccuracy& c : s.classes) {
        EXPECT_EQ(c.x.count, 0);
        EXPECT_EQ(c.threeD.count, 0);
        EXPECT_EQ(c.horizontalCount, 0);
        EXPECT_EQ(c.estimateCount, 0);
        EXPECT_EQ(c.horizontalWithin.size(), kDefaultWithinThresholds.size());
    }
}

TEST(AccuracyStats, SpreadSurvivesAHugeCommonOffset)
{
    // Truth 0 with grid coordinates near 7e6 m: every error carries the
    // offset. The naive E[x^2] - E[x]^2 loses all digits here.
    GNSSLog log(TruthMode::Manual, 0, 0, 0);
    for (int i = 0; i < 1000; ++i) {
        GNSSRecord r;
        r.fixType = FixType::RtkFixed;
        r.validFlags = ValidFlag::Grid;
        r.localX = 7000000.0 + ((i % 2) != 0 ? 0.01 : -0.01);
        r.localY = 2500000.0;
        log.records.push_back(r);
    }
    const AccuracyStats s = computeAccuracyStats(log, kDefaultWithinThresholds);
    const AxisStats& x = s.of(SolutionClass::RtkFixed).x;
    EXPECT_NEAR(x.mean, 7000000.0, 1e-6);
    EXPECT_NEAR(x.stdDev, 0.01, 1e-6) << "tolerance 1 micrometre";
    EXPECT_NEAR(s.of(SolutionClass::RtkFixed).y.stdDev, 0.0, 1e-9);
}

TEST(AccuracyStats, NonFiniteCoordinatesTakePartInNothing)
{
    GNSSLog log = manualLog();
    log.records.push_back(epoch(FixType::RtkFixed, 0.25, 0, 0.5));
    GNSSRecord bad = epoch(FixType::RtkFixed, 0, 0, 0.125);
    bad.localX = std::numeric_limits<double>::quiet_NaN();
    log.records.push_back(bad);
    GNSSRecord inf = epoch(FixType::RtkFixed, 0, 0, 0);
    inf.height = std::numeric_limits<double>::infinity();
    log.records.push_back(inf);

    const AccuracyStats s = computeAccuracyStats(log, kDefaultWithinThresholds);
    const ClassAccuracy& f = s.of(SolutionClass::RtkFixed);
    EXPECT_EQ(f.x.count, 2);  // first and third
    EXPECT_EQ(f.horizontalCount, 2);
    EXPECT_EQ(f.z.count, 2);  // first and second
    EXPECT_EQ(f.threeD.count, 1);
    EXPECT_DOUBLE_EQ(f.x.mean, 0.125);
    EXPECT_DOUBLE_EQ(f.z.mean, 0.3125);
    EXPECT_TRUE(std::isfinite(f.twoDrms));
    EXPECT_TRUE(std::isfinite(f.verticalPercentiles[3]));
}

TEST(EstimateCheck, ShareWithinOneTwoThreeTimesTheEstimate)
{
    GNSSLog log = manualLog();
    const std::uint32_t withEstimate = kXYZ | ValidFlag::ErrorEstimate;
    // 3-D error 0.5 each; estimates 0.5 (within 1x: equal counts),
    // 0.3 (2x), 0.2 (3x), 0.1 (none).
    for (double estimate : {0.5, 0.3, 0.2, 0.1}) {
        GNSSRecord r = epoch(FixType::RtkFixed, 0, 0, 0.5, withEstimate);
        r.errorEstimate = estimate;
        log.records.push_back(r);
    }
    GNSSRecord noFlag = epoch(FixType::RtkFixed, 0, 0, 9);
    noFlag.errorEstimate = 1;
    log.records.push_back(noFlag);
    GNSSRecord noHeight = epoch(FixType::RtkFixed, 9, 0, 0, ValidFlag::Grid | ValidFlag::ErrorEstimate);
    noHeight.errorEstimate = 0.01;
    log.records.push_back(noHeight);
    GNSSRecord floatOne = epoch(FixType::RtkFloat, 0, 0, 0.5, withEstimate);
    floatOne.errorEstimate = 1.0;
    log.records.push_back(floatOne);

    const AccuracyStats s = computeAccuracyStats(log, kDefaultWithinThresholds);
    const ClassAccuracy& f = s.of(SolutionClass::RtkFixed);
    EXPECT_EQ(f.estimateCount, 4);
    EXPECT_DOUBLE_EQ(f.estimateWithin[0], 0.25);
    EXPECT_DOUBLE_EQ(f.estimateWithin[1], 0.5);
    EXPECT_DOUBLE_EQ(f.estimateWithin[2], 0.75);
    EXPECT_EQ(s.of(SolutionClass::RtkFloat).estimateCount, 1);
    EXPECT_EQ(s.of(SolutionClass::RtkFloat).estimateWithin[0], 1.0);
    EXPECT_EQ(s.of(SolutionClass::All).estimateCount, 5);
    EXPECT_DOUBLE_EQ(s.of(SolutionClass::All).estimateWithin[0], 0.4);
}

TEST(WrongFixes, ThresholdIsStrictAndSpansMergeAdjacentEpochs)
{
    GNSSLog log = manualLog();
    const double threshold = 0.125;
    auto push = [&](std::uint8_t type, double dx, double dy, double dz, double t,
                    std::uint32_t flags = kXYZ) {
        GNSSRecord r = epoch(type, dx, dy, dz, flags);
        r.time = t;
        log.records.push_back(r);
    };
    push(FixType::RtkFixed, 0, 0, 0.125, 10);            // 0: at threshold, not wrong
    push(FixType::RtkFixed, 0, 0, 0.25, 11);             // 1: wrong (vertical)
    push(FixType::RtkFixed, 0.375, 0.5, 0, 12);          // 2: wrong (horizontal 0.625)
    push(FixType::RtkFloat, 5, 5, 5, 13);                // 3: not fixed, ends the span
    push(FixType::RtkFixed, 0, 0, -0.5, 14);             // 4: wrong
    push(FixType::RtkFixed, 0.0625, 0, -0.125, 15);      // 5: both within, vertical at threshold
    push(FixType::RtkFixed, 0, 0, 0, 16, 0);             // 6: cannot be judged, ends the span
    push(FixType::RtkFixed, 0, 0, 9, 16.5, ValidFlag::Grid);  // 7: height not valid, not wrong
    push(FixType::RtkFixed, 0, 0, 0, 17);                // 8: fine
    GNSSRecord last = epoch(FixType::RtkFixed, 0, 0, 0);
    // 9: one unit in the last place beyond the threshold, wrong
    last.height = std::nextafter(kTruthZ - 0.125, 0.0);
    last.time = 18;
    log.records.push_back(last);

    const WrongFixes wf = findWrongFixes(log, threshold);
    EXPECT_EQ(wf.fixedEpochs, 8U);  // all fixed except index 6
    EXPECT_EQ(wf.wrongEpochs, 4U);
    EXPECT_DOUBLE_EQ(wf.share, 0.5);
    ASSERT_EQ(wf.spans.size(), 3U);
    EXPECT_EQ(wf.spans[0].firstIndex, 1U);
    EXPECT_EQ(wf.spans[0].epochCount, 2U);
    EXPECT_EQ(wf.spans[0].startTime, 11.0);
    EXPECT_EQ(wf.spans[0].endTime, 12.0);
    EXPECT_EQ(wf.spans[0].maxHorizontal, 0.625);
    EXPECT_EQ(wf.spans[0].maxVertical, 0.25);
    EXPECT_EQ(wf.spans[1].firstIndex, 4U);
    EXPECT_EQ(wf.spans[1].maxVertical, 0.5);
    EXPECT_EQ(wf.spans[2].firstIndex, 9U);
    EXPECT_EQ(wf.spans[2].startTime, 18.0);
}

TEST(WrongFixes, HorizontalErrorExactlyAtTheThresholdIsNotWrong)
{
    GNSSLog log = manualLog();
    log.records.push_back(epoch(FixType::RtkFixed, 0.375, 0.5, 0));  // 0.625
    GNSSRecord above = epoch(FixType::RtkFixed, 0.375, 0.5, 0);
    above.localY = std::nextafter(above.localY, 3e6);  // one ulp further out
    log.records.push_back(above);
    const WrongFixes wf = findWrongFixes(log, 0.625);
    EXPECT_EQ(wf.wrongEpochs, 1U);
    ASSERT_EQ(wf.spans.size(), 1U);
    EXPECT_EQ(wf.spans[0].firstIndex, 1U);
}

TEST(WrongFixes, NoFixedEpochsGiveZeroShare)
{
    GNSSLog log = manualLog();
    log.records.push_back(epoch(FixType::RtkFloat, 5, 5, 5));
    const WrongFixes wf = findWrongFixes(log, kDefaultWrongFixThreshold);
    EXPECT_EQ(wf.fixedEpochs, 0U);
    EXPECT_EQ(wf.share, 0.0);
    EXPECT_TRUE(wf.spans.empty());
}

}  // namespace
}  // namespace gnsslog
