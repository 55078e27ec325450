#include "tools/report/writers/ReferenceReport.h"

#include <cmath>
#include <string_view>
#include <vector>

#include "common/FormatNumber.h"
#include "reference/Interpolation.h"
#include "reference/Latency.h"
#include "reference/TrackFigures.h"
#include "tools/report/writers/StatsReport.h"

namespace gnsslog {

namespace {

constexpr double kMillisecondsPerSecond = 1000;

constexpr std::string_view kTimeScaleNames[] = {"GPS", "UTC"};
constexpr std::string_view kDateNames[] = {"timeOfDay", "timeOfWeek", "fullDate"};
constexpr TruthCause kWithoutTruth[] = {TruthCause::OutsideSpan, TruthCause::InGap,
                                        TruthCause::NoDate};

std::string_view timeScaleName(TimeScale scale) noexcept
{
    return kTimeScaleNames[static_cast<std::size_t>(scale)];
}

nlohmann::ordered_json figuresJson(const ErrorFigures& figures)
{
    nlohmann::ordered_json json;
    json["count"] = figures.count;
    if (figures.count == 0) {
        json["mean"] = json["rms"] = json["p95"] = nullptr;
    } else {
        json["mean"] = figures.mean;
        json["rms"] = figures.rms;
        json["p95"] = figures.p95;
    }
    return json;
}

nlohmann::ordered_json speedBandsJson(const SpeedBands& figures)
{
    nlohmann::ordered_json bands = nlohmann::ordered_json::array();
    for (const SpeedBandFigures& band : figures) {
        nlohmann::ordered_json json;
        json["from_mps"] = band.from;
        json["to_mps"] = std::isfinite(band.to) ? nlohmann::ordered_json(band.to) : nullptr;
        json["horizontal"] = figuresJson(band.horizontal);
        bands.push_back(std::move(json));
    }
    return bands;
}

nlohmann::ordered_json classesJson(const std::vector<GNSSRecord>& records, const TruthMatch& match)
{
    const auto figures = trackFiguresByClass(records, match);
    nlohmann::ordered_json json;
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        nlohmann::ordered_json block;
        block["matched"] = figures[c].matched;
        block["horizontal"] = figuresJson(figures[c].horizontal);
        block["along"] = figuresJson(figures[c].along);
        block["cross"] = figuresJson(figures[c].cross);
        json[solutionClassKey(static_cast<SolutionClass>(c))] = block;
    }
    return json;
}

// "  along 812 epochs, RMS 0.0123, 95 % 0.0234"
void figuresLine(std::ostream& out, std::string_view name, const ErrorFigures& figures)
{
    out << "  " << name << ' ' << formatInt(static_cast<std::int64_t>(figures.count)) << " epochs";
    if (figures.count > 0) {
        out << ", RMS " << formatMetres(figures.rms) << ", 95 % " << formatMetres(figures.p95);
    }
    out << '\n';
}

// "  speed 1-5 m/s: 812 epochs, horizontal 95 % 0.0234"; "over 30 m/s" for the last.
void bandLine(std::ostream& out, const SpeedBandFigures& band)
{
    out << "  speed "
        << (std::isfinite(band.to) ? formatInt(static_cast<std::int64_t>(band.from)) + '-' +
                                         formatInt(static_cast<std::int64_t>(band.to))
                                   : "over " + formatInt(static_cast<std::int64_t>(band.from)))
        << " m/s: " << formatInt(static_cast<std::int64_t>(band.horizontal.count)) << " epochs";
    if (band.horizontal.count > 0) {
        out << ", horizontal 95 % " << formatMetres(band.horizontal.p95);
    }
    out << '\n';
}

// "Truth: ..." and "Without truth: ..." where epochs have none.
void writeTruthLines(std::ostream& out, const ReferenceTrajectory& reference,
                     const TruthMatch& match)
{
    out << "Truth: reference trajectory " << reference.file << " (" << reference.format << ", "
        << timeScaleName(reference.clock.scale) << " time), "
        << formatInt(static_cast<std::int64_t>(match.count(TruthCause::Matched))) << " of "
        << formatInt(static_cast<std::int64_t>(match.withPosition)) << " epochs matched ("
        << formatFixed(match.coverage() * 100, 1) << " %)\n";
    if (match.count(TruthCause::Matched) == match.withPosition) {
        return;
    }
    out << "Without truth:";
    for (const TruthCause cause : kWithoutTruth) {
        out << ' ' << truthCauseName(cause) << ' '
            << formatInt(static_cast<std::int64_t>(match.count(cause)));
    }
    out << '\n';
}

}  // namespace

