#include "stats/Statistics.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <system_error>
#include <thread>
#include <utility>

#include "log/Gpslog.h"

namespace gnsslog {

namespace {

constexpr std::size_t kRecordClasses = kSolutionClassCount - 1;  // without All
constexpr std::size_t kAllIndex = static_cast<std::size_t>(SolutionClass::All);

// solutionClassOf as a table: the record loop indexes instead of branching.
constexpr std::array<std::uint8_t, 256> kClassOfFixType = [] {
    std::array<std::uint8_t, 256> table{};
    for (std::size_t t = 0; t < table.size(); ++t) {
        table[t] = static_cast<std::uint8_t>(SolutionClass::Other);
    }
    table[FixType::RtkFixed] = static_cast<std::uint8_t>(SolutionClass::RtkFixed);
    table[FixType::RtkFloat] = static_cast<std::uint8_t>(SolutionClass::RtkFloat);
    table[FixType::RtkX] = static_cast<std::uint8_t>(SolutionClass::RtkX);
    return table;
}();

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
    std::int64_t estimateCount = 0;
    std::array<std::int64_t, 3> estimateWithin{};

    void merge(const ClassWork& other) noexcept
    {
        epochs += other.epochs;
        x.merge(other.x);
        y.merge(other.y);
        z.merge(other.z);
        threeD.merge(other.threeD);
        sumH2 += other.sumH2;
        estimateCount += other.estimateCount;
        for (std::size_t k = 0; k < 3; ++k) {
            estimateWithin[k] += other.estimateWithin[k];
        }
    }
};

// What the record pass keeps for the availability, which needs the
// nominal interval before it can weigh any epoch.
struct ContinuityWork {
    std::vector<double> intervals;       // time[i + 1] - time[i]
    std::vector<std::uint8_t> fixedFlags;
};

// The one pass over the records; the parts not asked for compile away.
template <bool Accuracy, bool Continuity, bool Wrong>
void scanRecords(std::span<const GNSSRecord> records, double tx, double ty, double tz,
                 double wrongThreshold, std::array<ClassWork, kSolutionClassCount>& work,
                 FixContinuity& fc, ContinuityWork& cw, WrongFixes& wf)
{
    constexpr std::size_t none = static_cast<std::size_t>(-1);
    std::size_t open = none;  // index of the loss not yet regained (the vector grows)
    bool previousFixed = false;
    double previousTime = 0;
    const double start = records.empty() ? 0.0 : records.front().time;
    bool inSpan = false;

    for (std::size_t i = 0; i < records.size(); ++i) {
        const GNSSRecord& r = records[i];
        const bool fixed = r.fixType == FixType::RtkFixed;

        if constexpr (Continuity) {
            if (i > 0) {
                cw.intervals[i - 1] = r.time - previousTime;
            }
            previousTime = r.time;
            cw.fixedFlags[i] = fixed ? 1 : 0;
            if (fixed) {
                ++fc.fixedEpochCount;
                if (!fc.firstFixFound) {
                    fc.firstFixFound = true;
                    fc.timeToFirstFix = r.time - start;
                }
                if (open != none) {
                    fc.losses[open].regained = true;
                    fc.losses[open].duration = r.time - fc.losses[open].time;
                    open = none;
                }
            } else {
                if (previousFixed) {
                    FixLossEvent e;
                    e.recordIndex = i;
                    e.time = r.time;
                    e.sinceStart = r.time - start;
                    fc.losses.push_back(std::move(e));
                    open = fc.losses.size() - 1;
                }
                if (open != none) {
                    std::vector<std::uint8_t>& types = fc.losses[open].fixTypes;
                    if (std::find(types.begin(), types.end(), r.fixType) == types.end()) {
                        types.push_back(r.fixType);
                    }
                }
            }
            previousFixed = fixed;
        }

        if constexpr (Accuracy || Wrong) {
            const bool grid = r.has(ValidFlag::Grid);
            const bool height = r.has(ValidFlag::Height);
            const double dx = r.localX - tx;
            const double dy = r.localY - ty;
            const double dz = r.height - tz;
            // The same values serve both statistics: computed once, in the
            // order each of them defines.
            const double h2 = dx * dx + dy * dy;
            const double horizontal = std::sqrt(h2);
            const double vertical = std::fabs(dz);

            if constexpr (Wrong) {
                if (!fixed || !(grid || height)) {
                    inSpan = false;
                } else {
                    ++wf.fixedEpochs;
                    // A NaN error compares false and so is not counted as
                    // wrong: it says nothing about where the receiver was.
                    const bool wrong = (grid && horizontal > wrongThreshold) ||
                                       (height && vertical > wrongThreshold);
                    if (!wrong) {
                        inSpan = false;
                    } else {
                        ++wf.wrongEpochs;
                        if (!inSpan) {
                            WrongFixSpan s;
                            s.firstIndex = i;
                            s.startTime = r.time;
                            wf.spans.push_back(s);
                            inSpan = true;
                        }
                        WrongFixSpan& s = wf.spans.back();
                        ++s.epochCount;
                        s.endTime = r.time;
                        if (grid && horizontal > s.maxHorizontal) {
                            s.maxHorizontal = horizontal;
                        }
                        if (height && vertical > s.maxVertical) {
                            s.maxVertical = vertical;
                        }
                    }
                }
            }

            if constexpr (Accuracy) {
                ClassWork& w = work[kClassOfFixType[r.fixType]];
                ++w.epochs;
                const bool haveXY = grid && std::isfinite(dx) && std::isfinite(dy);
                const bool haveZ = height && std::isfinite(dz);
                if (haveXY) {
                    w.x.add(dx);
                    w.y.add(dy);
                    // Finite dx and dy can still square beyond the double range.
                    if (std::isfinite(horizontal)) {
                        w.sumH2 += h2;
                        w.horizontal.push_back(horizontal);
                    }
                }
                if (haveZ) {
                    w.z.add(dz);
                    w.vertical.push_back(vertical);
                }
                if (haveXY && haveZ) {
                    // Summed in the analysis' order, so the 3-D error is bit
                    // for bit the one its histograms hold.
                    const double sum = dz * dz + dx * dx + dy * dy;
                    const double threeD = sum == 0 ? 0.0 : std::sqrt(sum);
                    if (std::isfinite(threeD)) {
                        w.threeD.add(threeD);
                        if (r.has(ValidFlag::ErrorEstimate) && std::isfinite(r.errorEstimate)) {
                            ++w.estimateCount;
                            for (std::size_t k = 0; k < 3; ++k) {
                                w.estimateWithin[k] +=
                                    threeD <= static_cast<double>(k + 1) * r.errorEstimate ? 1 : 0;
                            }
                        }
                    }
                }
            }
        }
    }
}

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
constexpr int kTopShift = 64 - kBucketBits;
constexpr std::size_t kPercentCount = kReportedPercentiles.size();

// One set whose percentiles are wanted (a class, or all epochs): the
// bucket of each rank, the rank within it, and the gathered values of
// those buckets.
struct RankTarget {
    std::size_t n = 0;
    std::vector<std::size_t> counts;      // per bucket
    std::array<std::size_t, kPercentCount> bucketOf{};
    std::array<std::size_t, kPercentCount> rankIn{};
    std::vector<std::uint32_t> slotOf;    // per bucket: 0 not wanted, else slot + 1
    std::vector<std::size_t> slotBuckets;
    std::vector<std::vector<double>> slots;

