// The statistics all in one pass on a log large enough for the second
// thread and for the bucket search, against plain references: sorted
// errors per class and for all epochs, counted within shares, moments,
// fix losses, availability and wrong fixes from plain loops.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <tuple>
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

// Fix losses, re-fix times, availability and wrong fixes the plain way,
// straight from their definitions.
struct DirectContinuity {
    std::vector<std::size_t> lossIndex;
    std::vector<double> refix;  // regained losses, NaN left out
    std::size_t fixed = 0;
    double nominal = 0;
    double covered = 0;
    double fixedSeconds = 0;
};

DirectContinuity directContinuity(const std::vector<GNSSRecord>& records)
{
    DirectContinuity d;
    const auto isFixed = [&](std::size_t i) { return records[i].fixType == FixType::RtkFixed; };
    for (std::size_t i = 0; i < records.size(); ++i) {
        d.fixed += isFixed(i) ? 1 : 0;
        if (i > 0 && isFixed(i - 1) && !isFixed(i)) {
            d.lossIndex.push_back(i);
            std::size_t next = i;
            while (next < records.size() && !isFixed(next)) {
                ++next;
            }
            const double duration =
                next < records.size() ? records[next].time - records[i].time : std::nan("");
            if (!std::isnan(duration)) {
                d.refix.push_back(duration);
            }
        }
    }
    std::vector<double> positive;
    for (std::size_t i = 0; i + 1 < records.size(); ++i) {
        const double step = records[i + 1].time - records[i].time;
        if (step > 0 && std::isfinite(step)) {
            positive.push_back(step);
        }
    }
    std::sort(positive.begin(), positive.end());
    d.nominal = positive[nearestRankIndex(positive.size(), 50)];
    for (std::size_t i = 0; i < records.size(); ++i) {
        double weight = d.nominal;
        if (i + 1 < records.size()) {
            const double step = records[i + 1].time - records[i].time;
            weight = !(step > 0) || !std::isfinite(step) ? 0.0
                     : step > 2 * d.nominal             ? d.nominal
                                                        : step;
        }
        d.covered += weight;
        d.fixedSeconds += isFixed(i) ? weight : 0.0;
    }
    return d;
}

struct DirectWrongFixes {
    std::size_t judged = 0;
    std::vector<std::size_t> wrong;       // record indices
    std::vector<std::size_t> spanStarts;  // record indices
};

DirectWrongFixes directWrongFixes(const std::vector<GNSSRecord>& records, double threshold)
{
    DirectWrongFixes d;
    bool previousWrong = false;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const GNSSRecord& r = records[i];
        const double dx = r.localX - kTruthX;
        const double dy = r.localY - kTruthY;
        const double dz = r.height - kTruthZ;
        const bool grid = r.has(ValidFlag::Grid);
        const bool height = r.has(ValidFlag::Height);
        bool wrong = false;
        if (r.fixType == FixType::RtkFixed && (grid || height)) {
            ++d.judged;
            wrong = (grid && std::sqrt(dx * dx + dy * dy) > threshold) ||
                    (height && std::fabs(dz) > threshold);
        }
        if (wrong) {
            d.wrong.push_back(i);
            if (!previousWrong) {
                d.spanStarts.push_back(i);
            }
        }
        previousWrong = wrong;
    }
    return d;
}

TEST(Statistics, ContinuityAndWrongFixesMatchPlainLoops)
{
    const std::vector<GNSSRecord> records = mixedRecords();
    const Statistics s = computeStatistics(records, kTruthX, kTruthY, kTruthZ, {}, 0.05);
    const DirectContinuity dc = directContinuity(records);
    const FixContinuity& fc = s.continuity;
    ASSERT_GT(dc.lossIndex.size(), 100u);
    ASSERT_EQ(fc.losses.size(), dc.lossIndex.size());
    for (std::size_t i = 0; i < dc.lossIndex.size(); ++i) {
        EXPECT_EQ(fc.losses[i].recordIndex, dc.lossIndex[i]) << "loss " << i;
    }
    EXPECT_EQ(fc.epochCount, records.size());
    EXPECT_EQ(fc.fixedEpochCount, dc.fixed);
    std::vector<double> refix = dc.refix;
    std::sort(refix.begin(), refix.end());
    ASSERT_EQ(fc.refixCount, refix.size());
    EXPECT_EQ(fc.refixMedian, refix[nearestRankIndex(refix.size(), 50)]);
    EXPECT_EQ(fc.refix95, refix[nearestRankIndex(refix.size(), 95)]);
    EXPECT_EQ(fc.refixMax, refix.back());
    EXPECT_EQ(fc.nominalInterval, dc.nominal);
    EXPECT_DOUBLE_EQ(fc.coveredSeconds, dc.covered);
    EXPECT_DOUBLE_EQ(fc.fixedSeconds, dc.fixedSeconds);
    EXPECT_DOUBLE_EQ(fc.availability, dc.fixedSeconds / dc.covered);

    const DirectWrongFixes dw = directWrongFixes(records, 0.05);
    const WrongFixes& wf = s.wrongFixes;
    ASSERT_GT(dw.wrong.size(), 0u);
    EXPECT_EQ(wf.fixedEpochs, dw.judged);
    EXPECT_EQ(wf.wrongEpochs, dw.wrong.size());
    EXPECT_EQ(wf.share, static_cast<double>(dw.wrong.size()) / static_cast<double>(dw.judged));
    ASSERT_EQ(wf.spans.size(), dw.spanStarts.size());
    std::size_t epochs = 0;
    for (std::size_t i = 0; i < dw.spanStarts.size(); ++i) {
        EXPECT_EQ(wf.spans[i].firstIndex, dw.spanStarts[i]) << "span " << i;
        epochs += wf.spans[i].epochCount;
    }
    EXPECT_EQ(epochs, dw.wrong.size());
}

