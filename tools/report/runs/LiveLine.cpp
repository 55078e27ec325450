#include "tools/report/runs/LiveLine.h"

#include <algorithm>
#include <span>

#include "compare/LogFigures.h"
#include "compare/Requirements.h"
#include "log/formats/FormatDetection.h"
#include "log/Gpslog.h"
#include "platform/LogFile.h"
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

LiveLineAnalysis::LiveLineAnalysis(const ReportOptions& archiveOptions)
    : options_(archiveOptions), kept_(archiveOptions.truthMode(), 0, 0, 0)
{
}

LiveLineAnalysis::~LiveLineAnalysis() = default;

bool LiveLineAnalysis::start(const FrameSettings& frame)
{
    // Detected once, as soon as a format finds frames in what has arrived,
    // or once the bytes detection looks at have come without one.
    const char* archive = options_.logFile.c_str();
    if (options_.format == kAutoFormatName && detectLogFileFormat(archive, options_.verifyNmeaChecksum()) == nullptr &&
        LogFile(archive).size() < kDetectionBytes) {
        return false;
    }
    format_ = &options_.inputFormat();
    reader_ = std::make_unique<GrowingLogReader>(*format_, frame.decode);
    kept_.manualX = frame.manual[0];
    kept_.manualY = frame.manual[1];
    kept_.manualZ = frame.manual[2];
    return true;
}

nlohmann::ordered_json LiveLineAnalysis::lineFigures()
{
    nlohmann::ordered_json j;
    if (!reader_) {
        FrameSettings frame;
        if (const std::string problem = resolveFrameSettings(options_, frame); !problem.empty()) {
            j["error"] = problem;
            return j;
        }
        start(frame);
    }
    if (reader_) {
        if (const std::string problem = reader_->feedGrowth(options_.logFile.c_str()); !problem.empty()) {
            j["error"] = problem;
            return j;
        }
        reader_->handOver(kept_);
    }
    const std::span<const GNSSRecord> records(kept_.records);
    const std::size_t first = std::min(recordsBefore_, records.size());
    recordsBefore_ = records.size();
    const double threshold = options_.stats.wrongFixThreshold;
    const double tx = kept_.truthX();
    const double ty = kept_.truthY();
    const double tz = kept_.truthZ();
    const LogFigures total = computeLogFigures(records, tx, ty, tz, threshold);
    const LogFigures interval = computeLogFigures(records.subspan(first), tx, ty, tz, threshold);
    j["format"] = std::string((format_ != nullptr ? *format_ : options_.inputFormat()).name());
    j["total"] = figuresJson(total);
    j["interval"] = figuresJson(interval);
    const std::vector<Requirement>& requirements = options_.comparison.requirements;
    if (!requirements.empty()) {
        bool pass = false;
        j["requirements"] = verdictsJson(requirements, total, interval, !kept_.truthUndefined(), pass);
        j["pass"] = pass;
    }
    j["dataQuality"] = dataQualityJson(kept_.dataQuality);
    return j;
}

}  // namespace gnsslog
