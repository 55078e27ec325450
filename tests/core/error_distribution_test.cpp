// The scatter plot's circles and the error CDF's counts on hand-made
// analyses whose answers are worked out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>
#include <limits>

#include "log/Gpslog.h"
#include "metrics/ErrorCdf.h"
#include "metrics/ScatterCircles.h"
#include "tests/core/metrics_test_support.h"

namespace gnsslog {
namespace {

using metrics_test::epoch;
using metrics_test::manualLog;

constexpr auto kFixed = static_cast<std::size_t>(CdfClass::RtkFixed);
constexpr auto kFloat = static_cast<std::size_t>(CdfClass::RtkFloat);
constexpr auto kAll = static_cast<std::size_t>(CdfClass::All);

TEST(ScatterCircles, AreTheRtkFixedPercentilesAndTwoDrms)
{
    GNSSLog log = manualLog();
    // East errors 1 mm .. 100 mm; a float epoch far out must not count.
    for (int k = 1; k <= 100; ++k) {
        log.records.push_back(epoch(FixType::RtkFixed, 0, 0.001 * k, 0));
    }
    log.records.push_back(epoch(FixType::RtkFloat, 5, 5, 0));
    const ScatterCircles circles = rtkFixedCircles(log);
    EXPECT_EQ(circles.count, 100);
    EXPECT_NEAR(circles.cep50, 0.050, 1e-9);  // rank 50 of 100
    EXPECT_NEAR(circles.r95, 0.095, 1e-9);    // rank 95
    // 2 sqrt(mean(e^2)), sum of k^2 for k = 1..100 is 338350.
    EXPECT_NEAR(circles.twoDrms, 2 * std::sqrt(338350e-6 / 100), 1e-9);

    GNSSLog noFix = manualLog();
    noFix.records.push_back(epoch(FixType::RtkFloat, 0.1, 0, 0));
    EXPECT_EQ(rtkFixedCircles(noFix).count, 0);
    EXPECT_EQ(rtkFixedCircles(noFix).r95, 0);
}

// Fixed: horizontal k/16 m (k = 1..16); float: 2 m; other: 0.5 m (all
// only). The range is 1.25 x the largest 99th percentile, 2 m.
TEST(ErrorCdf, SharesAtEveryBinEdgePerClass)
{
    GNSSLog log = manualLog();
    std::vector<double> fixedErrors;
    for (int k = 1; k <= 16; ++k) {
        log.records.push_back(epoch(FixType::RtkFixed, 0, 0.0625 * k, 0));
        fixedErrors.push_back(0.0625 * k);
    }
    log.records.push_back(epoch(FixType::RtkFloat, 2, 0, 0.25));
    log.records.push_back(epoch(FixType::StandAlone, 0, -0.5, 0));
    const ErrorCdf cdf = computeErrorCdf(log, 40);
    ASSERT_EQ(cdf.bins, 40u);
    EXPECT_DOUBLE_EQ(cdf.range(), 2.5);
    EXPECT_DOUBLE_EQ(cdf.edge(0), 0.001);
    EXPECT_DOUBLE_EQ(cdf.edge(39), 2.5);
    EXPECT_NEAR(cdf.edge(13) / cdf.edge(12), cdf.edge(27) / cdf.edge(26), 1e-12) << "geometric";
    EXPECT_NEAR(cdf.axisPosition(std::sqrt(0.001 * 2.5)), 0.5, 1e-12);

    // Every bin against a plain count of the errors at or below its edge.
    std::vector<double> allErrors = fixedErrors;
    allErrors.push_back(2.0);
    allErrors.push_back(0.5);
    const auto shareAtOrBelow = [](const std::vector<double>& errors, double edge) {
        return static_cast<double>(std::count_if(errors.begin(), errors.end(),
                                                 [edge](double e) { return e <= edge; })) /
               static_cast<double>(errors.size());
    };
    const CdfCurve& fixed = cdf.horizontal[kFixed];
    const CdfCurve& all = cdf.horizontal[kAll];
    ASSERT_EQ(fixed.count, 16);
    ASSERT_EQ(all.count, 18);
    for (std::size_t bin = 0; bin < cdf.bins; ++bin) {
        EXPECT_DOUBLE_EQ(fixed.share(bin), shareAtOrBelow(fixedErrors, cdf.edge(bin))) << bin;
        EXPECT_DOUBLE_EQ(all.share(bin), shareAtOrBelow(allErrors, cdf.edge(bin))) << bin;
        EXPECT_DOUBLE_EQ(cdf.horizontal[kFloat].share(bin), cdf.edge(bin) >= 2.0 ? 1.0 : 0.0) << bin;
    }
    EXPECT_DOUBLE_EQ(fixed.share(1000), 1.0) << "beyond the last bin reads the last";
    EXPECT_DOUBLE_EQ(fixed.levelErrors[0], 0.5);     // rank 8 of 16
    EXPECT_DOUBLE_EQ(fixed.levelErrors[1], 0.6875);  // rank 11
    EXPECT_DOUBLE_EQ(fixed.levelErrors[2], 1.0);     // rank 16

    EXPECT_EQ(cdf.vertical[kFixed].count, 16);
    EXPECT_DOUBLE_EQ(cdf.vertical[kFixed].share(0), 1.0) << "every vertical error is 0";
    EXPECT_EQ(cdf.vertical[kAll].count, 18);
    EXPECT_DOUBLE_EQ(cdf.vertical[kAll].share(0), 17 / 18.0);

    // An error exactly on an edge is at or below it.
    for (const std::size_t bin : {std::size_t{0}, std::size_t{7}, std::size_t{39}}) {
        EXPECT_EQ(cdf.binOf(cdf.edge(bin)), bin);
        EXPECT_EQ(cdf.binOf(std::nextafter(cdf.edge(bin), 10.0)), bin + 1);
    }
    EXPECT_EQ(cdf.binOf(std::numeric_limits<double>::quiet_NaN()), cdf.bins);
}

TEST(ErrorCdf, OnlyMeasuredFiniteErrorsCount)
{
    GNSSLog log = manualLog();
    log.records.push_back(epoch(FixType::RtkFixed, 0.1, 0, 0.1, ValidFlag::Height));
    log.records.push_back(epoch(FixType::RtkFixed, 0.1, 0, 0.1, ValidFlag::Grid));
    GNSSRecord corrupt = epoch(FixType::RtkFixed, 0, 0, 0);
    corrupt.localX = std::numeric_limits<double>::quiet_NaN();
    corrupt.height = std::numeric_limits<double>::infinity();
    log.records.push_back(corrupt);
    const ErrorCdf cdf = computeErrorCdf(log, 10);
    EXPECT_EQ(cdf.horizontal[kFixed].count, 1);
    EXPECT_EQ(cdf.vertical[kFixed].count, 1);
    EXPECT_TRUE(std::isfinite(cdf.range()));
}

TEST(ErrorCdf, EmptyLogHasEmptyCurvesOverTheSmallestRange)
{
    const ErrorCdf cdf = computeErrorCdf(manualLog(), 0);
    EXPECT_EQ(cdf.bins, 2u);
    EXPECT_DOUBLE_EQ(cdf.range(), 0.01);
    for (const CdfCurve& curve : cdf.horizontal) {
        EXPECT_EQ(curve.count, 0);
        EXPECT_EQ(curve.share(0), 0.0);
    }
}

}  // namespace
}  // namespace gnsslog