    std::uint32_t wantBucket(std::size_t bucket)
    {
        if (slotOf[bucket] == 0) {
            slotBuckets.push_back(bucket);
            slotOf[bucket] = static_cast<std::uint32_t>(slotBuckets.size());
        }
        return slotOf[bucket];
    }

    // counts must be complete. Ranks ascend with the percents, so one walk
    // over the buckets finds them all.
    void locateRanks()
    {
        slotOf.assign(kBucketCount, 0);
        std::size_t bucket = 0;
        std::size_t below = 0;  // values in the buckets before `bucket`
        for (std::size_t i = 0; i < kPercentCount; ++i) {
            const std::size_t k = nearestRankIndex(n, kReportedPercentiles[i]);
            while (k >= below + counts[bucket]) {
                below += counts[bucket];
                ++bucket;
            }
            bucketOf[i] = bucket;
            rankIn[i] = k - below;
            wantBucket(bucket);
        }
    }

    void reserveSlots()
    {
        slots.resize(slotBuckets.size());
        for (std::size_t s = 0; s < slots.size(); ++s) {
            slots[s].reserve(counts[slotBuckets[s]]);
        }
    }

    // Selects the ranks in the gathered buckets; within a bucket in
    // ascending order, each search looking only above the previous one.
    void select(std::array<double, kPercentCount>& out)
    {
        for (std::size_t s = 0; s < slots.size(); ++s) {
            std::vector<double>& values = slots[s];
            auto first = values.begin();
            for (std::size_t i = 0; i < kPercentCount; ++i) {
                if (bucketOf[i] != slotBuckets[s]) {
                    continue;
                }
                const auto nth = values.begin() + static_cast<std::ptrdiff_t>(rankIn[i]);
                std::nth_element(first, nth, values.end());
                first = nth;
                out[i] = *nth;
            }
        }
    }
};

// Nearest-rank percentiles and within counts of the four record classes'
// errors and of their union, exact, as nearestRankPercentiles finds them
// but sharing the work: the union's histogram is the sum of the classes',
// and one gathering pass over each class serves the class and the union.
// percentiles and within are indexed by SolutionClass.
void classPercentiles(const std::array<ClassWork, kSolutionClassCount>& work,
                      std::vector<double> ClassWork::*errors, std::span<const double> thresholds,
                      std::array<std::array<double, kPercentCount>, kSolutionClassCount>& percentiles,
                      std::array<std::vector<std::int64_t>, kSolutionClassCount>& within)
{
    // The limits' buckets, in ascending order; a NaN limit has none (no
    // value is at or under it). -0 is 0 here, as it is to <=.
    constexpr std::size_t kNoBucket = static_cast<std::size_t>(-1);
    std::vector<double> limits(thresholds.begin(), thresholds.end());
    std::vector<std::size_t> limitBucket(limits.size(), kNoBucket);
    std::vector<std::size_t> limitOrder;
    for (std::size_t k = 0; k < limits.size(); ++k) {
        if (std::isnan(limits[k])) {
            continue;
        }
        limits[k] = limits[k] == 0 ? 0.0 : limits[k];
        limitBucket[k] = orderKey(limits[k]) >> kTopShift;
        limitOrder.push_back(k);
    }
    std::sort(limitOrder.begin(), limitOrder.end(),
              [&](std::size_t a, std::size_t b) { return limitBucket[a] < limitBucket[b]; });

    std::array<RankTarget, kSolutionClassCount> targets;
    RankTarget& all = targets[kAllIndex];
    all.counts.assign(kBucketCount, 0);
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        within[c].assign(thresholds.size(), 0);
    }
    for (std::size_t c = 0; c < kRecordClasses; ++c) {
        const std::vector<double>& values = work[c].*errors;
        RankTarget& t = targets[c];
        t.n = values.size();
        all.n += t.n;
        if (t.n == 0) {
            continue;
        }
        t.counts.assign(kBucketCount, 0);
        for (double v : values) {
            ++t.counts[orderKey(v) >> kTopShift];
        }
        for (std::size_t b = 0; b < kBucketCount; ++b) {
            all.counts[b] += t.counts[b];
        }
        t.locateRanks();
        // Values at or under a limit: every bucket below the limit's, and
        // those of its bucket that are, counted once that one is gathered.
        std::size_t below = 0;
        std::size_t bucket = 0;
        for (std::size_t k : limitOrder) {
            for (; bucket < limitBucket[k]; ++bucket) {
                below += t.counts[bucket];
            }
            within[c][k] = static_cast<std::int64_t>(below);
            t.wantBucket(limitBucket[k]);
        }
        t.reserveSlots();
    }
    if (all.n == 0) {
        return;
    }
    all.locateRanks();
    all.reserveSlots();
    for (std::size_t c = 0; c < kRecordClasses; ++c) {
        RankTarget& t = targets[c];
        if (t.n == 0) {
            continue;
        }
        for (double v : work[c].*errors) {
            const std::size_t bucket = orderKey(v) >> kTopShift;
            if (const std::uint32_t slot = t.slotOf[bucket]; slot != 0) {
                t.slots[slot - 1].push_back(v);
            }
            if (const std::uint32_t slot = all.slotOf[bucket]; slot != 0) {
                all.slots[slot - 1].push_back(v);
            }
        }
    }
    for (std::size_t c = 0; c < kRecordClasses; ++c) {
        RankTarget& t = targets[c];
        if (t.n == 0) {
            continue;
        }
        for (std::size_t k : limitOrder) {
            const std::vector<double>& inBucket = t.slots[t.slotOf[limitBucket[k]] - 1];
            within[c][k] += std::count_if(inBucket.begin(), inBucket.end(),
                                          [&](double v) { return v <= limits[k]; });
        }
        for (std::size_t k = 0; k < limits.size(); ++k) {
            within[kAllIndex][k] += within[c][k];
        }
    }
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        if (targets[c].n > 0) {
            targets[c].select(percentiles[c]);
        }
    }
}

