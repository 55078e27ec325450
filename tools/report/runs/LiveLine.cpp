#include "tools/report/runs/LiveLine.h"

#include <algorithm>
#include <span>

#include "compare/LogFigures.h"
#include "compare/Requirements.h"
#include "log/Gpslog.h"
#include "tools/report/options/FrameOptions.h"
#include "tools/report/writers/ComparisonJson.h"
#include "tools/report/writers/JsonReport.h"
#include "tools/report/writers/QualityReport.h"

namespace gnsslog {

namespace {

constexpr double kMillisecondsPerSecond = 1000.0;

nlohmann::ordered_json optionalValue(const std::optional<double>& value)
{
    return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
}

// Each requirement's verdict over every record so far and over the last interval.
nlohmann::ordered_json verdictsJson(const std::vector<Requirement>& requirements,
                                    const LogFigures& total, const LogFigures& interval,
                                    bool truthDefined, bool& pass)
{
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    const std::vector<Verdict> totals = checkRequirements(requirements, total, truthDefined);
    const std::vector<Verdict> intervals = checkRequirements(requirements, interval, truthDefined);
    pass = allPass(totals);
    for (std::size_t i = 0; i < requirements.size(); ++i) {
        nlohmann::ordered_json j;
        j["requirement"] = requirements[i].text;
        j["value"] = optionalValue(totals[i].value);
        j["verdict"] = verdictText(totals[i]);
        j["intervalValue"] = optionalValue(intervals[i].value);
        j["intervalVerdict"] = verdictText(intervals[i]);
        list.push_back(std::move(j));
    }
    return list;
}

}  // namespace

nlohmann::ordered_json liveSessionJson(const std::string& source, const LiveProgress& progress)
{
    nlohmann::ordered_json j;
    j["source"] = source;
    // Divided, not multiplied by 0.001, so 1001 ms prints as 1.001.
    j["elapsed"] = static_cast<double>(progress.elapsed.count()) / kMillisecondsPerSecond;
    j["bytes"] = progress.bytes;
    j["drops"] = progress.counters.drops;
    j["reconnects"] = progress.counters.reconnects;
    j["segments"] = progress.counters.segments;
    return j;
}

nlohmann::ordered_json liveFiguresJson(const ReportOptions& archiveOptions, std::size_t& recordsBefore)
{
    FrameSettings frame;
    nlohmann::ordered_json j;
    if (const std::string problem = resolveFrameSettings(archiveOptions, frame); !problem.empty()) {
        j["error"] = problem;
        return j;
    }
    const InputFormat& format = archiveOptions.inputFormat();
    const GNSSLog analysis(archiveOptions.logFile.c_str(), nullptr, frame.decode, format,
                           archiveOptions.truthMode(), frame.manual[0], frame.manual[1],
                           frame.manual[2]);
    const std::span<const GNSSRecord> records(analysis.records);
    const std::size_t first = std::min(recordsBefore, records.size());
    recordsBefore = records.size();
    const double threshold = archiveOptions.stats.wrongFixThreshold;
    const double tx = analysis.truthX();
    const double ty = analysis.truthY();
    const double tz = analysis.truthZ();
    const LogFigures total = computeLogFigures(records, tx, ty, tz, threshold);
    const LogFigures interval = computeLogFigures(records.subspan(first), tx, ty, tz, threshold);
    j["format"] = std::string(format.name());
    j["total"] = figuresJson(total);
    j["interval"] = figuresJson(interval);
    const std::vector<Requirement>& requirements = archiveOptions.comparison.requirements;
    if (!requirements.empty()) {
        bool pass = false;
        j["requirements"] =
            verdictsJson(requirements, total, interval, !analysis.truthUndefined(), pass);
        j["pass"] = pass;
    }
    j["dataQuality"] = dataQualityJson(analysis.dataQuality);
    return j;
}

}  // namespace gnsslog
