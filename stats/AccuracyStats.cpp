#include "stats/AccuracyStats.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "log/Gpslog.h"
#include "stats/Statistics.h"

namespace gnsslog {

SolutionClass solutionClassOf(std::uint8_t fixType) noexcept
{
    switch (fixType) {
    case FixType::RtkFixed: return SolutionClass::RtkFixed;
    case FixType::RtkFloat: return SolutionClass::RtkFloat;
    case FixType::RtkX: return SolutionClass::RtkX;
    default: return SolutionClass::Other;
    }
}

const char* solutionClassKey(SolutionClass c) noexcept
{
    switch (c) {
    case SolutionClass::RtkFixed: return "rtkFixed";
    case SolutionClass::RtkFloat: return "rtkFloat";
    case SolutionClass::RtkX: return "rtkX";
    case SolutionClass::Other: return "other";
    case SolutionClass::All: return "all";
    }
    return "";
}

const char* solutionClassLabel(SolutionClass c) noexcept
{
    switch (c) {
    case SolutionClass::RtkFixed: return "RTK fixed";
    case SolutionClass::RtkFloat: return "RTK float";
    case SolutionClass::RtkX: return "RTK-X";
    case SolutionClass::Other: return "single/other";
    case SolutionClass::All: return "all";
    }
    return "";
}

std::size_t nearestRankIndex(std::size_t n, int percent) noexcept
{
    // ceil(p * n / 100) in integers: 0.68 * 25 is 17.000000000000004 in
    // doubles, which would round rank 17 up to 18.
    const auto p = static_cast<std::uint64_t>(std::clamp(percent, 1, 100));
    const std::uint64_t rank = (p * static_cast<std::uint64_t>(n) + 99) / 100;
    return rank == 0 ? 0 : static_cast<std::size_t>(rank - 1);
}

namespace {

// Unsigned key with the order of the doubles (NaN excluded): flip every
// bit of a negative value, only the sign bit of a positive one.
std::uint64_t orderKey(double value) noexcept
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
}

constexpr int kBucketBits = 16;
constexpr std::size_t kBucketCount = std::size_t{1} << kBucketBits;
// Below this many candidates a plain selection is cheaper than a histogram.
constexpr std::size_t kDirectSelection = 4096;

// Selects the given 0-based ranks (ascending) of values in place, each
// search looking only above the previous rank, and writes them to out.
void selectAscending(std::vector<double>& values, std::span<const std::size_t> ranks,
                     std::span<double> out)
{
    auto first = values.begin();
    for (std::size_t i = 0; i < ranks.size(); ++i) {
        const auto nth = values.begin() + static_cast<std::ptrdiff_t>(ranks[i]);
        std::nth_element(first, nth, values.end());
        first = nth;
        out[i] = *nth;
    }
}

}  // namespace

void nearestRankPercentiles(std::span<const std::span<const double>> parts,
                            std::span<const int> percents, std::span<double> out)
{
    std::size_t n = 0;
    for (std::span<const double> part : parts) {
        n += part.size();
    }
    const std::size_t wanted = std::min(percents.size(), out.size());
    if (n == 0 || wanted == 0) {
        return;
    }
    constexpr int topShift = 64 - kBucketBits;
    if (n <= kDirectSelection) {
        std::vector<double> all;
        all.reserve(n);
        for (std::span<const double> part : parts) {
            all.insert(all.end(), part.begin(), part.end());
        }
        std::sort(all.begin(), all.end());
        for (std::size_t i = 0; i < wanted; ++i) {
            out[i] = all[nearestRankIndex(n, percents[i])];
        }
        return;
    }

    // Pass 1: how many values fall in each top-bits bucket.
    std::vector<std::size_t> counts(kBucketCount, 0);
    for (std::span<const double> part : parts) {
        for (double v : part) {
            ++counts[orderKey(v) >> topShift];
        }
    }
    // The bucket of each rank and the rank within it.
    std::vector<std::size_t> bucketOf(wanted);
    std::vector<std::size_t> rankIn(wanted);
    std::vector<std::uint32_t> slotOf(kBucketCount, 0);  // 0: not wanted, else slot + 1
    std::vector<std::size_t> slotBuckets;
    for (std::size_t i = 0; i < wanted; ++i) {
        std::size_t k = nearestRankIndex(n, percents[i]);
        std::size_t bucket = 0;
        while (k >= counts[bucket]) {
            k -= counts[bucket];
            ++bucket;
        }
        bucketOf[i] = bucket;
        rankIn[i] = k;
        if (slotOf[bucket] == 0) {
            slotBuckets.push_back(bucket);
            slotOf[bucket] = static_cast<std::uint32_t>(slotBuckets.size());
        }
    }
    // Pass 2: gather the values of the wanted buckets only.
    std::vector<std::vector<double>> slots(slotBuckets.size());
    for (std::size_t s = 0; s < slots.size(); ++s) {
        slots[s].reserve(counts[slotBuckets[s]]);
    }
    for (std::span<const double> part : parts) {
        for (double v : part) {
            const std::uint32_t slot = slotOf[orderKey(v) >> topShift];
            if (slot != 0) {
                slots[slot - 1].push_back(v);
            }
        }
    }
    // Each bucket once, however many ranks fall in it: values that crowd
    // into one bucket (timestamps' intervals, say) cost one selection.
    for (std::size_t s = 0; s < slots.size(); ++s) {
        std::vector<std::pair<std::size_t, std::size_t>> wantedHere;  // (rank in bucket, output)
        for (std::size_t i = 0; i < wanted; ++i) {
            if (bucketOf[i] == slotBuckets[s]) {
                wantedHere.emplace_back(rankIn[i], i);
            }
        }
        std::sort(wantedHere.begin(), wantedHere.end());
        std::vector<std::size_t> ranks;
        for (const auto& entry : wantedHere) {
            ranks.push_back(entry.first);
        }
        std::vector<double> selected(ranks.size());
        selectAscending(slots[s], ranks, selected);
        for (std::size_t j = 0; j < wantedHere.size(); ++j) {
            out[wantedHere[j].second] = selected[j];
        }
    }
}

void nearestRankPercentiles(std::span<const double> values, std::span<const int> percents,
                            std::span<double> out)
{
    const std::span<const double> parts[] = {values};
    nearestRankPercentiles(parts, percents, out);
}

AccuracyStats computeAccuracyStats(std::span<const GNSSRecord> records, double tx, double ty,
                                   double tz, std::span<const double> thresholds)
{
    return computeStatistics(records, tx, ty, tz, thresholds, 0.0, StatisticsPart::Accuracy)
        .accuracy;
}

AccuracyStats computeAccuracyStats(const GNSSLog& log, std::span<const double> thresholds)
{
    return computeAccuracyStats(log.records, log.truthX(), log.truthY(), log.truthZ(), thresholds);
}

}  // namespace gnsslog
