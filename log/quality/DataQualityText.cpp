#include "log/quality/DataQualityText.h"

#include <cmath>

#include "common/FormatNumber.h"

namespace gnsslog {

namespace {

std::string counted(std::uint64_t count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string step(const char* axis, double metres)
{
    return std::string(axis) + " " + (std::isnan(metres) ? "-" : formatFixed(metres * 100.0, 1) + " cm");
}

}  // namespace

std::vector<std::string> dataQualityLines(const DataQuality& q)
{
    std::vector<std::string> lines{"Data quality"};
    std::string types;
    for (const auto& [type, count] : q.framesByType) {
        types += (types.empty() ? " (" : ", ") + type + " " + std::to_string(count);
    }
    lines.push_back("  " + counted(q.frames, "frame", "frames") + (types.empty() ? "" : types + ")"));
    const std::string joined =
        q.joinedFrames == 0 ? "" : ", " + counted(q.joinedFrames, "frame", "frames") + " joined to them";
    lines.push_back("  " + counted(q.recordsKept, "record", "records") + " kept" + joined + "; rejected: " +
                    std::to_string(q.rejectedChecksum) + " checksum, " +
                    std::to_string(q.unreadFrames) + " of types not read, " +
                    std::to_string(q.rejectedFrames) + " unusable" +
                    (q.truncatedFrames == 0 ? ""
                                            : ", " + std::to_string(q.truncatedFrames) +
                                                  " cut short by the end of the log"));
    std::string clock = "  clock: " + counted(q.backwardSteps, "step back", "steps back") + ", " +
                        counted(q.dayWraps, "day wrap", "day wraps") + ", " +
                        counted(q.gaps, "gap", "gaps");
    if (!std::isnan(q.medianInterval)) {
        clock += " longer than twice the median interval of " + formatFixed(q.medianInterval, 3) + " s";
    }
    if (q.datesIgnored != 0) {
        clock += "; " + counted(q.datesIgnored, "date", "dates") + " ignored";
    }
    lines.push_back(clock);
    const CoordinateResolution& r = q.resolution;
    lines.push_back("  resolution: " + step("north", r.north) + ", " + step("east", r.east) + ", " +
                    step("height", r.height) + ", " + step("grid x", r.gridX) + ", " +
                    step("grid y", r.gridY));
    for (const std::string& warning : q.warnings) {
        lines.push_back("  warning: " + warning);
    }
    return lines;
}

}  // namespace gnsslog
