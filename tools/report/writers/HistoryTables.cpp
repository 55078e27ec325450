#include "tools/report/writers/HistoryTables.h"

#include <cmath>
#include <cstddef>

#include "common/FormatNumber.h"
#include "history/HistoryDayTable.h"
#include "history/HistoryDays.h"

namespace gnsslog {

namespace {

constexpr int kSecondDecimals = 1;
// The misleading rate's bound is small: significant digits, not decimals.
constexpr int kRateDigits = 3;

std::string seconds(const std::optional<double>& value)
{
    return value ? formatFixed(*value, kSecondDecimals) : "-";
}

std::string count(const std::optional<double>& value)
{
    return value ? formatFixed(*value, 0) : "-";
}

// Sessions, the two times to fix, wrong first fixes, within 1 sigma, HMI
// and the misleading rate.
constexpr std::size_t kSessionColumns = 7;

// The session and honesty figures' cells; "-" for each where the row did
// not keep them.
std::vector<std::string> sessionCells(const HistorySlice& s)
{
    const LogFigures& f = s.figures;
    if (!s.sessionFiguresKept) {
        return std::vector<std::string>(kSessionColumns, "-");
    }
    return {formatInt(f.sessions),
            seconds(f.timeToFixMedian),
            seconds(f.timeToFix95),
            f.judgedFirstFixes > 0 ? formatInt(f.wrongFirstFixes) + " of " + formatInt(f.judgedFirstFixes) : "-",
            historyPercentCell(f.within1Sigma),
            count(f.hazardouslyMisleading),
            f.misleadingRate95 ? formatGeneral(*f.misleadingRate95 * 100.0, kRateDigits) + " %" : "-"};
}

std::string passText(const std::optional<bool>& passes)
{
    return passes ? (*passes ? "PASS" : "FAIL") : "-";
}

nlohmann::ordered_json optionalJson(const std::optional<double>& value)
{
    return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
}

// The figures a row of an older schema did not keep are null.
nlohmann::ordered_json keptJson(bool kept, const std::optional<double>& value)
{
    return kept ? optionalJson(value) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json keptJson(bool kept, std::int64_t value)
{
    return kept ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json sliceJson(const HistoryRow& row)
{
    const HistorySlice& s = row.slice;
    const LogFigures& f = s.figures;
    const bool kept = s.sessionFiguresKept;
    nlohmann::ordered_json classes = nlohmann::ordered_json::array();
    for (const HistoryClassFigures& c : s.classes) {
        classes.push_back({{"class", c.solutionClass},
                           {"epochs", c.epochs},
                           {"h50", optionalJson(c.horizontal50)},
                           {"h95", optionalJson(c.horizontal95)},
                           {"v95", optionalJson(c.vertical95)}});
    }
    nlohmann::ordered_json verdicts = nlohmann::ordered_json::array();
    for (const HistoryVerdict& v : s.verdicts) {
        verdicts.push_back({{"requirement", v.requirement}, {"value", optionalJson(v.value)}, {"verdict", v.verdict}});
    }
    nlohmann::ordered_json quality = nullptr;
    if (const std::optional<HistoryDataQuality>& q = row.dataQuality) {
        quality = {{"frames", q->frames},          {"rejectedChecksum", q->rejectedChecksum},
                   {"unreadFrames", q->unreadFrames}, {"rejectedFrames", q->rejectedFrames},
                   {"truncatedFrames", q->truncatedFrames}, {"backwardSteps", q->backwardSteps},
                   {"dayWraps", q->dayWraps},      {"gaps", q->gaps},
                   {"datesIgnored", q->datesIgnored}};
    }
    return {{"run", row.runId},
            {"written", row.writtenUtc},
            {"source", row.source},
            {"inProgress", row.inProgress},
            {"day", s.day},
            {"start", s.startSeconds},
            {"end", s.endSeconds},
            {"partial", s.partial},
            {"records", f.records},
            {"fixShare", f.fixShare},
            {"fixLosses", f.fixLosses},
            {"timeToFirstFix", optionalJson(f.timeToFirstFix)},
            {"h50", optionalJson(f.horizontal50)},
            {"h95", optionalJson(f.horizontal95)},
            {"v95", optionalJson(f.vertical95)},
            {"availability", optionalJson(f.availability)},
            {"wrongFixes", f.wrongFixes},
            {"sessions", keptJson(kept, f.sessions)},
            {"timeToFixMedian", keptJson(kept, f.timeToFixMedian)},
            {"timeToFix95", keptJson(kept, f.timeToFix95)},
            {"judgedFirstFixes", keptJson(kept, f.judgedFirstFixes)},
            {"wrongFirstFixes", keptJson(kept, f.wrongFirstFixes)},
            {"wrongFirstFixShare", keptJson(kept, f.wrongFirstFixShare)},
            {"within1Sigma", keptJson(kept, f.within1Sigma)},
            {"hazardouslyMisleading", keptJson(kept, f.hazardouslyMisleading)},
            {"misleadingRate95", keptJson(kept, f.misleadingRate95)},
            {"gaps", s.gaps ? nlohmann::ordered_json(*s.gaps) : nlohmann::ordered_json(nullptr)},
            {"passes", s.passes ? nlohmann::ordered_json(*s.passes) : nlohmann::ordered_json(nullptr)},
            {"classes", std::move(classes)},
            {"verdicts", std::move(verdicts)},
            {"runDataQuality", std::move(quality)}};
}

}  // namespace

TextTable historySliceTable(const std::vector<HistoryRow>& rows)
{
    TextTable table;
    table.header = {"day",          "source",      "slice",    "records",
                    "RTK fix",      "H50 (m)",     "H95 (m)",  "V95 (m)",
                    "availability", "wrong fixes", "gaps",     "sessions",
                    "time to fix median (s)",      "time to fix 95 % (s)",
                    "wrong first fixes",           "within 1 sigma",
                    "HMI",          "MI rate (95 % bound)",   "requirements"};
    for (const HistoryRow& row : rows) {
        const HistorySlice& s = row.slice;
        const LogFigures& f = s.figures;
        // The day has its own column; the slice reads as a time of that day.
        const double dayStart = std::floor(s.startSeconds / kSecondsPerDay) * kSecondsPerDay;
        TimeSlice slice;
        slice.start = s.startSeconds - dayStart;
        slice.end = s.endSeconds - dayStart;
        slice.partial = s.partial;
        // A live run still writing (or killed before its end wrote it).
        const std::string source = row.inProgress ? row.name + " (in progress)" : row.name;
        std::vector<std::string> cells{s.day, source, sliceLabel(slice), formatInt(f.records),
                                       historyPercentCell(f.fixShare), historyMetresCell(f.horizontal50),
                                       historyMetresCell(f.horizontal95), historyMetresCell(f.vertical95),
                                       historyPercentCell(f.availability), formatInt(f.wrongFixes),
                                       s.gaps ? formatInt(*s.gaps) : "-"};
        for (std::string& cell : sessionCells(s)) {
            cells.push_back(std::move(cell));
        }
        cells.push_back(passText(s.passes));
        table.rows.push_back(std::move(cells));
    }
    return table;
}

nlohmann::ordered_json historyJson(const std::string& file, const std::vector<HistoryRow>& rows,
                                   const std::vector<HistoryDay>& days)
{
    nlohmann::ordered_json slices = nlohmann::ordered_json::array();
    for (const HistoryRow& row : rows) {
        slices.push_back(sliceJson(row));
    }
    nlohmann::ordered_json perDay = nlohmann::ordered_json::array();
    for (const HistoryDay& d : days) {
        perDay.push_back({{"day", d.day},
                          {"slices", d.slices},
                          {"records", d.records},
                          {"fixShare", optionalJson(d.fixShare)},
                          {"h95", optionalJson(d.horizontal95)},
                          {"v95", optionalJson(d.vertical95)},
                          {"availability", optionalJson(d.availability)}});
    }
    return {{"file", file}, {"slices", std::move(slices)}, {"days", std::move(perDay)}};
}

}  // namespace gnsslog
