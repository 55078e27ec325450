#include "metrics/NormalisedError.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "metrics/Percentiles.h"

namespace gnsslog {

namespace {

constexpr double kZ95 = 1.959963984540054;  // two-sided 95 % normal quantile
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double ratio(double error, float sigma) noexcept
{
    return sigma > 0 ? error / static_cast<double>(sigma) : kNaN;
}

// Samples of one class and axis, until the summary is made.
struct AxisSamples {
    std::vector<double> values;
    void add(double v)
    {
        if (std::isfinite(v)) {
            values.push_back(v);
        }
    }
    NormalisedAxis summary(const std::array<double, kSigmaMultiples>& expected)
    {
        NormalisedAxis a;
        a.expected = expected;
        a.count = static_cast<std::int64_t>(values.size());
        if (values.empty()) {
            return a;
        }
        for (const double v : values) {
            for (std::size_t k = 0; k < kSigmaMultiples; ++k) {
                a.within[k] += v <= static_cast<double>(k + 1) ? 1 : 0;
            }
        }
        for (std::size_t k = 0; k < kSigmaMultiples; ++k) {
            a.share[k] = static_cast<double>(a.within[k]) / static_cast<double>(a.count);
        }
        const int percents[] = {95};
        nearestRankPercentiles(values, percents, std::span<double>(&a.p95, 1));
        a.verdict = honestyOf(a.within[0], a.count, expected[0]);
        return a;
    }
};

}  // namespace

const char* honestyName(Honesty h) noexcept
{
    switch (h) {
    case Honesty::Optimistic: return "optimistic";
    case Honesty::Honest: return "honest";
    case Honesty::Pessimistic: return "pessimistic";
    case Honesty::None: break;
    }
    return "";
}

const char* normalisedAxisKey(NormalisedAxisId axis) noexcept
{
    switch (axis) {
    case NormalisedAxisId::North: return "north";
    case NormalisedAxisId::East: return "east";
    case NormalisedAxisId::Up: return "up";
    case NormalisedAxisId::Horizontal: return "horizontal";
    }
    return "";
}

double binomialMargin(double p, std::int64_t count) noexcept
{
    return count > 0 ? kZ95 * std::sqrt(p * (1 - p) / static_cast<double>(count)) : kNaN;
}

Honesty honestyOf(std::int64_t within, std::int64_t count, double expected) noexcept
{
    if (count <= 0) {
        return Honesty::None;
    }
    const double share = static_cast<double>(within) / static_cast<double>(count);
    const double margin = binomialMargin(expected, count);
    if (share < expected - margin) {
        return Honesty::Optimistic;
    }
    if (share > expected + margin) {
        return Honesty::Pessimistic;
    }
    return Honesty::Honest;
}

Honesty NormalisedClass::verdict() const noexcept
{
    const Honesty h = of(NormalisedAxisId::Horizontal).verdict;
    return h != Honesty::None ? h : of(NormalisedAxisId::Up).verdict;
}

bool normalisedSampleOf(const GNSSRecord& r, const AccuracyFigures& a, const EpochErrors& e,
                        NormalisedSample& out) noexcept
{
    if (!r.has(ValidFlag::AxisSigmas)) {
        return false;
    }
    out.north = e.haveXY ? ratio(std::fabs(e.dx), a.sigmaNorth) : kNaN;
    out.east = e.haveXY ? ratio(std::fabs(e.dy), a.sigmaEast) : kNaN;
    out.up = e.haveZ ? ratio(std::fabs(e.dz), a.sigmaUp) : kNaN;
    out.horizontal = std::hypot(out.north, out.east);  // NaN when either is
    if (!std::isfinite(out.north) || !std::isfinite(out.east)) {
        out.horizontal = kNaN;
    }
    return true;
}

NormalisedErrors computeNormalisedErrors(std::span<const GNSSRecord> records,
                                         std::span<const AccuracyFigures> accuracy,
                                         const TruthPoint& truth)
{
    std::array<std::array<AxisSamples, kNormalisedAxes>, kSolutionClassCount> samples;
    NormalisedErrors out;
    for (std::size_t i = 0; i < records.size() && i < accuracy.size(); ++i) {
        const GNSSRecord& r = records[i];
        NormalisedSample s;
        if (r.valid == 0 || !normalisedSampleOf(r, accuracy[i], epochErrorsOf(r, truth), s)) {
            continue;
        }
        const double values[kNormalisedAxes] = {s.north, s.east, s.up, s.horizontal};
        if (std::none_of(std::begin(values), std::end(values),
                         [](double v) { return std::isfinite(v); })) {
            continue;
        }
        ++out.epochs;
        for (const std::size_t c : {std::size_t{kClassIndexOfFixType[r.fixType]}, kAllClassIndex}) {
            for (std::size_t a = 0; a < kNormalisedAxes; ++a) {
                samples[c][a].add(values[a]);
            }
        }
    }
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        for (std::size_t a = 0; a < kNormalisedAxes; ++a) {
            const bool radial = a == static_cast<std::size_t>(NormalisedAxisId::Horizontal);
            out.classes[c].axes[a] = samples[c][a].summary(radial ? kRadialExpected : kAxisExpected);
        }
    }
    return out;
}

}  // namespace gnsslog
