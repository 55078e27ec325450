#include "tools/report/writers/StatsReport.h"

#include <cmath>
#include <ostream>
#include <utility>

#include <CLI/CLI.hpp>

#include "common/FormatNumber.h"
#include "log/Gpslog.h"

namespace gnsslog {

namespace {

using json = nlohmann::ordered_json;

// null for a value that does not exist or is not finite.
json number(double value, bool exists = true)
{
    if (!exists || !std::isfinite(value)) {
        return nullptr;
    }
    return value;
}

// Fixed-point text without the locale; "-" for a value that is not finite.
std::string fixedOrDash(double value, int decimals)
{
    return std::isfinite(value) ? formatFixed(value, decimals) : std::string("-");
}

json axisJson(const AxisStats& a)
{
    const bool any = a.count > 0;
    return json{{"count", a.count},        {"mean", number(a.mean, any)},
                {"stdDev", number(a.stdDev, any)}, {"rms", number(a.rms, any)},
                {"min", number(a.min, any)},  {"max", number(a.max, any)}};
}

json withinJson(const std::vector<double>& thresholds, const std::vector<double>& shares,
                bool any)
{
    json list = json::array();
    for (std::size_t i = 0; i < thresholds.size() && i < shares.size(); ++i) {
        list.push_back({{"threshold", number(thresholds[i])}, {"share", number(shares[i], any)}});
    }
    return list;
}

json percentilesJson(json object, const std::array<double, 4>& p, bool any)
{
    for (std::size_t i = 0; i < kReportedPercentiles.size(); ++i) {
        object["p" + std::to_string(kReportedPercentiles[i])] = number(p[i], any);
    }
    return object;
}

void axisLine(std::ostream& out, const char* name, const AxisStats& a)
{
    out << "  " << alignLeft(name, 10) << ' ' << alignRight(formatInt(a.count), 9);
    if (a.count > 0) {
        for (double value : {a.mean, a.stdDev, a.rms, a.min, a.max}) {
            out << ' ' << alignRight(formatMetres(value), 10);
        }
    }
    out << '\n';
}

void percentileLine(std::ostream& out, const char* name, std::int64_t count,
                    const std::array<double, 4>& p, const std::string& extra)
{
    out << "  " << name << ' ' << count << " epochs";
    if (count > 0) {
        for (std::size_t i = 0; i < kReportedPercentiles.size(); ++i) {
            out << ", " << kReportedPercentiles[i] << " % " << formatMetres(p[i]);
        }
        out << extra;
    }
    out << '\n';
}

void withinLine(std::ostream& out, const char* name, std::int64_t count,
                const std::vector<double>& thresholds, const std::vector<double>& shares)
{
    if (count == 0 || thresholds.empty()) {
        return;
    }
    out << "  " << name << " within";
    for (std::size_t i = 0; i < thresholds.size() && i < shares.size(); ++i) {
        out << (i == 0 ? " " : ", ") << formatMetres(thresholds[i]) << " m " << formatShare(shares[i]);
    }
    out << '\n';
}

void classBlock(std::ostream& out, SolutionClass c, const AccuracyStats& stats)
{
    const ClassAccuracy& a = stats.of(c);
    out << solutionClassLabel(c) << ": " << a.epochs << " epochs\n";
    if (a.epochs == 0) {
        return;
    }
    out << "  axis           count       mean    std dev        RMS        min        max\n";
    axisLine(out, "X", a.x);
    axisLine(out, "Y", a.y);
    axisLine(out, "Z", a.z);
    axisLine(out, "3-D", a.threeD);
    percentileLine(out, "horizontal", a.horizontalCount, a.horizontalPercentiles,
                   ", 2DRMS " + formatMetres(a.twoDrms));
    percentileLine(out, "vertical", a.verticalCount, a.verticalPercentiles, "");
    withinLine(out, "horizontal", a.horizontalCount, stats.thresholds, a.horizontalWithin);
    withinLine(out, "vertical", a.verticalCount, stats.thresholds, a.verticalWithin);
    if (a.estimateCount > 0) {
        out << "  error estimate " << a.estimateCount << " epochs, 3-D error within 1x "
            << formatShare(a.estimateWithin[0]) << ", 2x " << formatShare(a.estimateWithin[1])
            << ", 3x " << formatShare(a.estimateWithin[2]) << '\n';
    }
}

}  // namespace

std::string formatMetres(double value) { return fixedOrDash(value, 4); }
std::string formatSeconds(double value) { return fixedOrDash(value, 3); }

std::string formatShare(double share)
{
    const double percent = share * 100.0;
    return std::isfinite(percent) ? formatFixed(percent, 1) + " %" : std::string("-");
}

std::string formatFixTypes(const std::vector<std::uint8_t>& types)
{
    std::string text;
    for (std::uint8_t t : types) {
        if (!text.empty()) {
            text += ", ";
        }
        text += std::to_string(t);
    }
    return text;
}

void writeStatisticsText(std::ostream& out, const Statistics& stats)
{
    out << "Statistics (errors record minus truth, metres)\n";
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        classBlock(out, static_cast<SolutionClass>(c), stats.accuracy);
    }