double share(std::int64_t part, std::int64_t whole) noexcept
{
    return whole > 0 ? static_cast<double>(part) / static_cast<double>(whole) : 0.0;
}

using PercentileTable = std::array<std::array<double, kPercentCount>, kSolutionClassCount>;
using WithinTable = std::array<std::vector<std::int64_t>, kSolutionClassCount>;

// work[All] must already hold the merged sums.
AccuracyStats assembleAccuracy(const std::array<ClassWork, kSolutionClassCount>& work,
                               std::span<const double> thresholds,
                               const PercentileTable& horizontalPercentiles,
                               const WithinTable& horizontalWithin,
                               const PercentileTable& verticalPercentiles,
                               const WithinTable& verticalWithin)
{
    AccuracyStats stats;
    stats.thresholds.assign(thresholds.begin(), thresholds.end());
    std::array<std::int64_t, kSolutionClassCount> nh{};
    std::array<std::int64_t, kSolutionClassCount> nv{};
    for (std::size_t c = 0; c < kRecordClasses; ++c) {
        nh[c] = static_cast<std::int64_t>(work[c].horizontal.size());
        nv[c] = static_cast<std::int64_t>(work[c].vertical.size());
        nh[kAllIndex] += nh[c];
        nv[kAllIndex] += nv[c];
    }
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        const ClassWork& w = work[c];
        ClassAccuracy& out = stats.classes[c];
        out.epochs = w.epochs;
        out.x = w.x.result();
        out.y = w.y.result();
        out.z = w.z.result();
        out.threeD = w.threeD.result();
        out.horizontalCount = nh[c];
        out.verticalCount = nv[c];
        if (nh[c] > 0) {
            out.horizontalPercentiles = horizontalPercentiles[c];
            out.twoDrms = 2.0 * std::sqrt(w.sumH2 / static_cast<double>(nh[c]));
        }
        if (nv[c] > 0) {
            out.verticalPercentiles = verticalPercentiles[c];
        }
        out.horizontalWithin.resize(thresholds.size());
        out.verticalWithin.resize(thresholds.size());
        for (std::size_t t = 0; t < thresholds.size(); ++t) {
            out.horizontalWithin[t] = share(horizontalWithin[c][t], nh[c]);
            out.verticalWithin[t] = share(verticalWithin[c][t], nv[c]);
        }
        out.estimateCount = w.estimateCount;
        for (std::size_t k = 0; k < 3; ++k) {
            out.estimateWithin[k] = share(w.estimateWithin[k], w.estimateCount);
        }
    }
    return stats;
}

