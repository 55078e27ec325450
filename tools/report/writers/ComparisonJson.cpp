#include "tools/report/writers/ComparisonJson.h"

#include <cmath>
#include <optional>

namespace gnsslog {

namespace {

nlohmann::ordered_json optionalNumber(const std::optional<double>& value)
{
    if (!value || !std::isfinite(*value)) {
        return nullptr;
    }
    return *value;
}

const char* truthSourceKey(TruthSource source)
{
    switch (source) {
    case TruthSource::EachLogAveraged: return "eachLogAveraged";
    case TruthSource::EachLogFirstFix: return "eachLogFirstFix";
    case TruthSource::Manual: return "manual";
    case TruthSource::FromLog: return "log";
    case TruthSource::Reference: return "reference";
    }
    return "unknown";
}

nlohmann::ordered_json truthJson(const SharedTruth& truth)
{
    nlohmann::ordered_json j;
    j["source"] = truthSourceKey(truth.source);
    if (truth.source == TruthSource::Reference) {
        j["file"] = truth.file;
    }
    if (truth.source == TruthSource::FromLog) {
        j["file"] = truth.file;
        j["mode"] = truth.fromMode == TruthMode::FirstFix ? "firstFix" : "averaged";
    }
    if (truth.source == TruthSource::FromLog || truth.source == TruthSource::Manual) {
        j["x"] = truth.x;
        j["y"] = truth.y;
        j["z"] = truth.z;
    }
    return j;
}

nlohmann::ordered_json verdictsJson(const std::vector<Requirement>& requirements,
                                    const std::vector<Verdict>& verdicts)
{
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < requirements.size() && i < verdicts.size(); ++i) {
        nlohmann::ordered_json j;
        j["requirement"] = requirements[i].text;
        j["value"] = optionalNumber(verdicts[i].value);
        j["verdict"] = verdictText(verdicts[i]);
        list.push_back(std::move(j));
    }
    return list;
}

}  // namespace

nlohmann::ordered_json figuresJson(const LogFigures& f)
{
    nlohmann::ordered_json j;
    j["records"] = f.records;
    j["fixShare"] = f.fixShare;
    j["fixLosses"] = f.fixLosses;
    j["timeToFirstFix"] = optionalNumber(f.timeToFirstFix);
    j["refixMedian"] = optionalNumber(f.refixMedian);
    j["refix95"] = optionalNumber(f.refix95);
    j["horizontal50"] = optionalNumber(f.horizontal50);
    j["horizontal95"] = optionalNumber(f.horizontal95);
    j["vertical95"] = optionalNumber(f.vertical95);
    j["availability"] = optionalNumber(f.availability);
    j["wrongFixes"] = f.wrongFixes;
    j["sessions"] = f.sessions;
    j["timeToFixMedian"] = optionalNumber(f.timeToFixMedian);
    j["timeToFix95"] = optionalNumber(f.timeToFix95);
    j["fixedWithin60s"] = optionalNumber(sessionsFixedWithin(f, 60));
    j["judgedFirstFixes"] = f.judgedFirstFixes;
    j["wrongFirstFixes"] = f.wrongFirstFixes;
    return j;
}

nlohmann::ordered_json comparisonJson(const LogComparison& comparison,
                                      const std::vector<Requirement>& requirements,
                                      double sliceSeconds)
{
    nlohmann::ordered_json j;
    j["truth"] = truthJson(comparison.truth);
    nlohmann::ordered_json texts = nlohmann::ordered_json::array();
    for (const Requirement& requirement : requirements) {
        texts.push_back(requirement.text);
    }
    j["requirements"] = std::move(texts);
    j["sliceSeconds"] = sliceSeconds > 0 ? nlohmann::ordered_json(sliceSeconds) : nullptr;
    nlohmann::ordered_json logs = nlohmann::ordered_json::array();
    bool pass = true;
    for (const LogRow& row : comparison.rows) {
        nlohmann::ordered_json log;
        log["file"] = row.file;
        if (!row.openError.empty()) {
            log["error"] = row.openError;
            log["pass"] = false;
            pass = false;
            logs.push_back(std::move(log));
            continue;
        }
        log["figures"] = figuresJson(row.figures);
        log["requirements"] = verdictsJson(requirements, row.verdicts);
        log["pass"] = row.passes();
        pass = pass && row.passes();
        if (sliceSeconds > 0) {
            nlohmann::ordered_json slices = nlohmann::ordered_json::array();
            for (const SliceRow& slice : row.slices) {
                nlohmann::ordered_json s;
                s["start"] = slice.slice.start;
                s["end"] = slice.slice.end;
                s["partial"] = slice.slice.partial;
                s["figures"] = figuresJson(slice.figures);
                s["requirements"] = verdictsJson(requirements, slice.verdicts);
                s["pass"] = allPass(slice.verdicts);
                slices.push_back(std::move(s));
            }
            log["slices"] = std::move(slices);
            if (!row.sliceError.empty()) {
                log["sliceError"] = row.sliceError;
            }
        }
        logs.push_back(std::move(log));
    }
    j["logs"] = std::move(logs);
    j["pass"] = pass;
    return j;
}

}  // namespace gnsslog