    const FixContinuity& fc = stats.continuity;
    out << "Fix continuity\n";
    out << "  time to first fix "
        << (fc.firstFixFound ? formatSeconds(fc.timeToFirstFix) + " s" : std::string("none"))
        << '\n';
    if (fc.epochCount > 0) {
        out << "  availability " << formatShare(fc.availability) << " of "
            << formatSeconds(fc.coveredSeconds) << " s (epoch interval "
            << formatSeconds(fc.nominalInterval) << " s)\n";
    }
    out << "  fix losses " << fc.losses.size() << ", regained " << fc.refixCount;
    if (fc.refixCount > 0) {
        out << "; re-fix time median " << formatSeconds(fc.refixMedian) << " s, 95 % "
            << formatSeconds(fc.refix95) << " s, max " << formatSeconds(fc.refixMax) << " s";
    }
    out << '\n';
    if (!fc.losses.empty()) {
        out << "  loss  from start (s)        time (s)     re-fix (s)  fix types meanwhile\n";
        for (std::size_t i = 0; i < fc.losses.size(); ++i) {
            const FixLossEvent& e = fc.losses[i];
            out << "  " << alignRight(std::to_string(i + 1), 4) << ' '
                << alignRight(formatSeconds(e.sinceStart), 15) << ' '
                << alignRight(formatSeconds(e.time), 15) << ' '
                << alignRight(e.regained ? formatSeconds(e.duration) : "not regained", 14) << "  "
                << formatFixTypes(e.fixTypes) << '\n';
        }
    }

    const WrongFixes& wf = stats.wrongFixes;
    out << "Wrong fixes (error > " << formatMetres(wf.threshold) << " m)\n";
    out << "  " << wf.wrongEpochs << " of " << wf.fixedEpochs << " fixed epochs";
    if (wf.fixedEpochs > 0) {
        out << " (" << formatShare(wf.share) << ")";
    }
    out << " in " << wf.spans.size() << (wf.spans.size() == 1 ? " span\n" : " spans\n");
    if (!wf.spans.empty()) {
        out << "  span  from start (s)      start (s)        end (s)  epochs  max horiz.  max vert.\n";
        for (std::size_t i = 0; i < wf.spans.size(); ++i) {
            const WrongFixSpan& s = wf.spans[i];
            out << "  " << alignRight(std::to_string(i + 1), 4) << ' '
                << alignRight(formatSeconds(s.startTime - fc.logStart), 15) << ' '
                << alignRight(formatSeconds(s.startTime), 14) << ' '
                << alignRight(formatSeconds(s.endTime), 14) << ' '
                << alignRight(std::to_string(s.epochCount), 7) << ' '
                << alignRight(formatMetres(s.maxHorizontal), 11) << ' '
                << alignRight(formatMetres(s.maxVertical), 10) << '\n';
        }
    }
}

