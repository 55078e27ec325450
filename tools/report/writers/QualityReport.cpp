#include "tools/report/writers/QualityReport.h"

#include <cmath>
#include <ostream>

#include "log/quality/DataQualityText.h"

namespace gnsslog {

namespace {

using json = nlohmann::ordered_json;

json numberOrNull(double value)
{
    return std::isfinite(value) ? json(value) : json(nullptr);
}

}  // namespace

json dataQualityJson(const DataQuality& q)
{
    json types = json::object();
    for (const auto& [type, count] : q.framesByType) {
        types[type] = count;
    }
    const CoordinateResolution& r = q.resolution;
    return json{{"framesByType", std::move(types)},
                {"frames", q.frames},
                {"recordsKept", q.recordsKept},
                {"rejectedChecksum", q.rejectedChecksum},
                {"unreadFrames", q.unreadFrames},
                {"rejectedFrames", q.rejectedFrames},
                {"joinedFrames", q.joinedFrames},
                {"truncatedFrames", q.truncatedFrames},
                {"positionsOffGrid", q.positionsOffGrid},
                {"backwardSteps", q.backwardSteps},
                {"dayWraps", q.dayWraps},
                {"gaps", q.gaps},
                {"datesIgnored", q.datesIgnored},
                {"medianInterval_s", numberOrNull(q.medianInterval)},
                {"resolution",
                 json{{"north_m", numberOrNull(r.north)},
                      {"east_m", numberOrNull(r.east)},
                      {"height_m", numberOrNull(r.height)},
                      {"gridX_m", numberOrNull(r.gridX)},
                      {"gridY_m", numberOrNull(r.gridY)}}},
                {"warnings", q.warnings}};
}

void writeDataQualityText(std::ostream& out, const DataQuality& quality)
{
    for (const std::string& line : dataQualityLines(quality)) {
        out << line << '\n';
    }
}

}  // namespace gnsslog
