// Accuracy statistics and the receiver's estimate check on small
// hand-made analyses whose answers are worked out by hand, and the
// all-epochs class against a direct computation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "log/Gpslog.h"
#include "metrics/AccuracyStats.h"
#include "tests/core/metrics_test_support.h"

namespace gnsslog {
namespace {

using metrics_test::epoch;
using metrics_test::kXYZ;
using metrics_test::manualLog;

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

// Count, mean, standard deviation (divisor n), RMS, min and max the plain
// way: the mean first, then the squared deviations from it.
AxisStats twoPass(const std::vector<double>& errors)
{
    AxisStats s;
    s.count = static_cast<std::int64_t>(errors.size());
    if (errors.empty()) {
        return s;
    }
    const double n = static_cast<double>(errors.size());
    double sum = 0;
    double sumSq = 0;
    for (double e : errors) {
        sum += e;
        sumSq += e * e;
    }
    s.mean = sum / n;
    double deviations = 0;
    for (double e : errors) {
        deviations += (e - s.mean) * (e - s.mean);
    }
    s.stdDev = std::sqrt(deviations / n);
    s.rms = std::sqrt(sumSq / n);
    s.min = *std::min_element(errors.begin(), errors.end());
    s.max = *std::max_element(errors.begin(), errors.end());
    return s;
}

void expectAxis(const AxisStats& got, const std::vector<double>& errors, double tolerance,
                const char* what)
{
    const AxisStats want = twoPass(errors);
    EXPECT_EQ(got.count, want.count) << what;
    EXPECT_NEAR(got.mean, want.mean, tolerance) << what;
    EXPECT_NEAR(got.stdDev, want.stdDev, tolerance) << what;
    EXPECT_NEAR(got.rms, want.rms, tolerance) << what;
    EXPECT_EQ(got.min, want.min) << what;
    EXPECT_EQ(got.max, want.max) << what;
}

// X, Y, Z and 3-D errors of the epochs of one class (All: every epoch)
// that have them, straight from the definitions.
struct AxisErrors {
    std::vector<double> x, y, z, threeD;
};

AxisErrors errorsOf(const GNSSLog& log, SolutionClass c)
{
    AxisErrors out;
    for (const GNSSRecord& r : log.records) {
        if (c != SolutionClass::All && solutionClassOf(r.fixType) != c) {
            continue;
        }
        const double dx = r.localX - log.truthX();
        const double dy = r.localY - log.truthY();
        const double dz = r.height - log.truthZ();
        const bool xy = r.has(ValidFlag::Grid) && std::isfinite(dx) && std::isfinite(dy);
        const bool z = r.has(ValidFlag::Height) && std::isfinite(dz);
        if (xy) {
            out.x.push_back(dx);
            out.y.push_back(dy);
        }
        if (z) {
            out.z.push_back(dz);
        }
        if (xy && z) {
            out.threeD.push_back(std::sqrt(dz * dz + dx * dx + dy * dy));
        }
    }
    return out;
}

void expectClassMoments(const AccuracyStats& s, const GNSSLog& log, double tolerance)
{
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        const auto cls = static_cast<SolutionClass>(c);
        const AxisErrors e = errorsOf(log, cls);
        const std::string name = solutionClassKey(cls);
        expectAxis(s.of(cls).x, e.x, tolerance, (name + " x").c_str());
        expectAxis(s.of(cls).y, e.y, tolerance, (name + " y").c_str());
        expectAxis(s.of(cls).z, e.z, tolerance, (name + " z").c_str());
        expectAxis(s.of(cls).threeD, e.threeD, tolerance, (name + " 3-D").c_str());
    }
}

// Each class's sums are shifted by its own first error; the all-epochs
// figures merge them, moving every class to one shift. Classes whose first
// errors lie far apart make every term of that move count.
TEST(AllClass, MomentsEqualADirectTwoPassOverEveryEpoch)
{
    GNSSLog log = manualLog();
    //                                    dx     dy      dz
    log.records.push_back(epoch(FixType::RtkFixed, 0.5, -0.25, 0.125));
    log.records.push_back(epoch(FixType::RtkFixed, 1.5, 0.75, -0.125));
    log.records.push_back(epoch(FixType::RtkFixed, 0.75, 0.25, 0.5));
    log.records.push_back(epoch(FixType::RtkFloat, 4.0, -3.0, 2.0));
    log.records.push_back(epoch(FixType::RtkFloat, 6.0, -1.0, 3.0));
    log.records.push_back(epoch(FixType::StandAlone, -2.0, 8.0, -6.0));
    log.records.push_back(epoch(FixType::StandAlone, -1.0, 10.0, -4.0));
    log.records.push_back(epoch(FixType::StandAlone, 0.0, 12.0, -5.0, ValidFlag::Grid));
    log.records.push_back(epoch(FixType::RtkX, 3.0, 3.0, 1.0));
    log.records.push_back(epoch(FixType::RtkX, 2.0, 5.0, 1.5, ValidFlag::Height));
    const AccuracyStats s = computeAccuracyStats(log, kDefaultWithinThresholds);

    // Worked by hand for X: errors 0.5 1.5 0.75 4 6 -2 -1 0 3, sum 12.75,
    // mean 12.75 / 9; sum of squares 69.0625.
    const AxisStats& x = s.of(SolutionClass::All).x;
    EXPECT_EQ(x.count, 9);
    EXPECT_NEAR(x.mean, 12.75 / 9, 1e-12);
    EXPECT_NEAR(x.rms, std::sqrt(69.0625 / 9), 1e-12);
    EXPECT_NEAR(x.stdDev, std::sqrt(69.0625 / 9 - (12.75 / 9) * (12.75 / 9)), 1e-12);
    EXPECT_EQ(x.min, -2.0);
    EXPECT_EQ(x.max, 6.0);
    // Tolerance 1e-12 m: the errors are a few metres.
    expectClassMoments(s, log, 1e-12);
}

TEST(AllClass, MomentsEqualADirectTwoPassOnAGeneratedLogWithAnOffsetTruth)
{
    // Truth 0.4 m away from the receiver's mean and classes of very
    // different spread, with some epochs missing a flag.
    GNSSLog log = manualLog();
    std::mt19937_64 rng(17);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::uniform_int_distribution<int> pick(0, 99);
    const std::uint8_t types[] = {FixType::RtkFixed, FixType::RtkFloat, FixType::RtkX,
                                  FixType::StandAlone, FixType::NoPosition};
    for (int i = 0; i < 20000; ++i) {
        const std::uint8_t type = types[static_cast<std::size_t>(pick(rng)) % std::size(types)];
        const double sigma = type == FixType::RtkFixed ? 0.01 : type == FixType::RtkX ? 0.1 : 3.0;
        std::uint32_t flags = 0;
        flags |= pick(rng) < 95 ? ValidFlag::Grid : 0;
        flags |= pick(rng) < 90 ? ValidFlag::Height : 0;
        log.records.push_back(epoch(type, 0.4 + sigma * noise(rng), -0.3 + sigma * noise(rng),
                                    0.2 + sigma * noise(rng), flags));
    }
    const AccuracyStats s = computeAccuracyStats(log, kDefaultWithinThresholds);
    EXPECT_GT(s.of(SolutionClass::All).threeD.count, 15000);
    // Tolerance 1e-9 m: coordinates near 7e6 m keep about 1e-9 m of each error.
    expectClassMoments(s, log, 1e-9);
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
}  // namespace
}  // namespace gnsslog
