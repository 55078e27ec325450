#include "stats/AccuracyStats.h"

#include <algorithm>
#include <cmath>

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

void nearestRankPercentiles(std::vector<double>& values, std::span<const int> percents,
                            std::span<double> out)
{
    auto first = values.begin();
    for (std::size_t i = 0; i < percents.size() && i < out.size(); ++i) {
        const auto nth = values.begin() +
                         static_cast<std::ptrdiff_t>(nearestRankIndex(values.size(), percents[i]));
        // Everything before first is already no greater than the earlier
        // ranks, so each search only looks at what is left above them.
        if (nth >= first) {
            std::nth_element(first, nth, values.end());
            first = nth;
        }
        out[i] = *nth;
    }
}

namespace {

// Sums shifted by the first sample: with errors that all share a large
// offset (a wrong truth, grid coordinates near 7e6 m) the plain
// sum-of-squares formula would cancel away every digit of the variance.
struct Moments {
    std::int64_t count = 0;
    double shift = 0;
    double sum = 0;     // of (e - shift)
    double sumSq = 0;   // of (e - shift)^2
    double sumRaw2 = 0; // of e^2, for the RMS about zero
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

struct ClassWork {
    Moments x, y, z, threeD;
    double sumH2 = 0;  // of dx^2 + dy^2, for 2DRMS
    std::vector<double> horizontal;
    std::vector<double> vertical;
    std::vector<std::int64_t> horizontalWithin;
    std::vector<std::int64_t> verticalWithin;
    std::int64_t estimateCount = 0;
    std::array<std::int64_t, 3> estimateWithin{};
};

double share(std::int64_t part, std::int64_t whole) noexcept
{
    return whole > 0 ? static_cast<double>(part) / static_cast<double>(whole) : 0.0;
}

}  // namespace

AccuracyStats computeAccuracyStats(std::span<const GNSSRecord> records, double tx, double ty,
                                   double tz, std::span<const double> thresholds)
{
    AccuracyStats stats;
    stats.thresholds.assign(thresholds.begin(), thresholds.end());
    const std::size_t nThresholds = thresholds.size();

    std::array<ClassWork, kSolutionClassCount> work;
    for (auto& w : work) {
        w.horizontalWithin.assign(nThresholds, 0);
        w.verticalWithin.assign(nThresholds, 0);
    }
    std::array<std::size_t, kSolutionClassCount> sizes{};
    for (const GNSSRecord& r : records) {
        ++sizes[static_cast<std::size_t>(solutionClassOf(r.fixType))];
    }
    sizes[static_cast<std::size_t>(SolutionClass::All)] = records.size();
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        work[c].horizontal.reserve(sizes[c]);
        work[c].vertical.reserve(sizes[c]);
    }

    ClassWork& all = work[static_cast<std::size_t>(SolutionClass::All)];
    for (const GNSSRecord& r : records) {
        ClassWork& own = work[static_cast<std::size_t>(solutionClassOf(r.fixType))];
        const double dx = r.localX - tx;
        const double dy = r.localY - ty;
        const double dz = r.height - tz;
        const bool haveXY = r.has(ValidFlag::Grid) && std::isfinite(dx) && std::isfinite(dy);
        const bool haveZ = r.has(ValidFlag::Height) && std::isfinite(dz);

        double horizontal = 0;
        double h2 = 0;
        if (haveXY) {
            h2 = dx * dx + dy * dy;
            horizontal = std::sqrt(h2);
            // dx, dy finite can still square beyond the double range.
            if (!std::isfinite(horizontal)) {
                h2 = 0;
            }
        }
        const bool haveH = haveXY && std::isfinite(horizontal);
        for (ClassWork* w : {&own, &all}) {
            if (haveXY) {
                w->x.add(dx);
                w->y.add(dy);
            }
            if (haveH) {
                w->sumH2 += h2;
                w->horizontal.push_back(horizontal);
                for (std::size_t t = 0; t < nThresholds; ++t) {
                    w->horizontalWithin[t] += horizontal <= thresholds[t] ? 1 : 0;
                }
            }
            if (haveZ) {
                const double vertical = std::fabs(dz);
                w->z.add(dz);
                w->vertical.push_back(vertical);
                for (std::size_t t = 0; t < nThresholds; ++t) {
                    w->verticalWithin[t] += vertical <= thresholds[t] ? 1 : 0;
                }
            }
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
        const bool haveEstimate =
            r.has(ValidFlag::ErrorEstimate) && std::isfinite(r.errorEstimate);
        for (ClassWork* w : {&own, &all}) {
            w->threeD.add(threeD);
            if (haveEstimate) {
                ++w->estimateCount;
                for (std::size_t k = 0; k < 3; ++k) {
                    w->estimateWithin[k] +=
                        threeD <= static_cast<double>(k + 1) * r.errorEstimate ? 1 : 0;
                }
            }
        }
    }

    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        ClassWork& w = work[c];
        ClassAccuracy& out = stats.classes[c];
        out.epochs = static_cast<std::int64_t>(sizes[c]);
        out.x = w.x.result();
        out.y = w.y.result();
        out.z = w.z.result();
        out.threeD = w.threeD.result();

        const auto nh = static_cast<std::int64_t>(w.horizontal.size());
        out.horizontalCount = nh;
        out.horizontalWithin.resize(nThresholds);
        if (nh > 0) {
            nearestRankPercentiles(w.horizontal, kReportedPercentiles, out.horizontalPercentiles);
            out.twoDrms = 2.0 * std::sqrt(w.sumH2 / static_cast<double>(nh));
        }
        const auto nv = static_cast<std::int64_t>(w.vertical.size());
        out.verticalCount = nv;
        out.verticalWithin.resize(nThresholds);
        if (nv > 0) {
            nearestRankPercentiles(w.vertical, kReportedPercentiles, out.verticalPercentiles);
        }
        for (std::size_t t = 0; t < nThresholds; ++t) {
            out.horizontalWithin[t] = share(w.horizontalWithin[t], nh);
            out.verticalWithin[t] = share(w.verticalWithin[t], nv);
        }
        out.estimateCount = w.estimateCount;
        for (std::size_t k = 0; k < 3; ++k) {
            out.estimateWithin[k] = share(w.estimateWithin[k], w.estimateCount);
        }
        // Free the error copies class by class: the all-epochs ones alone
        // are two doubles per record.
        std::vector<double>().swap(w.horizontal);
        std::vector<double>().swap(w.vertical);
    }
    return stats;
}

AccuracyStats computeAccuracyStats(const GNSSLog& log, std::span<const double> thresholds)
{
    return computeAccuracyStats(log.records, log.truthX(), log.truthY(), log.truthZ(), thresholds);
}

}  // namespace gnsslog
