// The statistics all in one pass on a log large enough for the second
// thread and for the bucket search, against plain references: sorted
// errors per class and for all epochs, counted within shares, and the
// separate entry points.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "log/Gpslog.h"
#include "metrics/Statistics.h"

namespace gnsslog {
namespace {

constexpr double kTruthX = 6677407.0;
constexpr double kTruthY = 2550153.0;
constexpr double kTruthZ = 45.0;

// 200 000 epochs of every class, mixed flags, corrupt coordinates, fix
// losses and a few backward and non-finite time steps.
std::vector<GNSSRecord> mixedRecords()
{
    std::mt19937_64 rng(3);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::uniform_int_distribution<int> pick(0, 999);
    const std::uint8_t types[] = {FixType::RtkFixed, FixType::RtkFixed, FixType::RtkFixed,
                                  FixType::RtkFloat, FixType::RtkX,     FixType::StandAlone,
                                  FixType::NoPosition};
    std::vector<GNSSRecord> records(200000);
    double time = 1000.0;
    std::uint8_t type = FixType::RtkFixed;
    for (std::size_t i = 0; i < records.size(); ++i) {
        GNSSRecord& r = records[i];
        if (pick(rng) < 20) {
            type = types[static_cast<std::size_t>(pick(rng)) % std::size(types)];
        }
        const int p = pick(rng);
        time += p == 0 ? -0.5 : p == 1 ? 40.0 : 0.1;
        r.time = p == 2 ? std::numeric_limits<double>::quiet_NaN() : time;
        r.fixType = type;
        const double sigma = type == FixType::RtkFixed ? 0.01 : type == FixType::RtkX ? 0.05 : 0.5;
        r.validFlags = ValidFlag::ErrorEstimate;
        r.validFlags |= pick(rng) < 950 ? ValidFlag::Grid : 0;
        r.validFlags |= pick(rng) < 900 ? ValidFlag::Height : 0;
        r.localX = kTruthX + sigma * noise(rng);
        r.localY = kTruthY + sigma * noise(rng);
        r.height = kTruthZ + sigma * noise(rng);
        r.errorEstimate = 2.0 * sigma;
        if (p == 3) {
            r.localX = std::numeric_limits<double>::infinity();
        } else if (p == 4) {
            r.height = std::numeric_limits<double>::quiet_NaN();
        } else if (p == 5) {
            r.localX = kTruthX;
            r.localY = kTruthY;
            r.height = kTruthZ;
        }
        r.valid = 1;
    }
    return records;
}

struct Reference {
    std::vector<double> horizontal;
    std::vector<double> vertical;
};

TEST(Statistics, PercentilesAndWithinMatchSortedErrorsPerClassAndForAll)
{
    const std::vector<GNSSRecord> records = mixedRecords();
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    // Unsorted, with limits below, at and above every error: -0 takes the
    // exact zeros as 0 does, NaN takes none.
    const std::vector<double> thresholds{0.02, -1.0, -0.0, 0.0, 0.01, 0.1, 1.0, inf, nan};
    const Statistics s = computeStatistics(records, kTruthX, kTruthY, kTruthZ, thresholds, 0.1);

    std::vector<Reference> ref(kSolutionClassCount);
    for (const GNSSRecord& r : records) {
        const double dx = r.localX - kTruthX;
        const double dy = r.localY - kTruthY;
        const double dz = r.height - kTruthZ;
        const std::size_t c = static_cast<std::size_t>(solutionClassOf(r.fixType));
        for (std::size_t k : {c, static_cast<std::size_t>(SolutionClass::All)}) {
            if (r.has(ValidFlag::Grid) && std::isfinite(dx) && std::isfinite(dy)) {
                ref[k].horizontal.push_back(std::sqrt(dx * dx + dy * dy));
            }
            if (r.has(ValidFlag::Height) && std::isfinite(dz)) {
                ref[k].vertical.push_back(std::fabs(dz));
            }
        }
    }
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        const ClassAccuracy& out = s.accuracy.classes[c];
        const char* name = solutionClassKey(static_cast<SolutionClass>(c));
        std::vector<double>& h = ref[c].horizontal;
        std::vector<double>& v = ref[c].vertical;
        ASSERT_GT(h.size(), 4096u) << name << ": too few to reach the bucket search";
        ASSERT_EQ(out.horizontalCount, static_cast<std::int64_t>(h.size())) << name;
        ASSERT_EQ(out.verticalCount, static_cast<std::int64_t>(v.size())) << name;
        std::sort(h.begin(), h.end());
        std::sort(v.begin(), v.end());
        for (std::size_t i = 0; i < kReportedPercentiles.size(); ++i) {
            const int p = kReportedPercentiles[i];
            EXPECT_EQ(out.horizontalPercentiles[i], h[nearestRankIndex(h.size(), p)])
                << name << " p" << p;
            EXPECT_EQ(out.verticalPercentiles[i], v[nearestRankIndex(v.size(), p)])
                << name << " p" << p;
        }
        EXPECT_EQ(out.horizontalWithin.back(), 0.0) << name << ": NaN limit";
        EXPECT_EQ(out.verticalWithin.back(), 0.0) << name << ": NaN limit";
        for (std::size_t t = 0; t + 1 < thresholds.size(); ++t) {
            const auto vWithin = std::upper_bound(v.begin(), v.end(), thresholds[t]) - v.begin();
            EXPECT_EQ(out.verticalWithin[t],
                      static_cast<double>(vWithin) / static_cast<double>(v.size()))
                << name << " within " << thresholds[t];
            const auto hWithin = std::upper_bound(h.begin(), h.end(), thresholds[t]) - h.begin();
            EXPECT_EQ(out.horizontalWithin[t],
                      static_cast<double>(hWithin) / static_cast<double>(h.size()))
                << name << " within " << thresholds[t];
        }
        EXPECT_GT(out.horizontalWithin[2], 0.0) << name << ": exact zeros within -0";
        EXPECT_EQ(out.horizontalWithin[7], 1.0) << name;
    }
}

TEST(Statistics, OnePassGivesWhatEachStatisticGivesAlone)
{
    const std::vector<GNSSRecord> records = mixedRecords();
    const std::vector<double> thresholds{0.01, 0.05};
    const Statistics s = computeStatistics(records, kTruthX, kTruthY, kTruthZ, thresholds, 0.05);
    const AccuracyStats a = computeAccuracyStats(records, kTruthX, kTruthY, kTruthZ, thresholds);
    const FixContinuity fc = computeFixContinuity(records);
    const WrongFixes wf = findWrongFixes(records, kTruthX, kTruthY, kTruthZ, 0.05);

    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        const ClassAccuracy& x = s.accuracy.classes[c];
        const ClassAccuracy& y = a.classes[c];
        EXPECT_EQ(x.epochs, y.epochs);
        EXPECT_EQ(x.x.mean, y.x.mean);
        EXPECT_EQ(x.z.stdDev, y.z.stdDev);
        EXPECT_EQ(x.threeD.rms, y.threeD.rms);
        EXPECT_EQ(x.horizontalPercentiles, y.horizontalPercentiles);
        EXPECT_EQ(x.verticalWithin, y.verticalWithin);
        EXPECT_EQ(x.twoDrms, y.twoDrms);
        EXPECT_EQ(x.estimateWithin, y.estimateWithin);
    }
    EXPECT_EQ(s.continuity.losses.size(), fc.losses.size());
    EXPECT_EQ(s.continuity.availability, fc.availability);
    EXPECT_EQ(s.continuity.nominalInterval, fc.nominalInterval);
    EXPECT_EQ(s.continuity.refixMedian, fc.refixMedian);
    EXPECT_EQ(s.wrongFixes.wrongEpochs, wf.wrongEpochs);
    EXPECT_EQ(s.wrongFixes.spans.size(), wf.spans.size());
    EXPECT_GT(s.wrongFixes.wrongEpochs, 0u);
    EXPECT_GT(s.continuity.losses.size(), 100u);

