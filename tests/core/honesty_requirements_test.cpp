// Requirements on the log's own accuracy: within1sigma, hmi and mi-rate,
// from epochs whose errors and sigmas are known.
#include <gtest/gtest.h>

#include <cmath>

#include "compare/LogFigures.h"
#include "compare/Requirements.h"
#include "tests/core/metrics_test_support.h"

namespace gnsslog {
namespace {

using metrics_test::epoch;
using metrics_test::EpochsWithAccuracy;
using metrics_test::withSigmas;

const TruthPoint kTruth{metrics_test::kTruthX, metrics_test::kTruthY, metrics_test::kTruthZ};

bool passes(const char* text, const LogFigures& figures)
{
    const RequirementList list = parseRequirements(text);
    EXPECT_TRUE(list.error.empty()) << list.error;
    return !list.requirements.empty() && checkRequirement(list.requirements[0], figures).pass;
}

TEST(HonestyRequirements, WithinOneSigmaPoolsNorthAndEast)
{
    // Ten epochs of sigma 0.1 m: north within it in 8, east in 5, so 13 of
    // the 20 axis errors are within 1 sigma. Up does not count.
    EpochsWithAccuracy epochs;
    for (int i = 0; i < 10; ++i) {
        const double dx = i < 8 ? 0.05 : 0.15;
        const double dy = i < 5 ? -0.1 : 0.2;  // exactly 1 sigma is within
        epochs.add(withSigmas(epoch(FixType::RtkFixed, dx, dy, 5.0), 0.1, 0.1, 0.1));
    }
    LogFigures f;
    addHonestyFigures(f, epochs.records, epochs.accuracy, kTruth, IntegrityOptions{});
    ASSERT_TRUE(f.within1Sigma.has_value());
    EXPECT_DOUBLE_EQ(*f.within1Sigma, 13.0 / 20.0);
    EXPECT_TRUE(passes("within1sigma>=65%", f));
    EXPECT_FALSE(passes("within1sigma>65%", f));
    // No alert limit: the integrity figures do not exist, so they fail.
    EXPECT_FALSE(f.hazardouslyMisleading.has_value());
    EXPECT_FALSE(passes("hmi<=0", f));
    EXPECT_FALSE(passes("mi-rate<=100%", f));

    // A log without sigmas keeps no figures beside its records.
    LogFigures none;
    addHonestyFigures(none, epochs.records, {}, kTruth, IntegrityOptions{});
    EXPECT_FALSE(none.within1Sigma.has_value());
    EXPECT_FALSE(passes("within1sigma>=0%", none));
}

TEST(HonestyRequirements, IntegrityCountsHazardsAndBoundsTheMisleadingRate)
{
    // 5-sigma levels of sigma 0.1 m (0.5 m) against a 1 m horizontal
    // limit: 97 nominal epochs, one misleading, two hazardous; no vertical
    // limit, so vertical is not assessed.
    EpochsWithAccuracy epochs;
    const auto add = [&](double dx) {
        epochs.add(withSigmas(epoch(FixType::RtkFixed, dx, 0, 0), 0.1, 0.1, 0.1));
    };
    for (int i = 0; i < 97; ++i) {
        add(i % 2 == 0 ? 0.1 : 0.2);  // alternating: no autocorrelation to shrink n
    }
    add(0.75);
    add(1.5);
    add(2.0);
    IntegrityOptions o;
    o.horizontalAlertLimit = 1;
    o.k = 5;
    LogFigures f;
    addHonestyFigures(f, epochs.records, epochs.accuracy, kTruth, o);
    ASSERT_TRUE(f.hazardouslyMisleading.has_value());
    EXPECT_EQ(*f.hazardouslyMisleading, 2.0);
    EXPECT_FALSE(passes("hmi<=0", f));
    EXPECT_TRUE(passes("hmi<=2", f));
    // Three misleading epochs (hazardous ones included) of 100 at most.
    const Integrity in = computeIntegrity(epochs.records, epochs.accuracy, kTruth, o);
    const double n = in.horizontal.effectiveEpochs;
    ASSERT_GT(n, 0);
    EXPECT_LE(n, 100);
    const double expected = clopperPearsonUpper95(std::round(3 * n / 100), n);
    ASSERT_TRUE(f.misleadingRate95.has_value());
    EXPECT_DOUBLE_EQ(*f.misleadingRate95, expected);
    EXPECT_GT(*f.misleadingRate95, 0.03);  // above the observed share: an upper bound
    EXPECT_FALSE(passes("mi-rate<=1e-3", f));
    EXPECT_TRUE(passes("mi-rate<=50%", f));
}

TEST(HonestyRequirements, GrammarAndTruth)
{
    const RequirementList list = parseRequirements("within1sigma>=60%,hmi<=0,mi-rate<=1e-3");
    ASSERT_TRUE(list.error.empty()) << list.error;
    ASSERT_EQ(list.requirements.size(), 3u);
    EXPECT_EQ(list.requirements[0].figure, Figure::Within1Sigma);
    EXPECT_DOUBLE_EQ(list.requirements[0].limit, 0.6);
    EXPECT_EQ(list.requirements[1].figure, Figure::HazardouslyMisleading);
    EXPECT_EQ(list.requirements[2].figure, Figure::MisleadingRate);
    EXPECT_DOUBLE_EQ(list.requirements[2].limit, 1e-3);
    EXPECT_STREQ(figureName(Figure::MisleadingRate), "mi-rate");

    // Shares above 100 % and distances on counts are refused, naming the term.
    for (const char* wrong : {"within1sigma>=150%", "mi-rate<=2", "hmi<=3m"}) {
        const RequirementList refused = parseRequirements(wrong);
        EXPECT_FALSE(refused.error.empty()) << wrong;
        EXPECT_NE(refused.error.find(wrong), std::string::npos) << refused.error;
    }
    // Errors over sigmas mean nothing without a truth.
    LogFigures f;
    f.within1Sigma = 1.0;
    const Verdict v = checkRequirement(list.requirements[0], f, false);
    EXPECT_TRUE(v.undecided);
    EXPECT_FALSE(v.pass);
}

}  // namespace
}  // namespace gnsslog