// Re-fix distribution and availability, from what the record pass kept.
void finishContinuity(FixContinuity& fc, ContinuityWork& cw)
{
    if (fc.epochCount == 0) {
        return;
    }
    std::vector<double> refix;
    for (const FixLossEvent& e : fc.losses) {
        if (e.regained) {
            refix.push_back(e.duration);
        }
    }
    // A corrupt (NaN) time must not break nth_element's ordering.
    std::erase_if(refix, [](double d) { return std::isnan(d); });
    fc.refixCount = refix.size();
    if (!refix.empty()) {
        const std::array<int, 3> ranks{50, 95, 100};
        std::array<double, 3> out{};
        nearestRankPercentiles(refix, ranks, out);
        fc.refixMedian = out[0];
        fc.refix95 = out[1];
        fc.refixMax = out[2];
    }

    // Availability, weighting each epoch by the time it stands for.
    const std::vector<double>& intervals = cw.intervals;
    double nominal = 0;
    {
        std::vector<double> positive;
        positive.reserve(intervals.size());
        for (double d : intervals) {
            if (d > 0 && std::isfinite(d)) {
                positive.push_back(d);
            }
        }
        if (!positive.empty()) {
            // Intervals crowd around one value, where a bucket search gains
            // nothing; one selection on this private copy is the cheapest.
            const auto nth = positive.begin() +
                             static_cast<std::ptrdiff_t>(nearestRankIndex(positive.size(), 50));
            std::nth_element(positive.begin(), nth, positive.end());
            nominal = *nth;
        }
    }
    fc.nominalInterval = nominal;
    const std::size_t n = fc.epochCount;
    double covered = 0;
    double fixed = 0;
    for (std::size_t i = 0; i < n; ++i) {
        double w = nominal;
        if (i + 1 < n) {
            const double d = intervals[i];
            if (!(d > 0) || !std::isfinite(d)) {
                w = 0;
            } else if (d <= kGapFactor * nominal) {
                w = d;
            }
        }
        covered += w;
        fixed += cw.fixedFlags[i] != 0 ? w : 0.0;
    }
    if (covered > 0) {
        fc.coveredSeconds = covered;
        fc.fixedSeconds = fixed;
        fc.availability = fixed / covered;
    } else {
        fc.availability =
            static_cast<double>(fc.fixedEpochCount) / static_cast<double>(fc.epochCount);
    }
}

