#include "tools/report/HonestyReport.h"

#include <cmath>
#include <ostream>
#include <string>

#include "common/FormatNumber.h"
#include "log/Gpslog.h"
#include "tools/report/StatsReport.h"

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

}  // namespace

NormalisedErrors normalisedErrorsOf(const GNSSLog& analysis)
{
    if (analysis.truthUndefined()) {
        return {};
    }
    return computeNormalisedErrors(analysis.records,
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
