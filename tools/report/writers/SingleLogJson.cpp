#include "tools/report/writers/SingleLogJson.h"

#include "tools/report/writers/HonestyReport.h"
#include "tools/report/writers/JsonReport.h"
#include "tools/report/writers/QualityReport.h"
#include "tools/report/writers/ReferenceReport.h"
#include "tools/report/writers/SessionsReport.h"
#include "tools/report/writers/StatsReport.h"

namespace gnsslog {

nlohmann::ordered_json singleLogJson(const SingleLogJsonParts& parts)
{
    const bool withReference = parts.reference != nullptr && parts.match != nullptr &&
                               parts.referenceWarnings != nullptr;
    nlohmann::ordered_json document = analysisJson(parts.analysis, parts.texts, parts.measured);
    addStatisticsJson(document, parts.statistics);
    if (withReference) {
        addTrackStatisticsJson(document, parts.analysis.records, *parts.match);
    }
    if (parts.normalised != nullptr && parts.normalised->epochs > 0) {
        document["normalisedError"] = normalisedErrorJson(*parts.normalised);
    }
    if (parts.integrity != nullptr && parts.integrityOptions != nullptr) {
        document["integrity"] = integrityJson(*parts.integrity, *parts.integrityOptions);
    }
    if (parts.sessions != nullptr && parts.sessionOptions != nullptr) {
        document["sessions"] = sessionsJson(*parts.sessions, *parts.sessionOptions);
    }
    document["dataQuality"] = dataQualityJson(parts.analysis.dataQuality);
    document["frame"] = frameJson(parts.analysis);
    // A compared log's document stays the one a single-log run prints.
    document["generator"] = generatorJson();
    if (withReference) {
        document["reference"] = referenceJson(*parts.reference, parts.analysis.records,
                                              *parts.match, *parts.referenceWarnings);
    }
    return document;
}

}  // namespace gnsslog
