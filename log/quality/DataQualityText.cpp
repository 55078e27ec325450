#include "log/quality/DataQualityText.h"

#include <algorithm>
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

constexpr std::size_t kContinuationIndent = 4;

bool isItemBreak(const std::string& line, std::size_t space)
{
    const char before = space > 0 ? line[space - 1] : ' ';
    const char after = space + 1 < line.size() ? line[space + 1] : ' ';
    return before == ',' || before == ';' || before == ':' || after == '(';
}

// The text between the spaces at which the line may be cut; with
// `anySpace`, every space is such a place.
std::vector<std::string> piecesOf(const std::string& text, bool anySpace)
{
    std::vector<std::string> pieces;
    std::size_t start = text.find_first_not_of(' ');
    if (start == std::string::npos) {
        return pieces;
    }
    for (std::size_t i = start; i < text.size(); ++i) {
        if (text[i] == ' ' && (anySpace || isItemBreak(text, i)) && i > start) {
            pieces.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    if (start < text.size()) {
        pieces.push_back(text.substr(start));
    }
    return pieces;
}

}  // namespace

std::vector<std::string> wrapBetweenItems(const std::string& line, std::size_t columns)
{
    const std::size_t indent = std::min(line.find_first_not_of(' '), line.size());
    const std::string continuation(indent + kContinuationIndent, ' ');
    std::vector<std::string> lines;
    std::string current = line.substr(0, indent);
    bool empty = true;  // nothing but the indent in current
    const auto place = [&](const std::string& piece) {
        if (!empty && current.size() + 1 + piece.size() > columns) {
            lines.push_back(current);
            current = continuation;
            empty = true;
        }
        current += (empty ? "" : " ") + piece;
        empty = false;
    };
    for (const std::string& item : piecesOf(line, false)) {
        const bool fits = (empty ? current.size() : continuation.size()) + item.size() <= columns;
        if (fits) {
            place(item);
            continue;
        }
        for (const std::string& word : piecesOf(item, true)) {
            place(word);
        }
    }
    lines.push_back(current);
    return lines;
}

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
