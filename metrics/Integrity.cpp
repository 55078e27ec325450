#include "metrics/Integrity.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace gnsslog {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kOneSidedAlpha = 0.05;
constexpr int kBisectionSteps = 200;

// log of P(X <= events) for X binomial(trials, p), 0 < p < 1.
double binomialCdf(double events, double trials, double p) noexcept
{
    const double logP = std::log(p);
    const double logQ = std::log1p(-p);
    double sum = 0;
    for (double i = 0; i <= events; i += 1) {
        const double logTerm = std::lgamma(trials + 1) - std::lgamma(i + 1) -
                               std::lgamma(trials - i + 1) + i * logP + (trials - i) * logQ;
        sum += std::exp(logTerm);
    }
    return sum;
}

void summarise(IntegrityDirection& d, const std::vector<double>& errors, double limit)
{
    d.assessed = std::isfinite(limit) && limit > 0;
    d.lag1Autocorrelation = lag1Autocorrelation(errors);
    const double r = std::max(0.0, d.lag1Autocorrelation);
    const double n = static_cast<double>(d.epochs);
    d.effectiveEpochs = std::max(n > 0 ? 1.0 : 0.0, n * (1 - r) / (1 + r));
    if (d.epochs == 0) {
        return;
    }
    const double scale = d.effectiveEpochs / n;
    const auto bound = [&](IntegrityState s) {
        return clopperPearsonUpper95(std::round(static_cast<double>(d.count(s)) * scale),
                                     d.effectiveEpochs);
    };
    d.misleadingRateBound = bound(IntegrityState::Misleading);
    d.hazardousRateBound = bound(IntegrityState::HazardouslyMisleading);
}

}  // namespace

const char* integrityStateKey(IntegrityState s) noexcept
{
    switch (s) {
    case IntegrityState::Nominal: return "nominal";
    case IntegrityState::Misleading: return "misleading";
    case IntegrityState::HazardouslyMisleading: return "hazardouslyMisleading";
    case IntegrityState::Unavailable: return "unavailable";
    case IntegrityState::NotAssessed: break;
    }
    return "";
}

IntegrityState integrityStateOf(double error, double level, double alertLimit) noexcept
{
    if (!std::isfinite(error) || !std::isfinite(level) || !std::isfinite(alertLimit)) {
        return IntegrityState::NotAssessed;
    }
    if (level > alertLimit) {
        return IntegrityState::Unavailable;
    }
    if (error > alertLimit) {
        return IntegrityState::HazardouslyMisleading;
    }
    return error > level ? IntegrityState::Misleading : IntegrityState::Nominal;
}

double horizontalProtectionLevel(const GNSSRecord& r, const AccuracyFigures& a,
                                 const IntegrityOptions& o) noexcept
{
    if (o.source == ProtectionSource::Level) {
        return r.has(ValidFlag::ProtectionLevels) ? a.protectionHorizontal : kNaN;
    }
    return r.has(ValidFlag::AxisSigmas) ? o.k * std::max(a.sigmaNorth, a.sigmaEast) : kNaN;
}

double verticalProtectionLevel(const GNSSRecord& r, const AccuracyFigures& a,
                               const IntegrityOptions& o) noexcept
{
    if (o.source == ProtectionSource::Level) {
        return r.has(ValidFlag::ProtectionLevels) ? a.protectionVertical : kNaN;
    }
    return r.has(ValidFlag::AxisSigmas) ? o.k * a.sigmaUp : kNaN;
}

double clopperPearsonUpper95(double events, double trials) noexcept
{
    if (!(trials > 0) || !(events >= 0)) {
        return 1;
    }
    if (events >= trials) {
        return 1;
    }
    if (events == 0) {
        return 1 - std::pow(kOneSidedAlpha, 1 / trials);
    }
    // The p whose chance of at most `events` is 5 %: the CDF falls with p.
    double lo = events / trials;
    double hi = 1;
    for (int i = 0; i < kBisectionSteps && hi - lo > 1e-12 * hi; ++i) {
        const double mid = 0.5 * (lo + hi);
        (binomialCdf(events, trials, mid) > kOneSidedAlpha ? lo : hi) = mid;
    }
    return hi;
}

double lag1Autocorrelation(std::span<const double> values) noexcept
{
    const std::size_t n = values.size();
    if (n < 3) {
        return 0;
    }
    double mean = 0;
    for (const double v : values) {
        mean += v;
    }
    mean /= static_cast<double>(n);
    double variance = 0;
    double lagged = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double d = values[i] - mean;
        variance += d * d;
        if (i > 0) {
            lagged += d * (values[i - 1] - mean);
        }
    }
    return variance > 0 && std::isfinite(lagged / variance) ? lagged / variance : 0;
}

Integrity computeIntegrity(std::span<const GNSSRecord> records,
                           std::span<const AccuracyFigures> accuracy, const TruthPoint& truth,
                           const IntegrityOptions& options)
{
    Integrity out;
    std::vector<double> horizontalErrors;
    std::vector<double> verticalErrors;
    const auto add = [](IntegrityDirection& d, std::vector<double>& errors, double error,
                        double level, double limit) {
        const IntegrityState s = integrityStateOf(error, level, limit > 0 ? limit : kNaN);
        if (s == IntegrityState::NotAssessed) {
            return;
        }
        ++d.epochs;
        ++d.counts[static_cast<std::size_t>(s)];
        errors.push_back(error);
    };
    for (std::size_t i = 0; i < records.size() && i < accuracy.size(); ++i) {
        const GNSSRecord& r = records[i];
        if (r.valid == 0) {
            continue;
        }
        const EpochErrors e = epochErrorsOf(r, truth);
        add(out.horizontal, horizontalErrors, e.haveHorizontal ? e.horizontal : kNaN,
            horizontalProtectionLevel(r, accuracy[i], options), options.horizontalAlertLimit);
        add(out.vertical, verticalErrors, e.haveZ ? e.vertical : kNaN,
            verticalProtectionLevel(r, accuracy[i], options), options.verticalAlertLimit);
    }
    summarise(out.horizontal, horizontalErrors, options.horizontalAlertLimit);
    summarise(out.vertical, verticalErrors, options.verticalAlertLimit);
    return out;
}

}  // namespace gnsslog
