#include "stats/AccuracyStats.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "log/Gpslog.h"

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

namespace {

// Sums shifted by the first sample: with errors that all share a large
// offset (a wrong truth, grid coordinates near 7e6 m) the plain
// sum-of-squares formula would cancel away every digit of the variance.
struct Moments {
    std::int64_t count = 0;
    double shift = 0;
    double sum = 0;      // of (e - shift)
    double sumSq = 0;    // of (e - shift)^2
    double sumRaw2 = 0;  // of e^2, for the RMS about zero
    double min = 0;
    double max = 0;

    void add(double e) noexcept
    {
        if (count == 0) {
            shift = e;
            min = e;
            max = e;
        }
        ++count;
        const double d = e - shift;
        sum += d;
        sumSq += d * d;
        sumRaw2 += e * e;
        min = std::min(min, e);
        max = std::max(max, e);
    }

    // Adds another set's sums, moved to this set's shift c:
    //   sum(e - c)   = sum(e - k) + n (k - c)
    //   sum(e - c)^2 = sum(e - k)^2 + 2 (k - c) sum(e - k) + n (k - c)^2
    void merge(const Moments& other) noexcept
    {
        if (other.count == 0) {
            return;
        }
        if (count == 0) {
            *this = other;
            return;
        }
        const double delta = other.shift - shift;
        const double n = static_cast<double>(other.count);
        sum += other.sum + n * delta;
        sumSq += other.sumSq + 2.0 * delta * other.sum + n * delta * delta;
        sumRaw2 += other.sumRaw2;
        count += other.count;
        min = std::min(min, other.min);
        max = std::max(max, other.max);
    }

    AxisStats result() const noexcept
    {
        AxisStats s;
        s.count = count;
        if (count == 0) {
            return s;
        }
        const double n = static_cast<double>(count);
        const double meanShifted = sum / n;
        s.mean = shift + meanShifted;
        s.stdDev = std::sqrt(std::max(0.0, sumSq / n - meanShifted * meanShifted));
        s.rms = std::sqrt(sumRaw2 / n);
        s.min = min;
        s.max = max;
        return s;
    }
};

// Working sums of one class. The all-epochs class is merged from the four
// others afterwards, so the loop touches one class per record.
struct ClassWork {
    std::int64_t epochs = 0;
    Moments x, y, z, threeD;
    double sumH2 = 0;  // of dx^2 + dy^2, for 2DRMS
    std::vector<double> horizontal;
    std::vector<double> vertical;
    std::vector<std::int64_t> horizontalWithin;
    std::vector<std::int64_t> verticalWithin;
    std::int64_t estimateCount = 0;
    std::array<std::int64_t, 3> estimateWithin{};

    void merge(const ClassWork& other)
    {
        epochs += other.epochs;
        x.merge(other.x);
        y.merge(other.y);
        z.merge(other.z);
        threeD.merge(other.threeD);
        sumH2 += other.sumH2;
        for (std::size_t t = 0; t < horizontalWithin.size(); ++t) {
            horizontalWithin[t] += other.horizontalWithin[t];
            verticalWithin[t] += other.verticalWithin[t];
        }
        estimateCount += other.estimateCount;
        for (std::size_t k = 0; k < 3; ++k) {
            estimateWithin[k] += other.estimateWithin[k];
        }
    }
};

double share(std::int64_t part, std::int64_t whole) noexcept
{
    return whole > 0 ? static_cast<double>(part) / static_cast<double>(whole) : 0.0;
}

void countWithin(std::vector<std::int64_t>& counts, std::span<const double> thresholds, double e)
{
    for (std::size_t t = 0; t < thresholds.size(); ++t) {
        counts[t] += e <= thresholds[t] ? 1 : 0;
    }
}

}  // namespace