// Below this many records a second thread costs more than it saves.
constexpr std::size_t kThreadedRecords = 1 << 16;

// Runs job on a second thread, or here when none can be started; wait()
// returns once it has run (and rethrows what it threw).
class SideJob {
public:
    template <class Job>
    SideJob(bool threaded, Job&& job)
    {
        auto guarded = [this, job = std::forward<Job>(job)]() mutable {
            try {
                job();
            } catch (...) {
                error_ = std::current_exception();
            }
        };
        if (threaded) {
            try {
                thread_ = std::thread(guarded);
                return;
            } catch (const std::system_error&) {
                // No thread to be had: run it here instead.
            }
        }
        guarded();
    }
    SideJob(const SideJob&) = delete;
    SideJob& operator=(const SideJob&) = delete;
    ~SideJob()
    {
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    void wait()
    {
        if (thread_.joinable()) {
            thread_.join();
        }
        if (error_) {
            std::rethrow_exception(error_);
        }
    }

private:
    std::thread thread_;
    std::exception_ptr error_;
};

template <bool Accuracy, bool Continuity, bool Wrong>
Statistics run(std::span<const GNSSRecord> records, double tx, double ty, double tz,
               std::span<const double> thresholds, double wrongFixThreshold)
{
    Statistics result;
    std::array<ClassWork, kSolutionClassCount> work;
    ContinuityWork cw;
    FixContinuity& fc = result.continuity;
    if constexpr (Accuracy) {
        for (std::size_t c = 0; c < kRecordClasses; ++c) {
            // Address space only: pages are touched as errors arrive, and
            // no vector ever moves its contents while growing.
            work[c].horizontal.reserve(records.size());
            work[c].vertical.reserve(records.size());
        }
    }
    if constexpr (Continuity) {
        fc.epochCount = records.size();
        if (!records.empty()) {
            fc.logStart = records.front().time;
            cw.intervals.resize(records.size() - 1);
            cw.fixedFlags.resize(records.size());
        }
    }
    if constexpr (Wrong) {
        result.wrongFixes.threshold = wrongFixThreshold;
    }

    scanRecords<Accuracy, Continuity, Wrong>(records, tx, ty, tz, wrongFixThreshold, work, fc,
                                             cw, result.wrongFixes);

    if constexpr (Wrong) {
        WrongFixes& wf = result.wrongFixes;
        if (wf.fixedEpochs > 0) {
            wf.share = static_cast<double>(wf.wrongEpochs) / static_cast<double>(wf.fixedEpochs);
        }
    }
    // The vertical percentiles and the availability on a second thread,
    // the horizontal percentiles here: each writes only its own results.
    PercentileTable horizontalPercentiles{};
    PercentileTable verticalPercentiles{};
    WithinTable horizontalWithin;
    WithinTable verticalWithin;
    SideJob side(Accuracy && records.size() >= kThreadedRecords, [&] {
        if constexpr (Accuracy) {
            classPercentiles(work, &ClassWork::vertical, thresholds, verticalPercentiles,
                             verticalWithin);
        }
        if constexpr (Continuity) {
            finishContinuity(fc, cw);
        }
    });
    if constexpr (Accuracy) {
        classPercentiles(work, &ClassWork::horizontal, thresholds, horizontalPercentiles,
                         horizontalWithin);
    }
    side.wait();
    if constexpr (Accuracy) {
        for (std::size_t c = 0; c < kRecordClasses; ++c) {
            work[kAllIndex].merge(work[c]);
        }
        result.accuracy = assembleAccuracy(work, thresholds, horizontalPercentiles,
                                           horizontalWithin, verticalPercentiles, verticalWithin);
    }
    return result;
}

}  // namespace