    // A part not asked for stays default.
    const Statistics only = computeStatistics(records, kTruthX, kTruthY, kTruthZ, thresholds,
                                              0.05, StatisticsPart::WrongFixes);
    EXPECT_EQ(only.accuracy.classes[0].epochs, 0);
    EXPECT_EQ(only.continuity.epochCount, 0u);
    EXPECT_EQ(only.wrongFixes.wrongEpochs, wf.wrongEpochs);
}

TEST(Statistics, InfiniteFixedErrorIsWrongButTakesNoPartInAccuracy)
{
    std::vector<GNSSRecord> records(3);
    for (GNSSRecord& r : records) {
        r.fixType = FixType::RtkFixed;
        r.validFlags = ValidFlag::Grid | ValidFlag::Height;
        r.localX = kTruthX;
        r.localY = kTruthY;
        r.height = kTruthZ;
    }
    records[1].localY = std::numeric_limits<double>::infinity();
    const Statistics s = computeStatistics(records, kTruthX, kTruthY, kTruthZ, {}, 0.1);
    EXPECT_EQ(s.wrongFixes.wrongEpochs, 1u);
    ASSERT_EQ(s.wrongFixes.spans.size(), 1u);
    EXPECT_EQ(s.wrongFixes.spans[0].maxHorizontal, std::numeric_limits<double>::infinity());
    EXPECT_EQ(s.accuracy.of(SolutionClass::RtkFixed).horizontalCount, 2);
    EXPECT_EQ(s.accuracy.of(SolutionClass::RtkFixed).verticalCount, 3);
}

}  // namespace
}  // namespace gnsslog
