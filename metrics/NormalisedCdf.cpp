#include "metrics/NormalisedCdf.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "metrics/NormalisedError.h"

namespace gnsslog {

namespace {

std::size_t classOf(std::uint8_t fixType) noexcept
{
    switch (fixType) {
    case FixType::RtkFixed: return static_cast<std::size_t>(CdfClass::RtkFixed);
    case FixType::RtkFloat: return static_cast<std::size_t>(CdfClass::RtkFloat);
    default: return static_cast<std::size_t>(CdfClass::All);
    }
}

// The curve of values (sorted here): counts per bin and the level values
// by nearest rank.
CdfCurve curveOf(std::vector<double>& values, const NormalisedCdf& cdf)
{
    CdfCurve curve;
    std::sort(values.begin(), values.end());
    curve.count = static_cast<std::int64_t>(values.size());
    curve.atOrBelow.resize(cdf.bins);
    for (std::size_t bin = 0; bin < cdf.bins; ++bin) {
        const auto end = std::upper_bound(values.begin(), values.end(), cdf.edge(bin));
        curve.atOrBelow[bin] = end - values.begin();
    }
    for (std::size_t i = 0; i < kCdfLevels.size() && !values.empty(); ++i) {
        const double rank = std::ceil(kCdfLevels[i] / 100.0 * static_cast<double>(values.size()));
        const std::size_t index = std::clamp<std::size_t>(static_cast<std::size_t>(rank), 1,
                                                          values.size()) - 1;
        curve.levelErrors[i] = values[index];
    }
    return curve;
}

}  // namespace

double NormalisedCdf::edge(std::size_t bin) const noexcept
{
    return bins == 0 ? 0 : kNormalisedCdfRange * static_cast<double>(bin + 1) /
                               static_cast<double>(bins);
}

NormalisedCdf computeNormalisedCdf(std::span<const GNSSRecord> records,
                                   std::span<const AccuracyFigures> accuracy,
                                   const TruthPoint& truth, std::size_t bins)
{
    NormalisedCdf cdf;
    cdf.bins = std::max<std::size_t>(bins, 2);
    std::array<std::vector<double>, kCdfClassCount> horizontal;
    std::array<std::vector<double>, kCdfClassCount> vertical;
    const std::size_t all = static_cast<std::size_t>(CdfClass::All);
    for (std::size_t i = 0; i < records.size() && i < accuracy.size(); ++i) {
        const GNSSRecord& r = records[i];
        NormalisedSample s;
        if (r.valid == 0 || !normalisedSampleOf(r, accuracy[i], epochErrorsOf(r, truth), s)) {
            continue;
        }
        const std::size_t c = classOf(r.fixType);
        for (const std::size_t to : {c, all}) {
            if (std::isfinite(s.horizontal)) {
                horizontal[to].push_back(s.horizontal);
            }
            if (std::isfinite(s.up)) {
                vertical[to].push_back(s.up);
            }
            if (c == all) {
                break;
            }
        }
    }
    for (std::size_t c = 0; c < kCdfClassCount; ++c) {
        cdf.horizontal[c] = curveOf(horizontal[c], cdf);
        cdf.vertical[c] = curveOf(vertical[c], cdf);
    }
    return cdf;
}

double gaussianRadialShare(double k) noexcept
{
    return k <= 0 ? 0 : 1 - std::exp(-k * k / 2);
}

double gaussianAxisShare(double k) noexcept
{
    return k <= 0 ? 0 : std::erf(k / std::sqrt(2.0));
}

}  // namespace gnsslog