Statistics computeStatistics(std::span<const GNSSRecord> records, double tx, double ty, double tz,
                             std::span<const double> thresholds, double wrongFixThreshold,
                             unsigned parts)
{
    const bool a = (parts & StatisticsPart::Accuracy) != 0;
    const bool c = (parts & StatisticsPart::Continuity) != 0;
    const bool w = (parts & StatisticsPart::WrongFixes) != 0;
    // Every combination its own loop, so no record pays for a part not
    // asked for.
    using Run = Statistics (*)(std::span<const GNSSRecord>, double, double, double,
                               std::span<const double>, double);
    static constexpr Run runs[8] = {
        run<false, false, false>, run<true, false, false>, run<false, true, false>,
        run<true, true, false>,   run<false, false, true>, run<true, false, true>,
        run<false, true, true>,   run<true, true, true>,
    };
    const std::size_t which = (a ? 1u : 0u) | (c ? 2u : 0u) | (w ? 4u : 0u);
    return runs[which](records, tx, ty, tz, thresholds, wrongFixThreshold);
}

Statistics computeStatistics(const GNSSLog& log, std::span<const double> thresholds,
                             double wrongFixThreshold)
{
    return computeStatistics(log.records, log.truthX(), log.truthY(), log.truthZ(), thresholds,
                             wrongFixThreshold);
}

}  // namespace gnsslog