TEST(Statistics, MomentsTwoDrmsAndEstimateSharesMatchPlainLoopsPerClassAndForAll)
{
    const std::vector<GNSSRecord> records = mixedRecords();
    const Statistics s = computeStatistics(records, kTruthX, kTruthY, kTruthZ, {}, 0.05);
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        const auto cls = static_cast<SolutionClass>(c);
        const char* name = solutionClassKey(cls);
        std::int64_t epochs = 0;
        std::vector<double> x;
        std::vector<double> z;
        double sumH2 = 0;
        std::int64_t horizontal = 0;
        std::int64_t estimates = 0;
        std::array<std::int64_t, 3> within{};
        for (const GNSSRecord& r : records) {
            if (cls != SolutionClass::All && solutionClassOf(r.fixType) != cls) {
                continue;
            }
            ++epochs;
            const double dx = r.localX - kTruthX;
            const double dy = r.localY - kTruthY;
            const double dz = r.height - kTruthZ;
            const bool xy = r.has(ValidFlag::Grid) && std::isfinite(dx) && std::isfinite(dy);
            const bool hasZ = r.has(ValidFlag::Height) && std::isfinite(dz);
            if (xy) {
                x.push_back(dx);
                sumH2 += dx * dx + dy * dy;
                ++horizontal;
            }
            if (hasZ) {
                z.push_back(dz);
            }
            if (xy && hasZ && r.has(ValidFlag::ErrorEstimate)) {
                ++estimates;
                const double threeD = std::sqrt(dz * dz + dx * dx + dy * dy);
                for (std::size_t k = 0; k < 3; ++k) {
                    within[k] += threeD <= static_cast<double>(k + 1) * r.errorEstimate ? 1 : 0;
                }
            }
        }
        const ClassAccuracy& out = s.accuracy.of(cls);
        EXPECT_EQ(out.epochs, epochs) << name;
        for (const auto& [got, errors, axis] :
             {std::tuple{out.x, x, "x"}, std::tuple{out.z, z, "z"}}) {
            ASSERT_EQ(got.count, static_cast<std::int64_t>(errors.size())) << name << ' ' << axis;
            const double n = static_cast<double>(errors.size());
            const double mean = std::accumulate(errors.begin(), errors.end(), 0.0) / n;
            double deviations = 0;
            double squares = 0;
            for (double e : errors) {
                deviations += (e - mean) * (e - mean);
                squares += e * e;
            }
            // Tolerance 1e-12 m: errors of at most a few metres.
            EXPECT_NEAR(got.mean, mean, 1e-12) << name << ' ' << axis;
            EXPECT_NEAR(got.stdDev, std::sqrt(deviations / n), 1e-12) << name << ' ' << axis;
            EXPECT_NEAR(got.rms, std::sqrt(squares / n), 1e-12) << name << ' ' << axis;
        }
        EXPECT_NEAR(out.twoDrms, 2.0 * std::sqrt(sumH2 / static_cast<double>(horizontal)), 1e-12)
            << name;
        ASSERT_GT(estimates, 0) << name;
        EXPECT_EQ(out.estimateCount, estimates) << name;
        for (std::size_t k = 0; k < 3; ++k) {
            EXPECT_EQ(out.estimateWithin[k],
                      static_cast<double>(within[k]) / static_cast<double>(estimates))
                << name << ' ' << k + 1 << 'x';
        }
    }
}

TEST(Statistics, APartNotAskedForStaysDefault)
{
    const std::vector<GNSSRecord> records = mixedRecords();
    const std::vector<double> thresholds{0.01, 0.05};
    const Statistics only = computeStatistics(records, kTruthX, kTruthY, kTruthZ, thresholds,
                                              0.05, StatisticsPart::WrongFixes);
    EXPECT_EQ(only.accuracy.classes[0].epochs, 0);
    EXPECT_TRUE(only.accuracy.thresholds.empty());
    EXPECT_EQ(only.continuity.epochCount, 0u);
    EXPECT_TRUE(only.continuity.losses.empty());
    EXPECT_EQ(only.wrongFixes.wrongEpochs, directWrongFixes(records, 0.05).wrong.size());

    const Statistics accuracy = computeStatistics(records, kTruthX, kTruthY, kTruthZ, thresholds,
                                                  0.05, StatisticsPart::Accuracy);
    EXPECT_EQ(accuracy.accuracy.of(SolutionClass::All).epochs,
              static_cast<std::int64_t>(records.size()));
    EXPECT_EQ(accuracy.wrongFixes.fixedEpochs, 0u);
    EXPECT_TRUE(accuracy.wrongFixes.spans.empty());
    EXPECT_EQ(accuracy.continuity.epochCount, 0u);
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