json statisticsJson(const AccuracyStats& stats)
{
    json classes = json::object();
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        const auto cls = static_cast<SolutionClass>(c);
        const ClassAccuracy& a = stats.of(cls);
        const bool anyH = a.horizontalCount > 0;
        const bool anyV = a.verticalCount > 0;
        json horizontal = percentilesJson({{"count", a.horizontalCount}}, a.horizontalPercentiles, anyH);
        horizontal["cep50"] = number(a.horizontalPercentiles[0], anyH);
        horizontal["r95"] = number(a.horizontalPercentiles[2], anyH);
        horizontal["twoDrms"] = number(a.twoDrms, anyH);
        horizontal["within"] = withinJson(stats.thresholds, a.horizontalWithin, anyH);
        json vertical = percentilesJson({{"count", a.verticalCount}}, a.verticalPercentiles, anyV);
        vertical["within"] = withinJson(stats.thresholds, a.verticalWithin, anyV);
        const bool anyE = a.estimateCount > 0;
        json estimate{{"count", a.estimateCount},
                      {"within1x", number(a.estimateWithin[0], anyE)},
                      {"within2x", number(a.estimateWithin[1], anyE)},
                      {"within3x", number(a.estimateWithin[2], anyE)}};
        classes[solutionClassKey(cls)] = json{{"epochs", a.epochs},
                                              {"label", solutionClassLabel(cls)},
                                              {"x", axisJson(a.x)},
                                              {"y", axisJson(a.y)},
                                              {"z", axisJson(a.z)},
                                              {"threeD", axisJson(a.threeD)},
                                              {"horizontal", std::move(horizontal)},
                                              {"vertical", std::move(vertical)},
                                              {"errorEstimate", std::move(estimate)}};
    }
    json thresholds = json::array();
    for (double t : stats.thresholds) {
        thresholds.push_back(number(t));
    }
    return json{{"withinThresholds", std::move(thresholds)}, {"classes", std::move(classes)}};
}

json fixContinuityJson(const FixContinuity& fc)
{
    const bool any = fc.epochCount > 0;
    json losses = json::array();
    for (const FixLossEvent& e : fc.losses) {
        losses.push_back({{"recordIndex", e.recordIndex},
                          {"time", number(e.time)},
                          {"sinceStart", number(e.sinceStart)},
                          {"regained", e.regained},
                          {"duration", number(e.duration, e.regained)},
                          {"fixTypes", e.fixTypes}});
    }
    const bool anyRefix = fc.refixCount > 0;
    return json{{"epochs", fc.epochCount},
                {"fixedEpochs", fc.fixedEpochCount},
                {"logStart", number(fc.logStart, any)},
                {"timeToFirstFix", number(fc.timeToFirstFix, fc.firstFixFound)},
                {"epochInterval", number(fc.nominalInterval, fc.nominalInterval > 0)},
                {"coveredSeconds", number(fc.coveredSeconds, any)},
                {"fixedSeconds", number(fc.fixedSeconds, any)},
                {"availability", number(fc.availability, any)},
                {"lossCount", fc.losses.size()},
                {"refix",
                 {{"count", fc.refixCount},
                  {"median", number(fc.refixMedian, anyRefix)},
                  {"p95", number(fc.refix95, anyRefix)},
                  {"max", number(fc.refixMax, anyRefix)}}},
                {"losses", std::move(losses)}};
}

json wrongFixesJson(const WrongFixes& wf, double logStart)
{
    json spans = json::array();
    for (const WrongFixSpan& s : wf.spans) {
        spans.push_back({{"recordIndex", s.firstIndex},
                         {"start", number(s.startTime)},
                         {"end", number(s.endTime)},
                         {"sinceStart", number(s.startTime - logStart)},
                         {"epochs", s.epochCount},
                         {"maxHorizontal", number(s.maxHorizontal)},
                         {"maxVertical", number(s.maxVertical)}});
    }
    return json{{"threshold", number(wf.threshold)},
                {"fixedEpochs", wf.fixedEpochs},
                {"count", wf.wrongEpochs},
                {"share", number(wf.share, wf.fixedEpochs > 0)},
                {"spans", std::move(spans)}};
}

void addStatisticsJson(json& report, const Statistics& stats)
{
    report["statistics"] = statisticsJson(stats.accuracy);
    report["fixContinuity"] = fixContinuityJson(stats.continuity);
    report["wrongFixes"] = wrongFixesJson(stats.wrongFixes, stats.continuity.logStart);
}

}  // namespace gnsslog