nlohmann::ordered_json referenceJson(const ReferenceTrajectory& reference,
                                     const std::vector<GNSSRecord>& records, const TruthMatch& match,
                                     const std::vector<std::string>& warnings)
{
    nlohmann::ordered_json json;
    json["file"] = reference.file;
    json["format"] = reference.format;
    json["timeScale"] = timeScaleName(reference.clock.scale);
    json["date"] = kDateNames[static_cast<std::size_t>(reference.clock.date)];
    json["epochs"] = reference.epochs.size();
    json["skipped"] = reference.skipped;
    json["span"] = {{"start_s", reference.epochs.front().time},
                    {"end_s", reference.epochs.back().time},
                    {"length_s", reference.epochs.back().time - reference.epochs.front().time}};
    json["medianInterval_s"] = medianInterval(reference.epochs);
    json["interpolation"] = interpolationName(interpolationOf(reference));
    json["maxGap_s"] = match.maxGap;
    json["matched"] = match.count(TruthCause::Matched);
    nlohmann::ordered_json without;
    for (const TruthCause cause : kWithoutTruth) {
        without[std::string(truthCauseName(cause))] = match.count(cause);
    }
    json["withoutTruth"] = without;
    json["coverage"] = match.coverage();
    json["dateCompleted"] = match.completedDate;
    json["timeOffset_s"] = match.timeOffset;
    json["leverArm"] = {{"forward_m", match.leverArm.forward},
                        {"right_m", match.leverArm.right},
                        {"up_m", match.leverArm.up}};
    const LatencyEstimate latency = estimateLatency(records, match);
    json["latency_s"] = latency.estimated ? nlohmann::ordered_json(latency.seconds) : nullptr;
    json["latencyStdErr_s"] = latency.estimated ? nlohmann::ordered_json(latency.stdErr) : nullptr;
    json["latencyEpochs"] = latency.epochs;
    json["warnings"] = warnings;
    json["classes"] = classesJson(records, match);
    return json;
}

void addTrackStatisticsJson(nlohmann::ordered_json& document,
                            const std::vector<GNSSRecord>& records, const TruthMatch& match)
{
    nlohmann::ordered_json& statistics = document["statistics"];
    const auto figures = trackFiguresByClass(records, match);
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        nlohmann::ordered_json& block = statistics["classes"][solutionClassKey(static_cast<SolutionClass>(c))];
        block["along"] = figuresJson(figures[c].along);
        block["cross"] = figuresJson(figures[c].cross);
        block["speedBands"] = speedBandsJson(figures[c].speedBands);
    }
    statistics["speedBands"] = speedBandsJson(figures[kAllClassIndex].speedBands);
}

void writeTrackStatisticsText(std::ostream& out, const std::vector<GNSSRecord>& records,
                              const TruthMatch& match)
{
    out << "Against the reference (metres)\n";
    const auto figures = trackFiguresByClass(records, match);
    for (std::size_t c = 0; c < kSolutionClassCount; ++c) {
        const TrackFigures& f = figures[c];
        if (f.matched == 0) {
            continue;
        }
        out << solutionClassLabel(static_cast<SolutionClass>(c)) << ": "
            << formatInt(static_cast<std::int64_t>(f.matched)) << " epochs\n";
        figuresLine(out, "along", f.along);
        figuresLine(out, "cross", f.cross);
        for (const SpeedBandFigures& band : f.speedBands) {
            bandLine(out, band);
        }
    }
}

void writeReferenceText(std::ostream& out, const ReferenceTrajectory& reference,
                        const std::vector<GNSSRecord>& records, const TruthMatch& match,
                        const std::vector<std::string>& warnings)
{
    writeTruthLines(out, reference, match);
    const LatencyEstimate latency = estimateLatency(records, match);
    if (latency.estimated) {
        out << "Latency: " << formatFixed(latency.seconds * kMillisecondsPerSecond, 1) << " ms +- "
            << formatFixed(latency.stdErr * kMillisecondsPerSecond, 1) << " ms ("
            << formatInt(static_cast<std::int64_t>(latency.epochs)) << " epochs)\n";
    }
    for (const std::string& warning : warnings) {
        out << "Warning: " << warning << '\n';
    }
}

}  // namespace gnsslog
