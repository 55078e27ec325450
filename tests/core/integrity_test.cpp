// Integrity against an alert limit: the Stanford regions of each epoch,
// their counts, and the rate bounds with the effective sample size.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "metrics/Integrity.h"
#include "tests/core/metrics_test_support.h"

namespace gnsslog {
namespace {

using metrics_test::epoch;
using metrics_test::EpochsWithAccuracy;
using metrics_test::withSigmas;

const TruthPoint kTruth{metrics_test::kTruthX, metrics_test::kTruthY, metrics_test::kTruthZ};

TEST(Integrity, RegionsOfTheStanfordDiagram)
{
    struct Row {
        const char* legend;
        double error, level, limit;
        IntegrityState state;
    };
    const Row rows[] = {
        {"bounded and available", 1, 2, 5, IntegrityState::Nominal},
        {"error exactly at the level is bounded", 2, 2, 5, IntegrityState::Nominal},
        {"beyond the level, within the limit", 3, 2, 5, IntegrityState::Misleading},
        {"error exactly at the limit is not hazardous", 5, 2, 5, IntegrityState::Misleading},
        {"beyond the limit with the level below it", 6, 2, 5,
         IntegrityState::HazardouslyMisleading},
        {"level exactly at the limit is available", 6, 5, 5, IntegrityState::HazardouslyMisleading},
        {"level beyond the limit", 1, 6, 5, IntegrityState::Unavailable},
        {"level beyond the limit, error beyond both", 9, 6, 5, IntegrityState::Unavailable},
        {"no level", 1, NAN, 5, IntegrityState::NotAssessed},
        {"no error", NAN, 1, 5, IntegrityState::NotAssessed},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(integrityStateOf(row.error, row.level, row.limit), row.state) << row.legend;
    }
}

TEST(Integrity, ConstructedLogGivesExactlyItsEvents)
{
    // 5-sigma levels of sigma 0.1 m: 0.5 m; limits 1 m horizontal, 2 m vertical.
    EpochsWithAccuracy epochs;
    const auto add = [&](double dx, double dz, double sigma) {
        epochs.add(withSigmas(epoch(FixType::RtkFixed, dx, 0, dz), sigma, sigma / 2, sigma));
    };
    for (int i = 0; i < 20; ++i) {
        add(0.25, 0.25, 0.1);  // nominal both ways
    }
    add(0.75, 0.25, 0.1);   // horizontal misleading
    add(0.75, 0.75, 0.1);   // both misleading
    add(1.5, 2.5, 0.1);     // both hazardous
    add(0.25, 0.25, 0.25);  // horizontal level 1.25 m > 1 m: unavailable; vertical nominal
    DecodedRecord noSigma;
    static_cast<GNSSRecord&>(noSigma) = epoch(FixType::RtkFixed, 5, 5, 5);
    epochs.add(noSigma);

    IntegrityOptions o;
    o.horizontalAlertLimit = 1;
    o.verticalAlertLimit = 2;
    o.k = 5;
    const Integrity in = computeIntegrity(epochs.records, epochs.accuracy, kTruth, o);
    EXPECT_EQ(in.horizontal.epochs, 24);
    EXPECT_EQ(in.horizontal.count(IntegrityState::Nominal), 20);
    EXPECT_EQ(in.horizontal.count(IntegrityState::Misleading), 2);
    EXPECT_EQ(in.horizontal.count(IntegrityState::HazardouslyMisleading), 1);
    EXPECT_EQ(in.horizontal.count(IntegrityState::Unavailable), 1);
    EXPECT_EQ(in.vertical.count(IntegrityState::Nominal), 22);
    EXPECT_EQ(in.vertical.count(IntegrityState::Misleading), 1);
    EXPECT_EQ(in.vertical.count(IntegrityState::HazardouslyMisleading), 1);
    EXPECT_EQ(in.vertical.count(IntegrityState::Unavailable), 0);

    // The receiver's own levels, where it gives them.
    o.source = ProtectionSource::Level;
    epochs.accuracy[0].protectionHorizontal = 0.125f;
    epochs.accuracy[0].protectionVertical = 0.5f;
    epochs.records[0].validFlags |= ValidFlag::ProtectionLevels;
    const Integrity pl = computeIntegrity(epochs.records, epochs.accuracy, kTruth, o);
    EXPECT_EQ(pl.horizontal.epochs, 1);
    EXPECT_EQ(pl.horizontal.count(IntegrityState::Misleading), 1);
    EXPECT_EQ(pl.vertical.count(IntegrityState::Nominal), 1);
}

TEST(Integrity, RateBoundsFollowClopperPearson)
{
    // No events: 1 - 0.05^(1/n), the "rule of three" 3/n for large n.
    EXPECT_NEAR(clopperPearsonUpper95(0, 1000), 1 - std::pow(0.05, 1e-3), 1e-15);
    EXPECT_NEAR(clopperPearsonUpper95(0, 1e6) * 1e6, 2.9957, 1e-3);
    // The p with P(X <= x) = 0.05, found by bisection over the exact
    // binomial sum in integers (Python's math.comb), outside this code.
    EXPECT_NEAR(clopperPearsonUpper95(1, 10), 0.3941633, 1e-6);
    EXPECT_NEAR(clopperPearsonUpper95(5, 100), 0.1022534, 1e-6);
    EXPECT_EQ(clopperPearsonUpper95(10, 10), 1.0);
    EXPECT_EQ(clopperPearsonUpper95(0, 0), 1.0);
}

TEST(Integrity, CorrelatedErrorsCountFewerIndependentEpochs)
{
    // A slowly drifting error: each epoch almost its neighbour.
    EpochsWithAccuracy drifting;
    EpochsWithAccuracy alternating;
    for (int i = 0; i < 1000; ++i) {
        drifting.add(
            withSigmas(epoch(FixType::RtkFixed, 0.1 + 0.1 * std::sin(i / 100.0), 0, 0), 1, 1, 1));
        alternating.add(
            withSigmas(epoch(FixType::RtkFixed, i % 2 == 0 ? 0.1 : 0.2, 0, 0), 1, 1, 1));
    }
    IntegrityOptions o;
    o.horizontalAlertLimit = 10;
    o.k = 5;
    const IntegrityDirection d =
        computeIntegrity(drifting.records, drifting.accuracy, kTruth, o).horizontal;
    EXPECT_GT(d.lag1Autocorrelation, 0.99);
    EXPECT_LT(d.effectiveEpochs, 10);
    EXPECT_NEAR(d.misleadingRateBound, 1 - std::pow(0.05, 1 / d.effectiveEpochs), 1e-12);
    // Negative correlation does not claim more epochs than there are.
    const IntegrityDirection a =
        computeIntegrity(alternating.records, alternating.accuracy, kTruth, o).horizontal;
    EXPECT_LT(a.lag1Autocorrelation, -0.9);
    EXPECT_EQ(a.effectiveEpochs, 1000);
    EXPECT_FALSE(
        computeIntegrity(drifting.records, drifting.accuracy, kTruth, o).vertical.assessed);
}

}  // namespace
}  // namespace gnsslog
