#include "stats/FixContinuity.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "log/Gpslog.h"
#include "stats/AccuracyStats.h"

namespace gnsslog {

namespace {

bool isFixed(const GNSSRecord& r) noexcept { return r.fixType == FixType::RtkFixed; }

}  // namespace

FixContinuity computeFixContinuity(std::span<const GNSSRecord> records)
{
    FixContinuity fc;
    fc.epochCount = records.size();
    if (records.empty()) {
        return fc;
    }
    const double start = records.front().time;
    fc.logStart = start;

    // Losses, re-fix times and the first fix in one walk, which also keeps
    // the intervals and fix states compactly for the availability, so the
    // large records are read once.
    std::vector<double> intervals(records.size() - 1);
    std::vector<double> positive;
    positive.reserve(intervals.size());
    std::vector<std::uint8_t> fixedFlags(records.size());
    // Index of the loss not yet regained; an index, not a pointer, since
    // the vector grows.
    constexpr std::size_t none = static_cast<std::size_t>(-1);
    std::size_t open = none;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const GNSSRecord& r = records[i];
        if (i > 0) {
            const double d = r.time - records[i - 1].time;
            intervals[i - 1] = d;
            if (d > 0 && std::isfinite(d)) {
                positive.push_back(d);
            }
        }
        fixedFlags[i] = isFixed(r) ? 1 : 0;
        if (isFixed(r)) {
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
            continue;
        }
        if (i > 0 && isFixed(records[i - 1])) {
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
    double nominal = 0;
    if (!positive.empty()) {
        // Intervals crowd around one value, where a bucket search gains
        // nothing; one selection on this private copy is the cheapest.
        const auto nth = positive.begin() +
                         static_cast<std::ptrdiff_t>(nearestRankIndex(positive.size(), 50));
        std::nth_element(positive.begin(), nth, positive.end());
        nominal = *nth;
    }
    std::vector<double>().swap(positive);
    fc.nominalInterval = nominal;
    double covered = 0;
    double fixed = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        double w = nominal;
        if (i + 1 < records.size()) {
            const double d = intervals[i];
            if (!(d > 0) || !std::isfinite(d)) {
                w = 0;
            } else if (d <= kGapFactor * nominal) {
                w = d;
            }
        }
        covered += w;
        fixed += fixedFlags[i] != 0 ? w : 0.0;
    }
    if (covered > 0) {
        fc.coveredSeconds = covered;
        fc.fixedSeconds = fixed;
        fc.availability = fixed / covered;
    } else {
        fc.availability =
            static_cast<double>(fc.fixedEpochCount) / static_cast<double>(fc.epochCount);
    }
    return fc;
}

FixContinuity computeFixContinuity(const GNSSLog& log) { return computeFixContinuity(log.records); }

}  // namespace gnsslog
