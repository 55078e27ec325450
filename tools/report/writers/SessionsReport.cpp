#include "tools/report/writers/SessionsReport.h"

#include <cmath>
#include <ostream>
#include <string_view>

#include "common/FormatNumber.h"
#include "compare/TimeSlices.h"
#include "tools/report/writers/StatsReport.h"

namespace gnsslog {

namespace {

using json = nlohmann::ordered_json;

constexpr int kRoundTripDigits = 17;  // significant digits that read back any double

json optionalNumber(const std::optional<double>& value)
{
    if (!value || !std::isfinite(*value)) {
        return nullptr;
    }
    return *value;
}

std::string secondsOrDash(const std::optional<double>& value)
{
    return value ? formatSeconds(*value) : std::string("-");
}

std::string metresOrDash(const std::optional<double>& value)
{
    return value ? formatMetres(*value) : std::string("-");
}

void timeLine(std::ostream& out, const char* name, const SessionTimeFigures& f)
{
    out << "  " << alignLeft(name, 15) << ' ' << alignRight(formatInt(static_cast<std::int64_t>(f.reached)), 8)
        << ' ' << alignRight(secondsOrDash(f.median), 11) << ' '
        << alignRight(secondsOrDash(f.p95), 11) << '\n';
}

json timeJson(const SessionTimeFigures& f)
{
    return json{{"reached", f.reached}, {"median", optionalNumber(f.median)},
                {"p95", optionalNumber(f.p95)}};
}

json summaryJson(const SessionSummary& s, const SessionOptions& options)
{
    json within = json::array();
    for (const FixedWithin& w : s.fixedWithin) {
        within.push_back({{"seconds", w.limitSeconds}, {"share", s.count > 0 ? json(w.share) : json()}});
    }
    const bool judged = s.judgedFirstFixes > 0;
    return json{{"count", s.count},
                {"neverFixed", s.neverFixed},
                {"timeToFirstPosition", timeJson(s.firstPosition)},
                {"timeToFirstFloat", timeJson(s.firstFloat)},
                {"timeToFirstFix", timeJson(s.firstFixed)},
                {"timeToConverged", timeJson(s.converged)},
                {"fixedWithin", std::move(within)},
                {"wrongFirstFix",
                 {{"threshold", options.wrongFixThreshold},
                  {"judged", s.judgedFirstFixes},
                  {"count", s.wrongFirstFixes},
                  {"share", judged ? json(s.wrongFirstFixShare) : json()},
                  {"lower95", judged ? json(s.wrongFirstFixInterval.lower) : json()},
                  {"upper95", judged ? json(s.wrongFirstFixInterval.upper) : json()}}}};
}

json sessionJson(const Session& s)
{
    return json{{"recordIndex", s.firstIndex},
                {"records", s.recordCount},
                {"start", std::isfinite(s.startTime) ? json(s.startTime) : json()},
                {"end", std::isfinite(s.endTime) ? json(s.endTime) : json()},
                {"timeToFirstPosition", optionalNumber(s.timeToFirstPosition)},
                {"timeToFirstFloat", optionalNumber(s.timeToFirstFloat)},
                {"timeToFirstFix", optionalNumber(s.timeToFirstFixed)},
                {"firstFixHorizontal", optionalNumber(s.firstFixHorizontal)},
                {"firstFixVertical", optionalNumber(s.firstFixVertical)},
                {"firstFixWrong", s.firstFixJudged() ? json(s.firstFixWrong) : json()},
                {"timeToConverged", optionalNumber(s.timeToConverged)},
                {"fixedShare", s.fixedShare},
                {"horizontal95", optionalNumber(s.horizontal95)}};
}

void appendCsvNumber(std::string& row, const std::optional<double>& value)
{
    if (value && std::isfinite(*value)) {
        appendGeneral(row, *value, kRoundTripDigits);
    }
}

}  // namespace

void writeSessionsText(std::ostream& out, const SessionAnalysis& analysis,
                       const SessionOptions& options)
{
    const SessionSummary& s = analysis.summary;
    out << "Sessions (";
    if (options.cutting == SessionCutting::Every) {
        out << "every " << formatSeconds(options.everySeconds) << " s";
    } else if (options.cutting == SessionCutting::Markers) {
        out << "at the receiver restarts the log marks";
    } else {
        out << "cut after " << formatSeconds(options.gapSeconds) << " s without a position";
    }
    out << "; epoch interval " << formatSeconds(analysis.nominalInterval) << " s)\n";
    out << "  " << s.count << (s.count == 1 ? " session" : " sessions") << ", never fixed "
        << s.neverFixed << '\n';
    out << "  time to        sessions  median (s)    95 % (s)\n";
    timeLine(out, "first position", s.firstPosition);
    timeLine(out, "first float", s.firstFloat);
    timeLine(out, "first fix", s.firstFixed);
    timeLine(out, "converged", s.converged);
    if (!s.fixedWithin.empty()) {
        out << "  fixed within";
        for (std::size_t i = 0; i < s.fixedWithin.size(); ++i) {
            out << (i == 0 ? " " : ", ") << formatGeneral(s.fixedWithin[i].limitSeconds, 6) << " s "
                << formatShare(s.fixedWithin[i].share);
        }
        out << '\n';
    }
    out << "  wrong first fixes (error > " << formatMetres(options.wrongFixThreshold) << " m) "
        << s.wrongFirstFixes << " of " << s.judgedFirstFixes;
    if (s.judgedFirstFixes > 0) {
        out << " (" << formatShare(s.wrongFirstFixShare) << ", 95 % interval "
            << formatShare(s.wrongFirstFixInterval.lower) << " .. "
            << formatShare(s.wrongFirstFixInterval.upper) << ")";
    }
    out << '\n';
    if (analysis.sessions.empty()) {
        return;
    }
    out << "  session       start (s)  records  position (s)  float (s)    fix (s)  first-fix h (m)"
           "  wrong  converged (s)   fixed    h95 (m)\n";
    for (std::size_t i = 0; i < analysis.sessions.size(); ++i) {
        const Session& e = analysis.sessions[i];
        out << "  " << alignRight(std::to_string(i + 1), 7) << ' '
            << alignRight(formatSeconds(e.startTime), 15) << ' '
            << alignRight(std::to_string(e.recordCount), 8) << ' '
            << alignRight(secondsOrDash(e.timeToFirstPosition), 13) << ' '
            << alignRight(secondsOrDash(e.timeToFirstFloat), 10) << ' '
            << alignRight(secondsOrDash(e.timeToFirstFixed), 10) << ' '
            << alignRight(metresOrDash(e.firstFixHorizontal), 16) << ' '
            << alignRight(e.firstFixJudged() ? (e.firstFixWrong ? "yes" : "no") : "-", 6) << ' '
            << alignRight(secondsOrDash(e.timeToConverged), 14) << ' '
            << alignRight(formatShare(e.fixedShare), 7) << ' '
            << alignRight(metresOrDash(e.horizontal95), 10) << '\n';
    }
}

json sessionsJson(const SessionAnalysis& analysis, const SessionOptions& options)
{
    const bool every = options.cutting == SessionCutting::Every;
    json list = json::array();
    for (const Session& s : analysis.sessions) {
        list.push_back(sessionJson(s));
    }
    const bool gaps = options.cutting == SessionCutting::Gaps;
    return json{{"cutting", every ? "every" : (gaps ? "gaps" : "markers")},
                {"gapSeconds", gaps ? json(options.gapSeconds) : json()},
                {"everySeconds", every ? json(options.everySeconds) : json()},
                {"epochInterval", analysis.nominalInterval > 0 ? json(analysis.nominalInterval) : json()},
                {"summary", summaryJson(analysis.summary, options)},
                {"list", std::move(list)}};
}

bool writeSessionsCsv(std::ostream& out, const SessionAnalysis& analysis)
{
    out << "session,start,end,records,timeToFirstPosition,timeToFirstFloat,timeToFirstFix,"
           "firstFixHorizontal,firstFixVertical,firstFixWrong,timeToConverged,fixedShare,"
           "horizontal95\n";
    std::string row;
    for (std::size_t i = 0; i < analysis.sessions.size(); ++i) {
        const Session& s = analysis.sessions[i];
        row.clear();
        appendInt(row, static_cast<std::int64_t>(i + 1));
        for (const std::optional<double>& value :
             {std::optional<double>(s.startTime), std::optional<double>(s.endTime)}) {
            row += ',';
            appendCsvNumber(row, value);
        }
        row += ',';
        appendInt(row, static_cast<std::int64_t>(s.recordCount));
        for (const std::optional<double>& value :
             {s.timeToFirstPosition, s.timeToFirstFloat, s.timeToFirstFixed, s.firstFixHorizontal,
              s.firstFixVertical}) {
            row += ',';
            appendCsvNumber(row, value);
        }
        row += ',';
        row += s.firstFixJudged() ? (s.firstFixWrong ? "1" : "0") : "";
        for (const std::optional<double>& value :
             {s.timeToConverged, std::optional<double>(s.fixedShare), s.horizontal95}) {
            row += ',';
            appendCsvNumber(row, value);
        }
        row += '\n';
        out << row;
    }
    out.flush();
    return static_cast<bool>(out);
}

}  // namespace gnsslog
