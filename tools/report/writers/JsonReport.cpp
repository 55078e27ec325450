#include "tools/report/writers/JsonReport.h"

#include "common/BuildVersion.h"
#include "log/FrameText.h"
#include "tools/report/ReportMessages.h"

namespace gnsslog {

std::vector<std::string> summaryInWindowOrder(const SummaryTexts& t)
{
    return {t.label1, t.label2, t.label6, t.label4, t.label3, t.label5};
}

std::vector<std::string> shownSummary(const GNSSLog& log, const SummaryTexts& texts)
{
    if (log.records.empty()) {
        return {kNoRecordsMessage};
    }
    return summaryInWindowOrder(texts);
}

nlohmann::ordered_json generatorJson()
{
    nlohmann::ordered_json j;
    j["name"] = kReportProgramName;
    j["version"] = std::string(buildVersion());
    return j;
}

nlohmann::ordered_json histogramJson(const Histogram& histogram)
{
    nlohmann::ordered_json bins = nlohmann::ordered_json::array();
    for (const ErrorRecord& bin : histogram.bins()) {
        bins.push_back(nlohmann::ordered_json::array({bin.key, bin.count}));
    }
    nlohmann::ordered_json object;
    object["sampleCount"] = histogram.sampleCount();
    object["peakCount"] = histogram.peakCount();
    object["bins"] = std::move(bins);
    return object;
}

nlohmann::ordered_json analysisJson(const GNSSLog& log, const SummaryTexts& texts)
{
    return analysisJson(log, texts, log);
}

nlohmann::ordered_json analysisJson(const GNSSLog& log, const SummaryTexts& texts,
                                    const GNSSLog& errors)
{
    nlohmann::ordered_json j;
    j["records"] = log.records.size();
    j["rtkFixCount"] = log.rtkFixCount;
    j["fixLostCount"] = log.fixLostCount;
    j["avgLatitude"] = log.avgLatitude;
    j["avgLongitude"] = log.avgLongitude;
    j["avgZ"] = log.avgZ;
    j["avgX"] = log.avgX;
    j["avgY"] = log.avgY;
    j["firstFixX"] = log.firstFixX;
    j["firstFixY"] = log.firstFixY;
    j["firstFixZ"] = log.firstFixZ;
    j["manualX"] = log.manualX;
    j["manualY"] = log.manualY;
    j["manualZ"] = log.manualZ;
    j["maxErrorX"] = errors.maxErrorX;
    j["maxErrorY"] = errors.maxErrorY;
    j["maxErrorZ"] = errors.maxErrorZ;
    j["startTime"] = log.startTime;
    j["endTime"] = log.endTime;
    j["truthMode"] = log.truthMode;
    if (log.truthUndefined()) {
        j["truthWarning"] = kAveragedTruthUndefined;
    }
    nlohmann::ordered_json histograms;
    histograms["histZ"] = histogramJson(errors.histZ);
    histograms["histX"] = histogramJson(errors.histX);
    histograms["histY"] = histogramJson(errors.histY);
    histograms["hist3DFix"] = histogramJson(errors.hist3DFix);
    histograms["hist3DRtkx"] = histogramJson(errors.hist3DRtkx);
    j["histograms"] = std::move(histograms);
    j["summary"] = shownSummary(log, texts);
    return j;
}

nlohmann::ordered_json frameJson(const GNSSLog& log)
{
    nlohmann::ordered_json j;
    j["name"] = gridFrameName(log);
    j["description"] = gridFrameDescription(log);
    if (log.gridConverted && log.frame.kind == GridKind::Projected) {
        j["epsg"] = log.frame.epsg;
    }
    if (log.gridConverted && log.frame.kind == GridKind::Enu) {
        j["origin"] = nlohmann::ordered_json{{"latitude", log.frameOrigin.latitude},
                                             {"longitude", log.frameOrigin.longitude},
                                             {"height", log.frameOrigin.height}};
    }
    return j;
}

}  // namespace gnsslog
