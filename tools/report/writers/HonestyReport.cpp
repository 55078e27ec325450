#include "tools/report/writers/HonestyReport.h"

#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>
#include <ostream>
#include <string>

#include "common/FormatNumber.h"
#include "log/Gpslog.h"
#include "tools/report/writers/StatsReport.h"

namespace gnsslog {

namespace {

using json = nlohmann::ordered_json;

constexpr NormalisedAxisId kAxes[] = {NormalisedAxisId::North, NormalisedAxisId::East,
                                      NormalisedAxisId::Up, NormalisedAxisId::Horizontal};

json numberOrNull(double value, bool exists)
{
    if (!exists || !std::isfinite(value)) {
        return nullptr;
    }
    return value;
}

json verdictJson(Honesty h)
{
    if (h == Honesty::None) {
        return nullptr;
    }
    return honestyName(h);
}

json axisJson(const NormalisedAxis& a)
{
    const bool any = a.count > 0;
    json object{{"count", a.count}};
    for (std::size_t k = 0; k < kSigmaMultiples; ++k) {
        object["within" + std::to_string(k + 1) + "sigma"] = numberOrNull(a.share[k], any);
    }
    json expected = json::array();
    for (const double e : a.expected) {
        expected.push_back(e);
    }
    object["expected"] = std::move(expected);
    object["margin1sigma"] = numberOrNull(binomialMargin(a.expected[0], a.count), any);
    object["p95"] = numberOrNull(a.p95, any);
    object["verdict"] = verdictJson(a.verdict);
    return object;
}

std::string percentList(const std::array<double, kSigmaMultiples>& shares)
{
    std::string text;
    for (std::size_t k = 0; k < kSigmaMultiples; ++k) {
        text += (k == 0 ? "" : " / ") + formatFixed(shares[k] * 100.0, 1);
    }
    return text + " %";
}

constexpr IntegrityState kStates[] = {IntegrityState::Nominal, IntegrityState::Misleading,
                                      IntegrityState::HazardouslyMisleading,
                                      IntegrityState::Unavailable};
constexpr std::string_view kSigmaSuffix = "-sigma";

// A whole text as a finite number, without the locale.
bool readNumber(std::string_view text, double& value)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && std::isfinite(value);
}

json directionJson(const IntegrityDirection& d, double limit)
{
    json counts = json::object();
    for (const IntegrityState s : kStates) {
        counts[integrityStateKey(s)] = d.count(s);
    }
    const bool any = d.epochs > 0;
    return json{{"alertLimit", numberOrNull(limit, d.assessed)},
                {"epochs", d.epochs},
                {"counts", std::move(counts)},
                {"lag1Autocorrelation", numberOrNull(d.lag1Autocorrelation, any)},
                {"effectiveEpochs", numberOrNull(d.effectiveEpochs, any)},
                {"misleadingRateBound95", numberOrNull(d.misleadingRateBound, any)},
                {"hazardousRateBound95", numberOrNull(d.hazardousRateBound, any)}};
}

void directionText(std::ostream& out, const char* name, const IntegrityDirection& d)
{
    if (!d.assessed) {
        return;
    }
    out << "  " << alignLeft(name, 10) << ' ' << alignRight(std::to_string(d.epochs), 8)
        << " epochs";
    for (const IntegrityState s : kStates) {
        out << ", " << integrityStateKey(s) << ' ' << d.count(s);
    }
    out << '\n';
    if (d.epochs > 0) {
        out << "             effective epochs " << formatFixed(d.effectiveEpochs, 1)
            << " (lag-1 autocorrelation " << formatFixed(d.lag1Autocorrelation, 3)
            << "), 95 % upper bound of the misleading rate "
            << formatGeneral(d.misleadingRateBound, 3) << ", hazardous "
            << formatGeneral(d.hazardousRateBound, 3) << '\n';
    }
}

}  // namespace

