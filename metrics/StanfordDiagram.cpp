#include "metrics/StanfordDiagram.h"

#include <algorithm>
#include <cmath>

namespace gnsslog {

namespace {

constexpr double kDefaultSigmaMultiple = 5.33;

struct Point {
    double error;
    double level;
};

// The decade at or above the largest value, within the allowed range.
double upperDecade(const std::vector<Point>& points) noexcept
{
    double largest = kStanfordSmallestRange;
    for (const Point& p : points) {
        largest = std::max({largest, p.error, p.level});
    }
    largest = std::min(largest, kStanfordLargestRange);
    return std::pow(10.0, std::ceil(std::log10(largest) - 1e-9));
}

IntegrityState regionOf(const Point& p, double alertLimit) noexcept
{
    if (alertLimit > 0) {
        return integrityStateOf(p.error, p.level, alertLimit);
    }
    return p.error > p.level ? IntegrityState::Misleading : IntegrityState::Nominal;
}

StanfordDiagram diagramOf(const std::vector<Point>& points, double alertLimit)
{
    StanfordDiagram d;
    d.alertLimit = std::isfinite(alertLimit) && alertLimit > 0 ? alertLimit : 0;
    d.highest = upperDecade(points);
    const double decades = std::log10(d.highest / kStanfordLowest);
    d.bins = static_cast<std::size_t>(std::lround(decades)) * kStanfordBinsPerDecade;
    d.counts.assign(d.bins * d.bins, 0);
    for (const Point& p : points) {
        const IntegrityState s = regionOf(p, d.alertLimit);
        if (s == IntegrityState::NotAssessed) {
            continue;
        }
        ++d.regions[static_cast<std::size_t>(s)];
        ++d.epochs;
        std::int64_t& bin = d.counts[d.binOf(p.error) * d.bins + d.binOf(p.level)];
        d.peak = std::max(d.peak, ++bin);
    }
    return d;
}

}  // namespace

double StanfordDiagram::axisPosition(double metres) const noexcept
{
    if (!(metres > kStanfordLowest)) {
        return 0;
    }
    return std::min(1.0, std::log(metres / kStanfordLowest) / std::log(highest / kStanfordLowest));
}

std::size_t StanfordDiagram::binOf(double metres) const noexcept
{
    if (bins == 0) {
        return 0;
    }
    const double position = axisPosition(metres) * static_cast<double>(bins);
    return std::min(bins - 1, static_cast<std::size_t>(position));
}

StanfordDiagrams computeStanfordDiagrams(std::span<const GNSSRecord> records,
                                         std::span<const AccuracyFigures> accuracy,
                                         const TruthPoint& truth, const IntegrityOptions& options)
{
    std::vector<Point> horizontal;
    std::vector<Point> vertical;
    const auto keep = [](std::vector<Point>& to, bool have, double error, double level) {
        if (have && std::isfinite(error) && std::isfinite(level) && level >= 0) {
            to.push_back({error, level});
        }
    };
    for (std::size_t i = 0; i < records.size() && i < accuracy.size(); ++i) {
        const GNSSRecord& r = records[i];
        if (r.valid == 0) {
            continue;
        }
        const EpochErrors e = epochErrorsOf(r, truth);
        keep(horizontal, e.haveHorizontal, e.horizontal,
             horizontalProtectionLevel(r, accuracy[i], options));
        keep(vertical, e.haveZ, e.vertical, verticalProtectionLevel(r, accuracy[i], options));
    }
    return {diagramOf(horizontal, options.horizontalAlertLimit),
            diagramOf(vertical, options.verticalAlertLimit)};
}

IntegrityOptions defaultPictureProtection(std::span<const GNSSRecord> records)
{
    IntegrityOptions o;
    o.k = kDefaultSigmaMultiple;
    const bool levels = std::any_of(records.begin(), records.end(), [](const GNSSRecord& r) {
        return r.valid != 0 && r.has(ValidFlag::ProtectionLevels);
    });
    o.source = levels ? ProtectionSource::Level : ProtectionSource::KSigma;
    return o;
}

}  // namespace gnsslog
