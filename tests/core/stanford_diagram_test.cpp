// The Stanford diagram's bins and regions, and the normalised error CDF,
// from epochs whose errors and levels are known.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "metrics/NormalisedCdf.h"
#include "metrics/StanfordDiagram.h"
#include "tests/core/metrics_test_support.h"

namespace gnsslog {
namespace {

using metrics_test::epoch;
using metrics_test::EpochsWithAccuracy;
using metrics_test::withSigmas;

const TruthPoint kTruth{metrics_test::kTruthX, metrics_test::kTruthY, metrics_test::kTruthZ};

TEST(StanfordDiagram, RegionsAgreeWithTheIntegrityCountsAndBinsHoldEveryEpoch)
{
    // 5-sigma levels of sigma 0.1 m (0.5 m) against limits 1 m and 2 m.
    EpochsWithAccuracy epochs;
    const auto add = [&](double dx, double dz, double sigma) {
        epochs.add(withSigmas(epoch(FixType::RtkFixed, dx, 0, dz), sigma, sigma / 2, sigma));
    };
    for (int i = 0; i < 20; ++i) {
        add(0.01 * (i + 1), 0.25, 0.1);
    }
    add(0.75, 0.25, 0.1);
    add(0.75, 0.75, 0.1);
    add(1.5, 2.5, 0.1);
    add(0.25, 0.25, 0.25);
    IntegrityOptions o;
    o.horizontalAlertLimit = 1;
    o.verticalAlertLimit = 2;
    o.k = 5;
    const StanfordDiagrams d = computeStanfordDiagrams(epochs.records, epochs.accuracy, kTruth, o);
    const Integrity in = computeIntegrity(epochs.records, epochs.accuracy, kTruth, o);
    for (const auto& [diagram, direction] :
         {std::pair{&d.horizontal, &in.horizontal}, std::pair{&d.vertical, &in.vertical}}) {
        EXPECT_EQ(diagram->epochs, direction->epochs);
        for (std::size_t s = 0; s < kIntegrityStates; ++s) {
            EXPECT_EQ(diagram->regions[s], direction->counts[s]) << s;
        }
        EXPECT_EQ(std::accumulate(diagram->counts.begin(), diagram->counts.end(), std::int64_t{0}),
                  diagram->epochs);
        EXPECT_DOUBLE_EQ(diagram->alertLimit, diagram == &d.horizontal ? 1.0 : 2.0);
    }
    // Errors up to 2.5 m and levels up to 1.25 m: the axes end at 10 m,
    // four decades of 1 mm.
    EXPECT_DOUBLE_EQ(d.vertical.highest, 10.0);
    EXPECT_EQ(d.vertical.bins, 4 * kStanfordBinsPerDecade);
    // The 1.5 m error at its 0.5 m level lands in the bin of both values.
    const StanfordDiagram& h = d.horizontal;
    EXPECT_GE(h.count(h.binOf(0.5), h.binOf(1.5)), 1);
}

TEST(StanfordDiagram, AxesClampAndWithoutALimitOnlyTheDiagonalDivides)
{
    EpochsWithAccuracy epochs;
    epochs.add(withSigmas(epoch(FixType::RtkFixed, 0.0001, 0, 0), 1, 1, 1));  // below 1 mm
    epochs.add(withSigmas(epoch(FixType::RtkFixed, 5e7, 0, 0), 1, 1, 1));     // beyond the range
    epochs.add(withSigmas(epoch(FixType::RtkFixed, 1, 0, 0), 1, 1, 1));
    IntegrityOptions o;
    o.k = 1;
    const StanfordDiagram d =
        computeStanfordDiagrams(epochs.records, epochs.accuracy, kTruth, o).horizontal;
    EXPECT_EQ(d.epochs, 3);
    EXPECT_EQ(d.region(IntegrityState::Nominal), 2) << "an error equal to its level is bounded";
    EXPECT_EQ(d.region(IntegrityState::Misleading), 1);
    EXPECT_EQ(d.region(IntegrityState::HazardouslyMisleading), 0);
    EXPECT_DOUBLE_EQ(d.highest, kStanfordLargestRange);
    EXPECT_EQ(d.binOf(0.0001), 0u);
    EXPECT_EQ(d.binOf(5e7), d.bins - 1);
    EXPECT_EQ(d.binOf(std::nan("")), 0u);
    // A log that states no sigmas has nothing to draw.
    EXPECT_EQ(computeStanfordDiagrams(epochs.records, {}, kTruth, o).horizontal.epochs, 0);
}

TEST(StanfordDiagram, PicturesUseTheReceiversLevelsWhereTheLogHasThem)
{
    EpochsWithAccuracy epochs;
    epochs.add(withSigmas(epoch(FixType::RtkFixed, 0.1, 0, 0), 1, 1, 1));
    EXPECT_EQ(defaultPictureProtection(epochs.records).source, ProtectionSource::KSigma);
    EXPECT_DOUBLE_EQ(defaultPictureProtection(epochs.records).k, 5.33);
    epochs.records[0].validFlags |= ValidFlag::ProtectionLevels;
    EXPECT_EQ(defaultPictureProtection(epochs.records).source, ProtectionSource::Level);
}

TEST(NormalisedCdf, SharesAtTheEdgesAndTheGaussianReference)
{
    // Horizontal normalised errors 0.5 (x4), 2 (x3), 10 (beyond the axis);
    // up errors 1 sigma each. One float epoch.
    EpochsWithAccuracy epochs;
    for (const double dx : {0.05, 0.05, 0.05, 0.05, 0.2, 0.2, 0.2, 1.0}) {
        epochs.add(withSigmas(epoch(FixType::RtkFixed, dx, 0, 0.1), 0.1, 0.1, 0.1));
    }
    epochs.add(withSigmas(epoch(FixType::RtkFloat, 0.05, 0, 0.1), 0.1, 0.1, 0.1));
    const NormalisedCdf cdf = computeNormalisedCdf(epochs.records, epochs.accuracy, kTruth, 12);
    ASSERT_EQ(cdf.bins, 12u);
    EXPECT_DOUBLE_EQ(cdf.edge(0), 0.5);
    EXPECT_DOUBLE_EQ(cdf.edge(11), kNormalisedCdfRange);
    const CdfCurve& fixed = cdf.horizontal[static_cast<std::size_t>(CdfClass::RtkFixed)];
    EXPECT_EQ(fixed.count, 8);
    EXPECT_DOUBLE_EQ(fixed.share(0), 4.0 / 8);  // at 0.5 sigma
    EXPECT_DOUBLE_EQ(fixed.share(3), 7.0 / 8);  // at 2 sigma
    EXPECT_DOUBLE_EQ(fixed.share(11), 7.0 / 8) << "beyond the axis stays out";
    // 95 %: the eighth of eight (over a float sigma)
    EXPECT_NEAR(fixed.levelErrors[2], 10.0, 1e-6);
    EXPECT_EQ(cdf.horizontal[static_cast<std::size_t>(CdfClass::All)].count, 9);
    EXPECT_EQ(cdf.vertical[static_cast<std::size_t>(CdfClass::RtkFloat)].count, 1);

    EXPECT_NEAR(gaussianRadialShare(1), 0.393469, 1e-6);
    EXPECT_NEAR(gaussianAxisShare(2), 0.954500, 1e-6);
    EXPECT_EQ(gaussianAxisShare(-1), 0.0);
}

}  // namespace
}  // namespace gnsslog