AccuracyStats computeAccuracyStats(std::span<const GNSSRecord> records, double tx, double ty,
                                   double tz, std::span<const double> thresholds)
{
    AccuracyStats stats;
    stats.thresholds.assign(thresholds.begin(), thresholds.end());
    const std::size_t nThresholds = thresholds.size();
    constexpr std::size_t allIndex = static_cast<std::size_t>(SolutionClass::All);

    std::array<ClassWork, kSolutionClassCount> work;
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        work[c].horizontalWithin.assign(nThresholds, 0);
        work[c].verticalWithin.assign(nThresholds, 0);
        if (c != allIndex) {
            // Address space only: pages are touched as errors arrive, and
            // no vector ever moves its contents while growing.
            work[c].horizontal.reserve(records.size());
            work[c].vertical.reserve(records.size());
        }
    }

    for (const GNSSRecord& r : records) {
        ClassWork& w = work[static_cast<std::size_t>(solutionClassOf(r.fixType))];
        ++w.epochs;
        const double dx = r.localX - tx;
        const double dy = r.localY - ty;
        const double dz = r.height - tz;
        const bool haveXY = r.has(ValidFlag::Grid) && std::isfinite(dx) && std::isfinite(dy);
        const bool haveZ = r.has(ValidFlag::Height) && std::isfinite(dz);
        if (haveXY) {
            w.x.add(dx);
            w.y.add(dy);
            const double h2 = dx * dx + dy * dy;
            const double horizontal = std::sqrt(h2);
            // Finite dx and dy can still square beyond the double range.
            if (std::isfinite(horizontal)) {
                w.sumH2 += h2;
                w.horizontal.push_back(horizontal);
                countWithin(w.horizontalWithin, thresholds, horizontal);
            }
        }
        if (haveZ) {
            const double vertical = std::fabs(dz);
            w.z.add(dz);
            w.vertical.push_back(vertical);
            countWithin(w.verticalWithin, thresholds, vertical);
        }
        if (!(haveXY && haveZ)) {
            continue;
        }
        // Summed in the analysis' order, so the 3-D error is bit for bit
        // the one its histograms hold.
        const double sum = dz * dz + dx * dx + dy * dy;
        const double threeD = sum == 0 ? 0.0 : std::sqrt(sum);
        if (!std::isfinite(threeD)) {
            continue;
        }
        w.threeD.add(threeD);
        if (r.has(ValidFlag::ErrorEstimate) && std::isfinite(r.errorEstimate)) {
            ++w.estimateCount;
            for (std::size_t k = 0; k < 3; ++k) {
                w.estimateWithin[k] += threeD <= static_cast<double>(k + 1) * r.errorEstimate ? 1 : 0;
            }
        }
    }

    ClassWork& all = work[allIndex];
    std::vector<std::span<const double>> allHorizontal;
    std::vector<std::span<const double>> allVertical;
    for (std::size_t c = 0; c < allIndex; ++c) {
        all.merge(work[c]);
        allHorizontal.emplace_back(work[c].horizontal);
        allVertical.emplace_back(work[c].vertical);
    }

    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        const ClassWork& w = work[c];
        ClassAccuracy& out = stats.classes[c];
        out.epochs = w.epochs;
        out.x = w.x.result();
        out.y = w.y.result();
        out.z = w.z.result();
        out.threeD = w.threeD.result();

        const std::span<const std::span<const double>> horizontal =
            c == allIndex ? std::span<const std::span<const double>>(allHorizontal)
                          : std::span<const std::span<const double>>(&allHorizontal[c], 1);
        const std::span<const std::span<const double>> vertical =
            c == allIndex ? std::span<const std::span<const double>>(allVertical)
                          : std::span<const std::span<const double>>(&allVertical[c], 1);
        std::int64_t nh = 0;
        for (auto part : horizontal) {
            nh += static_cast<std::int64_t>(part.size());
        }
        std::int64_t nv = 0;
        for (auto part : vertical) {
            nv += static_cast<std::int64_t>(part.size());
        }
        out.horizontalCount = nh;
        out.verticalCount = nv;
        if (nh > 0) {
            nearestRankPercentiles(horizontal, kReportedPercentiles, out.horizontalPercentiles);
            out.twoDrms = 2.0 * std::sqrt(w.sumH2 / static_cast<double>(nh));
        }
        if (nv > 0) {
            nearestRankPercentiles(vertical, kReportedPercentiles, out.verticalPercentiles);
        }
        out.horizontalWithin.resize(nThresholds);
        out.verticalWithin.resize(nThresholds);
        for (std::size_t t = 0; t < nThresholds; ++t) {
            out.horizontalWithin[t] = share(w.horizontalWithin[t], nh);
            out.verticalWithin[t] = share(w.verticalWithin[t], nv);
        }
        out.estimateCount = w.estimateCount;
        for (std::size_t k = 0; k < 3; ++k) {
            out.estimateWithin[k] = share(w.estimateWithin[k], w.estimateCount);
        }
    }
    return stats;
}

AccuracyStats computeAccuracyStats(const GNSSLog& log, std::span<const double> thresholds)
{
    return computeAccuracyStats(log.records, log.truthX(), log.truthY(), log.truthZ(), thresholds);
}

}  // namespace gnsslog