std::string readIntegrityOptions(const std::string& alertLimit, const std::string& protection,
                                 IntegrityOptions& out)
{
    const std::string_view limits = alertLimit;
    const std::size_t comma = limits.find(',');
    double h = 0;
    double v = 0;
    if (!readNumber(limits.substr(0, comma), h) ||
        (comma != std::string_view::npos && !readNumber(limits.substr(comma + 1), v)) ||
        h < 0 || v < 0) {
        return "--alert-limit: expected H or H,V in metres, not " + alertLimit;
    }
    out.horizontalAlertLimit = h;
    out.verticalAlertLimit = v;
    const std::string_view p = protection;
    if (p == "pl") {
        out.source = ProtectionSource::Level;
        return {};
    }
    double k = 0;
    if (p.size() > kSigmaSuffix.size() && p.ends_with(kSigmaSuffix) &&
        readNumber(p.substr(0, p.size() - kSigmaSuffix.size()), k) && k > 0) {
        out.source = ProtectionSource::KSigma;
        out.k = k;
        return {};
    }
    return "--protection: expected K-sigma (K > 0, e.g. 5.33-sigma) or pl, not " + protection;
}

Integrity integrityOf(const GNSSLog& analysis, const IntegrityOptions& options)
{
    if (analysis.truthUndefined()) {
        return {};
    }
    return computeIntegrity(analysis.records, analysis.accuracy,
                            {analysis.truthX(), analysis.truthY(), analysis.truthZ()}, options);
}

void writeIntegrityText(std::ostream& out, const Integrity& integrity)
{
    out << "Integrity\n";
    directionText(out, "horizontal", integrity.horizontal);
    directionText(out, "vertical", integrity.vertical);
}

json integrityJson(const Integrity& integrity, const IntegrityOptions& options)
{
    json protection = options.source == ProtectionSource::Level
                          ? json("pl")
                          : json{{"kSigma", options.k}};
    return json{{"protection", std::move(protection)},
                {"horizontal", directionJson(integrity.horizontal, options.horizontalAlertLimit)},
                {"vertical", directionJson(integrity.vertical, options.verticalAlertLimit)}};
}

NormalisedErrors normalisedErrorsOf(const GNSSLog& analysis)
{
    if (analysis.truthUndefined()) {
        return {};
    }
    return computeNormalisedErrors(analysis.records, analysis.accuracy,
                                   {analysis.truthX(), analysis.truthY(), analysis.truthZ()});
}

void writeNormalisedErrorText(std::ostream& out, const NormalisedErrors& errors)
{
    if (errors.epochs == 0) {
        return;
    }
    out << "Normalised error (error / the log's own 1-sigma): " << errors.epochs << " epochs\n";
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        const auto cls = static_cast<SolutionClass>(c);
        const NormalisedClass& n = errors.of(cls);
        if (n.verdict() == Honesty::None) {
            continue;
        }
        out << solutionClassLabel(cls) << ": " << honestyName(n.verdict()) << '\n';
        for (const NormalisedAxisId id : kAxes) {
            const NormalisedAxis& a = n.of(id);
            if (a.count == 0) {
                continue;
            }
            out << "  " << alignLeft(normalisedAxisKey(id), 10) << ' '
                << alignRight(std::to_string(a.count), 8) << " within 1/2/3 sigma "
                << percentList(a.share) << " (expected " << percentList(a.expected)
                << "), p95 " << formatFixed(a.p95, 2) << ", " << honestyName(a.verdict) << '\n';
        }
    }
}

json normalisedErrorJson(const NormalisedErrors& errors)
{
    json classes = json::object();
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        const auto cls = static_cast<SolutionClass>(c);
        const NormalisedClass& n = errors.of(cls);
        json object{{"verdict", verdictJson(n.verdict())}};
        for (const NormalisedAxisId id : kAxes) {
            object[normalisedAxisKey(id)] = axisJson(n.of(id));
        }
        classes[solutionClassKey(cls)] = std::move(object);
    }
    return json{{"epochs", errors.epochs}, {"classes", std::move(classes)}};
}

}  // namespace gnsslog
